#include "platform/linux/x11_display.h"

#include "platform/linux/win32_kernel.h"
#include "platform/linux/win32_user.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xresource.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <thread>
#include <unordered_map>

namespace kb::platform {

namespace {

X11Display* instance = nullptr;
std::thread::id eventThreadId;

}  // namespace

// Xlib's default handler ends the process on any error; requests on another
// process's window fail whenever that window goes away, so errors are only
// recorded.
int XErrorTrapHandler(Display*, XErrorEvent* error) {
  if (instance && error->serial >= instance->trapSerial_) instance->trapError_ = error->error_code;
  return 0;
}

X11Display* X11Display::Get() {
  static std::once_flag once;
  std::call_once(once, [] {
    auto* x = new X11Display;
    if (x->Open()) {
      instance = x;
    } else {
      delete x;
    }
  });
  return instance;
}

bool X11Display::Open() {
  XInitThreads();
  dpy = XOpenDisplay(nullptr);
  if (!dpy) return false;
  XSetErrorHandler(XErrorTrapHandler);
  screen = DefaultScreen(dpy);
  root = RootWindow(dpy, screen);
  visual = DefaultVisual(dpy, screen);
  depth = DefaultDepth(dpy, screen);
  width = DisplayWidth(dpy, screen);
  height = DisplayHeight(dpy, screen);
  bgrxVisual = (depth == 24 || depth == 32) && visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 &&
               visual->blue_mask == 0xFF && ImageByteOrder(dpy) == LSBFirst;
  // Without this the server reports a held key as release/press pairs; with
  // it, as repeated presses, which is what WM_KEYDOWN's repeat bit describes.
  Bool supported = False;
  XkbSetDetectableAutoRepeat(dpy, True, &supported);
  // Tray managers announce themselves and the active window changes on the
  // root window.
  XSelectInput(dpy, root, StructureNotifyMask | PropertyChangeMask);
  XFlush(dpy);
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  std::thread loop([this] { EventLoop(); });
  eventThreadId = loop.get_id();
  loop.detach();
  return true;
}

bool X11Display::OnEventThread() const { return std::this_thread::get_id() == eventThreadId; }

void X11Display::Wake() {
  uint64_t one = 1;
  ssize_t written = write(wakeFd_, &one, sizeof one);
  (void)written;
}

void X11Display::EventLoop() {
  // How long the event thread keeps looking after activity: 20 looks, 10 ms
  // apart.
  constexpr int kLookAgainMs = 10;
  constexpr int kLookAgainPasses = 20;
  const int xfd = ConnectionNumber(dpy);
  int lookAgain = 0;
  std::vector<XEvent> batch;
  for (;;) {
    batch.clear();
    {
      std::lock_guard<std::recursive_mutex> guard(lock_);
      while (XPending(dpy)) {
        XEvent event;
        XNextEvent(dpy, &event);
        batch.push_back(event);
      }
      XFlush(dpy);
    }
    for (const XEvent& event : batch) DispatchXEvent(event);
    if (!batch.empty()) {
      lookAgain = kLookAgainPasses;
      continue;
    }
    // Events can reach Xlib's queue without the descriptor ever turning
    // readable: another thread's round trip reads whatever came with its
    // reply off the socket, and the wake-up after it can come before Xlib
    // reports them (seen: a button release, sent by the server 1 ms after
    // its press, reached this loop only with the next event of any kind,
    // seconds later, the menu it was for still open). So for a moment after
    // any activity the queue is looked at again every few milliseconds; an
    // idle program still sleeps without a timeout.
    const int timeoutMs = lookAgain > 0 ? kLookAgainMs : -1;
    if (lookAgain > 0) --lookAgain;
    pollfd fds[2] = {{xfd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    if (poll(fds, 2, timeoutMs) < 0) continue;
    if (fds[0].revents & (POLLHUP | POLLERR)) return;  // the server went away
    if (fds[1].revents & POLLIN) {
      uint64_t count;
      ssize_t got = read(wakeFd_, &count, sizeof count);
      (void)got;
      lookAgain = kLookAgainPasses;
    }
  }
}

XLockGuard::~XLockGuard() {
  XFlush(x_->dpy);
  x_->Lock().unlock();
  if (!x_->OnEventThread()) x_->Wake();
}

Atom X11Display::Intern(const char* name) {
  static std::mutex cacheLock;
  static auto* cache = new std::unordered_map<std::string, Atom>;
  {
    std::lock_guard<std::mutex> guard(cacheLock);
    auto it = cache->find(name);
    if (it != cache->end()) return it->second;
  }
  Atom atom;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    atom = XInternAtom(dpy, name, False);
  }
  std::lock_guard<std::mutex> guard(cacheLock);
  (*cache)[name] = atom;
  return atom;
}

void X11Display::BeginTrap() {
  // Errors of earlier requests carry smaller serials and are not counted,
  // so no round trip is needed here; EndTrap's sync collects ours.
  trapSerial_ = NextRequest(dpy);
  trapError_ = 0;
}

bool X11Display::EndTrap() {
  XSync(dpy, False);
  bool failed = trapError_ != 0;
  trapError_ = 0;
  trapSerial_ = ~0ul;
  return failed;
}

bool X11Display::GetCardinals(::Window w, Atom property, std::vector<unsigned long>* values) {
  values->clear();
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  BeginTrap();
  int status = XGetWindowProperty(dpy, w, property, 0, 64, False, AnyPropertyType, &type, &format, &count, &after,
                                  &data);
  bool failed = EndTrap();
  if (failed || status != Success || !data) {
    if (data) XFree(data);
    return false;
  }
  bool ok = format == 32;
  if (ok) {
    auto* longs = reinterpret_cast<unsigned long*>(data);  // Xlib hands 32-bit items out as longs
    values->assign(longs, longs + count);
  }
  XFree(data);
  return ok && type != None;
}

void X11Display::SetCardinals(::Window w, Atom property, const std::vector<unsigned long>& values) {
  XChangeProperty(dpy, w, property, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(values.size()));
}

bool X11Display::GetWindowProperty(::Window w, Atom property, ::Window* value) {
  std::vector<unsigned long> values;
  if (!GetCardinals(w, property, &values) || values.empty()) return false;
  *value = values[0];
  return true;
}

std::string X11Display::GetUtf8Property(::Window w, Atom property) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  BeginTrap();
  int status =
      XGetWindowProperty(dpy, w, property, 0, 1024, False, AnyPropertyType, &type, &format, &count, &after, &data);
  bool failed = EndTrap();
  std::string text;
  if (!failed && status == Success && data && format == 8) text.assign(reinterpret_cast<char*>(data), count);
  if (data) XFree(data);
  return text;
}

void X11Display::SetUtf8Name(::Window w, const std::string& name) {
  Atom utf8 = Intern("UTF8_STRING");
  const auto* bytes = reinterpret_cast<const unsigned char*>(name.data());
  XChangeProperty(dpy, w, Intern("_NET_WM_NAME"), utf8, 8, PropModeReplace, bytes, static_cast<int>(name.size()));
  XChangeProperty(dpy, w, XA_WM_NAME, utf8, 8, PropModeReplace, bytes, static_cast<int>(name.size()));
}

bool X11Display::WindowManagerRunning() {
  ::Window check = 0, again = 0;
  if (!GetWindowProperty(root, Intern("_NET_SUPPORTING_WM_CHECK"), &check) || !check) return false;
  // A manager that died leaves the property behind; its check window is gone.
  return GetWindowProperty(check, Intern("_NET_SUPPORTING_WM_CHECK"), &again) && again == check;
}

::Window X11Display::ActiveWindow() {
  if (WindowManagerRunning()) {
    ::Window active = 0;
    if (GetWindowProperty(root, Intern("_NET_ACTIVE_WINDOW"), &active)) return active;
    return 0;
  }
  ::Window focus = 0;
  int revert = 0;
  XGetInputFocus(dpy, &focus, &revert);
  if (focus == PointerRoot || focus == None) return 0;
  // Climb to the child of the root.
  for (;;) {
    ::Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    BeginTrap();
    Status ok = XQueryTree(dpy, focus, &rootReturn, &parent, &children, &count);
    bool failed = EndTrap();
    if (children) XFree(children);
    if (failed || !ok) return 0;
    if (parent == root || parent == 0) return focus;
    focus = parent;
  }
}

void X11Display::SendToRoot(::Window w, Atom type, long l0, long l1, long l2, long l3, long l4) {
  XEvent event;
  std::memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = w;
  event.xclient.message_type = type;
  event.xclient.format = 32;
  event.xclient.data.l[0] = l0;
  event.xclient.data.l[1] = l1;
  event.xclient.data.l[2] = l2;
  event.xclient.data.l[3] = l3;
  event.xclient.data.l[4] = l4;
  XSendEvent(dpy, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

::Window X11Display::ClientOf(::Window frame) {
  // A reparenting manager puts the client inside frames of its own; the
  // client is the window carrying WM_STATE (or the marker of this layer,
  // for windows that were never mapped).
  Atom wmState = Intern("WM_STATE");
  Atom marker = Intern("_KB_HWND");
  std::vector<::Window> level{frame};
  for (int depthLeft = 3; depthLeft > 0 && !level.empty(); --depthLeft) {
    std::vector<::Window> next;
    for (::Window w : level) {
      std::vector<unsigned long> values;
      Atom type = 0;
      int format = 0;
      unsigned long count = 0, after = 0;
      unsigned char* data = nullptr;
      for (Atom probe : {marker, wmState}) {
        BeginTrap();
        int status = XGetWindowProperty(dpy, w, probe, 0, 1, False, AnyPropertyType, &type, &format, &count,
                                        &after, &data);
        bool failed = EndTrap();
        if (data) XFree(data);
        data = nullptr;
        if (!failed && status == Success && type != None) return w;
      }
      ::Window rootReturn = 0, parent = 0, *children = nullptr;
      unsigned int n = 0;
      BeginTrap();
      Status ok = XQueryTree(dpy, w, &rootReturn, &parent, &children, &n);
      bool failed = EndTrap();
      if (!failed && ok)
        for (unsigned int i = 0; i < n; ++i) next.push_back(children[i]);
      if (children) XFree(children);
    }
    level.swap(next);
  }
  return frame;
}

std::vector<::Window> X11Display::TopLevelWindows() {
  std::vector<::Window> result;
  ::Window rootReturn = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(dpy, root, &rootReturn, &parent, &children, &count)) return result;
  // XQueryTree lists bottom to top; Windows walks from the top.
  for (unsigned int i = count; i > 0; --i) result.push_back(ClientOf(children[i - 1]));
  if (children) XFree(children);
  return result;
}

bool X11Display::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace kb::platform

// The screen's scale on X11. Windows keeps a dpi per monitor; an X screen
// has one, which desktops publish as the resource "Xft.dpi" (96 = 100 %).
// KB_SCALE (a percentage) overrides it, so tests can run one program at
// 150 % on any display.
namespace {

constexpr int kBaseScreenDpi = 96;
// Windows offers 100 % to 500 %; a smaller value is taken for a mistake.
constexpr int kMinScreenDpi = 48;
constexpr int kMaxScreenDpi = 480;

int ClampScreenDpi(int dpi) { return dpi >= kMinScreenDpi && dpi <= kMaxScreenDpi ? dpi : kBaseScreenDpi; }

// "150" -> 144; nothing for text that is not a whole percentage in range.
int DpiFromPercent(const char* text) {
  if (!text || !*text) return 0;
  char* end = nullptr;
  long percent = std::strtol(text, &end, 10);
  if (*end != '\0' || percent <= 0 || percent > 1000) return 0;
  int dpi = static_cast<int>((percent * kBaseScreenDpi + 50) / 100);
  return dpi >= kMinScreenDpi && dpi <= kMaxScreenDpi ? dpi : 0;
}

int DpiFromResources() {
  kb::platform::X11Display* x = kb::platform::X11Display::Get();
  if (!x || !x->dpy) return kBaseScreenDpi;
  kb::platform::XLockGuard lock(x);
  const char* resources = XResourceManagerString(x->dpy);
  if (!resources) return kBaseScreenDpi;
  XrmInitialize();
  XrmDatabase db = XrmGetStringDatabase(resources);
  if (!db) return kBaseScreenDpi;
  int dpi = kBaseScreenDpi;
  char* type = nullptr;
  XrmValue value{};
  if (XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
    // Desktops write whole numbers, some with a fraction ("144.0").
    double parsed = std::strtod(value.addr, nullptr);
    if (parsed > 0) dpi = ClampScreenDpi(static_cast<int>(parsed + 0.5));
  }
  XrmDestroyDatabase(db);
  return dpi;
}

}  // namespace

UINT GetDpiForSystem() {
  // Read once, as Windows fixes the system dpi for a process at its start.
  static const int dpi = [] {
    if (int fromEnv = DpiFromPercent(std::getenv("KB_SCALE"))) return fromEnv;
    return DpiFromResources();
  }();
  return static_cast<UINT>(dpi);
}

UINT GetDpiForWindow(HWND hwnd) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return GetDpiForSystem();
}
