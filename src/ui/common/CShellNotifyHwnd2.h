#pragma once
// The hidden message-only window of the tray icon: the shell sends the
// icon's mouse messages to it, the taskbar's "TaskbarCreated" is passed to
// it, and the icon's animation timer runs on it. Created and destroyed by
// SShellNotifyIcon; the window deletes its object when it is gone.
#include "toolkit/window/CSimpleWnd.h"

namespace kb::ui {

class SShellNotifyIcon;

class CShellNotifyHwnd2 : public CSimpleWnd {
 public:
  static constexpr wchar_t kWindowName[] = L"shell_nofity_msg_windows";
  static constexpr UINT_PTR kAnimationTimerId = 8;

  // `host` is the window of the icon's layout (the main dialog).
  CShellNotifyHwnd2(CSimpleWnd* host, SShellNotifyIcon* owner);

  // Creates the message-only window and registers "TaskbarCreated". The
  // object deletes itself when the window is destroyed; on failure it is
  // deleted here and null is returned.
  static CShellNotifyHwnd2* CreateFor(CSimpleWnd* host, SShellNotifyIcon* owner);

  UINT GetTaskbarCreatedMessage() const { return taskbarCreated_; }
  CSimpleWnd* GetHost() const { return host_; }
  // The icon is going away: nothing reaches it from now on.
  void Detach();
  // Destroys the window now (the object goes with it, once no message of
  // the window is being handled any more).
  void DestroyNow();

  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  void OnFinalMessage(HWND hwnd) override;

 private:
  bool OfferToHost(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void OnTrayMouse(LPARAM mouseMessage);

  CSimpleWnd* host_;
  SShellNotifyIcon* owner_;
  UINT taskbarCreated_ = 0;
};

}  // namespace kb::ui
