#include "app/EasyThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/WaitUntil.h"

namespace {

using kbtest::WaitUntil;

// The object the callbacks are bound to, as the main dialog is in the program.
class Probe {
 public:
  using Script = std::vector<int32_t>;

  explicit Probe(EasyThread* owner = nullptr) : owner(owner) {}

  int32_t OnStart(IEasyThread* thread, void* user) {
    std::lock_guard<std::mutex> guard(mutex);
    startThreads.push_back(GetCurrentThreadId());
    startSawItselfRunning.push_back(!thread->IsStopping());
    ++startCalls;
    // Only the first thread follows the script; later ones run until stopped.
    return startThreads.size() == 1 ? startResult : 0;
  }

  int32_t OnLoop(IEasyThread* thread, void* user) {
    int32_t result = 0;
    {
      std::lock_guard<std::mutex> guard(mutex);
      const size_t index = loopCallsByThread[GetCurrentThreadId()]++;
      if (index < loopScript.size() && startThreads.size() == 1) result = loopScript[index];
    }
    lastUser = user;
    ++loopCalls;
    return result;
  }

  int32_t OnEnd(IEasyThread* thread, void* user) {
    endUser = user;
    ++endCalls;
    return 0;
  }

  int32_t WaitLong(IEasyThread* thread, void* user) {
    enteredWait = true;
    const DWORD start = GetTickCount();
    waitResult = thread->WaitStop(5000);
    waitElapsed = GetTickCount() - start;
    return 0;
  }

  int32_t SpinUntilStopping(IEasyThread* thread, void* user) {
    if (!thread->IsStopping()) sawRunning = true;
    while (!thread->IsStopping()) Sleep(1);
    sawStopping = true;
    return 0;
  }

  int32_t StopOwnThread(IEasyThread* thread, void* user) {
    owner->Stop();
    ++loopCalls;
    return 0;
  }

  size_t LoopCallsOfFirstThread() {
    std::lock_guard<std::mutex> guard(mutex);
    if (startThreads.empty()) return 0;
    return loopCallsByThread[startThreads.front()];
  }

  EasyThread* owner;
  int32_t startResult = 0;
  Script loopScript;
  std::mutex mutex;
  std::vector<DWORD> startThreads;
  std::vector<bool> startSawItselfRunning;
  std::map<DWORD, size_t> loopCallsByThread;
  std::atomic<int> startCalls{0};
  std::atomic<int> loopCalls{0};
  std::atomic<int> endCalls{0};
  std::atomic<void*> lastUser{nullptr};
  std::atomic<void*> endUser{nullptr};
  std::atomic<bool> enteredWait{false};
  std::atomic<DWORD> waitResult{0};
  std::atomic<DWORD> waitElapsed{0};
  std::atomic<bool> sawRunning{false};
  std::atomic<bool> sawStopping{false};
};

using ProbeCallback = EasyThread::Callback<IEasyThread, Probe>;

EasyThread::ThreadCallback* Bind(Probe& probe, ProbeCallback::Method method) {
  return new ProbeCallback(&probe, method);
}

// Counts calls and deletions, to see when the thread lets go of a callback.
class CountingCallback : public EasyThread::ThreadCallback {
 public:
  CountingCallback(std::atomic<int>& calls, std::atomic<int>& deletions) : calls(calls), deletions(deletions) {}
  ~CountingCallback() override { ++deletions; }
  int32_t Invoke(IEasyThread*, void*) override {
    ++calls;
    return 0;
  }

 private:
  std::atomic<int>& calls;
  std::atomic<int>& deletions;
};

TEST(EasyThreadTest, WaitStopInsideTheLoopReturnsAtOnceOnStop) {
  Probe probe;
  EasyThread thread;
  thread.SetLoopCallback(Bind(probe, &Probe::WaitLong));
  ASSERT_EQ(0, thread.Start(&probe));
  ASSERT_TRUE(WaitUntil([&] { return probe.enteredWait.load(); }));

  const DWORD start = GetTickCount();
  thread.Stop();
  const DWORD stopElapsed = GetTickCount() - start;

  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), probe.waitResult.load());
  EXPECT_LT(probe.waitElapsed.load(), 2500u);
  EXPECT_LT(stopElapsed, 2500u);
}

TEST(EasyThreadTest, WaitStopFollowsTheStopEvent) {
  EasyThread thread;
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), thread.WaitStop(10)) << "fresh object";
  thread.Stop();
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), thread.WaitStop(5000)) << "after Stop";
  ASSERT_EQ(0, thread.Start(nullptr));
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), thread.WaitStop(10)) << "Start resets the stop";
}

