#pragma once
// One worker thread running a callback in a loop, stoppable at any moment,
// also in the middle of a timed wait (WaitStop).
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "app/WorkerCore.h"
#include "platform/win32.h"

// What a callback sees of the thread that runs it.
class IEasyThread {
 public:
  // Waits without time limit for the data mutex (recursive for its owner).
  virtual void Lock() = 0;
  virtual void Unlock() = 0;
  // Waits on the stop event: WAIT_OBJECT_0 once a stop was requested,
  // WAIT_TIMEOUT when the time ran out. Every delay of a callback goes through
  // here, so that a stop cuts it short.
  virtual DWORD WaitStop(DWORD milliseconds) = 0;
  // True unless the calling thread is the one currently allowed to run.
  virtual bool IsStopping() = 0;
  // Stores a context once; later calls and null pointers are ignored.
  virtual void SetContext(void* context, DWORD value) = 0;

 protected:
  // Never deleted through the interface.
  ~IEasyThread() = default;
};

class EasyThread : public kb::WorkerBase<IEasyThread> {
 public:
  // A callback of a worker (IEasyThread or IRunableThread), and one bound to
  // a member function of an object.
  template <typename TThread>
  using ICallback = kb::IWorkerCallback<TThread>;
  template <typename TThread, typename T>
  using Callback = kb::WorkerMethodCallback<TThread, T>;

  // A callback result that ends the thread without calling the end callback.
  static constexpr int32_t kSkipEnd = -1;

  EasyThread();
  ~EasyThread();
  EasyThread(const EasyThread&) = delete;
  EasyThread& operator=(const EasyThread&) = delete;

  bool IsStopping() override;

  // Starts the thread with the user object; on a running thread only the
  // user object is replaced. 0 on success, 1 when the thread could not be
  // created.
  int Start(void* userObject);
  // Asks the thread to end and waits without time limit until it has.
  // Called from one of the thread's own callbacks it only asks.
  void Stop();

  // Passes of the loop since construction: a thread that waits for work
  // (no loop callback, or one blocked in WaitStop) adds none.
  uint64_t LoopPasses() const { return loopPasses_.load(); }

 private:
  void WakeIdleLoop() override;
  static DWORD WINAPI ThreadBody(LPVOID parameter);
  int32_t RunLoop();
  bool IsRecordedThread() const { return threadId == GetCurrentThreadId(); }

  std::atomic<DWORD> threadId{0};
  std::atomic<HANDLE> threadHandle{nullptr};
  std::mutex joinLock_;
  // Set by Stop and by a new loop callback: what an idle loop waits for.
  HANDLE wakeEvent_ = kb::CreateWakeEvent("EasyThread");
  std::atomic<uint64_t> loopPasses_{0};
};
