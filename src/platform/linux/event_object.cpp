#include "platform/linux/event_object.h"

#include "platform/linux/win32_kernel.h"

namespace kb::platform {

bool EventObject::TryAcquire(DWORD, bool*) {
  if (!signalled_) return false;
  if (!manualReset_) signalled_ = false;
  return true;
}

void EventObject::UndoAcquire(DWORD) {
  if (!manualReset_) signalled_ = true;
}

void EventObject::Set() {
  std::lock_guard<std::mutex> lock(WaitLock());
  signalled_ = true;
  NotifyWaiters();
}

void EventObject::Reset() {
  std::lock_guard<std::mutex> lock(WaitLock());
  signalled_ = false;
}

}  // namespace kb::platform

using kb::platform::EventObject;

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCWSTR lpName) {
  // The program never names events; sharing them between processes is not
  // provided, and saying so is better than handing out a private one.
  if (lpName && *lpName) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  HANDLE h = kb::platform::InsertHandle(std::make_shared<EventObject>(bManualReset != FALSE, bInitialState != FALSE));
  SetLastError(ERROR_SUCCESS);
  return h;
}

BOOL SetEvent(HANDLE hEvent) {
  auto event = kb::platform::LookupHandleAs<EventObject>(hEvent);
  if (!event) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  event->Set();
  return TRUE;
}

BOOL ResetEvent(HANDLE hEvent) {
  auto event = kb::platform::LookupHandleAs<EventObject>(hEvent);
  if (!event) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  event->Reset();
  return TRUE;
}