TEST(EasyThreadTest, StartOnARunningThreadOnlySwapsTheUserObject) {
  Probe probe;
  int first = 1;
  int second = 2;
  EasyThread thread;
  thread.SetStartCallback(Bind(probe, &Probe::OnStart));
  thread.SetLoopCallback(Bind(probe, &Probe::OnLoop));

  ASSERT_EQ(0, thread.Start(&first));
  ASSERT_TRUE(WaitUntil([&] { return probe.lastUser.load() == &first; }));
  EXPECT_EQ(0, thread.Start(&second));
  ASSERT_TRUE(WaitUntil([&] { return probe.lastUser.load() == &second; }));
  EXPECT_EQ(&second, thread.UserObject());

  thread.Stop();
  EXPECT_EQ(1, probe.startCalls.load());
  std::lock_guard<std::mutex> guard(probe.mutex);
  EXPECT_EQ(1u, probe.loopCallsByThread.size()) << "the loop ran on more than one thread";
}

struct CallbackCase {
  std::string name;
  int32_t startResult;
  Probe::Script loopScript;
  size_t loopCalls;
  bool endCalled;
};

TEST(EasyThreadTest, CallbackResultsDecideLoopAndEnd) {
  const std::vector<CallbackCase> cases = {
      {"loop ends on its first nonzero result", 0, {0, 0, 7}, 3, true},
      {"loop result on the first pass", 0, {2}, 1, true},
      {"nonzero start skips the loop", 5, {}, 0, true},
      {"start -1 skips loop and end", -1, {}, 0, false},
      {"loop -1 skips the end", 0, {0, -1}, 2, false},
  };
  for (const CallbackCase& c : cases) {
    SCOPED_TRACE(c.name);
    Probe probe;
    probe.startResult = c.startResult;
    probe.loopScript = c.loopScript;
    int user = 0;
    EasyThread thread;
    thread.SetStartCallback(Bind(probe, &Probe::OnStart));
    thread.SetLoopCallback(Bind(probe, &Probe::OnLoop));
    thread.SetEndCallback(Bind(probe, &Probe::OnEnd));
    ASSERT_EQ(0, thread.Start(&user));

    // The thread ends on its own; a later Start then makes a new one.
    ASSERT_TRUE(WaitUntil([&] {
      thread.Start(&user);
      return probe.startCalls.load() == 2;
    }));
    thread.Stop();

    EXPECT_EQ(c.loopCalls, probe.LoopCallsOfFirstThread());
    // The second thread always ends through Stop, with its end callback.
    EXPECT_EQ(c.endCalled ? 2 : 1, probe.endCalls.load());
    EXPECT_EQ(&user, probe.endUser.load());
  }
}

TEST(EasyThreadTest, StopEndsALoopThatWatchesIsStopping) {
  Probe probe;
  EasyThread thread;
  thread.SetLoopCallback(Bind(probe, &Probe::SpinUntilStopping));
  ASSERT_EQ(0, thread.Start(nullptr));
  ASSERT_TRUE(WaitUntil([&] { return probe.sawRunning.load(); }));
  EXPECT_TRUE(thread.IsStopping()) << "asked from a thread that is not the worker";
  thread.Stop();
  EXPECT_TRUE(probe.sawStopping.load());
}

TEST(EasyThreadTest, EveryStartSeesItsOwnIdAndEntersTheLoop) {
  // Stop and Start for every key action: each new thread must find its id
  // recorded before it first compares, or it would leave the loop at once.
  Probe probe;
  EasyThread thread;
  thread.SetStartCallback(Bind(probe, &Probe::OnStart));
  thread.SetLoopCallback(Bind(probe, &Probe::OnLoop));
  thread.SetEndCallback(Bind(probe, &Probe::OnEnd));
  constexpr int kCycles = 40;
  for (int i = 0; i < kCycles; ++i) {
    const int loopsBefore = probe.loopCalls.load();
    ASSERT_EQ(0, thread.Start(&probe));
    ASSERT_TRUE(WaitUntil([&] { return probe.loopCalls.load() > loopsBefore; })) << "cycle " << i;
    thread.Stop();
  }
  EXPECT_EQ(kCycles, probe.startCalls.load());
  EXPECT_EQ(kCycles, probe.endCalls.load());
  std::lock_guard<std::mutex> guard(probe.mutex);
  for (size_t i = 0; i < probe.startSawItselfRunning.size(); ++i) {
    EXPECT_TRUE(probe.startSawItselfRunning[i]) << "start " << i;
  }
}

