#include "platform/linux/x11_window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cwctype>
#include <deque>
#include <map>
#include <set>

#include "platform/linux/x11_display.h"
#include "platform/linux/x11_input_method.h"
#include "platform/linux/x11_keys.h"
#include "platform/text.h"

namespace kb::platform {

namespace {

constexpr long kEventMask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | EnterWindowMask | LeaveWindowMask | FocusChangeMask |
                            StructureNotifyMask | PropertyChangeMask;
// _MOTIF_WM_HINTS: flags, functions, decorations, input mode, status.
constexpr long kMotifHintsDecorations = 2;
// _NET_WM_STATE actions.
constexpr long kNetWmStateRemove = 0;
constexpr long kNetWmStateAdd = 1;
// _NET_ACTIVE_WINDOW source indication of a pager: honoured by managers that
// refuse focus stealing to applications.
constexpr long kSourcePager = 2;
constexpr long kMoveResizeMove = 8;
constexpr int kShowWaitMs = 2000;
constexpr int kGeometryMemoryMs = 2000;

struct GeometryRequest {
  RECT rect;
  std::chrono::steady_clock::time_point when;
};

std::mutex requestsLock;
std::map<unsigned long, std::deque<GeometryRequest>>& Requests() {
  static auto* requests = new std::map<unsigned long, std::deque<GeometryRequest>>;
  return *requests;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string PropAtomName(const std::wstring& name) {
  // Property names are atoms on Windows, and atoms ignore case.
  std::wstring lower = name;
  for (auto& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  return "_KB_PROP_" + WideToUtf8(lower);
}

void SetAtomList(X11Display* x, ::Window w, const char* property, const std::vector<Atom>& atoms) {
  std::vector<unsigned long> values(atoms.begin(), atoms.end());
  XChangeProperty(x->dpy, w, x->Intern(property), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(values.size()));
}

// Windows whose size only the program changes (no WS_THICKFRAME: Windows
// gives them no sizing border); their size hints follow each of its resizes.
std::set<unsigned long>& FixedSizeWindows() {
  static auto* windows = new std::set<unsigned long>;
  return *windows;
}

void SetSizeHints(X11Display* x, ::Window w, const RECT& rect, bool fixed) {
  XSizeHints* size = XAllocSizeHints();
  size->flags = USPosition | USSize | PWinGravity;
  size->x = rect.left;
  size->y = rect.top;
  size->width = std::max<LONG>(1, rect.right - rect.left);
  size->height = std::max<LONG>(1, rect.bottom - rect.top);
  // Static gravity: the position is the client's own, not the frame's, so a
  // window lands where Windows would put its client area.
  size->win_gravity = StaticGravity;
  if (fixed) {
    // Equal minimum and maximum: the window manager neither resizes nor
    // maximises it.
    size->flags |= PMinSize | PMaxSize;
    size->min_width = size->max_width = size->width;
    size->min_height = size->max_height = size->height;
  }
  XSetWMNormalHints(x->dpy, w, size);
  XFree(size);
}

void SetHints(X11Display* x, ::Window w, DWORD style, DWORD exStyle, const RECT& rect, unsigned long ownerXid,
              const std::wstring& className) {
  bool fixed = !(style & WS_THICKFRAME) && !(style & WS_CHILD);
  if (fixed) {
    std::lock_guard<std::mutex> requests(requestsLock);
    FixedSizeWindows().insert(w);
  }
  SetSizeHints(x, w, rect, fixed);

  XWMHints* hints = XAllocWMHints();
  hints->flags = InputHint | StateHint;
  hints->input = True;
  hints->initial_state = NormalState;
  XSetWMHints(x->dpy, w, hints);
  XFree(hints);

  std::string name = WideToUtf8(className);
  XClassHint classHint;
  classHint.res_name = name.data();
  classHint.res_class = name.data();
  XSetClassHint(x->dpy, w, &classHint);

  // _NET_WM_PING: a window manager (or a test) asks whether the window's
  // thread still answers; the answer is sent from that thread.
  Atom protocols[] = {x->Intern("WM_DELETE_WINDOW"), x->Intern("_NET_WM_PING")};
  XSetWMProtocols(x->dpy, w, protocols, 2);
  if (ownerXid) XSetTransientForHint(x->dpy, w, ownerXid);
  x->SetCardinals(w, x->Intern("_NET_WM_PID"), {static_cast<unsigned long>(getpid())});
  char host[256] = "";
  gethostname(host, sizeof host - 1);
  XTextProperty machine;
  char* hostPtr = host;
  if (XStringListToTextProperty(&hostPtr, 1, &machine)) {
    XSetWMClientMachine(x->dpy, w, &machine);
    XFree(machine.value);
  }
  if ((style & WS_CAPTION) != WS_CAPTION) {
    std::vector<unsigned long> motif = {kMotifHintsDecorations, 0, 0, 0, 0};
    XChangeProperty(x->dpy, w, x->Intern("_MOTIF_WM_HINTS"), x->Intern("_MOTIF_WM_HINTS"), 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motif.data()), 5);
  }
  const char* type = (exStyle & WS_EX_TOOLWINDOW) ? "_NET_WM_WINDOW_TYPE_UTILITY" : "_NET_WM_WINDOW_TYPE_NORMAL";
  SetAtomList(x, w, "_NET_WM_WINDOW_TYPE", {x->Intern(type)});
  std::vector<Atom> states;
  if (exStyle & WS_EX_TOOLWINDOW) {
    states.push_back(x->Intern("_NET_WM_STATE_SKIP_TASKBAR"));
    states.push_back(x->Intern("_NET_WM_STATE_SKIP_PAGER"));
  }
  if (exStyle & WS_EX_TOPMOST) states.push_back(x->Intern("_NET_WM_STATE_ABOVE"));
  if (!states.empty()) SetAtomList(x, w, "_NET_WM_STATE", states);
}

}  // namespace

// Popup menus, drop-downs and tooltips: placed exactly and never decorated
// or activated by the window manager, as on Windows.
bool X11IsUnmanaged(DWORD style, DWORD exStyle) {
  if (!(style & WS_POPUP) || (style & WS_CAPTION) == WS_CAPTION) return false;
  return (exStyle & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE)) != 0;
}

bool X11Available() { return X11Display::Get() != nullptr; }

unsigned long X11RootWindow() {
  X11Display* x = X11Display::Get();
  return x ? x->root : 0;
}

bool X11ScreenSize(SIZE* size) {
  X11Display* x = X11Display::Get();
  if (!x) return false;
  *size = SIZE{x->width, x->height};
  return true;
}

unsigned long X11CreateWindow(DWORD style, DWORD exStyle, const RECT& rect, unsigned long ownerXid,
                              const std::wstring& className, const std::wstring& title) {
  X11Display* x = X11Display::Get();
  if (!x) return 0;
  XLockGuard guard(x);
  XSetWindowAttributes attributes;
  std::memset(&attributes, 0, sizeof attributes);
  attributes.event_mask = kEventMask;
  // No background: the window keeps what was drawn until WM_PAINT redraws
  // it, instead of flashing the server's fill first.
  attributes.background_pixmap = None;
  attributes.bit_gravity = NorthWestGravity;
  attributes.override_redirect = X11IsUnmanaged(style, exStyle) ? True : False;
  unsigned long mask = CWEventMask | CWBackPixmap | CWBitGravity | CWOverrideRedirect;
  int width = std::max<LONG>(1, rect.right - rect.left);
  int height = std::max<LONG>(1, rect.bottom - rect.top);
  ::Window w = XCreateWindow(x->dpy, x->root, rect.left, rect.top, width, height, 0, CopyFromParent, InputOutput,
                             CopyFromParent, mask, &attributes);
  if (!w) return 0;
  SetHints(x, w, style, exStyle, rect, ownerXid, className);
  x->SetCardinals(w, x->Intern("_KB_HWND"), {w});
  x->SetCardinals(w, x->Intern("_KB_STATE"), {static_cast<unsigned long>(style & (WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE))});
  x->SetUtf8Name(w, WideToUtf8(title));
  std::lock_guard<std::mutex> requests(requestsLock);
  Requests()[w].push_back({rect, std::chrono::steady_clock::now()});
  return w;
}

void X11DestroyWindow(unsigned long xid) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return;
  {
    std::lock_guard<std::mutex> requests(requestsLock);
    FixedSizeWindows().erase(xid);
  }
  X11ForgetInputContext(x, xid);
  X11ForgetFirstFrame(xid);
  {
    XLockGuard guard(x);
    x->BeginTrap();
    XDestroyWindow(x->dpy, xid);
    x->EndTrap();
  }
  std::lock_guard<std::mutex> requests(requestsLock);
  Requests().erase(xid);
}

