#include "toolkit/controls/SCaption.h"

namespace kb::ui {

void SCaption::OnLButtonDown(UINT flags, Point pt) {
  HWND hwnd = GetHostHwnd();
  if (!hwnd) return;
  dragging_ = ::GetCursorPos(&cursorStart_) && ::GetWindowRect(hwnd, &windowStart_);
}

void SCaption::OnMouseMove(UINT flags, Point pt) {
  if (!dragging_ || !(flags & MK_LBUTTON)) return;
  POINT now{};
  if (!::GetCursorPos(&now)) return;
  int x = windowStart_.left + (now.x - cursorStart_.x);
  int y = windowStart_.top + (now.y - cursorStart_.y);
  ::SetWindowPos(GetHostHwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SCaption::OnLButtonUp(UINT flags, Point pt) { dragging_ = false; }

void SCaption::OnCaptureLost() { dragging_ = false; }

}  // namespace kb::ui