TEST(EasyThreadTest, StopWithoutAThreadAndTwiceReturns) {
  EasyThread thread;
  thread.Stop();
  thread.Stop();
  ASSERT_EQ(0, thread.Start(nullptr));
  thread.Stop();
  thread.Stop();
  EXPECT_TRUE(thread.IsStopping());
}

// Two Stops at once (the key handler on the monitor thread and the UI
// thread): the one that did not take the thread's handle returned while the
// thread still ran, so its next Start could start a second worker.
class HeldEnd : public EasyThread::ThreadCallback {
 public:
  HeldEnd(std::atomic<bool>& entered, std::atomic<bool>& release, std::atomic<bool>& ended)
      : entered(entered), release(release), ended(ended) {}
  int32_t Invoke(IEasyThread*, void*) override {
    entered = true;
    while (!release.load()) Sleep(1);
    ended = true;
    return 0;
  }

 private:
  std::atomic<bool>& entered;
  std::atomic<bool>& release;
  std::atomic<bool>& ended;
};

TEST(EasyThreadTest, SecondConcurrentStopReturnsWhileTheThreadRuns) {
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    std::atomic<bool> entered{false}, release{false}, ended{false};
    EasyThread thread;
    thread.SetEndCallback(new HeldEnd(entered, release, ended));
    ASSERT_EQ(0, thread.Start(nullptr));
    std::atomic<int> returned{0};
    std::atomic<int> returnedBeforeTheEnd{0};
    auto stopper = [&] {
      thread.Stop();
      if (!ended.load()) ++returnedBeforeTheEnd;
      ++returned;
    };
    std::thread first(stopper);
    ASSERT_TRUE(WaitUntil([&] { return entered.load(); }));
    std::thread second(stopper);
    // Either Stop returning before the end is the fault; give a wrong early
    // return the time to happen (a slow machine can only hide it, never
    // fail a sound build).
    WaitUntil([&] { return returned.load() > 0; }, 300);
    release = true;
    first.join();
    second.join();
    EXPECT_EQ(returnedBeforeTheEnd.load(), 0);
  }
}

TEST(EasyThreadTest, ReplacedLoopCallbackIsDeletedAndNoLongerCalled) {
  std::atomic<int> oldCalls{0}, oldDeletions{0}, newCalls{0}, newDeletions{0};
  {
    EasyThread thread;
    thread.SetLoopCallback(new CountingCallback(oldCalls, oldDeletions));
    ASSERT_EQ(0, thread.Start(nullptr));
    ASSERT_TRUE(WaitUntil([&] { return oldCalls.load() > 0; }));

    thread.SetLoopCallback(new CountingCallback(newCalls, newDeletions));
    ASSERT_TRUE(WaitUntil([&] { return newCalls.load() > 0; }));
    ASSERT_TRUE(WaitUntil([&] { return oldDeletions.load() == 1; }));
    const int oldCallsAfterSwap = oldCalls.load();
    const int newCallsBefore = newCalls.load();
    ASSERT_TRUE(WaitUntil([&] { return newCalls.load() > newCallsBefore + 3; }));
    EXPECT_EQ(oldCallsAfterSwap, oldCalls.load());
    EXPECT_EQ(0, newDeletions.load());

    thread.SetLoopCallback(nullptr);
    EXPECT_TRUE(WaitUntil([&] { return newDeletions.load() == 1; }));
  }
  EXPECT_EQ(1, oldDeletions.load());
  EXPECT_EQ(1, newDeletions.load());
}

TEST(EasyThreadTest, DestructorDeletesCallbacksOnce) {
  std::atomic<int> calls{0}, deletions{0};
  {
    EasyThread thread;
    thread.SetStartCallback(new CountingCallback(calls, deletions));
    thread.SetLoopCallback(new CountingCallback(calls, deletions));
    thread.SetEndCallback(new CountingCallback(calls, deletions));
  }
  EXPECT_EQ(3, deletions.load());
  EXPECT_EQ(0, calls.load());
}

TEST(EasyThreadTest, StopFromTheThreadsOwnCallbackDoesNotHang) {
  EasyThread thread;
  Probe probe(&thread);
  thread.SetLoopCallback(Bind(probe, &Probe::StopOwnThread));
  thread.SetEndCallback(Bind(probe, &Probe::OnEnd));
  ASSERT_EQ(0, thread.Start(nullptr));
  ASSERT_TRUE(WaitUntil([&] { return probe.endCalls.load() == 1; }));
  EXPECT_EQ(1, probe.loopCalls.load());
  // Ended on its own, so a new Start makes a new thread.
  ASSERT_EQ(0, thread.Start(nullptr));
  ASSERT_TRUE(WaitUntil([&] { return probe.endCalls.load() == 2; }));
}

