#include "app/RunableThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/ThreadRunable.h"
#include "support/WaitUntil.h"

namespace {

using TaskThread = RunableThread<0>;

using kbtest::WaitUntil;

struct TaskRun {
  DWORD tick;
  DWORD first;
  DWORD second;
  std::vector<BYTE> data;
};

// The object tasks are bound to, as the main dialog is in the program.
class Recorder {
 public:
  int32_t Record(DWORD first, DWORD second, const BYTE* data, DWORD size) {
    std::lock_guard<std::mutex> guard(mutex);
    runs.push_back({GetTickCount(), first, second, std::vector<BYTE>(data, data + size)});
    int32_t sum = static_cast<int32_t>(first + second);
    for (DWORD i = 0; i < size; ++i) sum += data[i];
    return sum;
  }

  size_t Count() {
    std::lock_guard<std::mutex> guard(mutex);
    return runs.size();
  }

  std::vector<TaskRun> Runs() {
    std::lock_guard<std::mutex> guard(mutex);
    return runs;
  }

 private:
  std::mutex mutex;
  std::vector<TaskRun> runs;
};

using RecorderTask = ThreadRunable<Recorder>;

std::unique_ptr<RecorderTask> MakeTask(Recorder& recorder, DWORD first, DWORD interval, int32_t repeat) {
  auto task = std::make_unique<RecorderTask>(&recorder, &Recorder::Record, first, 0);
  task->SetInterval(interval);
  task->SetRepeat(repeat);
  return task;
}

// A task that counts its live copies, to prove that the timer's clones and
// the finished originals are all deleted.
class TrackedTask : public BaseRunable {
 public:
  TrackedTask(std::atomic<int>& live, std::atomic<int>& runs, bool valid = true)
      : live(live), runs(runs), valid(valid) {
    ++live;
  }
  ~TrackedTask() override { --live; }

  bool IsValid() const override { return valid; }
  std::unique_ptr<BaseRunable> Clone() const override { return std::unique_ptr<BaseRunable>(new TrackedTask(*this)); }
  int32_t Run(DWORD, DWORD, const BYTE*, DWORD) override {
    ++runs;
    return kResult;
  }

  static constexpr int32_t kResult = 99;

 private:
  TrackedTask(const TrackedTask& other) : BaseRunable(other), live(other.live), runs(other.runs), valid(other.valid) {
    ++live;
  }