void X11Map(unsigned long xid, bool iconic) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return;
  XLockGuard guard(x);
  XWMHints* hints = XAllocWMHints();
  hints->flags = InputHint | StateHint;
  hints->input = True;
  hints->initial_state = iconic ? IconicState : NormalState;
  XSetWMHints(x->dpy, xid, hints);
  XFree(hints);
  XMapWindow(x->dpy, xid);
}

void X11Unmap(unsigned long xid) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return;
  XLockGuard guard(x);
  // A withdrawal: the manager learns of it from the synthetic UnmapNotify
  // also when the window is iconic (and so already unmapped).
  XWithdrawWindow(x->dpy, xid, x->screen);
}

void X11Iconify(unsigned long xid) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return;
  XLockGuard guard(x);
  if (x->WindowManagerRunning())
    XIconifyWindow(x->dpy, xid, x->screen);
  else
    XUnmapWindow(x->dpy, xid);  // nobody to keep an icon: the window just goes
}

void X11MoveResize(unsigned long xid, const RECT& rect) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return;
  {
    std::lock_guard<std::mutex> requests(requestsLock);
    auto& list = Requests()[xid];
    list.push_back({rect, std::chrono::steady_clock::now()});
    while (list.size() > 16) list.pop_front();
  }
  bool fixed;
  {
    std::lock_guard<std::mutex> requests(requestsLock);
    fixed = FixedSizeWindows().count(xid) != 0;
  }
  XLockGuard guard(x);
  if (fixed) SetSizeHints(x, xid, rect, true);
  XMoveResizeWindow(x->dpy, xid, rect.left, rect.top, std::max<LONG>(1, rect.right - rect.left),
                    std::max<LONG>(1, rect.bottom - rect.top));
}

