#pragma once
// What "the system" of the simulated machine sees of its keyboards: the keys
// it holds down now and every key event it received, from the physical
// keyboard (keys the filter driver let through) and from the virtual keyboard.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kb::sim {

inline constexpr char kSourceKeyboard[] = "keyboard";

struct SimInputEvent {
  int64_t timeUs = 0;
  std::string source;  // "keyboard", or the name of the virtual keyboard
  uint32_t code = 0;   // usage page << 16 | usage; 0 for a movement
  bool down = false;
  int moveX = 0;
  int moveY = 0;
  int wheel = 0;
  bool IsMove() const { return code == 0; }
};

class SimSystemInput {
 public:
  void Key(const std::string& source, uint32_t code, bool down, int64_t timeUs = 0);
  void Move(const std::string& source, int x, int y, int wheel, int64_t timeUs = 0);
  // Everything the source holds goes up, as when a device leaves.
  void ReleaseSource(const std::string& source);
  // Also hands every event to `sink` (the daemon's typing into the display).
  void SetSink(std::function<void(const SimInputEvent&)> sink) { sink_ = std::move(sink); }

  // The codes held down by any source, ascending.
  std::vector<uint32_t> Held() const;
  const std::vector<SimInputEvent>& Events() const { return events_; }
  void ClearEvents() { events_.clear(); }

  std::string HeldText() const;
  // One line per event: "<sec>.<usec> <source> down|up PP:UUUU <name>" or
  // "<sec>.<usec> <source> move x=.. y=.. wheel=..".
  std::string EventsText(const std::string& source) const;
  static std::string FormatEvent(const SimInputEvent& event);

 private:
  void Add(SimInputEvent event);

  // (code, source) -> presses not yet released
  std::map<std::pair<uint32_t, std::string>, int> held_;
  std::vector<SimInputEvent> events_;
  std::function<void(const SimInputEvent&)> sink_;
};

}  // namespace kb::sim
