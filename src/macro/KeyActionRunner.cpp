#include "macro/KeyActionRunner.h"

#include <algorithm>

#include "platform/timer_resolution.h"

namespace {
constexpr int32_t kEndless = -1;
// Shorter step delays are raised to this: a key needs time between reports.
constexpr uint32_t kMinStepDelayMs = 1;
// A wait for a step's due time ends this early and the rest is spent
// yielding: a timed wait wakes up late by the scheduler's latency, and only
// whole milliseconds can be asked for.
constexpr int64_t kWakeMarginUs = 250;
// Longest single wait; a step's delay (up to 2^32-1 ms) is waited in parts,
// so that no part reads as INFINITE.
constexpr int64_t kLongestWaitMs = 24 * 60 * 60 * 1000;

// The playback's clock in microseconds. The performance counter, unlike
// GetTickCount (15.6 ms steps on Windows), can keep a schedule of 1 ms steps.
int64_t NowMicroseconds() {
  static const int64_t frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart > 0 ? static_cast<int64_t>(value.QuadPart) : 1;
  }();
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  const int64_t ticks = count.QuadPart;
  // Split so that ticks * 10^6 cannot overflow after a long uptime.
  return ticks / frequency * 1000000 + ticks % frequency * 1000000 / frequency;
}

// The files store a delay as an unsigned 32-bit number, so that is what it
// means, whatever the signed field shows: 4294967295 is ~49.7 days, not 1 ms.
int64_t StepDelayUs(const KeyStep& step) {
  return static_cast<int64_t>(std::max(static_cast<uint32_t>(step.delay), kMinStepDelayMs)) * 1000;
}

// Waits until `due` on NowMicroseconds's clock; false when a stop cut the
// wait short. Whole milliseconds are slept through WaitStop (which a stop
// ends at once), the last fraction is spent yielding.
bool WaitUntilDue(IEasyThread* thread, int64_t due) {
  for (;;) {
    if (thread->IsStopping()) return false;
    const int64_t left = due - NowMicroseconds();
    if (left <= 0) return true;
    if (left >= kWakeMarginUs + 1000) {
      const int64_t ms = std::min((left - kWakeMarginUs) / 1000, kLongestWaitMs);
      if (thread->WaitStop(static_cast<DWORD>(ms)) == WAIT_OBJECT_0) return false;
    } else {
      Sleep(0);
    }
  }
}

bool PlaysThroughWorker(int32_t play) {
  return (play >= kPlayCount && play <= kPlayUntilAnyKey) || play == kPlayTriggerOnly;
}

int32_t PassCount(const KeyRecord& record) {
  if (record.play == kPlayCount) return record.repeat < kEndless ? 0 : record.repeat;
  if (record.play >= kPlayWhileHeld && record.play <= kPlayUntilAnyKey) return kEndless;
  return 0;
}
}  // namespace

KeyActionRunner::KeyActionRunner(VHidev& output, RecordStore& records) : output(output), records(records) {
  playbackWorker.SetLoopCallback(
      new EasyThread::Callback<IEasyThread, KeyActionRunner>(this, &KeyActionRunner::PlayRecord));
}

KeyActionRunner::~KeyActionRunner() { StopPlayback(); }

void KeyActionRunner::StopPlayback() {
  playbackWorker.Stop();
  playbackWorker.Lock();
  currentRecord.play = 0;
  playbackWorker.Unlock();
}

KeyRecord KeyActionRunner::CurrentRecord() {
  playbackWorker.Lock();
  KeyRecord copy = currentRecord;
  playbackWorker.Unlock();
  return copy;
}

int32_t KeyActionRunner::OnKeyEvent(uint8_t usagePage, uint16_t usage, bool pressed) {
  KeyCode code = MakeKeyCode(usagePage, usage);
  if (ApplyStopRules(code, pressed)) return 0;
  std::optional<KeyRecord> record = records.Find(code);
  if (!record) return 0;
  if (record->play == kPlayDirectKey) {
    if (!record->steps.empty()) {
      KeyCode target = record->steps.front().code;
      output.SendUsage(UsagePageOf(target), UsageOf(target), pressed);
    }
    return 0;
  }
  if (pressed && PlaysThroughWorker(record->play)) Trigger(*record);
  return 0;
}

