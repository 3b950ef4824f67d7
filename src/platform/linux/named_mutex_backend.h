#pragma once
// The cross-process side of a named mutex.
//
// Windows keeps named objects in the kernel; here each name is a small file in
// a per-user folder, and all state that must survive a crash lives in
// open-file-description locks on it, which the kernel drops when a process
// dies:
//  - byte 0, read-locked by every process that has the mutex open, so a
//    creator can tell whether the name already exists elsewhere;
//  - byte 1, write-locked briefly while a process creates or opens the name;
//  - byte 2, write-locked by the process whose thread owns the mutex.
// Byte 16 of the file holds 1 while the mutex is owned and 0 after a proper
// release, so an owner that died is seen as an abandoned mutex by the next one.
#include <memory>
#include <string>

#include "platform/linux/win32_types.h"

namespace kb::platform {

class NamedMutexBackend {
 public:
  ~NamedMutexBackend();
  NamedMutexBackend(const NamedMutexBackend&) = delete;
  NamedMutexBackend& operator=(const NamedMutexBackend&) = delete;

  enum class Mode { kCreate, kOpenExisting };
  // kCreate: opens or creates the name; *existed tells whether another process
  // had it open. With takeOwnership the ownership lock is taken when the
  // name is new. kOpenExisting: fails with ERROR_FILE_NOT_FOUND when no
  // process has it open. Returns null with *error set on failure.
  static std::unique_ptr<NamedMutexBackend> Open(const std::wstring& name, Mode mode, bool takeOwnership,
                                                 bool* existed, DWORD* error);

  // Non-blocking. On success *abandoned tells whether the last owner died
  // holding the mutex.
  bool TryLock(bool* abandoned);
  void Unlock();
  // The owning thread ended without releasing: the lock is given up and the
  // next owner is told the mutex was abandoned.
  void Abandon();
  bool OwnedHere() const { return owned_; }

 private:
  explicit NamedMutexBackend(int fd) : fd_(fd) {}
  int fd_;
  bool owned_ = false;
};

// The folder holding the named-object files of this user's display session
// (the X display: Windows keeps unprefixed names per logon session).
std::string NamedObjectFolder();

}  // namespace kb::platform
