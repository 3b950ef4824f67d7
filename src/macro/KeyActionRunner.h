#pragma once
// What an assigned key does when it is pressed: the key handler the key
// monitor calls for every key event, and the playback worker that types a
// record's steps through the virtual keyboard, once, a number of times, while
// the key is held, until it is pressed again, or until another key.
//
// The main dialog owns one runner: it registers OnKeyEvent with its key
// monitor and destroys the runner (which stops playback) before the monitor's
// records go away.
#include <cstdint>
#include <vector>

#include "app/EasyThread.h"
#include "keyfunc/VHidev.h"
#include "macro/KeyRecord.h"
#include "macro/RecordStore.h"

class KeyActionRunner {
 public:
  explicit KeyActionRunner(VHidev& output = VHidev::Instance(), RecordStore& records = RecordStore::Instance());
  ~KeyActionRunner();
  KeyActionRunner(const KeyActionRunner&) = delete;
  KeyActionRunner& operator=(const KeyActionRunner&) = delete;

  // The key handler, on the monitor thread. Always 0: the event stays
  // available to older listeners.
  int32_t OnKeyEvent(uint8_t usagePage, uint16_t usage, bool pressed);
  // The playback procedure, the worker's loop callback.
  int32_t PlayRecord(IEasyThread* thread, void* userObject);

  // Ends playback (every key the steps pressed goes up) and waits for it.
  void StopPlayback();
  // A copy of the current playback record (code 0 when nothing plays).
  KeyRecord CurrentRecord();
  // Passes of the playback worker's loop: an idle worker sleeps until the
  // next trigger and adds none.
  uint64_t PlaybackPasses() const { return playbackWorker.LoopPasses(); }

 private:
  // Stop rules of the record that plays; true when the event is used up.
  bool ApplyStopRules(KeyCode code, bool pressed);
  void Trigger(const KeyRecord& record);
  // A step goes out on its own usage page (0 means the keyboard's).
  void SendStep(const KeyStep& step, bool pressed);
  void PlaySteps(IEasyThread* thread, const std::vector<KeyStep>& steps, int32_t count);

  VHidev& output;
  RecordStore& records;
  KeyRecord currentRecord;
  EasyThread playbackWorker;
};
