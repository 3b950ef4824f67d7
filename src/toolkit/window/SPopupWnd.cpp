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

// Pointer messages with client coordinates (the wheel carries screen ones
// and goes where the popup's host sends it).
bool IsMouseMessage(UINT msg) {
  return msg == WM_MOUSEMOVE || (msg >= WM_LBUTTONDOWN && msg <= WM_MBUTTONDBLCLK) ||
         (msg >= WM_XBUTTONDOWN && msg <= WM_XBUTTONDBLCLK);
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

Size SPopupWnd::DeviceSizeFor(HWND owner, Size logical) { return render::DeviceScale(DpiOf(owner)).ToDevice(logical); }

bool SPopupWnd::Open(HWND owner, const Rect& screenRect) {
  owner_ = owner;
  if (!GetHwnd()) SetDpi(DpiOf(owner));
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
  // The loop's capture goes before the last popup does: a click that comes
  // once the menu is gone from the screen (the tray icon clicked again at
  // once) must reach its window, not the grab of a loop that is ending.
  if (popups.empty() && GetHwnd() && ::GetCapture() == GetHwnd()) ::ReleaseCapture();
  if (GetHwnd()) ::ShowWindow(GetHwnd(), SW_HIDE);
}

void SPopupWnd::CloseAll(int result) {
  std::vector<SPopupWnd*> popups = OpenPopups();
  for (auto it = popups.rbegin(); it != popups.rend(); ++it) (*it)->Close(result);
}

SPopupWnd* SPopupWnd::PopupAt(POINT screen) {
  auto& popups = OpenPopups();
  for (auto it = popups.rbegin(); it != popups.rend(); ++it) {
    RECT rc = {};
    if ((*it)->GetHwnd() && ::GetWindowRect((*it)->GetHwnd(), &rc) && screen.x >= rc.left && screen.x < rc.right &&
        screen.y >= rc.top && screen.y < rc.bottom)
      return *it;
  }
  return nullptr;
}

bool SPopupWnd::RouteLoopMouse(MSG& msg) {
  // Where the pointer is, from the window the message is for (the loop's
  // capture window for the display's input).
  POINT screen{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
  if (!msg.hwnd || !::ClientToScreen(msg.hwnd, &screen)) screen = msg.pt;
  SPopupWnd* under = PopupAt(screen);
  HWND target = under ? under->GetHwnd() : nullptr;
  if (mouseOver_ && mouseOver_ != target && ::IsWindow(mouseOver_)) ::PostMessageW(mouseOver_, WM_MOUSELEAVE, 0, 0);
  mouseOver_ = target;
  if (!under) {
    // Outside every popup: a press ends the menu and is not delivered; the
    // rest is nobody's.
    if (IsButtonDown(msg.message)) CloseAll(-1);
    return false;
  }
  RECT rc = {};
  ::GetWindowRect(target, &rc);
  msg.hwnd = target;
  msg.lParam = MAKELPARAM(screen.x - rc.left, screen.y - rc.top);
  return true;
}

int SPopupWnd::RunLoop() {
  // The click that opened the popup may have left the opener holding the
  // mouse (its button-up handler runs this loop). The loop takes the capture
  // itself, so it also sees presses outside the program's windows: the menu
  // of a hidden window closes on a click on the desktop.
  ::ReleaseCapture();
  ::SetCapture(GetHwnd());
  // Keys reach a thread only through its foreground window. When the owner
  // cannot take them (hidden, as the tray menu's is), the popup does.
  HWND owner = owner_ ? ::GetAncestor(owner_, GA_ROOT) : nullptr;
  if (!owner || !::IsWindowVisible(owner) || ::GetForegroundWindow() != owner) ::SetForegroundWindow(GetHwnd());
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
    if (IsMouseMessage(msg.message) && !RouteLoopMouse(msg)) continue;
    if (IsButtonDown(msg.message) && !IsOpenPopup(msg.hwnd)) {
      CloseAll(-1);
      continue;
    }
    if (IsKeyMessage(msg.message) && !IsOpenPopup(msg.hwnd)) {
      if (SPopupWnd* top = TopPopup()) msg.hwnd = top->GetHwnd();
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    // A control of a popup that took and released the mouse gave the loop's
    // capture away with it.
    if (open_ && GetHwnd() && ::GetCapture() != GetHwnd()) ::SetCapture(GetHwnd());
  }
  if (::GetCapture() == GetHwnd()) ::ReleaseCapture();
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