  std::atomic<int>& live;
  std::atomic<int>& runs;
  bool valid;
};

TEST(RunableThreadTest, RepeatThreeRunsThreeTimesAnIntervalApartThenIsDeleted) {
  Recorder recorder;
  std::atomic<int> live{0}, runs{0};
  TaskThread tasks;
  ASSERT_EQ(0, tasks.StartThreads(nullptr));

  const DWORD posted = GetTickCount();
  auto tracked = std::make_unique<TrackedTask>(live, runs);
  tracked->SetInterval(100);
  tracked->SetRepeat(3);
  EXPECT_EQ(0, tasks.Post(std::move(tracked)));
  EXPECT_EQ(0, tasks.Post(MakeTask(recorder, 1, 100, 3)));

  ASSERT_TRUE(WaitUntil([&] { return recorder.Count() >= 3 && runs.load() >= 3; }));
  Sleep(400);  // a fourth run would have come by now

  const std::vector<TaskRun> seen = recorder.Runs();
  ASSERT_EQ(3u, seen.size());
  EXPECT_EQ(3, runs.load());
  EXPECT_GE(seen[0].tick - posted, 70u);
  for (size_t i = 1; i < seen.size(); ++i) {
    const DWORD gap = seen[i].tick - seen[i - 1].tick;
    EXPECT_GE(gap, 70u) << "run " << i;
    EXPECT_LE(gap, 600u) << "run " << i;
  }
  EXPECT_EQ(0u, tasks.TimedCount());
  EXPECT_EQ(0u, tasks.QueuedCount());
  EXPECT_EQ(0, live.load());
}

TEST(RunableThreadTest, RepeatForeverRunsUntilDestroyed) {
  Recorder recorder;
  std::atomic<int> live{0}, runs{0};
  auto tasks = std::make_unique<TaskThread>();
  ASSERT_EQ(0, tasks->StartThreads(nullptr));
  EXPECT_EQ(0, tasks->Post(MakeTask(recorder, 7, 10, BaseRunable::kRepeatForever)));
  auto tracked = std::make_unique<TrackedTask>(live, runs);
  tracked->SetInterval(10);
  tracked->SetRepeat(BaseRunable::kRepeatForever);
  tasks->Post(std::move(tracked));

  ASSERT_TRUE(WaitUntil([&] { return recorder.Count() >= 5 && runs.load() >= 5; }));
  EXPECT_EQ(2u, tasks->TimedCount()) << "still scheduled";
  tasks.reset();

  const size_t afterDestruction = recorder.Count();
  Sleep(100);
  EXPECT_EQ(afterDestruction, recorder.Count());
  EXPECT_EQ(0, live.load());
}

struct ResultCase {
  std::string name;
  DWORD first;
  DWORD second;
  std::vector<BYTE> data;
  DWORD interval;
  int32_t repeat;
  int32_t expected;
};

TEST(RunableThreadTest, PostWithAResultWaitReturnsTheTasksResult) {
  const std::vector<ResultCase> cases = {
      {"arguments only", 40, 2, {}, 0, 1, 42},
      {"data is passed", 1, 2, {10, 20, 30}, 0, 1, 63},
      {"after its interval", 5, 0, {1}, 80, 1, 6},
      {"a repeating task runs once", 3, 4, {}, 0, 5, 7},
      {"a task meant to run for ever runs once", 8, 0, {}, 10, BaseRunable::kRepeatForever, 8},
  };
  TaskThread tasks;
  ASSERT_EQ(0, tasks.StartThreads(nullptr));
  for (const ResultCase& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder recorder;
    auto task = std::make_unique<RecorderTask>(&recorder, &Recorder::Record, c.first, c.second);
    std::vector<BYTE> source = c.data;
    task->SetData(source.empty() ? nullptr : source.data(), static_cast<DWORD>(source.size()));
    for (BYTE& b : source) b = 0xEE;  // the task keeps its own copy
    task->SetInterval(c.interval);
    task->SetRepeat(c.repeat);
    task->SetResultWait(5000);

    EXPECT_EQ(c.expected, tasks.Post(std::move(task)));
    Sleep(c.interval + 60);
    const std::vector<TaskRun> seen = recorder.Runs();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(c.data, seen[0].data);
    EXPECT_EQ(c.first, seen[0].first);
    EXPECT_EQ(c.second, seen[0].second);
    EXPECT_EQ(0u, tasks.TimedCount());
  }
}

TEST(RunableThreadTest, TimedOutResultWaitLeavesTheTaskToRunLater) {
  std::atomic<int> live{0}, runs{0};
  TaskThread tasks;
  ASSERT_EQ(0, tasks.StartThreads(nullptr));
  auto task = std::make_unique<TrackedTask>(live, runs);
  task->SetInterval(400);
  task->SetResultWait(60);

  const DWORD start = GetTickCount();
  EXPECT_EQ(0, tasks.Post(std::move(task)));
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 40u);
  // Post gave up before the task's first run: it did not wait for the interval.
  EXPECT_EQ(0, runs.load());

  // The task now completes into a slot nobody waits on any more.
  ASSERT_TRUE(WaitUntil([&] { return runs.load() == 1; }));
  ASSERT_TRUE(WaitUntil([&] { return live.load() == 0; }));
  EXPECT_EQ(0u, tasks.TimedCount());
}

TEST(RunableThreadTest, ResultWaitWithoutThreadsTimesOutAndRunsOnStart) {
  std::atomic<int> live{0}, runs{0};
  TaskThread tasks;
  auto task = std::make_unique<TrackedTask>(live, runs);
  task->SetResultWait(50);
  EXPECT_EQ(0, tasks.Post(std::move(task)));
  EXPECT_EQ(1u, tasks.TimedCount());
  ASSERT_EQ(0, tasks.StartThreads(nullptr));
  ASSERT_TRUE(WaitUntil([&] { return runs.load() == 1 && live.load() == 0; }));
}

