#include "sim/SimLog.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>

namespace kb::sim {

// A long-running daemon must not grow without bound; the oldest lines go.
constexpr size_t kMaxEntries = 100000;

void SimLog::Add(SimLogEntry entry) {
  if (entry.timeUs == 0) entry.timeUs = NowUs();
  std::lock_guard<std::mutex> lock(mutex_);
  if (entries_.size() >= kMaxEntries) entries_.erase(entries_.begin(), entries_.begin() + kMaxEntries / 10);
  entries_.push_back(std::move(entry));
}

void SimLog::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.clear();
}

std::vector<SimLogEntry> SimLog::Entries() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_;
}

std::string SimLog::Text() const {
  std::string text;
  for (const SimLogEntry& entry : Entries()) text += FormatLine(entry) + "\n";
  return text;
}

int64_t SimLog::NowUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

std::string SimLog::Hex(const std::vector<uint8_t>& bytes) {
  std::string text;
  char digits[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
    if (i) text += ' ';
    text += digits;
  }
  return text;
}

std::string SimLog::FormatLine(const SimLogEntry& entry) {
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "%" PRId64 ".%06" PRId64, entry.timeUs / 1000000, entry.timeUs % 1000000);
  std::string line = stamp;
  line += ' ' + entry.device;
  line += ' ' + (entry.interface.empty() ? std::string("-") : entry.interface);
  line += ' ' + entry.kind;
  if (!entry.bytes.empty()) line += ' ' + Hex(entry.bytes);
  if (!entry.note.empty()) line += " [" + entry.note + "]";
  return line;
}

}  // namespace kb::sim
