#pragma once
// The simulated keyboard filter driver, device "\\.\vhidflt". It sees every
// key event of the physical keyboard, hands them one per event request to
// whoever reads it, and withholds from the system the keys its intercept
// table names.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/linux/kbsim_protocol.h"

namespace kb::sim {

inline constexpr char kFilterDeviceName[] = "\\\\.\\vhidflt";

// Control codes the filter answers.
inline constexpr uint32_t kIoctlFilterReset = 0x226008;      // forget queued events
inline constexpr uint32_t kIoctlFilterEnable = 0x22600C;     // start queueing events
inline constexpr uint32_t kIoctlFilterRecording = 0x226010;  // a recording starts (4-byte input)
inline constexpr uint32_t kIoctlFilterReadEvent = 0x226044;  // pends until the next key event
inline constexpr uint32_t kIoctlFilterSetTable = 0x22A000;   // replaces the intercept table

inline constexpr size_t kFilterEventBytes = 4;
// The record followed by the time the driver saw the key (microseconds on
// the log's clock), for readers that ask for it with a buffer this long.
inline constexpr size_t kFilterTimedEventBytes = 12;
inline constexpr size_t kInterceptEntries = 256;
inline constexpr size_t kInterceptEntryBytes = 4;
inline constexpr size_t kInterceptTableBytes = kInterceptEntries * kInterceptEntryBytes;
inline constexpr uint8_t kInterceptFlag = 0x02;
inline constexpr uint8_t kEventPressedFlag = 0x01;

class SimFilterDriver {
 public:
  // Sessions belong to an owner (a connection, i.e. a process). A process
  // that closes its last handle and opens the filter again finds the events
  // queued meanwhile, as a real driver keeps its queue while its client
  // reopens; the queue goes when the owner goes or another one opens it.
  void Opened(uintptr_t owner);
  void Closed();
  void OwnerGone(uintptr_t owner);

  // A physical key event. Returns true when the system gets the key.
  bool KeyEvent(uint32_t code, bool down);
  bool Intercepts(uint32_t code) const;

  // A control request other than the event read, answered at once. Sets
  // *pend for the event read, which waits for TakeEvent.
  Reply Control(uint32_t code, const std::vector<uint8_t>& input, uint32_t outputLength, bool* pend);
  // Completes an event read when an event is queued.
  bool TakeEvent(uint32_t outputLength, Reply* reply);

  int Sessions() const { return sessions_; }
  uint64_t EventReads() const { return eventReads_; }
  std::string StatusText() const;

 private:
  bool Queueing() const { return (sessions_ > 0 || owner_ != 0) && reporting_; }

  int sessions_ = 0;
  uintptr_t owner_ = 0;  // whose events are queued; 0 when nobody's
  bool reporting_ = false;
  uint64_t eventReads_ = 0;
  uint64_t recordingStarts_ = 0;
  struct QueuedEvent {
    uint32_t packed;  // usage | page << 16 | flags << 24
    int64_t timeUs;
  };
  std::deque<QueuedEvent> events_;
  std::vector<uint8_t> table_ = std::vector<uint8_t>(kInterceptTableBytes, 0);
};

}  // namespace kb::sim
