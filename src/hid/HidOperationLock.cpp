#include "hid/HidOperationLock.h"

HidOperationLock::HidOperationLock(const wchar_t* tag) {
  mutex_ = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, tag);
  bool existed = mutex_ != nullptr;
  if (!existed) {
    mutex_ = CreateMutexW(nullptr, TRUE, tag);
    if (!mutex_) return;
    // Another thread may have created it between the two calls; the initial
    // ownership is then not granted and the mutex must be waited for.
    existed = GetLastError() == ERROR_ALREADY_EXISTS;
    held_ = !existed;
  }
  if (existed) {
    DWORD result = WaitForSingleObject(mutex_, INFINITE);
    // An abandoned mutex is owned all the same.
    held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
  }
}

HidOperationLock::~HidOperationLock() {
  if (!mutex_) return;
  if (held_) ReleaseMutex(mutex_);
  CloseHandle(mutex_);
}
