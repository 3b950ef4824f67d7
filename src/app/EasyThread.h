#pragma once
// One worker thread running a callback in a loop, stoppable at any moment,
// also in the middle of a timed wait (WaitStop).
#include <atomic>
#include <cstdint>
#include <memory>

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

class EasyThread : public IEasyThread {
 public:
  // A callback of a worker: gets the thread and the user object given at
  // start. The thread owns its callbacks and deletes them.
  template <typename TThread>
  class ICallback {
   public:
    virtual int32_t Invoke(TThread* thread, void* userObject) = 0;
    virtual ~ICallback() = default;
  };

  // Binds a callback to a member function of an object.
  template <typename TThread, typename T>
  class Callback : public ICallback<TThread> {
   public:
    using Method = int32_t (T::*)(TThread* thread, void* userObject);

    Callback(T* object, Method method) : object(object), method(method) {}

    int32_t Invoke(TThread* thread, void* userObject) override {
      if (object == nullptr || method == nullptr) return 0;
      return (object->*method)(thread, userObject);
    }

   private:
    T* object;
    Method method;
  };

  using ThreadCallback = ICallback<IEasyThread>;

  // A callback result that ends the thread without calling the end callback.
  static constexpr int32_t kSkipEnd = -1;

  EasyThread();
  ~EasyThread();
  EasyThread(const EasyThread&) = delete;
  EasyThread& operator=(const EasyThread&) = delete;

  void Lock() override;
  void Unlock() override;
  DWORD WaitStop(DWORD milliseconds) override;
  bool IsStopping() override;
  void SetContext(void* context, DWORD value) override;

  // Starts the thread with the user object; on a running thread only the
  // user object is replaced. 0 on success, 1 when the thread could not be
  // created.
  int Start(void* userObject);
  // Asks the thread to end and waits without time limit until it has.
  // Called from one of the thread's own callbacks it only asks.
  void Stop();

  // Each takes ownership of the callback (null removes it). A replaced
  // callback that is running on the thread is deleted when that call returns.
  void SetLoopCallback(ThreadCallback* callback);
  void SetStartCallback(ThreadCallback* callback);
  void SetEndCallback(ThreadCallback* callback);

  void* Context();
  DWORD ContextValue();
  void* UserObject() const { return userObject; }

 private:
  static DWORD WINAPI ThreadBody(LPVOID parameter);
  int32_t RunLoop();
  int32_t InvokeCallback(const std::shared_ptr<ThreadCallback>& slot);
  void ReplaceCallback(std::shared_ptr<ThreadCallback>& slot, ThreadCallback* callback);
  bool IsRecordedThread() const { return threadId == GetCurrentThreadId(); }

  void* context = nullptr;
  DWORD contextValue = 0;
  std::atomic<void*> userObject{nullptr};
  HANDLE dataMutex = nullptr;
  HANDLE callbackMutex = nullptr;
  std::atomic<DWORD> threadId{0};
  std::atomic<HANDLE> threadHandle{nullptr};
  std::shared_ptr<ThreadCallback> loopCallback;
  std::shared_ptr<ThreadCallback> startCallback;
  std::shared_ptr<ThreadCallback> endCallback;
  HANDLE stopEvent = nullptr;
};
