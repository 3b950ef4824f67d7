#include "toolkit/window/CSimpleWnd.h"

#include <mutex>
#include <set>
#include <string>

#include "platform/diag.h"
#include "toolkit/core/SApplication.h"

namespace kb::ui {

namespace {

std::mutex gClassMutex;
std::set<std::wstring>& RegisteredClasses() {
  static std::set<std::wstring> classes;
  return classes;
}

}  // namespace

CSimpleWnd::CSimpleWnd() = default;

CSimpleWnd::~CSimpleWnd() {
  // The window must not call into a destroyed object.
  if (hwnd_ && ::IsWindow(hwnd_)) {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
}

bool CSimpleWnd::RegisterWindowClassOnce(LPCWSTR className, UINT classStyle) {
  std::lock_guard<std::mutex> lock(gClassMutex);
  if (RegisteredClasses().count(className)) return true;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.style = classStyle;
  wc.lpfnWndProc = StaticWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // The executable's icon (resource 1), each size as the shell draws it:
  // the big one for Alt+Tab, the small one for the title bar and taskbar.
  // Shared: the system frees them with the module. None: the default icon.
  wc.hIcon = static_cast<HICON>(LoadImageW(wc.hInstance, MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON,
                                           GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
  wc.hIconSm = static_cast<HICON>(LoadImageW(wc.hInstance, MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  wc.lpszClassName = className;
  if (!RegisterClassExW(&wc)) {
    DiagPrintfW(L"window class %ls cannot be registered (error %lu)\n", className,
                static_cast<unsigned long>(GetLastError()));
    return false;
  }
  RegisteredClasses().insert(className);
  return true;
}

HWND CSimpleWnd::Create(LPCWSTR windowName, DWORD style, DWORD exStyle, int x, int y, int cx, int cy, HWND parent,
                        LPCWSTR className) {
  if (hwnd_) return nullptr;
  std::wstring cls;
  if (className) cls = className;
  else if (SApplication* app = SApplication::Instance()) cls = app->HostClassName();
  else cls = kDefaultClassName;
  if (!RegisterWindowClassOnce(cls.c_str(), CS_DBLCLKS)) return nullptr;
  HWND hwnd = CreateWindowExW(exStyle, cls.c_str(), windowName ? windowName : L"", style, x, y, cx, cy, parent,
                              nullptr, GetModuleHandleW(nullptr), this);
  if (!hwnd) {
    DiagPrintfW(L"window of class %ls cannot be created (error %lu)\n", cls.c_str(),
                static_cast<unsigned long>(GetLastError()));
  }
  return hwnd;
}

bool CSimpleWnd::Destroy() {
  if (!hwnd_) return false;
  return ::DestroyWindow(hwnd_) != FALSE;
}

Rect CSimpleWnd::GetWindowRectOnScreen() const {
  RECT rc = {};
  if (hwnd_) ::GetWindowRect(hwnd_, &rc);
  return Rect{rc.left, rc.top, rc.right, rc.bottom};
}

Size CSimpleWnd::GetClientSize() const {
  RECT rc = {};
  if (hwnd_) ::GetClientRect(hwnd_, &rc);
  return Size{rc.right - rc.left, rc.bottom - rc.top};
}

void CSimpleWnd::CenterWindow(HWND relativeTo) {
  if (!hwnd_) return;
  RECT area = {};
  if (relativeTo && ::IsWindowVisible(relativeTo) && ::GetWindowRect(relativeTo, &area)) {
  } else {
    ::GetWindowRect(::GetDesktopWindow(), &area);
  }
  Rect self = GetWindowRectOnScreen();
  int x = area.left + ((area.right - area.left) - self.Width()) / 2;
  int y = area.top + ((area.bottom - area.top) - self.Height()) / 2;
  // Keep the caption on the screen when the window is larger than the area.
  RECT screen = {};
  ::GetWindowRect(::GetDesktopWindow(), &screen);
  if (x + self.Width() > screen.right) x = screen.right - self.Width();
  if (y + self.Height() > screen.bottom) y = screen.bottom - self.Height();
  if (x < screen.left) x = screen.left;
  if (y < screen.top) y = screen.top;
  ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CSimpleWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd_) return ::SendMessageW(hwnd_, msg, wParam, lParam);
  ++messageDepth_;
  LRESULT result = 0;
  ProcessWindowMessage(nullptr, msg, wParam, lParam, result);
  if (--messageDepth_ == 0) OnMessagesDone();
  return result;
}

LRESULT CALLBACK CSimpleWnd::StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CSimpleWnd* self = nullptr;
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    self = static_cast<CSimpleWnd*>(cs->lpCreateParams);
    if (self) {
      self->hwnd_ = hwnd;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  } else {
    self = reinterpret_cast<CSimpleWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  // Windows sends a few messages (WM_GETMINMAXINFO) before WM_NCCREATE.
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  return self->Dispatch(hwnd, msg, wParam, lParam);
}

LRESULT CSimpleWnd::Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  ++messageDepth_;
  LRESULT result = 0;
  if (!ProcessWindowMessage(hwnd, msg, wParam, lParam, result)) result = DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    finalPending_ = true;
  }
  if (--messageDepth_ > 0) return result;
  if (finalPending_) {
    finalPending_ = false;
    OnFinalMessage(hwnd);  // may delete this
    return result;
  }
  OnMessagesDone();
  return result;
}

}  // namespace kb::ui
