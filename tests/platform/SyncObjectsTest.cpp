// Events, unnamed mutexes and the wait functions, as Windows defines them.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/win32.h"

namespace {

// Thread routines are plain functions: a lambda cannot be stdcall on 32-bit Windows.
DWORD WINAPI SetAfterPause(LPVOID arg) {
  Sleep(50);
  SetEvent(static_cast<HANDLE>(arg));
  return 0;
}

DWORD WINAPI ReleaseAndReportError(LPVOID arg) {
  SetLastError(0xdeadbeef);
  BOOL ok = ReleaseMutex(static_cast<HANDLE>(arg));
  return ok ? 0 : GetLastError();
}

DWORD WINAPI WaitReleaseAndReport(LPVOID arg) {
  DWORD r = WaitForSingleObject(static_cast<HANDLE>(arg), 5000);
  ReleaseMutex(static_cast<HANDLE>(arg));
  return r;
}

struct Shared {
  HANDLE mutex;
  int counter;
  std::atomic<int> inside;
  std::atomic<bool> overlap;
};
DWORD WINAPI CountUnderMutex(LPVOID arg) {
  auto* s = static_cast<Shared*>(arg);
  for (int i = 0; i < 2000; ++i) {
    WaitForSingleObject(s->mutex, INFINITE);
    if (s->inside.fetch_add(1) != 0) s->overlap = true;
    ++s->counter;
    s->inside.fetch_sub(1);
    ReleaseMutex(s->mutex);
  }
  return 0;
}

struct Handle {
  HANDLE h;
  explicit Handle(HANDLE handle) : h(handle) {}
  ~Handle() {
    if (h) CloseHandle(h);
  }
  operator HANDLE() const { return h; }
};

DWORD WINAPI WaitZeroThenReport(LPVOID arg) { return WaitForSingleObject(static_cast<HANDLE>(arg), 0); }

DWORD WINAPI WaitLongThenReport(LPVOID arg) { return WaitForSingleObject(static_cast<HANDLE>(arg), 5000); }

DWORD RunOnThread(LPTHREAD_START_ROUTINE routine, HANDLE arg) {
  HANDLE t = CreateThread(nullptr, 0, routine, arg, 0, nullptr);
  EXPECT_NE(t, nullptr);
  EXPECT_EQ(WaitForSingleObject(t, 10000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeThread(t, &code);
  CloseHandle(t);
  return code;
}

TEST(Events, StateAfterSetResetAndWaits) {
  struct Case {
    const char* name;
    BOOL manual;
    BOOL initial;
    bool set;
    bool reset;
    DWORD firstWait;
    DWORD secondWait;
  };
  const Case cases[] = {
      {"manual, initially set", TRUE, TRUE, false, false, WAIT_OBJECT_0, WAIT_OBJECT_0},
      {"manual, initially clear", TRUE, FALSE, false, false, WAIT_TIMEOUT, WAIT_TIMEOUT},
      {"manual, set", TRUE, FALSE, true, false, WAIT_OBJECT_0, WAIT_OBJECT_0},
      {"manual, set then reset", TRUE, FALSE, true, true, WAIT_TIMEOUT, WAIT_TIMEOUT},
      {"auto, initially set", FALSE, TRUE, false, false, WAIT_OBJECT_0, WAIT_TIMEOUT},
      {"auto, set", FALSE, FALSE, true, false, WAIT_OBJECT_0, WAIT_TIMEOUT},
      {"auto, set then reset", FALSE, FALSE, true, true, WAIT_TIMEOUT, WAIT_TIMEOUT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetLastError(0xdeadbeef);
    Handle e(CreateEventW(nullptr, c.manual, c.initial, nullptr));
    ASSERT_NE(e.h, nullptr);
    if (c.set) {
      EXPECT_TRUE(SetEvent(e));
    }
    if (c.reset) {
      EXPECT_TRUE(ResetEvent(e));
    }
    EXPECT_EQ(WaitForSingleObject(e, 0), c.firstWait);
    EXPECT_EQ(WaitForSingleObject(e, 0), c.secondWait);
  }
}

TEST(Events, AutoResetReleasesExactlyOneOfManyWaiters) {
  Handle e(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  std::vector<HANDLE> threads;
  for (int i = 0; i < 4; ++i) threads.push_back(CreateThread(nullptr, 0, WaitLongThenReport, e.h, 0, nullptr));
  Sleep(100);  // let them all block
  EXPECT_TRUE(SetEvent(e));
  // One thread returns WAIT_OBJECT_0; the others keep waiting until more sets.
  DWORD first = WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), FALSE, 5000);
  ASSERT_LT(first, threads.size());
  Sleep(100);
  int finished = 0;
  for (HANDLE t : threads)
    if (WaitForSingleObject(t, 0) == WAIT_OBJECT_0) ++finished;
  EXPECT_EQ(finished, 1);
  for (int i = 0; i < 3; ++i) SetEvent(e);
  EXPECT_EQ(WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, 5000), WAIT_OBJECT_0);
  for (HANDLE t : threads) {
    DWORD code = 0;
    GetExitCodeThread(t, &code);
    EXPECT_EQ(code, WAIT_OBJECT_0);
    CloseHandle(t);
  }
}

TEST(Events, ManualResetReleasesAllWaiters) {
  Handle e(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::vector<HANDLE> threads;
  for (int i = 0; i < 4; ++i) threads.push_back(CreateThread(nullptr, 0, WaitLongThenReport, e.h, 0, nullptr));
  Sleep(50);
  SetEvent(e);
  EXPECT_EQ(WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, 5000), WAIT_OBJECT_0);
  for (HANDLE t : threads) CloseHandle(t);
}

TEST(Waits, LowestSignalledIndexWins) {
  Handle a(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  Handle b(CreateEventW(nullptr, TRUE, TRUE, nullptr));
  Handle c(CreateEventW(nullptr, FALSE, TRUE, nullptr));
  HANDLE all[] = {a, b, c};
  EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 0), WAIT_OBJECT_0 + 1);
  SetEvent(a);
  EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 0), WAIT_OBJECT_0);
  // The auto-reset event at index 2 was never taken, so it is still set.
  ResetEvent(a);
  ResetEvent(b);
  EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 0), WAIT_OBJECT_0 + 2);
  EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 0), WAIT_TIMEOUT);
}

