// A top-level window's first frame, drawn before the window is mapped and
// handed to the X server as the window's background: the server shows it
// the moment the window appears. Our windows have no background otherwise
// (they keep what was drawn until WM_PAINT redraws them), so a window mapped
// first and painted afterwards showed the window manager's frame colour for
// as long as its first paint took (decoding its pictures, loading fonts:
// tens of milliseconds). The window manager maps the window a moment after
// we ask, and paints in between would land on a window that is not on screen
// yet: they go to the background too, until the first exposure says the
// window is there. Its next paint sets the background back to none and frees
// the pixmap.
#include <X11/Xlib.h>

#include <map>
#include <mutex>

#include "platform/linux/x11_display.h"
#include "platform/linux/x11_window.h"

// FramesLock is never held while the connection's lock is taken (a paint
// holds the connection's lock and then asks for its frame, never the other
// way round).

namespace kb::platform {

namespace {

enum class Stage {
  kDrawing,     // painting before the map: paints go to the pixmap
  kBackground,  // mapped, not yet on screen: paints still go to the
                // pixmap, which the server shows when the window appears
};

struct FirstFrame {
  unsigned long pixmap = 0;
  Stage stage = Stage::kDrawing;
};

std::mutex& FramesLock() {
  static std::mutex lock;
  return lock;
}

std::map<unsigned long, FirstFrame>& Frames() {
  static std::map<unsigned long, FirstFrame> frames;
  return frames;
}

}  // namespace

bool X11BeginFirstFrame(unsigned long xid, int width, int height) {
  X11Display* x = X11Display::Get();
  if (!x || !xid || width <= 0 || height <= 0) return false;
  Pixmap pixmap;
  {
    XLockGuard guard(x);
    x->BeginTrap();
    pixmap = XCreatePixmap(x->dpy, xid, static_cast<unsigned>(width), static_cast<unsigned>(height),
                           static_cast<unsigned>(x->depth));
    // Black, as an opaque window shows what a paint left out.
    GC gc = DefaultGC(x->dpy, x->screen);
    XSetForeground(x->dpy, gc, BlackPixel(x->dpy, x->screen));
    XFillRectangle(x->dpy, pixmap, gc, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (x->EndTrap()) {
      if (pixmap) XFreePixmap(x->dpy, pixmap);
      return false;
    }
  }
  bool added;
  {
    std::lock_guard<std::mutex> lock(FramesLock());
    added = Frames().try_emplace(xid, FirstFrame{pixmap, Stage::kDrawing}).second;
  }
  if (!added) {
    XLockGuard guard(x);
    XFreePixmap(x->dpy, pixmap);
  }
  return added;
}

void X11EndFirstFrame(unsigned long xid) {
  X11Display* x = X11Display::Get();
  if (!x) return;
  unsigned long pixmap = 0;
  {
    std::lock_guard<std::mutex> lock(FramesLock());
    auto it = Frames().find(xid);
    if (it == Frames().end() || it->second.stage != Stage::kDrawing) return;
    it->second.stage = Stage::kBackground;
    pixmap = it->second.pixmap;
  }
  XLockGuard guard(x);
  x->BeginTrap();
  XSetWindowBackgroundPixmap(x->dpy, xid, pixmap);
  x->EndTrap();
}

unsigned long X11PaintTarget(unsigned long xid) {
  std::lock_guard<std::mutex> lock(FramesLock());
  auto it = Frames().find(xid);
  return it == Frames().end() ? xid : it->second.pixmap;
}

void X11PaintedTarget(unsigned long xid, unsigned long target, int left, int top, int width, int height) {
  if (target == xid) return;
  bool background;
  {
    std::lock_guard<std::mutex> lock(FramesLock());
    auto it = Frames().find(xid);
    background = it != Frames().end() && it->second.pixmap == target && it->second.stage == Stage::kBackground;
  }
  if (!background) return;
  // Shown from the background where the window is on screen already; a
  // no-op while it is not.
  X11Display* x = X11Display::Get();
  if (!x) return;
  XLockGuard guard(x);
  x->BeginTrap();
  XClearArea(x->dpy, xid, left, top, static_cast<unsigned>(width), static_cast<unsigned>(height), False);
  x->EndTrap();
}

namespace {

// Drops the window's frame: on its first exposure (only once the frame is
// the background) or when the window goes.
void DropFrame(unsigned long xid, bool exposed) {
  unsigned long pixmap;
  {
    std::lock_guard<std::mutex> lock(FramesLock());
    auto it = Frames().find(xid);
    if (it == Frames().end() || (exposed && it->second.stage != Stage::kBackground)) return;
    pixmap = it->second.pixmap;
    Frames().erase(it);
  }
  X11Display* x = X11Display::Get();
  if (!x) return;
  XLockGuard guard(x);
  x->BeginTrap();
  // On screen: the server has filled the window from the background. Later
  // exposures must not bring this frame back over what is drawn since, so
  // the window has no background again (it keeps what was drawn until
  // WM_PAINT redraws it, as before).
  if (exposed) XSetWindowBackgroundPixmap(x->dpy, xid, None);
  XFreePixmap(x->dpy, pixmap);
  x->EndTrap();
}

}  // namespace

void X11FirstFrameExposed(unsigned long xid) { DropFrame(xid, true); }

void X11ForgetFirstFrame(unsigned long xid) { DropFrame(xid, false); }

}  // namespace kb::platform
