#pragma once
// The dpi a window is drawn at (96 is 100 %). A per-monitor aware program
// gets each window's own; older systems have only the screen's.
#include "platform/win32.h"

namespace kb {

#ifdef _WIN32
namespace dpi_detail {

// GetDpiForWindow and GetDpiForSystem came with Windows 10 1607: looked up
// at run time, so the program still starts on older systems.
template <class Fn>
Fn User32Function(const char* name) {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

inline int ScreenDpi() {
  HDC screen = ::GetDC(nullptr);
  int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

}  // namespace dpi_detail

// The dpi of the primary screen (what windows are created at).
inline int SystemDpi() {
  using Fn = UINT(WINAPI*)();
  static const Fn forSystem = dpi_detail::User32Function<Fn>("GetDpiForSystem");
  UINT dpi = forSystem ? forSystem() : 0;
  return dpi ? static_cast<int>(dpi) : dpi_detail::ScreenDpi();
}

// The window's dpi; the system's when the window is null or gone.
inline int WindowDpi(HWND hwnd) {
  using Fn = UINT(WINAPI*)(HWND);
  static const Fn forWindow = dpi_detail::User32Function<Fn>("GetDpiForWindow");
  UINT dpi = hwnd && forWindow ? forWindow(hwnd) : 0;
  return dpi ? static_cast<int>(dpi) : SystemDpi();
}
#else
inline int SystemDpi() { return static_cast<int>(::GetDpiForSystem()); }

inline int WindowDpi(HWND hwnd) {
  UINT dpi = hwnd ? ::GetDpiForWindow(hwnd) : 0;
  return dpi ? static_cast<int>(dpi) : SystemDpi();
}
#endif

}  // namespace kb
