#pragma once
// Sends the lighting reports on the main dialog's worker thread.
//
// A feature report to a keyboard that does not answer (a hub that stalls, a
// firmware busy with itself) holds its transfer for seconds; sent from the
// window's thread it froze the window that long for every slider step, and
// the steps queued behind each other. The window only says what each light
// should show now; the worker sends it. A newer wish for a light replaces
// one not sent yet, so after a stall the keyboard gets the latest state, not
// every state in between. The outcome of each transfer is posted to the
// window, which retries a failed light and shows a failure that lasts.
#include <array>
#include <cstdint>
#include <mutex>
#include <optional>

#include "app/RunableThread.h"
#include "keyboard/FeatureReport.h"
#include "keyboard/KeyboardCommands.h"
#include "platform/win32.h"

class LightingSender {
 public:
  enum Light : uint32_t { kBacklight = 0, kSideLight = 1 };
  static constexpr size_t kLightCount = 2;

  // `deviceLock` is held around every transfer: the window's thread takes it
  // to open or close the device, so no handle is closed under a transfer.
  LightingSender(KeyboardCommands& commands, std::mutex& deviceLock, RunableThread<0>& worker);

  // The window to tell: message `message` with wParam the light and lParam
  // a LightingOutcome packed by Pack.
  void SetNotifyWindow(HWND window, UINT message);

  // Any thread: the report the light should show now.
  void Want(Light light, const FeatureReport& report, bool paced);
  // Forgets what was not sent yet (the keyboard left; its return sends all).
  void Drop();
  // A report is waiting or being sent.
  bool Busy() const;
  // No more tasks for the worker (it is about to be stopped).
  void Close();

  // The worker's task: sends what is wanted, newest first per light, until
  // nothing is left.
  int32_t SendPending(DWORD, DWORD, const BYTE*, DWORD);

  // What the window hears after each transfer: whether it got through and
  // how long it took.
  struct Outcome {
    bool sent = false;
    uint32_t milliseconds = 0;
  };
  static LPARAM Pack(Outcome outcome);
  static Outcome Unpack(LPARAM value);

 private:
  struct Wish {
    FeatureReport report;
    bool paced = false;
  };
  // Takes the next wish, or clears `scheduled_` when there is none.
  std::optional<std::pair<Light, Wish>> Take();

  KeyboardCommands& commands_;
  std::mutex& deviceLock_;
  RunableThread<0>& worker_;
  mutable std::mutex lock_;
  std::array<std::optional<Wish>, kLightCount> wanted_;
  bool scheduled_ = false;
  bool closed_ = false;
  HWND window_ = nullptr;
  UINT message_ = 0;
};
