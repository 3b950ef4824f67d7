#include "app/EasyThread.h"

#include "app/EasyThreadSupport.h"
#include "platform/diag.h"

namespace {

constexpr DWORD kPassPause = 1;

HANDLE CreateUnownedMutex() {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
  if (mutex == nullptr) {
    kb::DiagPrintf("EasyThread: CreateMutexW failed, error %lu\n", static_cast<unsigned long>(GetLastError()));
  }
  return mutex;
}

}  // namespace

EasyThread::EasyThread()
    : dataMutex(CreateUnownedMutex()),
      callbackMutex(CreateUnownedMutex()),
      stopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (stopEvent == nullptr) {
    kb::DiagPrintf("EasyThread: CreateEventW failed, error %lu\n", static_cast<unsigned long>(GetLastError()));
  }
}

EasyThread::~EasyThread() {
  Stop();
  if (stopEvent != nullptr) CloseHandle(stopEvent);
  if (callbackMutex != nullptr) CloseHandle(callbackMutex);
  if (dataMutex != nullptr) CloseHandle(dataMutex);
}

void EasyThread::Lock() { WaitForSingleObject(dataMutex, INFINITE); }

void EasyThread::Unlock() { ReleaseMutex(dataMutex); }

DWORD EasyThread::WaitStop(DWORD milliseconds) { return WaitForSingleObject(stopEvent, milliseconds); }

bool EasyThread::IsStopping() { return !IsRecordedThread(); }

void EasyThread::SetContext(void* newContext, DWORD value) {
  if (newContext == nullptr) return;
  Lock();
  if (context == nullptr) {
    context = newContext;
    contextValue = value;
  }
  Unlock();
}

void* EasyThread::Context() {
  Lock();
  void* result = context;
  Unlock();
  return result;
}

DWORD EasyThread::ContextValue() {
  Lock();
  DWORD result = contextValue;
  Unlock();
  return result;
}

int EasyThread::Start(void* newUserObject) {
  if (threadHandle.load() != nullptr) {
    userObject = newUserObject;
    return 0;
  }
  ResetEvent(stopEvent);
  // In place before the thread can read it.
  userObject = newUserObject;
  return kb::LaunchThread(ThreadBody, this, threadId, threadHandle) ? 0 : 1;
}

void EasyThread::Stop() {
  threadId = 0;
  SetEvent(stopEvent);
  if (kb::IsOwnThread(this)) return;
  kb::JoinThread(threadHandle);
}

void EasyThread::SetLoopCallback(ThreadCallback* callback) { ReplaceCallback(loopCallback, callback); }

void EasyThread::SetStartCallback(ThreadCallback* callback) { ReplaceCallback(startCallback, callback); }

void EasyThread::SetEndCallback(ThreadCallback* callback) { ReplaceCallback(endCallback, callback); }

void EasyThread::ReplaceCallback(std::shared_ptr<ThreadCallback>& slot, ThreadCallback* callback) {
  std::shared_ptr<ThreadCallback> old;
  WaitForSingleObject(callbackMutex, INFINITE);
  if (slot.get() != callback) {
    old = std::move(slot);
    slot.reset(callback);
  }
  ReleaseMutex(callbackMutex);
}

int32_t EasyThread::InvokeCallback(const std::shared_ptr<ThreadCallback>& slot) {
  // The call holds its own reference, so a callback replaced meanwhile
  // lives until it returns, and the swap never waits for a long callback.
  WaitForSingleObject(callbackMutex, INFINITE);
  std::shared_ptr<ThreadCallback> callback = slot;
  ReleaseMutex(callbackMutex);
  if (callback == nullptr) return 0;
  return callback->Invoke(this, userObject);
}

int32_t EasyThread::RunLoop() {
  while (IsRecordedThread()) {
    int32_t result = InvokeCallback(loopCallback);
    if (result != 0) {
      threadId = 0;
      return result;
    }
    Sleep(kPassPause);
  }
  return 0;
}

DWORD WINAPI EasyThread::ThreadBody(LPVOID parameter) {
  auto* self = static_cast<EasyThread*>(parameter);
  kb::MarkThreadOwner(self);
  int32_t result = self->InvokeCallback(self->startCallback);
  if (result == 0) result = self->RunLoop();
  if (result != kSkipEnd) self->InvokeCallback(self->endCallback);
  // Last touch of self: once the handle is gone, the owner may be destroyed.
  kb::ReleaseOwnHandle(self->threadHandle);
  return static_cast<DWORD>(result);
}
