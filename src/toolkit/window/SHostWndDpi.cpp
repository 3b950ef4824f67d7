// The host's scale: the window's dpi, the one place where its device pixels
// and the tree's logical units meet.
#include "toolkit/window/SHostWnd.h"

#include <map>
#include <mutex>

#include "platform/dpi.h"

namespace kb::ui {

namespace {

// The scale of every host window that exists, by handle.
std::mutex& HostDpiLock() {
  static std::mutex lock;
  return lock;
}
std::map<HWND, int>& HostDpis() {
  static std::map<HWND, int> dpis;
  return dpis;
}

}  // namespace

void SHostWnd::RememberDpi(HWND hwnd, int dpi) {
  std::scoped_lock lock(HostDpiLock());
  if (dpi > 0) HostDpis()[hwnd] = dpi;
  else HostDpis().erase(hwnd);
}

int SHostWnd::DpiOf(HWND owner) {
  if (!owner) return SystemDpi();
  {
    std::scoped_lock lock(HostDpiLock());
    auto it = HostDpis().find(owner);
    if (it != HostDpis().end()) return it->second;
  }
  return WindowDpi(owner);
}

void SHostWnd::SetDpi(int dpi) {
  dpiFixed_ = true;
  render::DeviceScale scale(dpi);
  if (scale == scale_) return;
  scale_ = scale;
  backbuffer_ = render::Bitmap();
  relayoutPending_ = true;
  if (hwnd_) {
    RememberDpi(hwnd_, scale_.Dpi());
    ::InvalidateRect(hwnd_, nullptr, FALSE);
  }
}

Size SHostWnd::GetLogicalClientSize() const { return hwnd_ ? scale_.ToLogical(GetClientSize()) : layoutSize_; }

Rect SHostWnd::LogicalToScreen(const Rect& rect) const {
  Rect device = scale_.ToDevice(rect);
  if (!hwnd_) return device;
  POINT topLeft{device.left, device.top};
  ::ClientToScreen(hwnd_, &topLeft);
  return device.Offset(topLeft.x - device.left, topLeft.y - device.top);
}

Point SHostWnd::ClientToLogical(LPARAM lParam) const {
  // Client coordinates are signed 16-bit (left of or above a captured
  // window they are negative).
  Point device{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  return scale_.ToLogical(device);
}

void SHostWnd::OnCreateMessage(HWND hwnd) {
  BuildTree();
  if (!title_.empty()) ::SetWindowTextW(hwnd, title_.c_str());
  RememberDpi(hwnd, scale_.Dpi());
  if (dpiFixed_) return;
  // Created on a monitor of another scale than the one guessed: the same
  // logical size at the window's own dpi.
  render::DeviceScale own(WindowDpi(hwnd));
  if (own == scale_) return;
  Size logical = scale_.ToLogical(GetClientSize());
  scale_ = own;
  RememberDpi(hwnd, scale_.Dpi());
  Size device = scale_.ToDevice(logical);
  ::SetWindowPos(hwnd, nullptr, 0, 0, device.cx, device.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SHostWnd::OnDpiChangedMessage(int dpi, const RECT* suggested) {
  // Moved to a monitor of another scale (or the scale was changed): the
  // system suggests the window's new place and size; the tree keeps its
  // logical layout and is drawn again at the new scale.
  render::DeviceScale scale(dpi);
  bool changed = !(scale == scale_);
  scale_ = scale;
  RememberDpi(hwnd_, scale_.Dpi());
  if (changed) {
    backbuffer_ = render::Bitmap();
    relayoutPending_ = true;
    HideToolTip();
  }
  if (suggested) {
    ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ::InvalidateRect(hwnd_, nullptr, FALSE);
}

}  // namespace kb::ui
