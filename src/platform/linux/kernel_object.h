#pragma once
// The object and wait machinery behind every HANDLE of the Linux build.
//
// A HANDLE is an index into one process-wide table of reference-counted
// objects. Every waitable object keeps its state under one lock (WaitLock) and
// a list of the waits blocked on it; a change to signalled calls
// NotifyWaiters, which wakes exactly those waits. A wait takes the lock, asks
// each object in turn whether it can be acquired (lowest index first, as
// Windows does), and otherwise registers itself on all of them and sleeps.
//
// New kinds of objects plug in by deriving from KernelObject:
//  - device files signal on I/O completion (TryAcquire reports the file's
//    signalled state without consuming it, as Windows file objects do);
//  - processes and threads signal once, when they end;
//  - a thread's message queue is a waitable object of its own, so
//    MsgWaitForMultipleObjects is one more entry in the same wait;
//  - objects whose state changes in another process (named mutexes) return a
//    PollIntervalMs and are re-tried at that interval while a wait sleeps.
#include <memory>
#include <mutex>
#include <vector>

#include "platform/linux/win32_types.h"

namespace kb::platform {

class Waiter;

// Guards the state of every waitable object and every waiter list.
std::mutex& WaitLock();

class KernelObject : public std::enable_shared_from_this<KernelObject> {
 public:
  virtual ~KernelObject();
  KernelObject() = default;
  KernelObject(const KernelObject&) = delete;
  KernelObject& operator=(const KernelObject&) = delete;

  // The following are called with WaitLock() held.

  // True when the object is signalled for thread `tid`; the object is then
  // taken as a successful wait takes it (an auto-reset event resets, a mutex
  // becomes owned). `*abandoned` is set when a mutex was abandoned.
  // Objects that cannot be waited on return false and IsWaitable false.
  virtual bool TryAcquire(DWORD tid, bool* abandoned);
  // Undoes a TryAcquire (a wait for all objects that could not get them all).
  virtual void UndoAcquire(DWORD tid);
  virtual bool IsWaitable() const { return false; }
  // Nonzero for objects whose state changes outside this process.
  virtual DWORD PollIntervalMs() const { return 0; }

  // Called without the lock by CloseHandle, once per closed handle, before the
  // handle's reference is dropped (device files cancel their pending I/O).
  virtual void OnHandleClosed() {}

  // Call with WaitLock() held after the object may have become signalled.
  void NotifyWaiters();

 private:
  friend class Waiter;
  std::vector<Waiter*> waiters_;
};

// Handle table.
HANDLE InsertHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}
// Removes a handle; the object is returned so the caller can finish with it.
std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle);

// The core of WaitForSingleObject / WaitForMultipleObjects: objects are
// already resolved. `extra` (may be null) is an object appended after the
// others that is never acquired, only reported (a thread's message queue):
// its index is objects.size(). Returns a WAIT_* value.
DWORD WaitForObjects(const std::vector<std::shared_ptr<KernelObject>>& objects, bool waitAll, DWORD milliseconds,
                     KernelObject* extra = nullptr);

// The thread's id as GetCurrentThreadId reports it.
DWORD CurrentThreadId();

// Maps an errno value to the Win32 error code the same failure gives on Windows.
DWORD ErrnoToWin32(int err);

// Milliseconds of a monotonic clock.
uint64_t MonotonicMs();

}  // namespace kb::platform
