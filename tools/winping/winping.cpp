// winping WINDOW [TIMEOUT_MS]: sends the window a _NET_WM_PING, as a window
// manager does to find programs that no longer answer, and waits for the
// answer on the root window. Prints "answered in N ms" and exits 0, or
// says why not and exits 1 (no answer in time), 2 (bad use, no display) or
// 3 (no such window, or it does not take pings).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

bool gBadWindow = false;

int OnXError(Display*, XErrorEvent* e) {
  if (e->error_code == BadWindow) gBadWindow = true;
  return 0;
}

bool TakesPings(Display* dpy, Window window, Atom ping) {
  Atom* protocols = nullptr;
  int count = 0;
  if (!XGetWMProtocols(dpy, window, &protocols, &count)) return false;
  bool found = false;
  for (int i = 0; i < count; ++i) found |= protocols[i] == ping;
  XFree(protocols);
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  char* end = nullptr;
  Window window = argc >= 2 ? std::strtoul(argv[1], &end, 0) : 0;
  long timeoutMs = argc >= 3 ? std::strtol(argv[2], nullptr, 10) : 4000;
  if (argc < 2 || argc > 3 || !window || *end || timeoutMs <= 0) {
    std::fprintf(stderr, "usage: winping WINDOW [TIMEOUT_MS]\n");
    return 2;
  }
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) {
    std::fprintf(stderr, "winping: cannot open the X display\n");
    return 2;
  }
  XSetErrorHandler(OnXError);
  Atom wmProtocols = XInternAtom(dpy, "WM_PROTOCOLS", False);
  Atom ping = XInternAtom(dpy, "_NET_WM_PING", False);
  bool takes = TakesPings(dpy, window, ping);
  XSync(dpy, False);
  if (gBadWindow || !takes) {
    std::fprintf(stderr, "winping: window 0x%lx %s\n", window, gBadWindow ? "does not exist" : "does not take pings");
    return 3;
  }
  Window root = DefaultRootWindow(dpy);
  // Answers come as events sent to the root window with these masks.
  XSelectInput(dpy, root, SubstructureNotifyMask);

  // A stamp of our own, so that another client's ping is not taken for ours.
  long stamp = static_cast<long>(getpid()) << 8 | (std::rand() & 0xff);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = wmProtocols;
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(ping);
  event.xclient.data.l[1] = stamp;
  event.xclient.data.l[2] = static_cast<long>(window);
  auto sent = std::chrono::steady_clock::now();
  XSendEvent(dpy, window, False, NoEventMask, &event);
  XFlush(dpy);

  auto deadline = sent + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    while (XPending(dpy)) {
      XEvent in;
      XNextEvent(dpy, &in);
      if (in.type == ClientMessage && in.xclient.message_type == wmProtocols &&
          static_cast<Atom>(in.xclient.data.l[0]) == ping && in.xclient.data.l[1] == stamp &&
          static_cast<Window>(in.xclient.data.l[2]) == window) {
        long ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent).count();
        std::printf("answered in %ld ms\n", ms);
        XCloseDisplay(dpy);
        return 0;
      }
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
    poll(&fd, 1, static_cast<int>(left.count()));
  }
  std::fprintf(stderr, "winping: window 0x%lx did not answer within %ld ms\n", window, timeoutMs);
  XCloseDisplay(dpy);
  return 1;
}