TEST(RunableThreadTest, InvalidTaskRunsAsZero) {
  Recorder recorder;
  std::atomic<int> live{0}, runs{0};
  std::vector<std::pair<std::string, std::unique_ptr<BaseRunable>>> cases;
  cases.emplace_back("no object", std::make_unique<RecorderTask>(nullptr, &Recorder::Record, 1, 2));
  cases.emplace_back("no member function", std::make_unique<RecorderTask>(&recorder, nullptr, 1, 2));
  cases.emplace_back("IsValid false", std::make_unique<TrackedTask>(live, runs, false));

  TaskThread tasks;
  ASSERT_EQ(0, tasks.StartThreads(nullptr));
  for (auto& [name, task] : cases) {
    SCOPED_TRACE(name);
    // A wait far longer than any run, so that returning well before it shows
    // the result came from the run even on a slow, busy machine.
    task->SetResultWait(60000);
    const DWORD start = GetTickCount();
    EXPECT_EQ(0, tasks.Post(std::move(task)));
    EXPECT_LT(GetTickCount() - start, 30000u) << "the result should come from a run, not a timeout";
  }
  EXPECT_EQ(0u, recorder.Count());
  EXPECT_EQ(0, runs.load());
  EXPECT_TRUE(WaitUntil([&] { return live.load() == 0; }));

  // The same task, valid, does give its result: the zero above is the rule.
  auto valid = std::make_unique<TrackedTask>(live, runs, true);
  valid->SetResultWait(5000);
  EXPECT_EQ(TrackedTask::kResult, tasks.Post(std::move(valid)));
}

TEST(RunableThreadTest, PostOfNothingReturnsZero) {
  TaskThread tasks;
  EXPECT_EQ(0, tasks.Post(nullptr));
  EXPECT_EQ(0u, tasks.TimedCount());
}

TEST(RunableThreadTest, HeldTaskKeepsLaterTasksWaiting) {
  Recorder recorder;
  TaskThread tasks;
  auto held = MakeTask(recorder, 1, 150, 1);
  held->SetHold(true);
  tasks.Post(std::move(held));
  tasks.Post(MakeTask(recorder, 2, 0, 1));
  ASSERT_EQ(0, tasks.StartThreads(nullptr));

  ASSERT_TRUE(WaitUntil([&] { return recorder.Count() == 2; }));
  const std::vector<TaskRun> seen = recorder.Runs();
  EXPECT_EQ(1u, seen[0].first);
  EXPECT_EQ(2u, seen[1].first);
}

TEST(RunableThreadTest, TasksDueTogetherRunInPostOrder) {
  Recorder recorder;
  TaskThread tasks;
  constexpr DWORD kTasks = 20;
  for (DWORD i = 0; i < kTasks; ++i) tasks.Post(MakeTask(recorder, i, 0, 1));
  EXPECT_EQ(kTasks, tasks.TimedCount());
  ASSERT_EQ(0, tasks.StartThreads(nullptr));
  ASSERT_TRUE(WaitUntil([&] { return recorder.Count() == kTasks; }));
  const std::vector<TaskRun> seen = recorder.Runs();
  for (DWORD i = 0; i < kTasks; ++i) EXPECT_EQ(i, seen[i].first);
}

