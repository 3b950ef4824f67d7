#include "app/EasyThreadSupport.h"

#include "platform/diag.h"

namespace kb {
namespace {

thread_local const void* currentThreadOwner = nullptr;

constexpr DWORD kResumeFailed = static_cast<DWORD>(-1);

}  // namespace

bool LaunchThread(LPTHREAD_START_ROUTINE body, void* parameter, std::atomic<DWORD>& threadId,
                  std::atomic<HANDLE>& threadHandle) {
  DWORD newId = 0;
  HANDLE handle = CreateThread(nullptr, 0, body, parameter, CREATE_SUSPENDED, &newId);
  if (handle == nullptr) return false;
  threadId = newId;
  threadHandle = handle;
  if (ResumeThread(handle) != kResumeFailed) return true;
  // A thread that never ran has touched nothing; nobody can end it short of
  // TerminateThread, so it is left parked and forgotten.
  DiagPrintf("ResumeThread failed, error %lu\n", static_cast<unsigned long>(GetLastError()));
  threadId = 0;
  threadHandle = nullptr;
  CloseHandle(handle);
  return false;
}

void JoinThread(std::atomic<HANDLE>& threadHandle, std::mutex& joinLock) {
  std::lock_guard lock(joinLock);
  HANDLE handle = threadHandle.exchange(nullptr);
  if (handle == nullptr) return;
  WaitForSingleObject(handle, INFINITE);
  CloseHandle(handle);
}

void ReleaseOwnHandle(std::atomic<HANDLE>& threadHandle) {
  HANDLE handle = threadHandle.exchange(nullptr);
  if (handle != nullptr) CloseHandle(handle);
}

void MarkThreadOwner(const void* owner) { currentThreadOwner = owner; }

bool IsOwnThread(const void* owner) { return owner != nullptr && currentThreadOwner == owner; }

}  // namespace kb
