// The default window procedure.
#include <algorithm>
#include <cstring>

#include "platform/linux/app_icons.h"
#include "platform/linux/win32_kernel.h"
#include "platform/linux/window_object.h"
#include "platform/linux/x11_window.h"

using namespace kb::platform;

namespace {

constexpr WPARAM kSysCommandMask = 0xFFF0;

LRESULT OnSetText(const WindowPtr& w, LPCWSTR text) {
  std::wstring value = text ? text : L"";
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    w->text = value;
  }
  if (w->xid) X11SetTitle(w->xid, value);
  return TRUE;
}

// The previous icon of that size; the window manager is told of both.
LRESULT OnSetIcon(const WindowPtr& w, WPARAM which, HICON icon) {
  HICON previous, big, small;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    HICON& slot = which == ICON_BIG ? w->iconBig : w->iconSmall;
    previous = slot;
    slot = icon;
    big = w->iconBig ? w->iconBig : w->cls->icon;
    small = w->iconSmall ? w->iconSmall : w->cls->iconSmall;
  }
  if (w->xid) PublishWindowIcons(w->xid, big, small);
  return reinterpret_cast<LRESULT>(previous);
}

LRESULT OnGetIcon(const WindowPtr& w, WPARAM which) {
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  if (which == ICON_BIG) return reinterpret_cast<LRESULT>(w->iconBig);
  if (which == ICON_SMALL) return reinterpret_cast<LRESULT>(w->iconSmall);
  // ICON_SMALL2: what the title bar shows.
  HICON shown = w->iconSmall ? w->iconSmall : w->cls->iconSmall;
  return reinterpret_cast<LRESULT>(shown ? shown : (w->iconBig ? w->iconBig : w->cls->icon));
}

LRESULT OnGetText(const WindowPtr& w, WPARAM size, LPWSTR buffer) {
  if (!buffer || size == 0) return 0;
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  size_t n = std::min<size_t>(w->text.size(), size - 1);
  std::copy(w->text.begin(), w->text.begin() + static_cast<std::ptrdiff_t>(n), buffer);
  buffer[n] = L'\0';
  return static_cast<LRESULT>(n);
}

LRESULT OnSysCommand(const WindowPtr& w, WPARAM command) {
  switch (command & kSysCommandMask) {
    case SC_CLOSE: return SendMessageW(w->hwnd, WM_CLOSE, 0, 0);
    case SC_MINIMIZE: ShowWindow(w->hwnd, SW_MINIMIZE); return 0;
    case SC_MAXIMIZE: ShowWindow(w->hwnd, SW_MAXIMIZE); return 0;
    case SC_RESTORE: ShowWindow(w->hwnd, SW_RESTORE); return 0;
    case SC_MOVE: {
      WindowPtr top = TopLevelOf(w);
      ReleaseCapture();
      if (top->xid) X11StartMove(top->xid);
      return 0;
    }
    default: return 0;
  }
}

LRESULT OnEraseBackground(const WindowPtr& w, HDC dc) {
  HBRUSH brush = w->cls->background;
  if (!brush || !dc) return 0;
  RECT r;
  GetClientRect(w->hwnd, &r);
  FillRect(dc, &r, brush);
  return 1;
}

LRESULT OnWindowPosChanged(const WindowPtr& w, const WINDOWPOS* pos) {
  if (!pos) return 0;
  // Windows reports these two from here, so a window procedure that handles
  // WM_WINDOWPOSCHANGED itself gets neither.
  if (!(pos->flags & SWP_NOSIZE)) {
    RECT r;
    GetClientRect(w->hwnd, &r);
    WPARAM kind = IsIconic(w->hwnd) ? SIZE_MINIMIZED : IsZoomed(w->hwnd) ? SIZE_MAXIMIZED : SIZE_RESTORED;
    SendMessageW(w->hwnd, WM_SIZE, kind, MAKELPARAM(r.right, r.bottom));
  }
  if (!(pos->flags & SWP_NOMOVE)) {
    RECT r;
    {
      std::lock_guard<std::recursive_mutex> guard(UserLock());
      r = w->rect;
    }
    SendMessageW(w->hwnd, WM_MOVE, 0, MAKELPARAM(r.left, r.top));
  }
  return 0;
}

LRESULT OnSetCursor(const WindowPtr& w, LPARAM lParam) {
  if (LOWORD(lParam) != HTCLIENT) return FALSE;
  HCURSOR cursor = w->cls->cursor;
  if (!cursor) return FALSE;
  SetCursor(cursor);
  return TRUE;
}

}  // namespace

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) return 0;
  switch (message) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) OnSetText(w, cs->lpszName);
      return TRUE;
    }
    case WM_SETTEXT: return OnSetText(w, reinterpret_cast<LPCWSTR>(lParam));
    case WM_SETICON: return OnSetIcon(w, wParam, reinterpret_cast<HICON>(lParam));
    case WM_GETICON: return OnGetIcon(w, wParam);
    case WM_GETTEXT: return OnGetText(w, wParam, reinterpret_cast<LPWSTR>(lParam));
    case WM_GETTEXTLENGTH: {
      std::lock_guard<std::recursive_mutex> guard(UserLock());
      return static_cast<LRESULT>(w->text.size());
    }
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return OnEraseBackground(w, reinterpret_cast<HDC>(wParam));
    case WM_NCHITTEST: {
      RECT r;
      GetWindowRect(hwnd, &r);
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      return (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) ? HTCLIENT : HTNOWHERE;
    }
    case WM_NCLBUTTONDOWN:
      if (wParam == HTCAPTION) SendMessageW(hwnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lParam);
      return 0;
    case WM_NCLBUTTONDBLCLK:
      if (wParam == HTCAPTION && (w->style & WS_MAXIMIZEBOX) && (w->style & WS_CAPTION) == WS_CAPTION)
        SendMessageW(hwnd, WM_SYSCOMMAND, IsZoomed(hwnd) ? SC_RESTORE : SC_MAXIMIZE, lParam);
      return 0;
    case WM_SYSCOMMAND: return OnSysCommand(w, wParam);
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && (lParam & (1 << 29))) SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_RBUTTONUP: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hwnd, &p);
      SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(p.x, p.y));
      return 0;
    }
    case WM_CONTEXTMENU:
      if ((w->style & WS_CHILD) && w->parent) return SendMessageW(w->parent, message, wParam, lParam);
      return 0;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      if ((w->style & WS_CHILD) && w->parent) return SendMessageW(w->parent, message, wParam, lParam);
      return 0;
    case WM_SETCURSOR: return OnSetCursor(w, lParam);
    case WM_MOUSEACTIVATE: return MA_ACTIVATE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) SetFocus(hwnd);
      return 0;
    case WM_NCACTIVATE: return TRUE;
    case WM_WINDOWPOSCHANGED: return OnWindowPosChanged(w, reinterpret_cast<const WINDOWPOS*>(lParam));
    case WM_GETMINMAXINFO:
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
    case WM_NCDESTROY:
      return 0;
    case WM_QUERYENDSESSION: return TRUE;
    case WM_DEVICECHANGE: return TRUE;
    default: return 0;
  }
}
