#include "macro/KeyActionRunner.h"

#include <algorithm>

#include "platform/timer_resolution.h"

namespace {
constexpr int32_t kEndless = -1;
constexpr DWORD kIdleWaitMs = 2;
// Shorter step delays are raised to this: a key needs time between reports.
constexpr DWORD kMinStepDelayMs = 1;

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
  if (!active || count == 0 || steps.empty()) {
    thread->WaitStop(kIdleWaitMs);
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

void KeyActionRunner::PlaySteps(IEasyThread* thread, const std::vector<KeyStep>& steps, int32_t count) {
  kb::ScopedTimerResolution fineTimer;
  for (;;) {
    if (count != kEndless) {
      if (count == 0) return;
      --count;
    }
    if (thread->IsStopping()) return;
    for (const KeyStep& step : steps) {
      if (thread->IsStopping()) return;
      SendStep(step, step.state != 0);
      thread->WaitStop(static_cast<DWORD>(std::max<int32_t>(step.delay, kMinStepDelayMs)));
    }
  }
}