TEST(RunableThreadTest, ConcurrentPostsRunEachTaskOnce) {
  Recorder recorder;
  TaskThread tasks;
  ASSERT_EQ(0, tasks.StartThreads(nullptr));
  constexpr DWORD kPosters = 4;
  constexpr DWORD kPerPoster = 40;
  std::vector<std::thread> posters;
  std::atomic<int> wrongResults{0};
  for (DWORD p = 0; p < kPosters; ++p) {
    posters.emplace_back([&, p] {
      for (DWORD i = 0; i < kPerPoster; ++i) {
        const DWORD id = p * 1000 + i;
        auto task = MakeTask(recorder, id, i % 3, 1);
        // Every other post waits, so that slots of different posters interleave.
        if (i % 2 == 0) task->SetResultWait(10000);
        const int32_t result = tasks.Post(std::move(task));
        if (i % 2 == 0 && result != static_cast<int32_t>(id)) ++wrongResults;
      }
    });
  }
  for (std::thread& t : posters) t.join();
  ASSERT_TRUE(WaitUntil([&] { return recorder.Count() >= kPosters * kPerPoster; }));
  Sleep(50);

  const std::vector<TaskRun> seen = recorder.Runs();
  EXPECT_EQ(kPosters * kPerPoster, seen.size());
  std::set<DWORD> ids;
  for (const TaskRun& run : seen) ids.insert(run.first);
  EXPECT_EQ(kPosters * kPerPoster, ids.size());
  EXPECT_EQ(0, wrongResults.load());
}

// Start, loop and end callbacks of the worker, bound to an object.
class WorkerProbe {
 public:
  int32_t OnStart(IRunableThread* thread, void* user) {
    ++startCalls;
    startSawItselfRunning = !thread->IsStopping();
    return startResult;
  }
  int32_t OnLoop(IRunableThread* thread, void* user) {
    lastUser = user;
    return ++loopCalls >= loopLimit ? loopResult : 0;
  }
  int32_t OnEnd(IRunableThread* thread, void* user) {
    ++endCalls;
    return 0;
  }
  int32_t WaitLong(IRunableThread* thread, void* user) {
    enteredWait = true;
    waitResult = thread->WaitStop(5000);
    return 0;
  }

  int32_t startResult = 0;
  int loopLimit = 1 << 30;
  int32_t loopResult = 0;
  std::atomic<int> startCalls{0};
  std::atomic<bool> startSawItselfRunning{false};
  std::atomic<int> loopCalls{0};
  std::atomic<int> endCalls{0};
  std::atomic<void*> lastUser{nullptr};
  std::atomic<bool> enteredWait{false};
  std::atomic<DWORD> waitResult{0};
};

using WorkerCallback = EasyThread::Callback<IRunableThread, WorkerProbe>;

struct WorkerCase {
  std::string name;
  int32_t startResult;
  int loopLimit;
  int32_t loopResult;
  bool tasksRun;
  int endCalls;
};

TEST(RunableThreadTest, WorkerCallbackResultsDecideLoopAndEnd) {
  const std::vector<WorkerCase> cases = {
      {"loop keeps going", 0, 1 << 30, 0, true, 1},
      {"nonzero start skips the loop", 3, 1 << 30, 0, false, 1},
      {"start -1 skips loop and end", -1, 1 << 30, 0, false, 0},
      {"nonzero loop result ends the worker", 0, 1, 4, false, 1},
      {"loop -1 ends the worker without the end", 0, 1, -1, false, 0},
  };
  for (const WorkerCase& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder recorder;
    WorkerProbe probe;
    probe.startResult = c.startResult;
    probe.loopLimit = c.loopLimit;
    probe.loopResult = c.loopResult;
    int user = 0;
    {
      TaskThread tasks;
      tasks.SetStartCallback(new WorkerCallback(&probe, &WorkerProbe::OnStart));
      tasks.SetLoopCallback(new WorkerCallback(&probe, &WorkerProbe::OnLoop));
      tasks.SetEndCallback(new WorkerCallback(&probe, &WorkerProbe::OnEnd));
      ASSERT_EQ(0, tasks.StartThreads(&user));
      if (c.startResult == 0) {
        ASSERT_TRUE(WaitUntil([&] { return probe.loopCalls.load() >= std::min(c.loopLimit, 5); }));
      }
      tasks.Post(MakeTask(recorder, 1, 0, 1));
      if (c.tasksRun) {
        EXPECT_TRUE(WaitUntil([&] { return recorder.Count() == 1; }));
        EXPECT_EQ(&user, probe.lastUser.load());
      } else {
        // The timer still moves the task; nobody runs it.
        EXPECT_TRUE(WaitUntil([&] { return tasks.QueuedCount() == 1; }));
        Sleep(50);
        EXPECT_EQ(0u, recorder.Count());
      }
    }
    EXPECT_EQ(1, probe.startCalls.load());
    EXPECT_TRUE(probe.startSawItselfRunning.load());
    EXPECT_EQ(c.endCalls, probe.endCalls.load());
  }
}

