// Time, last error, process identity.
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/kernel_object.h"
#include "platform/linux/win32_kernel.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD dwErrCode) { lastError = dwErrCode; }

void Sleep(DWORD dwMilliseconds) {
  if (dwMilliseconds == 0) {
    sched_yield();
    return;
  }
  if (dwMilliseconds == INFINITE) {
    for (;;) pause();
  }
  struct timespec left;
  left.tv_sec = dwMilliseconds / 1000;
  left.tv_nsec = static_cast<long>(dwMilliseconds % 1000) * 1000000L;
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

DWORD GetTickCount() { return static_cast<DWORD>(kb::platform::MonotonicMs()); }
ULONGLONG GetTickCount64() { return kb::platform::MonotonicMs(); }

BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  lpPerformanceCount->QuadPart = static_cast<LONGLONG>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency) {
  lpFrequency->QuadPart = 1000000000LL;
  return TRUE;
}

HANDLE GetCurrentProcess() { return INVALID_HANDLE_VALUE; }
DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

BOOL IsWow64Process(HANDLE, PBOOL Wow64Process) {
  // A native process: never a 32-bit program on a 64-bit system.
  if (Wow64Process) *Wow64Process = FALSE;
  return TRUE;
}
