#include "ui/common/CShellNotifyHwnd2.h"

#include "ui/common/SShellNotifyIcon.h"

namespace kb::ui {

CShellNotifyHwnd2::CShellNotifyHwnd2(CSimpleWnd* host, SShellNotifyIcon* owner) : host_(host), owner_(owner) {}

CShellNotifyHwnd2* CShellNotifyHwnd2::CreateFor(CSimpleWnd* host, SShellNotifyIcon* owner) {
  auto* wnd = new CShellNotifyHwnd2(host, owner);
  if (!wnd->Create(kWindowName, 0, 0, 0, 0, 0, 0, HWND_MESSAGE)) {
    delete wnd;
    return nullptr;
  }
  wnd->taskbarCreated_ = SShellNotifyIcon::TaskbarCreatedMessage();
  return wnd;
}

void CShellNotifyHwnd2::Detach() {
  owner_ = nullptr;
  host_ = nullptr;
}

void CShellNotifyHwnd2::DestroyNow() {
  if (IsWindowAlive()) ::DestroyWindow(hwnd_);
}

void CShellNotifyHwnd2::OnFinalMessage(HWND hwnd) {
  if (owner_) owner_->OnMessageWindowGone();
  delete this;
}

bool CShellNotifyHwnd2::OfferToHost(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  return host_ && host_->ProcessWindowMessage(hwnd, msg, wParam, lParam, result);
}

bool CShellNotifyHwnd2::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  if (taskbarCreated_ && msg == taskbarCreated_) {
    if (owner_) owner_->ReAdd();
    return true;
  }
  if (msg == WM_TIMER && wParam == kAnimationTimerId) {
    if (owner_) owner_->OnAnimationTimer();
    return true;
  }
  if (msg == WM_COMMAND) return OfferToHost(hwnd, msg, wParam, lParam, result);
  if (msg != SShellNotifyIcon::kCallbackMessage) return false;
  if (OfferToHost(hwnd, msg, wParam, lParam, result)) return true;
  // The host's handler may have released the icon.
  if (owner_) OnTrayMouse(lParam);
  return true;
}

void CShellNotifyHwnd2::OnTrayMouse(LPARAM mouseMessage) {
  switch (static_cast<UINT>(mouseMessage)) {
    case WM_LBUTTONUP: {
      HWND host = host_ ? host_->GetHwnd() : nullptr;
      if (!host) return;
      // A minimised window is visible too; the click brings it back rather
      // than hiding it.
      if (::IsWindowVisible(host) && !::IsIconic(host)) {
        ::ShowWindow(host, SW_HIDE);
      } else {
        ::ShowWindow(host, ::IsIconic(host) ? SW_RESTORE : SW_SHOW);
        ::SetForegroundWindow(host);
      }
      return;
    }
    case WM_RBUTTONUP:
      owner_->ShowMenu();
      return;
    default:
      return;
  }
}

}  // namespace kb::ui
