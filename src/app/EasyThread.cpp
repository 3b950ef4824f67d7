#include "app/EasyThread.h"

#include "app/EasyThreadSupport.h"

EasyThread::EasyThread() : WorkerBase("EasyThread") {}

EasyThread::~EasyThread() {
  Stop();
  if (wakeEvent_ != nullptr) CloseHandle(wakeEvent_);
}

void EasyThread::WakeIdleLoop() {
  if (wakeEvent_ != nullptr) SetEvent(wakeEvent_);
}

bool EasyThread::IsStopping() { return !IsRecordedThread(); }

int EasyThread::Start(void* newUserObject) {
  if (threadHandle.load() != nullptr) {
    core_.SetUserObject(newUserObject);
    return 0;
  }
  core_.ClearStop();
  // In place before the thread can read it.
  core_.SetUserObject(newUserObject);
  return kb::LaunchThread(ThreadBody, this, threadId, threadHandle) ? 0 : 1;
}

void EasyThread::Stop() {
  threadId = 0;
  core_.RequestStop();
  WakeIdleLoop();
  if (kb::IsOwnThread(this)) return;
  kb::JoinThread(threadHandle, joinLock_);
}

int32_t EasyThread::RunLoop() {
  while (IsRecordedThread()) {
    ++loopPasses_;
    std::shared_ptr<ThreadCallback> loop = callbacks_.Current(Slots::kLoop);
    if (loop == nullptr) {
      // Nothing to run until a callback arrives or a stop is asked; the
      // event is auto-reset, so a wake that came before this wait is kept.
      if (wakeEvent_ == nullptr || WaitForSingleObject(wakeEvent_, INFINITE) != WAIT_OBJECT_0) Sleep(kb::kPassPause);
      continue;
    }
    int32_t result = loop->Invoke(this, core_.UserObject());
    if (result != 0) {
      threadId = 0;
      return result;
    }
    Sleep(kb::kPassPause);
  }
  return 0;
}

DWORD WINAPI EasyThread::ThreadBody(LPVOID parameter) {
  auto* self = static_cast<EasyThread*>(parameter);
  kb::MarkThreadOwner(self);
  int32_t result = self->InvokeCallback(Slots::kStart);
  if (result == 0) result = self->RunLoop();
  if (result != kSkipEnd) self->InvokeCallback(Slots::kEnd);
  // Last touch of self: once the handle is gone, the owner may be destroyed.
  kb::ReleaseOwnHandle(self->threadHandle);
  return static_cast<DWORD>(result);
}