TEST(RunableThreadTest, StartThreadsOnRunningThreadsStartsNothingNew) {
  WorkerProbe probe;
  int first = 1;
  int second = 2;
  TaskThread tasks;
  tasks.SetStartCallback(new WorkerCallback(&probe, &WorkerProbe::OnStart));
  tasks.SetLoopCallback(new WorkerCallback(&probe, &WorkerProbe::OnLoop));
  ASSERT_EQ(0, tasks.StartThreads(&first));
  ASSERT_TRUE(WaitUntil([&] { return probe.lastUser.load() == &first; }));
  ASSERT_EQ(0, tasks.StartThreads(&second));
  ASSERT_TRUE(WaitUntil([&] { return probe.lastUser.load() == &second; }));
  EXPECT_EQ(1, probe.startCalls.load());
}

TEST(RunableThreadTest, WaitStopInsideTheWorkerReturnsAtOnceOnDestruction) {
  WorkerProbe probe;
  DWORD stopElapsed = 0;
  {
    TaskThread tasks;
    tasks.SetLoopCallback(new WorkerCallback(&probe, &WorkerProbe::WaitLong));
    ASSERT_EQ(0, tasks.StartThreads(nullptr));
    ASSERT_TRUE(WaitUntil([&] { return probe.enteredWait.load(); }));
    const DWORD start = GetTickCount();
    tasks.Stop();
    stopElapsed = GetTickCount() - start;
  }
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), probe.waitResult.load());
  EXPECT_LT(stopElapsed, 2500u);
}

TEST(RunableThreadTest, StopKeepsQueuedTasksForTheNextStart) {
  Recorder recorder;
  TaskThread tasks;
  ASSERT_EQ(0, tasks.StartThreads(nullptr));
  tasks.Post(MakeTask(recorder, 1, 0, 1));
  ASSERT_TRUE(WaitUntil([&] { return recorder.Count() == 1; }));
  tasks.Stop();

  tasks.Post(MakeTask(recorder, 2, 0, 1));
  Sleep(60);
  EXPECT_EQ(1u, recorder.Count());
  EXPECT_EQ(1u, tasks.TimedCount());

  ASSERT_EQ(0, tasks.StartThreads(nullptr));
  ASSERT_TRUE(WaitUntil([&] { return recorder.Count() == 2; }));
}

TEST(RunableThreadTest, DestructionDeletesEveryQueuedTask) {
  std::atomic<int> live{0}, runs{0};
  {
    TaskThread tasks;
    for (int i = 0; i < 3; ++i) {
      auto task = std::make_unique<TrackedTask>(live, runs);
      task->SetInterval(100000);
      tasks.Post(std::move(task));
    }
    ASSERT_EQ(0, tasks.StartThreads(nullptr));
    tasks.Post(std::make_unique<TrackedTask>(live, runs));
    ASSERT_TRUE(WaitUntil([&] { return runs.load() == 1; }));
    EXPECT_EQ(3, live.load());
    EXPECT_EQ(3u, tasks.TimedCount());
  }
  EXPECT_EQ(0, live.load());
}

