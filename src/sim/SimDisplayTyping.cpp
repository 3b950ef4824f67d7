#include "sim/SimDisplayTyping.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdio>

#include "sim/SimKeyNames.h"

namespace kb::sim {

namespace {

// X servers with the evdev key map number keys as the kernel does, plus 8.
constexpr unsigned kEvdevOffset = 8;

// Kernel key numbers of the keyboard page's usages 0x04 to 0x65 (letters,
// digits, editing, function, navigation and keypad keys), as the kernel's
// HID input driver assigns them.
constexpr unsigned char kUsageToKernel[] = {
    30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38,                  // 04-0F: a..l
    50, 49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44, 2, 3,    // 10-1F: m..z, 1, 2
    4, 5, 6, 7, 8, 9, 10, 11, 28, 1, 14, 15, 57, 12, 13, 26,         // 20-2F: 3..0, enter, esc, bksp, tab, space, - = [
    27, 43, 43, 39, 40, 41, 51, 52, 53, 58, 59, 60, 61, 62, 63, 64,  // 30-3F: ] \ # ; ' ` , . / caps f1..f6
    65, 66, 67, 68, 87, 88, 99, 70, 119, 110, 102, 104, 111, 107, 109, 106,  // 40-4F: f7..f12, prt, scr, pause, ins..right
    105, 108, 103, 69, 98, 55, 74, 78, 96, 79, 80, 81, 75, 76, 77, 71,       // 50-5F: left, down, up, numlock, keypad
    72, 73, 82, 83, 86, 127,                                                 // 60-65: keypad 8 9 0 ., 102nd, menu
};
// Usages 0xE0 to 0xE7: left ctrl, shift, alt, gui, right ctrl, shift, alt, gui.
constexpr unsigned char kModifierToKernel[] = {29, 42, 56, 125, 97, 54, 100, 126};

}  // namespace

struct SimDisplayTyping::Connection {
  Display* dpy = nullptr;
  ~Connection() {
    if (dpy) XCloseDisplay(dpy);
  }
};

SimDisplayTyping::SimDisplayTyping() = default;
SimDisplayTyping::~SimDisplayTyping() = default;

bool SimDisplayTyping::Open(const std::string& display, std::string* error) {
  auto connection = std::make_unique<Connection>();
  connection->dpy = XOpenDisplay(display.empty() ? nullptr : display.c_str());
  if (!connection->dpy) {
    *error = "cannot open the X display " + (display.empty() ? std::string("$DISPLAY") : display);
    return false;
  }
  int event = 0, firstError = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(connection->dpy, &event, &firstError, &major, &minor)) {
    *error = "the X display has no XTEST extension";
    return false;
  }
  std::lock_guard<std::mutex> guard(lock_);
  connection_ = std::move(connection);
  return true;
}

unsigned SimDisplayTyping::KeyCodeOfUsage(uint32_t code) {
  if ((code >> 16) != kPageKeyboard) return 0;
  uint32_t usage = code & 0xFFFF;
  constexpr uint32_t kFirst = 0x04;
  constexpr uint32_t kFirstModifier = 0xE0;
  if (usage >= kFirst && usage < kFirst + sizeof kUsageToKernel) return kUsageToKernel[usage - kFirst] + kEvdevOffset;
  if (usage >= kFirstModifier && usage < kFirstModifier + sizeof kModifierToKernel)
    return kModifierToKernel[usage - kFirstModifier] + kEvdevOffset;
  return 0;
}

void SimDisplayTyping::Forward(const SimInputEvent& event) {
  if (event.IsMove()) return;
  unsigned keycode = KeyCodeOfUsage(event.code);
  if (!keycode) return;
  std::lock_guard<std::mutex> guard(lock_);
  if (!connection_) return;
  XTestFakeKeyEvent(connection_->dpy, keycode, event.down ? True : False, CurrentTime);
  XFlush(connection_->dpy);
}

}  // namespace kb::sim
