#pragma once
// Types what the simulated system receives into the X display: every key
// event of SimSystemInput (physical keys the filter driver let through and
// the virtual keyboard's output) becomes a key event of the focused X window
// through the XTEST extension, as a real keyboard's would.
#include <memory>
#include <mutex>
#include <string>

#include "sim/SimSystemInput.h"

namespace kb::sim {

class SimDisplayTyping {
 public:
  SimDisplayTyping();
  ~SimDisplayTyping();
  SimDisplayTyping(const SimDisplayTyping&) = delete;
  SimDisplayTyping& operator=(const SimDisplayTyping&) = delete;

  // Opens the display named by `display` (empty: $DISPLAY) and checks that it
  // has XTEST; false with `error` set otherwise.
  bool Open(const std::string& display, std::string* error);
  // Sends one key event of the system to the display (moves are ignored).
  void Forward(const SimInputEvent& event);

  // The X key code of a HID keyboard-page usage on an evdev key map (Xorg's
  // and Xvfb's), 0 for none.
  static unsigned KeyCodeOfUsage(uint32_t code);

 private:
  struct Connection;
  std::mutex lock_;
  std::unique_ptr<Connection> connection_;
};

}  // namespace kb::sim
