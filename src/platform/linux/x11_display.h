#pragma once
// The process's one connection to the X server, and the thread that reads its
// events and hands them to the window layer. Every Xlib call is made with the
// connection's lock held (XLockGuard); the lock is released before any window
// procedure runs.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace kb::platform {

class X11Display {
 public:
  // The connection, opened on first use; null when there is no display (the
  // window layer then works without one: windows exist but are not shown).
  static X11Display* Get();

  Display* dpy = nullptr;
  int screen = 0;
  ::Window root = 0;
  Visual* visual = nullptr;
  int depth = 0;
  int width = 0;
  int height = 0;
  // Whether the visual is 32-bit little-endian BGRX, the layout of a
  // top-down 32-bit DIB, so pixels can be sent as they are.
  bool bgrxVisual = false;

  std::recursive_mutex& Lock() { return lock_; }
  Atom Intern(const char* name);  // lock held or not

  // Wakes the event thread so it looks at events a round trip may have queued.
  void Wake();
  bool OnEventThread() const;

  // Errors of requests made between Begin and End (End syncs). Lock held.
  void BeginTrap();
  bool EndTrap();  // true when a request failed

  // Properties (lock held).
  bool GetCardinals(::Window w, Atom property, std::vector<unsigned long>* values);
  void SetCardinals(::Window w, Atom property, const std::vector<unsigned long>& values);
  bool GetWindowProperty(::Window w, Atom property, ::Window* value);
  std::string GetUtf8Property(::Window w, Atom property);
  void SetUtf8Name(::Window w, const std::string& name);

  // Window manager (lock held).
  bool WindowManagerRunning();
  ::Window ActiveWindow();  // _NET_ACTIVE_WINDOW, or the focus's top-level window without a manager
  void SendToRoot(::Window w, Atom type, long l0, long l1, long l2, long l3, long l4);
  // The top-level client windows, top of the stacking order first.
  std::vector<::Window> TopLevelWindows();
  ::Window ClientOf(::Window frame);

  // Polls `done` (called without the lock) every few milliseconds until it
  // holds or the time is up.
  static bool WaitUntil(const std::function<bool()>& done, int timeoutMs);

 private:
  X11Display() = default;
  bool Open();
  void EventLoop();

  std::recursive_mutex lock_;
  int wakeFd_ = -1;
  unsigned long trapSerial_ = 0;
  int trapError_ = 0;
  friend int XErrorTrapHandler(Display*, XErrorEvent*);
};

// Holds the display lock; on release flushes the output and, off the event
// thread, wakes it (a round trip may have read events into Xlib's queue).
class XLockGuard {
 public:
  explicit XLockGuard(X11Display* x) : x_(x) { x_->Lock().lock(); }
  ~XLockGuard();
  XLockGuard(const XLockGuard&) = delete;
  XLockGuard& operator=(const XLockGuard&) = delete;

 private:
  X11Display* x_;
};

// Called on the event thread for every event, without the display lock.
void DispatchXEvent(const XEvent& event);

}  // namespace kb::platform
