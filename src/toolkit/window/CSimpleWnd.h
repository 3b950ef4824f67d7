#pragma once
// A Windows-API window bound to a C++ object: the window procedure finds the
// object through GWLP_USERDATA and hands every message to
// ProcessWindowMessage; what it leaves goes to DefWindowProcW.
//
// The object outlives nested handling safely: OnFinalMessage (which may
// delete the object) runs only when the outermost message of the window has
// returned.
#include "platform/win32.h"
#include "toolkit/core/Types.h"

namespace kb::ui {

class CSimpleWnd {
 public:
  // The class plain toolkit windows are created with when no other is named.
  static constexpr wchar_t kDefaultClassName[] = L"KbUiSimpleWnd";
  // The executable's icon resource the window classes take.
  static constexpr WORD kAppIconId = 1;

  CSimpleWnd();
  virtual ~CSimpleWnd();
  CSimpleWnd(const CSimpleWnd&) = delete;
  CSimpleWnd& operator=(const CSimpleWnd&) = delete;

  // Registers the window class once per process (our window procedure).
  static bool RegisterWindowClassOnce(LPCWSTR className, UINT classStyle);

  // A null class name uses the application's host class (or the default
  // class when there is no application).
  HWND Create(LPCWSTR windowName, DWORD style, DWORD exStyle, int x, int y, int cx, int cy, HWND parent,
              LPCWSTR className = nullptr);

  HWND GetHwnd() const { return hwnd_; }
  operator HWND() const { return hwnd_; }
  bool IsWindowAlive() const { return hwnd_ && ::IsWindow(hwnd_); }
  bool Destroy();
  // Centres on `relativeTo`, or on the screen when it is null or hidden.
  void CenterWindow(HWND relativeTo = nullptr);
  Rect GetWindowRectOnScreen() const;
  Size GetClientSize() const;

  // Runs a message as the window procedure would: SendMessageW when the
  // window exists, else straight through the message map (hosts that only
  // render, tests).
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  // The message map: return true when handled (with the result in `result`).
  virtual bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return false;
  }

 protected:
  // The window is gone; may delete the object.
  virtual void OnFinalMessage(HWND hwnd) {}
  // No message of this window is being handled any more.
  virtual void OnMessagesDone() {}
  int MessageDepth() const { return messageDepth_; }

  HWND hwnd_ = nullptr;

 private:
  static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  int messageDepth_ = 0;
  bool finalPending_ = false;
};

// Message maps for classes deriving from CSimpleWnd or SHostWnd:
//
//   KB_BEGIN_MSG_MAP()
//     KB_MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)   // LRESULT OnInitDialog(UINT, WPARAM, LPARAM, bool& handled)
//     KB_CHAIN_MSG_MAP(SHostWnd)
//   KB_END_MSG_MAP()
#define KB_BEGIN_MSG_MAP()                                                                              \
  bool ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override { \
    (void)hWnd;
#define KB_MESSAGE_HANDLER(msg, func)                   \
  if (uMsg == (msg)) {                                  \
    bool bHandled = true;                               \
    lResult = func(uMsg, wParam, lParam, bHandled);     \
    if (bHandled) return true;                          \
  }
#define KB_CHAIN_MSG_MAP(Base) \
  if (Base::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult)) return true;
#define KB_END_MSG_MAP() \
  return false;          \
  }

}  // namespace kb::ui
