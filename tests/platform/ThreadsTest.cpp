// Threads: creation, suspension, ids, exit codes and the handle's signal.
#include <gtest/gtest.h>

#include <atomic>
#include <set>

#include "platform/win32.h"

#ifndef _WIN32
#include <sched.h>
#include <cerrno>
#include <sys/resource.h>

#include <thread>
#endif

namespace {

// Thread routines are plain functions: a lambda cannot be stdcall on 32-bit Windows.
DWORD WINAPI WaitForGate(LPVOID g) { return WaitForSingleObject(static_cast<HANDLE>(g), 5000); }

DWORD WINAPI PauseThenSet(LPVOID e) {
  Sleep(50);
  SetEvent(static_cast<HANDLE>(e));
  return 0;
}

struct Probe {
  std::atomic<DWORD> seenId{0};
  std::atomic<int> runs{0};
};

DWORD WINAPI RecordAndReturn(LPVOID arg) {
  auto* p = static_cast<Probe*>(arg);
  p->seenId = GetCurrentThreadId();
  ++p->runs;
  return 42;
}

TEST(Threads, IdIsKnownBeforeTheThreadRunsAndMatchesItsOwn) {
  Probe probe;
  DWORD id = 0;
  HANDLE t = CreateThread(nullptr, 0, RecordAndReturn, &probe, CREATE_SUSPENDED, &id);
  ASSERT_NE(t, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, GetCurrentThreadId());
  EXPECT_EQ(GetThreadId(t), id);
  Sleep(50);
  EXPECT_EQ(probe.runs.load(), 0);  // suspended
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(t, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_TIMEOUT);

  EXPECT_EQ(ResumeThread(t), 1u);
  EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(probe.seenId.load(), id);
  EXPECT_TRUE(GetExitCodeThread(t, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_OBJECT_0);  // stays signalled
  EXPECT_EQ(ResumeThread(t), 0u);
  CloseHandle(t);
}

TEST(Threads, ResumeOfARunningThreadReturnsZero) {
  HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE t = CreateThread(nullptr, 0, WaitForGate, gate, 0, nullptr);
  EXPECT_EQ(ResumeThread(t), 0u);
  SetEvent(gate);
  EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
  CloseHandle(t);
  CloseHandle(gate);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(ResumeThread(nullptr), DWORD(-1));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Threads, IdsAreDistinctAndNonZero) {
  constexpr int kThreads = 16;
  Probe probes[kThreads];
  HANDLE handles[kThreads];
  for (int i = 0; i < kThreads; ++i) handles[i] = CreateThread(nullptr, 0, RecordAndReturn, &probes[i], 0, nullptr);
  EXPECT_EQ(WaitForMultipleObjects(kThreads, handles, TRUE, 10000), WAIT_OBJECT_0);
  std::set<DWORD> ids;
  for (int i = 0; i < kThreads; ++i) {
    EXPECT_NE(probes[i].seenId.load(), 0u);
    ids.insert(probes[i].seenId.load());
    CloseHandle(handles[i]);
  }
  ids.insert(GetCurrentThreadId());
  EXPECT_EQ(ids.size(), size_t(kThreads + 1));
}

TEST(Threads, HandleOutlivesThreadAndThreadOutlivesHandle) {
  Probe probe;
  HANDLE t = CreateThread(nullptr, 0, RecordAndReturn, &probe, 0, nullptr);
  EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
  Sleep(20);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(t, &code));
  EXPECT_EQ(code, 42u);
  CloseHandle(t);

  // Closing the handle of a running thread does not stop it.
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE t2 = CreateThread(nullptr, 0, PauseThenSet, done, 0, nullptr);
  CloseHandle(t2);
  EXPECT_EQ(WaitForSingleObject(done, 5000), WAIT_OBJECT_0);
  CloseHandle(done);
}

// The priorities of the normal class: each one set is the one reported, on a
// thread not yet running and on the calling thread; anything else and a
// handle that is not a thread are refused with the documented codes.
DWORD WINAPI ReportOwnPriority(LPVOID arg) {
  *static_cast<int*>(arg) = GetThreadPriority(GetCurrentThread());
  return 0;
}

TEST(Threads, PrioritySetIsThePriorityReported) {
  const int priorities[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,  THREAD_PRIORITY_BELOW_NORMAL,
                            THREAD_PRIORITY_NORMAL,       THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                            THREAD_PRIORITY_TIME_CRITICAL};
  for (int priority : priorities) {
    int seen = -99;
    HANDLE t = CreateThread(nullptr, 0, ReportOwnPriority, &seen, CREATE_SUSPENDED, nullptr);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(GetThreadPriority(t), THREAD_PRIORITY_NORMAL) << "a new thread";
    EXPECT_TRUE(SetThreadPriority(t, priority)) << priority;
    EXPECT_EQ(GetThreadPriority(t), priority);
    ResumeThread(t);
    ASSERT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(seen, priority) << "what the thread itself sees";
    CloseHandle(t);
  }
  // The calling thread, through the pseudo handle; left as it was found.
  const int before = GetThreadPriority(GetCurrentThread());
  EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL));
  EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_ABOVE_NORMAL);
  EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), before));

  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const struct {
    const char* what;
    HANDLE handle;
    int priority;
    DWORD error;
  } refused[] = {
      {"between the levels", GetCurrentThread(), 5, ERROR_INVALID_PARAMETER},
      {"below idle", GetCurrentThread(), -16, ERROR_INVALID_PARAMETER},
      {"an event", event, THREAD_PRIORITY_HIGHEST, ERROR_INVALID_HANDLE},
  };
  for (const auto& r : refused) {
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetThreadPriority(r.handle, r.priority)) << r.what;
    EXPECT_EQ(GetLastError(), r.error) << r.what;
  }
  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetThreadPriority(event), THREAD_PRIORITY_ERROR_RETURN);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  CloseHandle(event);
}

