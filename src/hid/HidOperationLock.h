#pragma once
// Holds the named system mutex of one HidDevice operation for a scope. The
// name is the operation's tag, without a namespace prefix, so the lock also
// serialises other processes of the logon session using the same tags. The
// lock is re-entrant for the thread that holds it.
#include "platform/win32.h"

class HidOperationLock {
 public:
  explicit HidOperationLock(const wchar_t* tag);
  ~HidOperationLock();
  HidOperationLock(const HidOperationLock&) = delete;
  HidOperationLock& operator=(const HidOperationLock&) = delete;

  bool Held() const { return held_; }

 private:
  HANDLE mutex_ = nullptr;
  bool held_ = false;
};
