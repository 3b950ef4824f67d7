#pragma once
// Window messages delivered to a toolkit host the way its window procedure
// gets them, for tests that drive controls without real input.
#include <string>

#include "platform/win32.h"
#include "toolkit/window/SHostWnd.h"

namespace kbtest {

// Straight into the host's message map (SendMessageW would need a window).
inline LRESULT Deliver(kb::ui::SHostWnd& host, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
  return host.HandleMessage(msg, wParam, lParam);
}

inline LPARAM PointParam(kb::ui::Point pt) { return MAKELPARAM(pt.x, pt.y); }

inline kb::ui::Point CenterOf(const kb::ui::SWindow* window) {
  const kb::ui::Rect& r = window->GetWindowRect();
  return kb::ui::Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

inline void MouseMove(kb::ui::SHostWnd& host, kb::ui::Point pt, WPARAM flags = 0) {
  Deliver(host, WM_MOUSEMOVE, flags, PointParam(pt));
}

// A move onto the point, then a left press and release there.
inline void Click(kb::ui::SHostWnd& host, kb::ui::Point pt, WPARAM extraFlags = 0) {
  MouseMove(host, pt, extraFlags);
  Deliver(host, WM_LBUTTONDOWN, MK_LBUTTON | extraFlags, PointParam(pt));
  Deliver(host, WM_LBUTTONUP, extraFlags, PointParam(pt));
}

// Key down and up; with `withChar` the WM_CHAR TranslateMessage would make
// in between (Enter as '\r').
inline void KeyPress(kb::ui::SHostWnd& host, UINT vk, bool withChar = false) {
  Deliver(host, WM_KEYDOWN, vk, 1);
  if (withChar) Deliver(host, WM_CHAR, vk == VK_RETURN ? L'\r' : vk, 1);
  Deliver(host, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
}

inline void TypeText(kb::ui::SHostWnd& host, const std::wstring& text) {
  for (wchar_t c : text) Deliver(host, WM_CHAR, static_cast<WPARAM>(c), 1);
}

}  // namespace kbtest