bool X11IsStaleGeometry(unsigned long xid, const RECT& rect) {
  std::lock_guard<std::mutex> requests(requestsLock);
  auto it = Requests().find(xid);
  if (it == Requests().end()) return false;
  auto& list = it->second;
  auto now = std::chrono::steady_clock::now();
  while (!list.empty() && now - list.front().when > std::chrono::milliseconds(kGeometryMemoryMs) &&
         list.size() > 1)
    list.pop_front();
  for (size_t i = 0; i + 1 < list.size(); ++i) {
    if (SameRect(list[i].rect, rect)) {
      list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(i) + 1);
      return true;
    }
  }
  return false;
}

void X11SetTitle(unsigned long xid, const std::wstring& title) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return;
  XLockGuard guard(x);
  x->SetUtf8Name(xid, WideToUtf8(title));
}

void X11PublishState(unsigned long xid, DWORD style) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return;
  XLockGuard guard(x);
  x->SetCardinals(xid, x->Intern("_KB_STATE"), {static_cast<unsigned long>(style & (WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE))});
}

void X11Raise(unsigned long xid) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return;
  XLockGuard guard(x);
  XRaiseWindow(x->dpy, xid);
}

void X11SetTopmost(unsigned long xid, bool topmost) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return;
  XLockGuard guard(x);
  x->SendToRoot(xid, x->Intern("_NET_WM_STATE"), topmost ? kNetWmStateAdd : kNetWmStateRemove,
                static_cast<long>(x->Intern("_NET_WM_STATE_ABOVE")), 0, 1, 0);
}

void X11SetOpacity(unsigned long xid, BYTE alpha) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return;
  XLockGuard guard(x);
  x->SetCardinals(xid, x->Intern("_NET_WM_WINDOW_OPACITY"), {static_cast<unsigned long>(alpha) * 0x01010101ul});
}

