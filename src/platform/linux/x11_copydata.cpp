// WM_COPYDATA between processes. On Windows the system copies the data into
// the receiver and SendMessage waits for its answer; here the two processes
// share only the X server. The sender opens a connection of its own, puts
// the data on a property of a window of that connection (its mailbox) and
// asks the receiver's window with a client message; the receiver reads the
// property, sends WM_COPYDATA to its window on that window's thread and
// writes the answer on the mailbox, which the sender waits for.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "platform/linux/win32_kernel.h"
#include "platform/linux/window_object.h"
#include "platform/linux/x11_display.h"
#include "platform/linux/x11_window.h"

namespace kb::platform {

namespace {

constexpr char kRequestAtom[] = "_KB_REQUEST";
constexpr char kDataAtom[] = "_KB_COPYDATA";
constexpr char kResultAtom[] = "_KB_COPYDATA_RESULT";
// The data's head: dwData and the sender's window, 8 bytes each.
constexpr size_t kHeadBytes = 16;
// Larger requests would need the property split into parts.
constexpr size_t kMaxDataBytes = 256 * 1024;

void PutU64(std::vector<unsigned char>& bytes, uint64_t value) {
  for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

uint64_t GetU64(const unsigned char* bytes) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

// The sender's own connection and mailbox, closed on every way out.
class Mailbox {
 public:
  Mailbox() : dpy_(XOpenDisplay(nullptr)) {
    if (!dpy_) return;
    window_ = XCreateWindow(dpy_, DefaultRootWindow(dpy_), -10, -10, 1, 1, 0, CopyFromParent, InputOnly,
                            CopyFromParent, 0, nullptr);
    XSelectInput(dpy_, window_, PropertyChangeMask);
  }
  ~Mailbox() {
    if (!dpy_) return;
    if (window_) XDestroyWindow(dpy_, window_);
    XCloseDisplay(dpy_);
  }
  Mailbox(const Mailbox&) = delete;
  Mailbox& operator=(const Mailbox&) = delete;

  Display* dpy() const { return dpy_; }
  ::Window window() const { return window_; }

 private:
  Display* dpy_;
  ::Window window_ = 0;
};

bool ReadResult(Display* dpy, ::Window mailbox, Atom result, LRESULT* value) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(dpy, mailbox, result, 0, 2, True, AnyPropertyType, &type, &format, &count, &after, &data) !=
          Success ||
      !data)
    return false;
  bool ok = format == 8 && count == 8;
  if (ok) *value = static_cast<LRESULT>(GetU64(data));
  XFree(data);
  return ok;
}

}  // namespace

bool X11SendCopyData(unsigned long xid, WPARAM sender, const COPYDATASTRUCT& data, DWORD timeoutMs,
                     LRESULT* result) {
  if (data.cbData > kMaxDataBytes || (data.cbData && !data.lpData)) return false;
  Mailbox mailbox;
  Display* dpy = mailbox.dpy();
  if (!dpy || !mailbox.window()) return false;
  XErrorHandler previous = XSetErrorHandler(IgnoreErrors);
  std::vector<unsigned char> bytes;
  PutU64(bytes, data.dwData);
  PutU64(bytes, static_cast<uint64_t>(sender));
  const auto* payload = static_cast<const unsigned char*>(data.lpData);
  bytes.insert(bytes.end(), payload, payload + data.cbData);
  Atom dataAtom = XInternAtom(dpy, kDataAtom, False);
  Atom resultAtom = XInternAtom(dpy, kResultAtom, False);
  XChangeProperty(dpy, mailbox.window(), dataAtom, dataAtom, 8, PropModeReplace, bytes.data(),
                  static_cast<int>(bytes.size()));
  // A receiver that goes away never answers: its end is waited for too.
  XSelectInput(dpy, xid, StructureNotifyMask);
  XEvent request;
  std::memset(&request, 0, sizeof request);
  request.xclient.type = ClientMessage;
  request.xclient.window = xid;
  request.xclient.message_type = XInternAtom(dpy, kRequestAtom, False);
  request.xclient.format = 32;
  request.xclient.data.l[0] = kRequestCopyData;
  request.xclient.data.l[1] = static_cast<long>(mailbox.window());
  XSendEvent(dpy, xid, False, NoEventMask, &request);
  XSync(dpy, False);

  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  bool answered = false;
  bool gone = false;
  while (!answered && !gone) {
    while (!answered && !gone && XPending(dpy)) {
      XEvent event;
      XNextEvent(dpy, &event);
      if (event.type == DestroyNotify && event.xdestroywindow.window == xid) gone = true;
      if (event.type == PropertyNotify && event.xproperty.window == mailbox.window() &&
          event.xproperty.atom == resultAtom && event.xproperty.state == PropertyNewValue)
        answered = ReadResult(dpy, mailbox.window(), resultAtom, result);
    }
    if (answered || gone) break;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
    poll(&fd, 1, static_cast<int>(left.count()));
  }
  XSetErrorHandler(previous);
  return answered;
}

void X11ReceiveCopyData(HWND hwnd, unsigned long mailbox) {
  X11Display* x = X11Display::Get();
  WindowPtr window = FindWindowObject(hwnd);
  if (!x || !window || !mailbox) return;
  std::vector<unsigned char> bytes;
  {
    XLockGuard guard(x);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    x->BeginTrap();
    int status = XGetWindowProperty(x->dpy, mailbox, x->Intern(kDataAtom), 0, (kHeadBytes + kMaxDataBytes) / 4 + 1,
                                    True, AnyPropertyType, &type, &format, &count, &after, &data);
    bool failed = x->EndTrap();
    if (!failed && status == Success && data && format == 8 && count >= kHeadBytes) bytes.assign(data, data + count);
    if (data) XFree(data);
  }
  if (bytes.size() < kHeadBytes) return;
  RunOnWindowThread(window, [x, hwnd, mailbox, bytes = std::move(bytes)] {
    COPYDATASTRUCT cds{};
    cds.dwData = static_cast<ULONG_PTR>(GetU64(bytes.data()));
    WPARAM sender = static_cast<WPARAM>(GetU64(bytes.data() + 8));
    cds.cbData = static_cast<DWORD>(bytes.size() - kHeadBytes);
    cds.lpData = cds.cbData ? const_cast<unsigned char*>(bytes.data() + kHeadBytes) : nullptr;
    LRESULT answer = SendMessageW(hwnd, WM_COPYDATA, sender, reinterpret_cast<LPARAM>(&cds));
    std::vector<unsigned char> reply;
    PutU64(reply, static_cast<uint64_t>(answer));
    XLockGuard guard(x);
    Atom result = x->Intern(kResultAtom);
    x->BeginTrap();
    XChangeProperty(x->dpy, mailbox, result, result, 8, PropModeReplace, reply.data(), static_cast<int>(reply.size()));
    x->EndTrap();
  });
}

}  // namespace kb::platform
