#pragma once
// What EasyThread and RunableThread share besides starting and joining
// (EasyThreadSupport.h): the data lock their callbacks take, the stop event
// every delay of a callback waits on, the context stored once, the user
// object given at start, the start, loop and end callback slots, and
// WorkerBase, which offers them to callbacks through the worker's interface.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/win32.h"

namespace kb {

// A callback of a worker: gets the thread and the user object given at
// start. The thread owns its callbacks and deletes them.
template <typename TThread>
class IWorkerCallback {
 public:
  virtual int32_t Invoke(TThread* thread, void* userObject) = 0;
  virtual ~IWorkerCallback() = default;
};

// Binds a callback to a member function of an object.
template <typename TThread, typename T>
class WorkerMethodCallback : public IWorkerCallback<TThread> {
 public:
  using Method = int32_t (T::*)(TThread* thread, void* userObject);

  WorkerMethodCallback(T* object, Method method) : object(object), method(method) {}

  int32_t Invoke(TThread* thread, void* userObject) override {
    if (object == nullptr || method == nullptr) return 0;
    return (object->*method)(thread, userObject);
  }

 private:
  T* object;
  Method method;
};

// An unowned Win32 mutex; null (and a diagnostic naming `owner`) on failure.
HANDLE CreateUnownedMutex(const char* owner);
// An auto-reset event, not signalled; null (and a diagnostic) on failure.
HANDLE CreateWakeEvent(const char* owner);

// A Win32 mutex handle seen as a standard lockable, so that a scope holds it
// with std::scoped_lock. Borrows the handle.
class MutexHandleRef {
 public:
  explicit MutexHandleRef(HANDLE mutex) : mutex_(mutex) {}
  void lock() { WaitForSingleObject(mutex_, INFINITE); }
  void unlock() { ReleaseMutex(mutex_); }

 private:
  HANDLE mutex_;
};

class WorkerCore {
 public:
  // `owner` names the worker kind in diagnostics.
  explicit WorkerCore(const char* owner);
  ~WorkerCore();
  WorkerCore(const WorkerCore&) = delete;
  WorkerCore& operator=(const WorkerCore&) = delete;

  // Waits without time limit for the data mutex (recursive for its owner).
  void Lock();
  void Unlock();
  // WAIT_OBJECT_0 once a stop was requested, WAIT_TIMEOUT when the time ran
  // out.
  DWORD WaitStop(DWORD milliseconds);
  void RequestStop();
  void ClearStop();
  // Stores a context once; later calls and null pointers are ignored.
  void SetContext(void* context, DWORD value);
  void* Context();
  DWORD ContextValue();

  void* UserObject() const { return userObject_; }
  void SetUserObject(void* userObject) { userObject_ = userObject; }

 private:
  HANDLE dataMutex_ = nullptr;
  HANDLE stopEvent_ = nullptr;
  void* context_ = nullptr;
  DWORD contextValue_ = 0;
  std::atomic<void*> userObject_{nullptr};
};

// The start, loop and end callbacks. The worker owns them; a call holds its
// own reference, so a callback replaced while it runs is deleted when that
// call returns, and a swap never waits for a long callback.
template <class Callback>
class CallbackSlots {
 public:
  enum Slot { kStart, kLoop, kEnd };

  explicit CallbackSlots(const char* owner) : mutex_(CreateUnownedMutex(owner)) {}
  ~CallbackSlots() {
    if (mutex_ != nullptr) CloseHandle(mutex_);
  }
  CallbackSlots(const CallbackSlots&) = delete;
  CallbackSlots& operator=(const CallbackSlots&) = delete;

  // Takes ownership of `callback` (null empties the slot).
  void Replace(Slot slot, Callback* callback) {
    std::shared_ptr<Callback> old;
    std::scoped_lock lock(lockable_);
    if (slots_[slot].get() != callback) {
      old = std::move(slots_[slot]);
      slots_[slot].reset(callback);
    }
  }

  std::shared_ptr<Callback> Current(Slot slot) {
    std::scoped_lock lock(lockable_);
    return slots_[slot];
  }

 private:
  HANDLE mutex_ = nullptr;
  MutexHandleRef lockable_{mutex_};
  std::shared_ptr<Callback> slots_[3];
};

// The members a worker offers its callbacks through `Interface` (IEasyThread,
// IRunableThread), and its callback slots.
template <class Interface>
class WorkerBase : public Interface {
 public:
  using ThreadCallback = IWorkerCallback<Interface>;

  void Lock() override { core_.Lock(); }
  void Unlock() override { core_.Unlock(); }
  DWORD WaitStop(DWORD milliseconds) override { return core_.WaitStop(milliseconds); }
  void SetContext(void* context, DWORD value) override { core_.SetContext(context, value); }

  // Each takes ownership of the callback (null removes it). A replaced
  // callback that is running on the thread is deleted when that call returns.
  void SetLoopCallback(ThreadCallback* callback) {
    callbacks_.Replace(Slots::kLoop, callback);
    // An idle thread without a loop callback sleeps until there is work; a
    // new callback is work.
    WakeIdleLoop();
  }
  void SetStartCallback(ThreadCallback* callback) { callbacks_.Replace(Slots::kStart, callback); }
  void SetEndCallback(ThreadCallback* callback) { callbacks_.Replace(Slots::kEnd, callback); }

  void* Context() { return core_.Context(); }
  DWORD ContextValue() { return core_.ContextValue(); }
  void* UserObject() const { return core_.UserObject(); }

 protected:
  using Slots = CallbackSlots<ThreadCallback>;

  explicit WorkerBase(const char* owner) : core_(owner), callbacks_(owner) {}
  ~WorkerBase() = default;

  virtual void WakeIdleLoop() = 0;

  int32_t InvokeCallback(typename Slots::Slot slot) {
    std::shared_ptr<ThreadCallback> callback = callbacks_.Current(slot);
    if (callback == nullptr) return 0;
    return callback->Invoke(this, core_.UserObject());
  }

  WorkerCore core_;
  Slots callbacks_;
};

}  // namespace kb