void X11SetIcons(unsigned long xid, const std::vector<X11IconImage>& images) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return;
  std::vector<unsigned long> values;
  for (const X11IconImage& image : images) {
    if (image.width <= 0 || image.height <= 0 || !image.pixels) continue;
    values.push_back(static_cast<unsigned long>(image.width));
    values.push_back(static_cast<unsigned long>(image.height));
    for (int i = 0; i < image.width * image.height; ++i) values.push_back(image.pixels[i]);
  }
  XLockGuard guard(x);
  Atom property = x->Intern("_NET_WM_ICON");
  if (values.empty()) {
    x->BeginTrap();
    XDeleteProperty(x->dpy, xid, property);
    x->EndTrap();
  } else {
    x->SetCardinals(xid, property, values);
  }
}

bool X11Activate(unsigned long xid, int timeoutMs) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return false;
  // A window must be viewable before it can take the focus.
  X11Display::WaitUntil(
      [&] {
        XLockGuard guard(x);
        XWindowAttributes attributes;
        x->BeginTrap();
        Status ok = XGetWindowAttributes(x->dpy, xid, &attributes);
        bool failed = x->EndTrap();
        return failed || !ok || attributes.map_state == IsViewable;
      },
      timeoutMs);
  bool unmanaged = false;
  {
    XLockGuard guard(x);
    // Window managers leave override-redirect windows (menus, drop-downs)
    // alone: such a window takes the focus from its own client.
    XWindowAttributes attributes{};
    x->BeginTrap();
    unmanaged = XGetWindowAttributes(x->dpy, xid, &attributes) && attributes.override_redirect;
    x->EndTrap();
    if (x->WindowManagerRunning() && !unmanaged) {
      x->SendToRoot(xid, x->Intern("_NET_ACTIVE_WINDOW"), kSourcePager, CurrentTime, 0, 0, 0);
    } else {
      x->BeginTrap();
      XRaiseWindow(x->dpy, xid);
      XSetInputFocus(x->dpy, xid, RevertToParent, CurrentTime);
      x->EndTrap();
    }
  }
  if (unmanaged) {
    return X11Display::WaitUntil(
        [&] {
          XLockGuard guard(x);
          ::Window focus = 0;
          int revert = 0;
          XGetInputFocus(x->dpy, &focus, &revert);
          return focus == xid;
        },
        timeoutMs);
  }
  return X11Display::WaitUntil([&] { return X11ActiveWindow() == xid; }, timeoutMs);
}

void X11FocusWindow(unsigned long xid) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return;
  XLockGuard guard(x);
  x->BeginTrap();
  XSetInputFocus(x->dpy, xid, RevertToParent, CurrentTime);
  x->EndTrap();
}

unsigned long X11ActiveWindow() {
  X11Display* x = X11Display::Get();
  if (!x) return 0;
  XLockGuard guard(x);
  return x->ActiveWindow();
}

bool X11GrabPointer(unsigned long xid) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return false;
  XLockGuard guard(x);
  int status = XGrabPointer(x->dpy, xid, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                            GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
  return status == GrabSuccess;
}

void X11UngrabPointer() {
  X11Display* x = X11Display::Get();
  if (!x) return;
  XLockGuard guard(x);
  XUngrabPointer(x->dpy, CurrentTime);
}

void X11StartMove(unsigned long xid) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return;
  POINT p{};
  unsigned int mask = 0;
  if (!X11PointerPosition(&p, &mask)) return;
  XLockGuard guard(x);
  if (!x->WindowManagerRunning()) return;
  // The button the user holds belongs to our grab until we let go of it.
  XUngrabPointer(x->dpy, CurrentTime);
  x->SendToRoot(xid, x->Intern("_NET_WM_MOVERESIZE"), p.x, p.y, kMoveResizeMove, Button1, 1);
}

void X11DefineCursor(unsigned long xid, unsigned int shape) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return;
  static std::map<unsigned int, Cursor>* cursors = new std::map<unsigned int, Cursor>;
  XLockGuard guard(x);
  Cursor& cursor = (*cursors)[shape];
  if (!cursor) cursor = XCreateFontCursor(x->dpy, shape);
  XDefineCursor(x->dpy, xid, cursor);
}