TEST(EasyThreadTest, DestructorStopsARunningThread) {
  Probe probe;
  {
    EasyThread thread;
    thread.SetLoopCallback(Bind(probe, &Probe::WaitLong));
    thread.SetEndCallback(Bind(probe, &Probe::OnEnd));
    ASSERT_EQ(0, thread.Start(nullptr));
    ASSERT_TRUE(WaitUntil([&] { return probe.enteredWait.load(); }));
  }
  EXPECT_EQ(1, probe.endCalls.load());
}

TEST(EasyThreadTest, ContextIsStoredOnce) {
  struct Call {
    void* pointer;
    DWORD value;
  };
  int a = 0;
  int b = 0;
  struct ContextCase {
    std::string name;
    std::vector<Call> calls;
    void* pointer;
    DWORD value;
  };
  const std::vector<ContextCase> cases = {
      {"nothing set", {}, nullptr, 0},
      {"null is ignored", {{nullptr, 3}}, nullptr, 0},
      {"first one wins", {{&a, 1}, {&b, 2}}, &a, 1},
      {"null then a pointer", {{nullptr, 9}, {&b, 2}}, &b, 2},
  };
  for (const ContextCase& c : cases) {
    SCOPED_TRACE(c.name);
    EasyThread thread;
    for (const Call& call : c.calls) thread.SetContext(call.pointer, call.value);
    EXPECT_EQ(c.pointer, thread.Context());
    EXPECT_EQ(c.value, thread.ContextValue());
  }
}

// Data shared between a loop callback and another thread, guarded only by
// Lock/Unlock: lost updates (or a sanitizer report) show a broken lock.
class SharedCounter {
 public:
  int32_t Increment(IEasyThread* thread, void*) {
    thread->Lock();
    thread->Lock();  // recursive for its owner, like the Windows mutex
    const int read = value;
    Sleep(0);
    value = read + 1;
    thread->Unlock();
    thread->Unlock();
    return ++passes >= kPasses ? 1 : 0;
  }

  static constexpr int kPasses = 300;
  int value = 0;
  std::atomic<int> passes{0};
};

TEST(EasyThreadTest, LockExcludesOtherThreads) {
  SharedCounter counter;
  EasyThread thread;
  thread.SetLoopCallback(new EasyThread::Callback<IEasyThread, SharedCounter>(&counter, &SharedCounter::Increment));
  ASSERT_EQ(0, thread.Start(nullptr));
  for (int i = 0; i < SharedCounter::kPasses; ++i) {
    thread.Lock();
    const int read = counter.value;
    Sleep(0);
    counter.value = read + 1;
    thread.Unlock();
  }
  ASSERT_TRUE(WaitUntil([&] { return counter.passes.load() == SharedCounter::kPasses; }, 20000));
  thread.Stop();
  thread.Lock();
  EXPECT_EQ(2 * SharedCounter::kPasses, counter.value);
  thread.Unlock();
}

}  // namespace

namespace {

class BlockingLoop : public EasyThread::ThreadCallback {
 public:
  explicit BlockingLoop(std::atomic<int>& calls) : calls(calls) {}
  int32_t Invoke(IEasyThread* thread, void*) override {
    ++calls;
    thread->WaitStop(INFINITE);
    return 0;
  }

 private:
  std::atomic<int>& calls;
};

}  // namespace

// Regression: a thread without a loop callback passed its loop every
// millisecond. Now it sleeps until a callback arrives or a stop is asked; a
// callback that waits for the stop keeps it asleep too. Over a second either
// passes at most once (a wake-up already on its way).
TEST(EasyThreadTest, IdleThreadSleepsUntilACallbackOrAStop) {
  EasyThread thread;
  ASSERT_EQ(0, thread.Start(nullptr));
  ASSERT_TRUE(WaitUntil([&] { return thread.LoopPasses() >= 1; }));
  uint64_t before = thread.LoopPasses();
  Sleep(1000);
  EXPECT_LE(thread.LoopPasses() - before, 1u) << "no loop callback";

  std::atomic<int> calls{0};
  thread.SetLoopCallback(new BlockingLoop(calls));
  ASSERT_TRUE(WaitUntil([&] { return calls.load() == 1; })) << "the new callback woke the thread";
  before = thread.LoopPasses();
  Sleep(1000);
  EXPECT_LE(thread.LoopPasses() - before, 1u) << "callback waiting for the stop";
  thread.Stop();
  EXPECT_EQ(1, calls.load());
}
