#include "sim/SimFilterDriver.h"

#include "sim/SimErrors.h"
#include "sim/SimKeyNames.h"
#include "sim/SimLog.h"

namespace kb::sim {

namespace {
// Events nobody reads are dropped beyond this, as a driver's ring buffer does.
constexpr size_t kMaxQueuedEvents = 1024;
}  // namespace

// The table and the reporting switch live in the driver, not in a handle: a
// program that reopens the filter (after a device change) finds them as it
// left them, and the events queued in between. Events nobody can read any
// more (their process ended, or another one took the filter) are dropped.
void SimFilterDriver::Opened(uintptr_t owner) {
  if (sessions_ == 0 && owner != owner_) events_.clear();
  owner_ = owner;
  ++sessions_;
}

void SimFilterDriver::Closed() {
  if (sessions_ > 0) --sessions_;
}

void SimFilterDriver::OwnerGone(uintptr_t owner) {
  if (owner != owner_ || sessions_ > 0) return;
  owner_ = 0;
  events_.clear();
}

bool SimFilterDriver::Intercepts(uint32_t code) const {
  uint16_t page = static_cast<uint16_t>(code >> 16);
  uint16_t usage = static_cast<uint16_t>(code & 0xFFFF);
  for (size_t i = 0; i < kInterceptEntries; ++i) {
    const uint8_t* entry = table_.data() + i * kInterceptEntryBytes;
    if (!(entry[3] & kInterceptFlag)) continue;
    uint16_t entryUsage = static_cast<uint16_t>(entry[0] | entry[1] << 8);
    if (entryUsage == usage && entry[2] == page) return true;
  }
  return false;
}

bool SimFilterDriver::KeyEvent(uint32_t code, bool down) {
  if (Queueing()) {
    if (events_.size() >= kMaxQueuedEvents) events_.pop_front();
    uint32_t packed = (code & 0xFFFF) | ((code >> 16) & 0xFF) << 16 | (down ? kEventPressedFlag : 0u) << 24;
    events_.push_back(QueuedEvent{packed, SimLog::NowUs()});
  }
  return !Intercepts(code);
}

Reply SimFilterDriver::Control(uint32_t code, const std::vector<uint8_t>& input, uint32_t outputLength, bool* pend) {
  *pend = false;
  switch (code) {
    case kIoctlFilterReset:
      events_.clear();
      return {};
    case kIoctlFilterEnable:
      reporting_ = true;
      return {};
    case kIoctlFilterRecording:
      if (input.size() != 4) return {kErrorInvalidParameter, 0, {}};
      ++recordingStarts_;
      return {};
    case kIoctlFilterReadEvent:
      if (outputLength < kFilterEventBytes) return {kErrorInsufficientBuffer, 0, {}};
      ++eventReads_;
      *pend = true;
      return {};
    case kIoctlFilterSetTable:
      if (input.size() != kInterceptTableBytes) return {kErrorInvalidParameter, 0, {}};
      table_ = input;
      return {};
    default:
      return {kErrorInvalidFunction, 0, {}};
  }
}

bool SimFilterDriver::TakeEvent(uint32_t outputLength, Reply* reply) {
  if (events_.empty()) return false;
  QueuedEvent event = events_.front();
  events_.pop_front();
  uint32_t packed = event.packed;
  reply->data = {static_cast<uint8_t>(packed), static_cast<uint8_t>(packed >> 8), static_cast<uint8_t>(packed >> 16),
                 static_cast<uint8_t>(packed >> 24)};
  // The time of the key, when the reader left room for it: the same clock
  // as the log's, so a recording can be checked against it.
  if (outputLength >= kFilterTimedEventBytes) {
    for (int i = 0; i < 8; ++i) reply->data.push_back(static_cast<uint8_t>(static_cast<uint64_t>(event.timeUs) >> (8 * i)));
  }
  reply->info = static_cast<uint32_t>(reply->data.size());
  return true;
}

std::string SimFilterDriver::StatusText() const {
  std::string text = "sessions " + std::to_string(sessions_) + "\n";
  text += "reporting " + std::to_string(reporting_ ? 1 : 0) + "\n";
  text += "event-reads " + std::to_string(eventReads_) + "\n";
  text += "queued " + std::to_string(events_.size()) + "\n";
  text += "recording-starts " + std::to_string(recordingStarts_) + "\n";
  text += "intercept";
  for (size_t i = 0; i < kInterceptEntries; ++i) {
    const uint8_t* entry = table_.data() + i * kInterceptEntryBytes;
    if (!(entry[3] & kInterceptFlag)) continue;
    uint32_t code = static_cast<uint32_t>(entry[2]) << 16 | static_cast<uint32_t>(entry[0] | entry[1] << 8);
    text += " " + FormatCode(code);
  }
  return text + "\n";
}

}  // namespace kb::sim