bool X11PointerPosition(POINT* screen, unsigned int* buttonMask) {
  X11Display* x = X11Display::Get();
  if (!x) return false;
  XLockGuard guard(x);
  ::Window rootReturn = 0, child = 0;
  int rootX = 0, rootY = 0, winX = 0, winY = 0;
  unsigned int mask = 0;
  if (!XQueryPointer(x->dpy, x->root, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask)) return false;
  screen->x = rootX;
  screen->y = rootY;
  if (buttonMask) *buttonMask = mask;
  return true;
}

bool X11WarpPointer(int px, int py) {
  X11Display* x = X11Display::Get();
  if (!x) return false;
  XLockGuard guard(x);
  XWarpPointer(x->dpy, None, x->root, 0, 0, 0, 0, px, py);
  return true;
}

bool X11KeyDown(int vk, bool* down) {
  X11Display* x = X11Display::Get();
  if (!x) return false;
  XLockGuard guard(x);
  char keys[32];
  XQueryKeymap(x->dpy, keys);
  for (KeySym sym : KeySymsOfVirtualKey(vk)) {
    KeyCode code = XKeysymToKeycode(x->dpy, sym);
    if (code && (keys[code / 8] & (1 << (code % 8)))) {
      *down = true;
      return true;
    }
  }
  *down = false;
  return true;
}

void X11PutImage(unsigned long xid, int dx, int dy, int width, int height, const uint32_t* pixels, int stride) {
  X11Display* x = X11Display::Get();
  if (!x || !xid || width <= 0 || height <= 0) return;
  std::vector<uint32_t> converted(static_cast<size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    const uint32_t* src = pixels + static_cast<size_t>(row) * stride;
    uint32_t* dst = converted.data() + static_cast<size_t>(row) * width;
    if (x->bgrxVisual) {
      std::memcpy(dst, src, static_cast<size_t>(width) * 4);
      continue;
    }
    for (int col = 0; col < width; ++col) {
      uint32_t p = src[col];
      unsigned long r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      auto place = [](unsigned long value, unsigned long mask) {
        if (!mask) return 0ul;
        int shift = __builtin_ctzl(mask);
        int bits = __builtin_popcountl(mask);
        return ((value >> (8 - std::min(bits, 8))) << shift) & mask;
      };
      dst[col] = static_cast<uint32_t>(place(r, x->visual->red_mask) | place(g, x->visual->green_mask) |
                                       place(b, x->visual->blue_mask));
    }
  }
  unsigned long target = X11PaintTarget(xid);
  XLockGuard guard(x);
  XImage* image = XCreateImage(x->dpy, x->visual, static_cast<unsigned>(x->depth), ZPixmap, 0,
                               reinterpret_cast<char*>(converted.data()), static_cast<unsigned>(width),
                               static_cast<unsigned>(height), 32, width * 4);
  if (!image) return;
  if (image->bits_per_pixel == 32) {
    x->BeginTrap();
    XPutImage(x->dpy, target, DefaultGC(x->dpy, x->screen), image, 0, 0, dx, dy, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
    x->EndTrap();
    X11PaintedTarget(xid, target, dx, dy, width, height);
  }
  image->data = nullptr;  // ours, not Xlib's to free
  XDestroyImage(image);
}

void X11FillRect(unsigned long xid, const RECT& rect, COLORREF color) {
  X11Display* x = X11Display::Get();
  if (!x || !xid || rect.right <= rect.left || rect.bottom <= rect.top) return;
  uint32_t pixel = 0xFF000000u | (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (x->bgrxVisual) {
    unsigned long target = X11PaintTarget(xid);
    XLockGuard guard(x);
    GC gc = DefaultGC(x->dpy, x->screen);
    XSetForeground(x->dpy, gc, pixel & 0xFFFFFF);
    XFillRectangle(x->dpy, target, gc, rect.left, rect.top, static_cast<unsigned>(width),
                   static_cast<unsigned>(height));
    X11PaintedTarget(xid, target, rect.left, rect.top, width, height);
    return;
  }
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, pixel);
  X11PutImage(xid, rect.left, rect.top, width, height, pixels.data(), width);
}

bool X11GetPixel(unsigned long xid, int px, int py, uint32_t* pixel) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return false;
  XLockGuard guard(x);
  x->BeginTrap();
  XImage* image = XGetImage(x->dpy, xid, px, py, 1, 1, AllPlanes, ZPixmap);
  bool failed = x->EndTrap();
  if (failed || !image) {
    if (image) XDestroyImage(image);
    return false;
  }
  unsigned long p = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  auto take = [](unsigned long value, unsigned long mask) -> uint32_t {
    if (!mask) return 0;
    int bits = __builtin_popcountl(mask);
    uint32_t v = static_cast<uint32_t>((value & mask) >> __builtin_ctzl(mask));
    return bits >= 8 ? v >> (bits - 8) : v << (8 - bits);
  };
  *pixel = (take(p, x->visual->red_mask) << 16) | (take(p, x->visual->green_mask) << 8) |
           take(p, x->visual->blue_mask);
  return true;
}

