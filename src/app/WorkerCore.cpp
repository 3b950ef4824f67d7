#include "app/WorkerCore.h"

#include "platform/diag.h"

namespace kb {

HANDLE CreateUnownedMutex(const char* owner) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
  if (mutex == nullptr) {
    DiagPrintf("%s: CreateMutexW failed, error %lu\n", owner, static_cast<unsigned long>(GetLastError()));
  }
  return mutex;
}

HANDLE CreateWakeEvent(const char* owner) {
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (event == nullptr) {
    DiagPrintf("%s: CreateEventW failed, error %lu\n", owner, static_cast<unsigned long>(GetLastError()));
  }
  return event;
}

WorkerCore::WorkerCore(const char* owner)
    : dataMutex_(CreateUnownedMutex(owner)), stopEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (stopEvent_ == nullptr) {
    DiagPrintf("%s: CreateEventW failed, error %lu\n", owner, static_cast<unsigned long>(GetLastError()));
  }
}

WorkerCore::~WorkerCore() {
  if (stopEvent_ != nullptr) CloseHandle(stopEvent_);
  if (dataMutex_ != nullptr) CloseHandle(dataMutex_);
}

void WorkerCore::Lock() { WaitForSingleObject(dataMutex_, INFINITE); }

void WorkerCore::Unlock() { ReleaseMutex(dataMutex_); }

DWORD WorkerCore::WaitStop(DWORD milliseconds) { return WaitForSingleObject(stopEvent_, milliseconds); }

void WorkerCore::RequestStop() { SetEvent(stopEvent_); }

void WorkerCore::ClearStop() { ResetEvent(stopEvent_); }

void WorkerCore::SetContext(void* newContext, DWORD value) {
  if (newContext == nullptr) return;
  Lock();
  if (context_ == nullptr) {
    context_ = newContext;
    contextValue_ = value;
  }
  Unlock();
}

void* WorkerCore::Context() {
  Lock();
  void* result = context_;
  Unlock();
  return result;
}

DWORD WorkerCore::ContextValue() {
  Lock();
  DWORD result = contextValue_;
  Unlock();
  return result;
}

}  // namespace kb
