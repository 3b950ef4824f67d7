#pragma once
// Queued tasks run once, a number of times or for ever, each after its
// interval: a timer thread moves due tasks from the timed list to the work
// queue, a worker thread runs them in order.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>

#include "app/BaseRunable.h"
#include "app/EasyThread.h"
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
class RunableThread : public IRunableThread {
 public:
  using ThreadCallback = EasyThread::ICallback<IRunableThread>;

  RunableThread();
  ~RunableThread();
  RunableThread(const RunableThread&) = delete;
  RunableThread& operator=(const RunableThread&) = delete;

  void Lock() override;
  void Unlock() override;
  int32_t Post(std::unique_ptr<BaseRunable> task) override;
  DWORD WaitStop(DWORD milliseconds) override;
  bool IsStopping() override;
  void SetContext(void* context, DWORD value) override;

  // Starts whichever of the timer and worker threads is not running. 0 on
  // success, 1 when a thread could not be created.
  int StartThreads(void* userObject);
  // Asks both threads to end and waits without limit until they have; queued
  // tasks stay queued for the next StartThreads.
  void Stop();

  // Take ownership (null removes). A replaced callback that is running is
  // deleted when that call returns.
  void SetLoopCallback(ThreadCallback* callback);
  void SetStartCallback(ThreadCallback* callback);
  void SetEndCallback(ThreadCallback* callback);

  void* Context();
  DWORD ContextValue();
  void* UserObject() const { return userObject; }
  // Tasks ready to run, and tasks waiting for their interval.
  size_t QueuedCount();
  size_t TimedCount();

 private:
  using TaskList = std::list<std::unique_ptr<BaseRunable>>;

  static DWORD WINAPI WorkerBody(LPVOID parameter);
  static DWORD WINAPI TimerBody(LPVOID parameter);
  int32_t RunWorkerLoop();
  void TimerPass();
  std::unique_ptr<BaseRunable> PopReadyTask();
  std::shared_ptr<ThreadCallback> CurrentCallback(const std::shared_ptr<ThreadCallback>& slot);
  int32_t InvokeCallback(const std::shared_ptr<ThreadCallback>& slot);
  void ReplaceCallback(std::shared_ptr<ThreadCallback>& slot, ThreadCallback* callback);
  void LockLists();
  void UnlockLists();

  void* context = nullptr;
  DWORD contextValue = 0;
  std::atomic<void*> userObject{nullptr};
  HANDLE dataMutex = nullptr;
  // Guards both task lists, their counts and the callback slots.
  HANDLE listMutex = nullptr;
  std::atomic<DWORD> workerThreadId{0};
  std::atomic<HANDLE> workerThreadHandle{nullptr};
  std::shared_ptr<ThreadCallback> loopCallback;
  std::shared_ptr<ThreadCallback> startCallback;
  std::shared_ptr<ThreadCallback> endCallback;
  TaskList workQueue;
  size_t workCount = 0;
  HANDLE stopEvent = nullptr;
  std::atomic<DWORD> timerThreadId{0};
  std::atomic<HANDLE> timerThreadHandle{nullptr};
  TaskList timedList;
  size_t timedCount = 0;
};
