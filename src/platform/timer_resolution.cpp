#include "platform/timer_resolution.h"

#include <atomic>

#include "platform/win32.h"
#ifdef _WIN32
#include <mmsystem.h>
#endif

namespace kb {

namespace {
std::atomic<int> activeCount{0};

#ifdef _WIN32
constexpr UINT kPeriodMs = 1;

// Declared here: older SDK headers (MinGW's among them) lack these.
struct PowerThrottlingState {
  ULONG version;
  ULONG controlMask;
  ULONG stateMask;
};
constexpr int kProcessPowerThrottling = 4;  // PROCESS_INFORMATION_CLASS
constexpr ULONG kThrottlingVersion = 1;
constexpr ULONG kIgnoreTimerResolution = 0x4;

// Windows 11 ignores a throttled process's timer request; without this the
// period stays coarse whenever the window is hidden. Earlier Windows versions
// lack the call or the class; there the request is honoured anyway.
void KeepTimerRequestWhenThrottled() {
  using SetInfo = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto setInfo = kernel ? reinterpret_cast<SetInfo>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetProcessInformation")))
                        : nullptr;
  if (!setInfo) return;
  PowerThrottlingState state{kThrottlingVersion, kIgnoreTimerResolution, 0};
  setInfo(GetCurrentProcess(), kProcessPowerThrottling, &state, sizeof state);
}
#endif
}  // namespace

ScopedTimerResolution::ScopedTimerResolution() {
#ifdef _WIN32
  static bool optedOut = (KeepTimerRequestWhenThrottled(), true);
  (void)optedOut;
  raised_ = timeBeginPeriod(kPeriodMs) == TIMERR_NOERROR;
#else
  raised_ = true;
#endif
  if (raised_) ++activeCount;
}

ScopedTimerResolution::~ScopedTimerResolution() {
  if (!raised_) return;
#ifdef _WIN32
  timeEndPeriod(kPeriodMs);
#endif
  --activeCount;
}

int ScopedTimerResolution::ActiveCount() { return activeCount.load(); }

}  // namespace kb
