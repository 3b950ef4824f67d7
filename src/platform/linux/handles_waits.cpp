// CloseHandle, DuplicateHandle and the wait functions.
#include <vector>

#include "platform/linux/kernel_object.h"
#include "platform/linux/thread_object.h"
#include "platform/linux/win32_kernel.h"

using kb::platform::KernelObject;

namespace {

const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));
const HANDLE kCurrentThread = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2));

std::shared_ptr<KernelObject> Resolve(HANDLE handle) {
  if (handle == kCurrentThread) return kb::platform::CurrentThreadObject();
  return kb::platform::LookupHandle(handle);
}

}  // namespace

BOOL CloseHandle(HANDLE hObject) {
  // Closing a pseudo handle is allowed and does nothing.
  if (hObject == kCurrentProcess || hObject == kCurrentThread) return TRUE;
  std::shared_ptr<KernelObject> object = kb::platform::RemoveHandle(hObject);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  object->OnHandleClosed();
  return TRUE;
}

BOOL DuplicateHandle(HANDLE hSourceProcessHandle, HANDLE hSourceHandle, HANDLE hTargetProcessHandle,
                     LPHANDLE lpTargetHandle, DWORD, BOOL, DWORD dwOptions) {
  if (hSourceProcessHandle != kCurrentProcess || hTargetProcessHandle != kCurrentProcess) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  std::shared_ptr<KernelObject> object = Resolve(hSourceHandle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (lpTargetHandle) *lpTargetHandle = kb::platform::InsertHandle(object);
  if (dwOptions & DUPLICATE_CLOSE_SOURCE) CloseHandle(hSourceHandle);
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  return WaitForMultipleObjects(1, &hHandle, FALSE, dwMilliseconds);
}

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds) {
  if (nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || !lpHandles) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<KernelObject>> objects;
  objects.reserve(nCount);
  for (DWORD i = 0; i < nCount; ++i) {
    std::shared_ptr<KernelObject> object = Resolve(lpHandles[i]);
    if (!object || !object->IsWaitable()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    objects.push_back(std::move(object));
  }
  if (bWaitAll) {
    // Windows refuses the same object twice in one wait-all.
    for (DWORD i = 0; i < nCount; ++i)
      for (DWORD j = i + 1; j < nCount; ++j)
        if (objects[i] == objects[j]) {
          SetLastError(ERROR_INVALID_PARAMETER);
          return WAIT_FAILED;
        }
  }
  return kb::platform::WaitForObjects(objects, bWaitAll != FALSE, dwMilliseconds);
}
