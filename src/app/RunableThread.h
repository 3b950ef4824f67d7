#pragma once
// Queued tasks run once, a number of times or for ever, each after its
// interval: a timer thread moves due tasks from the timed list to the work
// queue, a worker thread runs them in order. Neither thread polls: the timer
// sleeps until the next task is due or a task is posted, the worker (without
// a loop callback) until the timer hands it work.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>

#include "app/BaseRunable.h"
#include "app/EasyThread.h"
#include "app/WorkerCore.h"
#include "platform/win32.h"

// What callbacks and task owners see of a RunableThread.
class IRunableThread {
 public:
  virtual void Lock() = 0;
  virtual void Unlock() = 0;
  // Takes the task. Without a result wait returns 0 at once; with one, the
  // task runs once and Post returns its result, or 0 when it did not run
  // within the wait.
  virtual int32_t Post(std::unique_ptr<BaseRunable> task) = 0;
  virtual DWORD WaitStop(DWORD milliseconds) = 0;
  virtual bool IsStopping() = 0;
  virtual void SetContext(void* context, DWORD value) = 0;

 protected:
  ~IRunableThread() = default;
};

// N only makes the task threads of different owners distinct types; each N
// in use is instantiated in RunableThread.cpp.
template <int N>
class RunableThread : public kb::WorkerBase<IRunableThread> {
 public:
  RunableThread();
  ~RunableThread();
  RunableThread(const RunableThread&) = delete;
  RunableThread& operator=(const RunableThread&) = delete;

  int32_t Post(std::unique_ptr<BaseRunable> task) override;
  bool IsStopping() override;

  // Starts whichever of the timer and worker threads is not running. 0 on
  // success, 1 when a thread could not be created.
  int StartThreads(void* userObject);
  // Asks both threads to end and waits without limit until they have; queued
  // tasks stay queued for the next StartThreads.
  void Stop();

  // Tasks ready to run, and tasks waiting for their interval.
  size_t QueuedCount();
  size_t TimedCount();

  // Loop passes of each thread since construction; an idle pair adds none.
  uint64_t WorkerPasses() const { return workerPasses_.load(); }
  uint64_t TimerPasses() const { return timerPasses_.load(); }

 private:
  using TaskList = std::list<std::unique_ptr<BaseRunable>>;

  static DWORD WINAPI WorkerBody(LPVOID parameter);
  static DWORD WINAPI TimerBody(LPVOID parameter);
  void WakeIdleLoop() override;
  int32_t RunWorkerLoop();
  // Moves due tasks to the work queue; returns how long the timer may sleep
  // before the next task is due (INFINITE when none is waiting).
  DWORD TimerPass();
  // Pops the first ready task; `wasLast` tells whether the queue is now empty.
  std::unique_ptr<BaseRunable> PopReadyTask(bool& wasLast);

  // Guards both task lists and their counts.
  HANDLE listMutex = kb::CreateUnownedMutex("RunableThread");
  kb::MutexHandleRef lists{listMutex};
  // Auto-reset: the worker's "work queued or stop", the timer's "task posted
  // or stop". A signal given while its thread was busy is kept for its next
  // wait, so none is lost.
  HANDLE workEvent = kb::CreateWakeEvent("RunableThread");
  HANDLE timerEvent = kb::CreateWakeEvent("RunableThread");
  std::atomic<uint64_t> workerPasses_{0};
  std::atomic<uint64_t> timerPasses_{0};
  std::atomic<DWORD> workerThreadId{0};
  std::atomic<HANDLE> workerThreadHandle{nullptr};
  TaskList workQueue;
  size_t workCount = 0;
  std::atomic<DWORD> timerThreadId{0};
  std::atomic<HANDLE> timerThreadHandle{nullptr};
  std::mutex joinLock_;
  TaskList timedList;
  size_t timedCount = 0;
};
