// Start-up of a program to its window on screen, watched from the X server:
// the time from launch until the window named NAME is viewable, and until its
// first frame is on screen (a row through the middle of the window holds a
// picture rather than one or two colours of a background). Polling with
// xdotool costs a process start per look, tens of milliseconds on a busy
// machine, which hid most of what was measured; here the server tells us.
//
//   bench_start NAME RUNS LABEL -- COMMAND [ARGS...]
//
// Prints two lines of figures in milliseconds and how many starts had their
// first frame on screen already when the window became viewable, then where
// the main thread's time to the viewable window went (the kernel's schedstat:
// on a CPU, runnable but waiting for one, and the rest blocked: on the X
// server, kbsim, files). On a loaded machine the wait for a CPU grows and
// the other two stay what the program costs.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "bench/BenchStats.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTimeoutMs = 30000;
// The program's windows have no X background (they keep what was drawn
// until WM_PAINT redraws them), so before their first frame a row shows the
// one colour of the window manager's frame or of the root window under it;
// every frame of the program and of the window demo has more in that row.
constexpr size_t kPaintedColours = 2;

double MsSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

std::string WindowName(Display* d, Window w) {
  std::string name;
  Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), 0, 256, False, utf8, &type, &format, &count,
                         &after, &data) == Success &&
      data) {
    name.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
    if (!name.empty()) return name;
  }
  char* legacy = nullptr;
  if (XFetchName(d, w, &legacy) && legacy) {
    name = legacy;
    XFree(legacy);
  }
  return name;
}

bool Viewable(Display* d, Window w, int* width, int* height) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, w, &a)) return false;
  *width = a.width;
  *height = a.height;
  return a.map_state == IsViewable;
}

bool Painted(Display* d, Window w, int width, int height) {
  if (width <= 0 || height <= 0) return false;
  XImage* row = XGetImage(d, w, 0, height / 2, width, 1, AllPlanes, ZPixmap);
  if (!row) return false;
  std::set<unsigned long> colours;
  for (int x = 0; x < width && colours.size() < kPaintedColours; ++x) colours.insert(XGetPixel(row, x, 0));
  XDestroyImage(row);
  return colours.size() >= kPaintedColours;
}

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }  // windows come and go while we look

// Nanoseconds on a CPU and waiting on a run queue of the process's main
// thread (its id is the process id).
bool MainThreadSchedule(pid_t pid, double* cpuMs, double* queuedMs) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/schedstat");
  unsigned long long cpu = 0, queued = 0;
  if (!(in >> cpu >> queued)) return false;
  *cpuMs = cpu / 1e6;
  *queuedMs = queued / 1e6;
  return true;
}

struct Start {
  double cpuMs = -1;
  double queuedMs = -1;
  double viewableMs = -1;
  double paintedMs = -1;
  bool paintedWhenViewable = false;
};

Start Measure(Display* d, const std::string& name, char** command) {
  Window root = DefaultRootWindow(d);
  XSelectInput(d, root, SubstructureNotifyMask);
  XSync(d, True);
  Start result;
  pid_t pid = 0;
  // The program's diagnostics (device enumeration on stderr) are not figures.
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&quiet, 1, 2);
  const Clock::time_point t0 = Clock::now();
  const int spawned = posix_spawnp(&pid, command[0], &quiet, nullptr, command, environ);
  posix_spawn_file_actions_destroy(&quiet);
  if (spawned != 0) return result;
  Window target = None;
  std::set<Window> watched;
  int width = 0, height = 0;
  auto consider = [&](Window w) {
    if (target == None && WindowName(d, w) == name) target = w;
  };
  while (result.paintedMs < 0 && MsSince(t0) < kTimeoutMs) {
    bool changed = false;
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      changed = true;
      if (e.type == CreateNotify && watched.insert(e.xcreatewindow.window).second) {
        XSelectInput(d, e.xcreatewindow.window, StructureNotifyMask | PropertyChangeMask);
        consider(e.xcreatewindow.window);
      } else if (e.type == PropertyNotify && watched.count(e.xproperty.window)) {
        consider(e.xproperty.window);
      } else if (e.type == MapNotify && watched.count(e.xmap.window)) {
        consider(e.xmap.window);
      }
    }
    if (target != None && (changed || result.viewableMs >= 0)) {
      if (result.viewableMs < 0 && Viewable(d, target, &width, &height)) {
        result.viewableMs = MsSince(t0);
        MainThreadSchedule(pid, &result.cpuMs, &result.queuedMs);
        result.paintedWhenViewable = Painted(d, target, width, height);
        if (result.paintedWhenViewable) result.paintedMs = result.viewableMs;
      } else if (result.viewableMs >= 0 && Painted(d, target, width, height)) {
        result.paintedMs = MsSince(t0);
      }
    }
    if (waitpid(pid, nullptr, WNOHANG) == pid) {
      pid = 0;
      break;
    }
    pollfd fd{ConnectionNumber(d), POLLIN, 0};
    poll(&fd, 1, result.viewableMs >= 0 ? 1 : 5);
  }
  if (pid) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  XSelectInput(d, root, NoEventMask);
  for (Window w : watched) XSelectInput(d, w, NoEventMask);
  XSync(d, True);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6 || std::strcmp(argv[4], "--") != 0) {
    std::fprintf(stderr, "usage: bench_start NAME RUNS LABEL -- COMMAND [ARGS...]\n");
    return 2;
  }
  const std::string name = argv[1];
  const int runs = std::atoi(argv[2]);
  const std::string label = argv[3];
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    std::fprintf(stderr, "bench_start: no X display\n");
    return 1;
  }
  XSetErrorHandler(IgnoreErrors);
  std::vector<double> viewable, painted, cpu, queued, blocked;
  int paintedAtOnce = 0, failed = 0;
  for (int i = 0; i < runs; ++i) {
    Start s = Measure(d, name, argv + 5);
    if (s.viewableMs < 0 || s.paintedMs < 0) {
      ++failed;
      continue;
    }
    viewable.push_back(s.viewableMs);
    painted.push_back(s.paintedMs);
    paintedAtOnce += s.paintedWhenViewable;
    if (s.cpuMs >= 0) {
      cpu.push_back(s.cpuMs);
      queued.push_back(s.queuedMs);
      blocked.push_back(s.viewableMs - s.cpuMs - s.queuedMs);
    }
  }
  if (viewable.empty()) {
    std::printf("  %-32s no start showed its window\n", label.c_str());
    return 1;
  }
  std::printf("%s\n", kb::bench::Line("  " + label + " viewable", kb::bench::Summarise(viewable), "ms").c_str());
  std::printf("%s   painted by then: %d of %zu%s\n",
              kb::bench::Line("  " + label + " first frame", kb::bench::Summarise(painted), "ms").c_str(),
              paintedAtOnce, viewable.size(), failed ? " (some starts failed)" : "");
  if (cpu.empty()) return 0;
  std::printf("%s\n", kb::bench::Line("    main thread on a CPU", kb::bench::Summarise(cpu), "ms").c_str());
  std::printf("%s\n", kb::bench::Line("    main thread waiting for a CPU", kb::bench::Summarise(queued), "ms").c_str());
  std::printf("%s\n", kb::bench::Line("    main thread blocked", kb::bench::Summarise(blocked), "ms").c_str());
  return 0;
}
