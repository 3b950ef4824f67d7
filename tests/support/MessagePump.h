#pragma once
// Running the calling thread's message loop from a GUI test until something
// has happened, as the program's own loop would.
#include <chrono>
#include <functional>

#include "platform/win32.h"

namespace kbtest {

// Handles messages until `done` says so (asked before waiting and after each
// message) or `ms` pass; returns `done()`.
inline bool PumpUntil(const std::function<bool()>& done, int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    if (done()) return true;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      if (done()) return true;
    }
    if (std::chrono::steady_clock::now() >= end) return done();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Handles messages for `ms`.
inline void Pump(int ms) { PumpUntil([] { return false; }, ms); }

}  // namespace kbtest
