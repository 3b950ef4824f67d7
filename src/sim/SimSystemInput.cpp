#include "sim/SimSystemInput.h"

#include <cinttypes>
#include <cstdio>
#include <set>

#include "sim/SimKeyNames.h"
#include "sim/SimLog.h"

namespace kb::sim {

namespace {
// A daemon that types for hours must not grow without bound; the oldest go.
constexpr size_t kMaxEvents = 400000;
}  // namespace

void SimSystemInput::Add(SimInputEvent event) {
  if (event.timeUs == 0) event.timeUs = SimLog::NowUs();
  if (events_.size() >= kMaxEvents) events_.erase(events_.begin(), events_.begin() + kMaxEvents / 10);
  if (sink_) sink_(event);
  events_.push_back(std::move(event));
}

void SimSystemInput::Key(const std::string& source, uint32_t code, bool down, int64_t timeUs) {
  auto key = std::make_pair(code, source);
  if (down) {
    held_[key] = 1;
  } else {
    held_.erase(key);
  }
  SimInputEvent event;
  event.timeUs = timeUs;
  event.source = source;
  event.code = code;
  event.down = down;
  Add(std::move(event));
}

void SimSystemInput::Move(const std::string& source, int x, int y, int wheel, int64_t timeUs) {
  SimInputEvent event;
  event.timeUs = timeUs;
  event.source = source;
  event.moveX = x;
  event.moveY = y;
  event.wheel = wheel;
  Add(std::move(event));
}

void SimSystemInput::ReleaseSource(const std::string& source) {
  std::vector<uint32_t> codes;
  for (const auto& [key, count] : held_)
    if (key.second == source) codes.push_back(key.first);
  for (uint32_t code : codes) Key(source, code, false);
}

std::vector<uint32_t> SimSystemInput::Held() const {
  std::set<uint32_t> codes;
  for (const auto& [key, count] : held_) codes.insert(key.first);
  return std::vector<uint32_t>(codes.begin(), codes.end());
}

std::string SimSystemInput::HeldText() const {
  std::string text;
  for (uint32_t code : Held()) text += FormatCode(code) + " " + KeyNameOf(code) + "\n";
  return text;
}

std::string SimSystemInput::FormatEvent(const SimInputEvent& e) {
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, "%" PRId64 ".%06" PRId64 " ", e.timeUs / 1000000, e.timeUs % 1000000);
  std::string line = stamp + e.source;
  if (e.IsMove()) {
    char move[64];
    std::snprintf(move, sizeof move, " move x=%d y=%d wheel=%d", e.moveX, e.moveY, e.wheel);
    return line + move;
  }
  line += e.down ? " down " : " up ";
  line += FormatCode(e.code);
  std::string name = KeyNameOf(e.code);
  if (!name.empty()) line += " " + name;
  return line;
}

std::string SimSystemInput::EventsText(const std::string& source) const {
  std::string text;
  for (const SimInputEvent& e : events_)
    if (source.empty() || e.source == source) text += FormatEvent(e) + "\n";
  return text;
}

}  // namespace kb::sim
