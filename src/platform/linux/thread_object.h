#pragma once
#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <memory>

#include "platform/linux/kernel_object.h"

namespace kb::platform {

class MutexObject;

// A thread: signalled once it has ended, with its exit code.
class ThreadObject : public KernelObject {
 public:
  explicit ThreadObject(DWORD id) : id_(id) {}
  bool IsWaitable() const override { return true; }
  bool TryAcquire(DWORD, bool*) override { return finished_; }

  DWORD Id() const { return id_; }
  // The Windows priority last set, and the kernel's id of the running
  // thread (0 until it runs), which its nice value is set through.
  int Priority() const { return priority_; }
  void SetPriority(int priority);
  void Started(pid_t kernelTid);
  // With WaitLock held.
  bool Finished() const { return finished_; }
  DWORD ExitCode() const { return finished_ ? exitCode_ : STILL_ACTIVE; }
  void Finish(DWORD exitCode);  // takes WaitLock

  // Suspension before the thread first runs (CREATE_SUSPENDED).
  void SetSuspendCount(DWORD count) { suspendCount_ = count; }
  DWORD Resume();  // returns the previous count
  void WaitWhileSuspended();

 private:
  const DWORD id_;
  std::atomic<int> priority_{0};
  std::atomic<pid_t> kernelTid_{0};
  bool finished_ = false;
  DWORD exitCode_ = STILL_ACTIVE;
  DWORD suspendCount_ = 0;
  std::condition_variable resumed_;
};

// The object of the calling thread (made on first use for threads that did
// not come from CreateThread, such as the main thread).
std::shared_ptr<ThreadObject> CurrentThreadObject();

// Bookkeeping of the mutexes each thread owns, so they are abandoned when it
// ends. Called with WaitLock held, possibly by a thread that completes a wait
// on the owner's behalf.
void NoteMutexOwned(DWORD owner, const std::shared_ptr<MutexObject>& mutex);
void NoteMutexReleased(DWORD owner, const MutexObject* mutex);

}  // namespace kb::platform
