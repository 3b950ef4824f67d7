// Update regions, WM_PAINT, BeginPaint/EndPaint and layered windows.
#include <algorithm>

#include "platform/linux/gdi_object.h"
#include "platform/linux/win32_kernel.h"
#include "platform/linux/window_object.h"
#include "platform/linux/x11_window.h"

namespace kb::platform {

namespace {

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT Intersect(const RECT& a, const RECT& b) {
  return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

}  // namespace

void InvalidateWindow(const WindowPtr& w, const RECT* rect, bool erase) {
  // A hidden window gets no WM_PAINT; showing it invalidates all of it.
  if (!IsWindowVisible(w->hwnd)) return;
  // Layered windows are drawn by UpdateLayeredWindow only, never asked to paint.
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    if ((w->exStyle & WS_EX_LAYERED) && !w->layeredPixels.empty()) return;
  }
  RECT client;
  GetClientRect(w->hwnd, &client);
  RECT r = rect ? Intersect(*rect, client) : client;
  if (Empty(r)) return;
  std::vector<HWND> children;
  bool added = false;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    if (!w->hasUpdate) {
      w->hasUpdate = true;
      w->update = r;
      added = true;
    } else {
      w->update = RECT{std::min(w->update.left, r.left), std::min(w->update.top, r.top),
                       std::max(w->update.right, r.right), std::max(w->update.bottom, r.bottom)};
    }
    w->eraseNeeded = w->eraseNeeded || erase;
    // A parent's DC does not leave its children out (WS_CLIPCHILDREN is not
    // honoured), so children under the area paint again, after the parent.
    children = w->children;
  }
  if (added) w->queue->AddPaint(1);
  for (HWND h : children) {
    WindowPtr c = FindWindowObject(h);
    if (!c) continue;
    // The X event thread gets here from Expose while the window's own thread
    // may be moving the child: its rectangle is read under the user lock.
    RECT childRect;
    {
      std::lock_guard<std::recursive_mutex> guard(UserLock());
      childRect = c->rect;
    }
    RECT inChild = Intersect(r, childRect);
    if (Empty(inChild)) continue;
    OffsetRectBy(&inChild, -childRect.left, -childRect.top);
    InvalidateWindow(c, &inChild, erase);
  }
}

void ValidateWindow(const WindowPtr& w) {
  bool removed = false;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    removed = w->hasUpdate;
    w->hasUpdate = false;
    w->eraseNeeded = false;
  }
  if (removed) w->queue->AddPaint(-1);
}

void OffsetRectBy(RECT* r, LONG dx, LONG dy) {
  r->left += dx;
  r->right += dx;
  r->top += dy;
  r->bottom += dy;
}

}  // namespace kb::platform

using namespace kb::platform;

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (!hwnd) {
    for (const WindowPtr& w : AllWindows())
      if (!(w->style & WS_CHILD)) InvalidateWindow(w, nullptr, erase != FALSE);
    return TRUE;
  }
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  InvalidateWindow(w, rect, erase != FALSE);
  return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  bool all = !rect;
  if (rect) {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    // The region is kept as one rectangle: only a rectangle covering it
    // validates it.
    const RECT& u = w->update;
    all = rect->left <= u.left && rect->top <= u.top && rect->right >= u.right && rect->bottom >= u.bottom;
  }
  if (all) ValidateWindow(w);
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) return FALSE;
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  if (rect) *rect = w->hasUpdate ? w->update : RECT{0, 0, 0, 0};
  return w->hasUpdate ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  bool pending;
  std::vector<HWND> children;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    pending = w->hasUpdate;
    children = w->children;
  }
  if (pending) SendToWindow(w, WM_PAINT, 0, 0);
  for (HWND c : children) UpdateWindow(c);
  return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN, UINT flags) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) return hwnd ? FALSE : TRUE;
  if (flags & RDW_INVALIDATE) InvalidateWindow(w, rect, (flags & RDW_ERASE) != 0);
  if (flags & RDW_VALIDATE) ValidateWindow(w);
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateWindow(hwnd);
  return TRUE;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w || !ps) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  RECT paint;
  bool erase;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    paint = w->hasUpdate ? w->update : RECT{0, 0, 0, 0};
    erase = w->eraseNeeded;
  }
  ValidateWindow(w);
  HDC hdc = GetDC(hwnd);
  if (auto dc = LookupGdi<GdiDc>(hdc)) dc->clip = paint;
  *ps = PAINTSTRUCT{};
  ps->hdc = hdc;
  ps->rcPaint = paint;
  ps->fErase = erase ? (SendToWindow(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) ? FALSE : TRUE) : FALSE;
  return hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (!ps) return FALSE;
  ReleaseDC(hwnd, ps->hdc);
  return TRUE;
}

BOOL UpdateLayeredWindow(HWND hwnd, HDC, POINT* dst, SIZE* size, HDC hdcSrc, POINT* src, COLORREF, BLENDFUNCTION*,
                         DWORD) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w || !(w->exStyle & WS_EX_LAYERED)) {
    SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (dst || size) {
    RECT r;
    GetWindowRect(hwnd, &r);
    int x = dst ? dst->x : r.left, y = dst ? dst->y : r.top;
    int cx = size ? size->cx : r.right - r.left, cy = size ? size->cy : r.bottom - r.top;
    SetWindowPos(hwnd, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
  if (!hdcSrc) return TRUE;
  auto srcDc = LookupGdi<GdiDc>(hdcSrc);
  auto bitmap = srcDc ? LookupGdi<GdiBitmap>(srcDc->bitmap) : nullptr;
  if (!bitmap) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  RECT client;
  GetClientRect(hwnd, &client);
  int width = client.right, height = client.bottom;
  int sx = src ? src->x : 0, sy = src ? src->y : 0;
  // Without a compositor the alpha cannot show; premultiplied pixels over
  // black are what an opaque window shows of them.
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0xFF000000u);
  for (int y = 0; y < height; ++y) {
    if (sy + y < 0 || sy + y >= bitmap->height) continue;
    const uint32_t* row = bitmap->Row(sy + y);
    for (int x = 0; x < width; ++x)
      if (sx + x >= 0 && sx + x < bitmap->width) pixels[static_cast<size_t>(y) * width + x] = row[sx + x] | 0xFF000000u;
  }
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    w->layeredPixels = pixels;
    w->layeredWidth = width;
    w->layeredHeight = height;
  }
  ValidateWindow(w);
  if (w->xid) X11PutImage(w->xid, 0, 0, width, height, pixels.data(), width);
  return TRUE;
}

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF, BYTE alpha, DWORD flags) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w || !(w->exStyle & WS_EX_LAYERED)) {
    SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if ((flags & LWA_ALPHA) && w->xid) X11SetOpacity(w->xid, alpha);
  return TRUE;
}
