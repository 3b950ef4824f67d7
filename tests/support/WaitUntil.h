#pragma once
// Polling a condition from a test thread that has no messages to handle.
#include <functional>

#include "platform/win32.h"

namespace kbtest {

// Polls until the condition holds or the time is up; bounds are generous
// because the tests share two cores with everything else (and Wine).
inline bool WaitUntil(const std::function<bool()>& condition, DWORD limitMs = 5000) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > limitMs) return false;
    Sleep(1);
  }
  return true;
}

}  // namespace kbtest