TEST(Waits, WaitAllTakesNothingUnlessEverythingIsSignalled) {
  Handle autoEvent(CreateEventW(nullptr, FALSE, TRUE, nullptr));
  Handle manual(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  HANDLE both[] = {autoEvent, manual};
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_TIMEOUT);
  // The auto-reset event must not have been consumed by the failed wait.
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_OBJECT_0);
  SetEvent(autoEvent);
  SetEvent(manual);
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_TIMEOUT);
}

TEST(Waits, TimeoutsAndFailures) {
  Handle e(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  DWORD start = GetTickCount();
  EXPECT_EQ(WaitForSingleObject(e, 150), WAIT_TIMEOUT);
  DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 100u);
  EXPECT_LT(elapsed, 5000u);

  struct Case {
    const char* name;
    DWORD count;
    bool nullHandle;
    DWORD error;
  };
  const Case cases[] = {
      {"no handles", 0, false, ERROR_INVALID_PARAMETER},
      {"too many handles", MAXIMUM_WAIT_OBJECTS + 1, false, ERROR_INVALID_PARAMETER},
      {"a null handle", 2, true, ERROR_INVALID_HANDLE},
  };
  std::vector<HANDLE> handles(MAXIMUM_WAIT_OBJECTS + 1, e.h);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    handles[1] = c.nullHandle ? nullptr : e.h;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(WaitForMultipleObjects(c.count, handles.data(), FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST(Waits, ClosedHandleIsInvalid) {
  HANDLE e = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  EXPECT_TRUE(CloseHandle(e));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(CloseHandle(e));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(SetEvent(nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Waits, SetFromAnotherThreadWakesAWaiter) {
  Handle e(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  HANDLE t = CreateThread(nullptr, 0, SetAfterPause, e.h, 0, nullptr);
  EXPECT_EQ(WaitForSingleObject(e, 5000), WAIT_OBJECT_0);
  WaitForSingleObject(t, INFINITE);
  CloseHandle(t);
}

TEST(Mutexes, RecursiveOwnershipCountsAcquiresAndReleases) {
  Handle m(CreateMutexW(nullptr, TRUE, nullptr));
  ASSERT_NE(m.h, nullptr);
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);  // count 2
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);  // count 3
  EXPECT_EQ(RunOnThread(WaitZeroThenReport, m), WAIT_TIMEOUT);
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_EQ(RunOnThread(WaitZeroThenReport, m), WAIT_TIMEOUT);  // still held once
  EXPECT_TRUE(ReleaseMutex(m));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(ReleaseMutex(m));  // more releases than acquires
  EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
}

TEST(Mutexes, ReleaseByNonOwnerFails) {
  Handle m(CreateMutexW(nullptr, TRUE, nullptr));
  HANDLE t = CreateThread(nullptr, 0, ReleaseAndReportError, m.h, 0, nullptr);
  WaitForSingleObject(t, INFINITE);
  DWORD code = 0;
  GetExitCodeThread(t, &code);
  CloseHandle(t);
  EXPECT_EQ(code, ERROR_NOT_OWNER);
  EXPECT_TRUE(ReleaseMutex(m));
}

TEST(Mutexes, AbandonedWhenOwnerThreadEndsAndReportedOnce) {
  Handle m(CreateMutexW(nullptr, FALSE, nullptr));
  EXPECT_EQ(RunOnThread(WaitZeroThenReport, m), WAIT_OBJECT_0);  // that thread ends holding it
  HANDLE list[] = {m.h};
  EXPECT_EQ(WaitForMultipleObjects(1, list, FALSE, 0), WAIT_ABANDONED_0);
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);  // now ours, recursively
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_EQ(RunOnThread(WaitZeroThenReport, m), WAIT_OBJECT_0);  // abandoned again by that thread
  Handle other(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  HANDLE pair[] = {other.h, m.h};
  EXPECT_EQ(WaitForMultipleObjects(2, pair, FALSE, 0), WAIT_ABANDONED_0 + 1);
  EXPECT_TRUE(ReleaseMutex(m));
}

TEST(Mutexes, WaiterGetsMutexWhenOwnerReleases) {
  Handle m(CreateMutexW(nullptr, TRUE, nullptr));
  HANDLE t = CreateThread(nullptr, 0, WaitReleaseAndReport, m.h, 0, nullptr);
  Sleep(50);
  EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeThread(t, &code);
  CloseHandle(t);
  EXPECT_EQ(code, WAIT_OBJECT_0);
}

TEST(Mutexes, ManyThreadsKeepMutualExclusion) {
  Shared shared{CreateMutexW(nullptr, FALSE, nullptr), 0, {0}, {false}};
  std::vector<HANDLE> threads;
  for (int i = 0; i < 4; ++i) threads.push_back(CreateThread(nullptr, 0, CountUnderMutex, &shared, 0, nullptr));
  EXPECT_EQ(WaitForMultipleObjects(4, threads.data(), TRUE, 60000), WAIT_OBJECT_0);
  for (HANDLE t : threads) CloseHandle(t);
  EXPECT_EQ(shared.counter, 8000);
  EXPECT_FALSE(shared.overlap.load());
  CloseHandle(shared.mutex);
}

}  // namespace