bool KeyActionRunner::ApplyStopRules(KeyCode code, bool pressed) {
  playbackWorker.Lock();
  int32_t play = currentRecord.play;
  KeyCode current = currentRecord.code;
  playbackWorker.Unlock();
  // Nothing plays: there is nothing to stop, and the key must not be lost.
  if (current == 0) return false;
  bool stop = false;
  bool clearPlay = false;
  switch (play) {
    case kPlayWhileHeld: stop = !pressed && code == current; break;
    case kPlayToggle: stop = pressed && code == current; break;
    case kPlayUntilAnotherKey:
      if (pressed && code == current) return true;
      stop = clearPlay = pressed;
      break;
    case kPlayUntilAnyKey: stop = clearPlay = pressed; break;
    default: break;
  }
  if (!stop) return false;
  playbackWorker.Lock();
  currentRecord.type = 0;
  playbackWorker.Unlock();
  playbackWorker.Stop();
  if (clearPlay) {
    playbackWorker.Lock();
    currentRecord.play = 0;
    playbackWorker.Unlock();
  }
  return true;
}

// At most one record plays: the running one has ended, its keys released,
// before the new one is copied in.
void KeyActionRunner::Trigger(const KeyRecord& record) {
  playbackWorker.Stop();
  playbackWorker.Lock();
  currentRecord = record;
  playbackWorker.Unlock();
  playbackWorker.Start(this);
}

void KeyActionRunner::SendStep(const KeyStep& step, bool pressed) {
  uint16_t page = UsagePageOf(step.code);
  if (page == 0 || page == kUsagePageKeyboard) {
    output.SendUsage(kUsagePageKeyboard, UsageOf(step.code) & 0xFF, pressed);
    return;
  }
  output.SendUsage(page, UsageOf(step.code), pressed);
}

int32_t KeyActionRunner::PlayRecord(IEasyThread* thread, void*) {
  thread->Lock();
  std::vector<KeyStep> steps = currentRecord.steps;
  int32_t count = PassCount(currentRecord);
  bool active = currentRecord.code != 0;
  thread->Unlock();
  // A macro's steps are due at set times; on a busy machine an ordinary
  // thread wakes late for them. The worker sleeps between steps.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  if (!active || count == 0 || steps.empty()) {
    // Nothing to play until the next trigger, which stops this thread first:
    // sleep until then instead of polling.
    thread->WaitStop(INFINITE);
    return 0;
  }
  PlaySteps(thread, steps, count);
  thread->Lock();
  currentRecord.code = 0;
  currentRecord.type = 0;
  thread->Unlock();
  // Whatever stopped the playback, no key the steps pressed stays down.
  for (const KeyStep& step : steps)
    if (step.state != 0) SendStep(step, false);
  return 0;
}

// Steps go out on a schedule: each is due its delay after the previous one
// was due, not after it was sent, so the time a report takes to send does not
// add up over a macro. A late step goes out at once and the schedule holds.
// The first step, sent at once, sets the schedule's origin.
void KeyActionRunner::PlaySteps(IEasyThread* thread, const std::vector<KeyStep>& steps, int32_t count) {
  kb::ScopedTimerResolution fineTimer;
  bool started = false;
  int64_t due = 0;
  for (;;) {
    if (count != kEndless) {
      if (count == 0) return;
      --count;
    }
    if (thread->IsStopping()) return;
    for (const KeyStep& step : steps) {
      if (thread->IsStopping()) return;
      SendStep(step, step.state != 0);
      if (!started) {
        due = NowMicroseconds();
        started = true;
      }
      due += StepDelayUs(step);
      if (!WaitUntilDue(thread, due)) return;
    }
  }
}