TEST(RunableThreadTest, CloneCopiesEveryFieldAndOwnsItsData) {
  Recorder recorder;
  const BYTE bytes[] = {1, 2, 3, 4};
  auto original = std::make_unique<RecorderTask>(&recorder, &Recorder::Record, 11, 22);
  original->SetData(bytes, sizeof(bytes));
  original->SetInterval(123);
  original->SetRepeat(4);
  original->SetHold(true);
  original->SetResultWait(77);

  std::unique_ptr<BaseRunable> clone = original->Clone();
  ASSERT_NE(nullptr, clone->Data());
  EXPECT_NE(original->Data(), clone->Data());
  original.reset();

  EXPECT_EQ(11u, clone->FirstArgument());
  EXPECT_EQ(22u, clone->SecondArgument());
  EXPECT_EQ(123u, clone->Interval());
  EXPECT_EQ(4, clone->Repeat());
  EXPECT_TRUE(clone->Hold());
  EXPECT_EQ(77u, clone->ResultWait());
  ASSERT_EQ(sizeof(bytes), clone->DataSize());
  EXPECT_TRUE(clone->IsValid());
  EXPECT_EQ(11 + 22 + 1 + 2 + 3 + 4, clone->Run(clone->FirstArgument(), clone->SecondArgument(), clone->Data(), clone->DataSize()));
  EXPECT_EQ((std::vector<BYTE>{1, 2, 3, 4}), recorder.Runs().at(0).data);
}

TEST(RunableThreadTest, ContextIsStoredOnce) {
  int a = 0;
  int b = 0;
  TaskThread tasks;
  tasks.SetContext(nullptr, 5);
  EXPECT_EQ(nullptr, tasks.Context());
  tasks.SetContext(&a, 1);
  tasks.SetContext(&b, 2);
  EXPECT_EQ(&a, tasks.Context());
  EXPECT_EQ(1u, tasks.ContextValue());
}

}  // namespace

namespace {

// An idle thread passes its loop at most once more in a second: the pass a
// wake-up that was already on its way may add. Polling threads made hundreds.
constexpr DWORD kIdleWatchMs = 1000;
constexpr uint64_t kIdlePassesAllowed = 1;

}  // namespace

// Regression: the timer thread passed its list and the worker looked for work
// every millisecond while nothing was due.
TEST(RunableThreadTest, IdleThreadsSleepInsteadOfPolling) {
  Recorder recorder;
  TaskThread tasks;
  ASSERT_EQ(0, tasks.StartThreads(nullptr));
  auto now = MakeTask(recorder, 1, 0, 1);
  now->SetResultWait(5000);
  EXPECT_EQ(1, tasks.Post(std::move(now)));
  // A task an hour away: the timer sleeps until then.
  tasks.Post(MakeTask(recorder, 2, 60 * 60 * 1000, 1));
  ASSERT_TRUE(WaitUntil([&] { return tasks.TimerPasses() >= 2; }));

  const uint64_t timerBefore = tasks.TimerPasses();
  const uint64_t workerBefore = tasks.WorkerPasses();
  Sleep(kIdleWatchMs);
  EXPECT_LE(tasks.TimerPasses() - timerBefore, kIdlePassesAllowed);
  EXPECT_LE(tasks.WorkerPasses() - workerBefore, kIdlePassesAllowed);
  EXPECT_EQ(1u, recorder.Count());
  EXPECT_EQ(1u, tasks.TimedCount());
}

// The timer sleeps until the earliest task is due; what is posted meanwhile,
// due sooner, must wake it, and so must a worker callback set while idle.
TEST(RunableThreadTest, WorkPostedWhileTheThreadsSleepRunsAtOnce) {
  Recorder recorder;
  TaskThread tasks;
  tasks.Post(MakeTask(recorder, 1, 60 * 60 * 1000, 1));
  ASSERT_EQ(0, tasks.StartThreads(nullptr));
  ASSERT_TRUE(WaitUntil([&] { return tasks.TimerPasses() >= 1; }));
  auto soon = MakeTask(recorder, 2, 10, 1);
  soon->SetResultWait(5000);
  EXPECT_EQ(2, tasks.Post(std::move(soon)));

  std::atomic<int> calls{0};
  class Counting : public TaskThread::ThreadCallback {
   public:
    explicit Counting(std::atomic<int>& calls) : calls(calls) {}
    int32_t Invoke(IRunableThread* thread, void*) override {
      ++calls;
      thread->WaitStop(1);
      return 0;
    }
    std::atomic<int>& calls;
  };
  tasks.SetLoopCallback(new Counting(calls));
  EXPECT_TRUE(WaitUntil([&] { return calls.load() > 0; }));
  tasks.Stop();
  EXPECT_EQ(1u, recorder.Count()) << "the hour-long task is still waiting";
}