bool X11WindowExists(unsigned long xid) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return false;
  XLockGuard guard(x);
  XWindowAttributes attributes;
  x->BeginTrap();
  Status ok = XGetWindowAttributes(x->dpy, xid, &attributes);
  bool failed = x->EndTrap();
  return ok && !failed;
}

bool X11WmStateIconic(unsigned long xid, bool* iconic) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return false;
  XLockGuard guard(x);
  std::vector<unsigned long> values;
  if (!x->GetCardinals(xid, x->Intern("WM_STATE"), &values) || values.empty()) return false;
  *iconic = values[0] == IconicState;
  return true;
}

bool X11WindowState(unsigned long xid, DWORD* style, bool* ours) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return false;
  XLockGuard guard(x);
  std::vector<unsigned long> values;
  if (x->GetCardinals(xid, x->Intern("_KB_STATE"), &values) && !values.empty()) {
    *style = static_cast<DWORD>(values[0]);
    *ours = true;
    return true;
  }
  *ours = false;
  XWindowAttributes attributes;
  x->BeginTrap();
  Status ok = XGetWindowAttributes(x->dpy, xid, &attributes);
  if (x->EndTrap() || !ok) return false;
  bool iconic = false;
  if (x->GetCardinals(xid, x->Intern("WM_STATE"), &values) && !values.empty()) iconic = values[0] == IconicState;
  *style = 0;
  if (attributes.map_state != IsUnmapped || iconic) *style |= WS_VISIBLE;
  if (iconic) *style |= WS_MINIMIZE;
  return true;
}

bool X11WindowRect(unsigned long xid, RECT* rect) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return false;
  XLockGuard guard(x);
  XWindowAttributes attributes;
  x->BeginTrap();
  Status ok = XGetWindowAttributes(x->dpy, xid, &attributes);
  if (x->EndTrap() || !ok) return false;
  int rx = 0, ry = 0;
  ::Window child = 0;
  XTranslateCoordinates(x->dpy, xid, x->root, 0, 0, &rx, &ry, &child);
  *rect = RECT{rx, ry, rx + attributes.width, ry + attributes.height};
  return true;
}

DWORD X11WindowPid(unsigned long xid) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return 0;
  XLockGuard guard(x);
  std::vector<unsigned long> values;
  if (!x->GetCardinals(xid, x->Intern("_NET_WM_PID"), &values) || values.empty()) return 0;
  return static_cast<DWORD>(values[0]);
}

std::wstring X11WindowTitle(unsigned long xid) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return std::wstring();
  XLockGuard guard(x);
  std::string name = x->GetUtf8Property(xid, x->Intern("_NET_WM_NAME"));
  if (name.empty()) name = x->GetUtf8Property(xid, XA_WM_NAME);
  return Utf8ToWide(name);
}

std::wstring X11WindowClassName(unsigned long xid) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return std::wstring();
  XLockGuard guard(x);
  XClassHint hint{nullptr, nullptr};
  x->BeginTrap();
  Status ok = XGetClassHint(x->dpy, xid, &hint);
  x->EndTrap();
  std::wstring name = ok && hint.res_class ? Utf8ToWide(hint.res_class) : std::wstring();
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return name;
}

