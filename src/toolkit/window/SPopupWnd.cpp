#include "toolkit/window/SPopupWnd.h"

#include <algorithm>

#include "toolkit/core/SApplication.h"

namespace kb::ui {

namespace {

std::vector<SPopupWnd*>& OpenPopups() {
  static std::vector<SPopupWnd*> popups;
  return popups;
}

bool IsButtonDown(UINT msg) {
  return msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN || msg == WM_LBUTTONDBLCLK ||
         msg == WM_RBUTTONDBLCLK || msg == WM_NCLBUTTONDOWN || msg == WM_NCRBUTTONDOWN;
}

bool IsKeyMessage(UINT msg) {
  return msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_CHAR || msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP;
}

Rect ScreenRect() {
  RECT rc = {};
  ::GetWindowRect(::GetDesktopWindow(), &rc);
  return Rect{rc.left, rc.top, rc.right, rc.bottom};
}

}  // namespace

Rect PlacePopup(Size size, const Rect& anchor, bool preferRight) {
  Rect screen = ScreenRect();
  int x = preferRight ? anchor.right : anchor.left;
  int y = preferRight ? anchor.top : anchor.bottom;
  if (preferRight && x + size.cx > screen.right) x = anchor.left - size.cx;
  if (y + size.cy > screen.bottom) y = preferRight ? screen.bottom - size.cy : anchor.top - size.cy;
  if (x + size.cx > screen.right) x = screen.right - size.cx;
  x = std::max(x, screen.left);
  y = std::max(y, screen.top);
  return Rect::FromSize(x, y, size.cx, size.cy);
}

SPopupWnd::SPopupWnd(std::wstring layoutName) : SHostWnd(std::move(layoutName)) {}

SPopupWnd::~SPopupWnd() {
  auto& popups = OpenPopups();
  popups.erase(std::remove(popups.begin(), popups.end(), this), popups.end());
}

bool SPopupWnd::IsOpenPopup(HWND hwnd) {
  for (SPopupWnd* p : OpenPopups())
    if (p->GetHwnd() == hwnd) return true;
  return false;
}

SPopupWnd* SPopupWnd::TopPopup() { return OpenPopups().empty() ? nullptr : OpenPopups().back(); }

bool SPopupWnd::Open(HWND owner, const Rect& screenRect) {
  owner_ = owner;
  if (!GetHwnd() && !CreateEx(owner, DefaultStyle(), DefaultExStyle(), screenRect.left, screenRect.top,
                              screenRect.Width(), screenRect.Height())) {
    return false;
  }
  ::SetWindowPos(GetHwnd(), HWND_TOPMOST, screenRect.left, screenRect.top, screenRect.Width(), screenRect.Height(),
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ::UpdateWindow(GetHwnd());
  open_ = true;
  result_ = -1;
  OpenPopups().push_back(this);
  return true;
}

void SPopupWnd::Close(int result) {
  if (!open_) return;
  open_ = false;
  result_ = result;
  OnClosing();
  auto& popups = OpenPopups();
  popups.erase(std::remove(popups.begin(), popups.end(), this), popups.end());
  if (GetHwnd()) ::ShowWindow(GetHwnd(), SW_HIDE);
}

void SPopupWnd::CloseAll(int result) {
  std::vector<SPopupWnd*> popups = OpenPopups();
  for (auto it = popups.rbegin(); it != popups.rend(); ++it) (*it)->Close(result);
}

int SPopupWnd::RunLoop() {
  if (SApplication* app = SApplication::Instance()) app->NotifyModalEnter(*this);
  MSG msg;
  while (open_ && GetHwnd()) {
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // The application is quitting: leave, and let the outer loop see it.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      CloseAll(-1);
      break;
    }
    if (got == -1) break;
    if (IsButtonDown(msg.message) && !IsOpenPopup(msg.hwnd)) {
      CloseAll(-1);
      continue;
    }
    if (IsKeyMessage(msg.message) && !IsOpenPopup(msg.hwnd)) {
      if (SPopupWnd* top = TopPopup()) msg.hwnd = top->GetHwnd();
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  if (open_) Close(-1);
  if (GetHwnd()) ::DestroyWindow(GetHwnd());
  return result_;
}

bool SPopupWnd::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_MOUSEACTIVATE) {
    result = MA_NOACTIVATE;
    return true;
  }
  return SHostWnd::ProcessWindowMessage(hwnd, msg, wParam, lParam, result);
}

}  // namespace kb::ui