#ifndef _WIN32
// Linux: a time-critical thread runs real-time (ahead of every ordinary
// thread, as on Windows) where the system allows it, threads it starts are
// ordinary, and a lower priority makes it ordinary again.
struct Scheduling {
  int policy = -1;
  int nice = 99;
};

Scheduling OwnScheduling() {
  errno = 0;
  int nice = getpriority(PRIO_PROCESS, 0);
  return {sched_getscheduler(0) & ~SCHED_RESET_ON_FORK, errno == 0 ? nice : 99};
}

struct TimeCriticalProbe {
  Scheduling raised, child, lowered;
};

DWORD WINAPI RaiseStartAndLower(LPVOID arg) {
  auto* probe = static_cast<TimeCriticalProbe*>(arg);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  probe->raised = OwnScheduling();
  std::thread([probe] { probe->child = OwnScheduling(); }).join();
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  probe->lowered = OwnScheduling();
  return 0;
}

TEST(Threads, TimeCriticalIsRealTimeWhereAllowedAndItsChildrenAreNot) {
  // Whether this machine lets a thread go real-time (root, CAP_SYS_NICE,
  // RLIMIT_RTPRIO), asked of a scratch thread.
  bool allowed = false;
  std::thread([&] {
    sched_param param{};
    param.sched_priority = 1;
    allowed = sched_setscheduler(0, SCHED_FIFO, &param) == 0;
  }).join();
  bool mayRaiseNice = false;
  std::thread([&] { mayRaiseNice = setpriority(PRIO_PROCESS, 0, -10) == 0; }).join();

  TimeCriticalProbe probe;
  HANDLE t = CreateThread(nullptr, 0, RaiseStartAndLower, &probe, 0, nullptr);
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
  CloseHandle(t);
  EXPECT_EQ(probe.raised.policy, allowed ? SCHED_FIFO : SCHED_OTHER);
  EXPECT_EQ(probe.child.policy, SCHED_OTHER) << "a thread started by a real-time thread must not spin at its level";
  EXPECT_EQ(probe.child.nice, 0);
  EXPECT_EQ(probe.lowered.policy, SCHED_OTHER);
  if (mayRaiseNice) {
    EXPECT_EQ(probe.lowered.nice, -10);
  }
}
#endif

TEST(Time, TickCountAdvancesWithSleep) {
  const DWORD sleeps[] = {0, 1, 20, 120};
  for (DWORD ms : sleeps) {
    ULONGLONG before = GetTickCount64();
    DWORD before32 = GetTickCount();
    Sleep(ms);
    ULONGLONG elapsed = GetTickCount64() - before;
    EXPECT_GE(elapsed + 16, ms) << ms;  // tick granularity is up to 16 ms on Windows
    EXPECT_LT(elapsed, ms + 2000u) << ms;
    EXPECT_LE(DWORD(GetTickCount() - before32), DWORD(elapsed + 32));
  }
}

}  // namespace