bool X11ShowForeign(unsigned long xid, int cmd) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return false;
  DWORD before = 0;
  bool ours = false;
  if (!X11WindowState(xid, &before, &ours)) return false;
  if (ours) {
    {
      XLockGuard guard(x);
      XEvent event;
      std::memset(&event, 0, sizeof event);
      event.xclient.type = ClientMessage;
      event.xclient.window = xid;
      event.xclient.message_type = x->Intern("_KB_REQUEST");
      event.xclient.format = 32;
      event.xclient.data.l[0] = kRequestShowWindow;
      event.xclient.data.l[1] = cmd;
      x->BeginTrap();
      XSendEvent(x->dpy, xid, False, NoEventMask, &event);
      x->EndTrap();
    }
    // ShowWindow is synchronous on Windows: the caller may go on to
    // SetForegroundWindow at once. Wait until the owner has done it.
    X11Display::WaitUntil(
        [&] {
          DWORD now = 0;
          bool stillOurs = false;
          if (!X11WindowState(xid, &now, &stillOurs)) return true;
          switch (cmd) {
            case SW_HIDE: return (now & WS_VISIBLE) == 0;
            case SW_MINIMIZE:
            case SW_SHOWMINIMIZED:
            case SW_SHOWMINNOACTIVE:
            case SW_FORCEMINIMIZE: return (now & WS_MINIMIZE) != 0;
            case SW_RESTORE:
            case SW_SHOWNORMAL: return (now & WS_VISIBLE) && !(now & WS_MINIMIZE);
            default: return (now & WS_VISIBLE) != 0;
          }
        },
        kShowWaitMs);
  } else {
    XLockGuard guard(x);
    x->BeginTrap();
    if (cmd == SW_HIDE)
      XWithdrawWindow(x->dpy, xid, x->screen);
    else if (cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED || cmd == SW_SHOWMINNOACTIVE || cmd == SW_FORCEMINIMIZE)
      XIconifyWindow(x->dpy, xid, x->screen);
    else
      XMapWindow(x->dpy, xid);
    x->EndTrap();
  }
  return (before & WS_VISIBLE) != 0;
}

std::vector<unsigned long> X11TopLevelWindows() {
  X11Display* x = X11Display::Get();
  if (!x) return {};
  XLockGuard guard(x);
  std::vector<::Window> windows = x->TopLevelWindows();
  return std::vector<unsigned long>(windows.begin(), windows.end());
}

bool X11SetProp(unsigned long xid, const std::wstring& name, HANDLE value) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return false;
  auto v = reinterpret_cast<uint64_t>(value);
  XLockGuard guard(x);
  x->BeginTrap();
  x->SetCardinals(xid, x->Intern(PropAtomName(name).c_str()),
                  {static_cast<unsigned long>(v & 0xFFFFFFFFu), static_cast<unsigned long>(v >> 32)});
  return !x->EndTrap();
}

bool X11GetProp(unsigned long xid, const std::wstring& name, HANDLE* value) {
  X11Display* x = X11Display::Get();
  if (!x || !xid) return false;
  XLockGuard guard(x);
  std::vector<unsigned long> values;
  if (!x->GetCardinals(xid, x->Intern(PropAtomName(name).c_str()), &values) || values.empty()) return false;
  uint64_t v = values[0] & 0xFFFFFFFFu;
  if (values.size() > 1) v |= static_cast<uint64_t>(values[1] & 0xFFFFFFFFu) << 32;
  *value = reinterpret_cast<HANDLE>(v);
  return true;
}

bool X11RemoveProp(unsigned long xid, const std::wstring& name, HANDLE* value) {
  if (!X11GetProp(xid, name, value)) return false;
  X11Display* x = X11Display::Get();
  XLockGuard guard(x);
  x->BeginTrap();
  XDeleteProperty(x->dpy, xid, x->Intern(PropAtomName(name).c_str()));
  x->EndTrap();
  return true;
}

}  // namespace kb::platform
