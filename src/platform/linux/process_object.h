#pragma once
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/linux/kernel_object.h"

namespace kb::platform {

// A child process: signalled when it has ended. A reaper thread waits for it.
class ProcessObject : public KernelObject {
 public:
  explicit ProcessObject(pid_t pid) : pid_(pid) {}
  bool IsWaitable() const override { return true; }
  bool TryAcquire(DWORD, bool*) override { return finished_; }

  pid_t Pid() const { return pid_; }
  bool Finished() const { return finished_; }  // WaitLock held
  DWORD ExitCode() const { return finished_ ? exitCode_ : STILL_ACTIVE; }  // WaitLock held
  void StartReaper();
  bool Terminate(DWORD exitCode);

 private:
  void Reaped(int status);

  const pid_t pid_;
  bool finished_ = false;
  DWORD exitCode_ = STILL_ACTIVE;
  bool terminated_ = false;
  DWORD terminateCode_ = 0;
};

// The primary thread of a child process, as CreateProcessW hands it out: it
// ends when the process ends.
class ProcessThreadObject : public KernelObject {
 public:
  ProcessThreadObject(std::shared_ptr<ProcessObject> process, DWORD id) : process_(std::move(process)), id_(id) {}
  bool IsWaitable() const override { return true; }
  bool TryAcquire(DWORD tid, bool* abandoned) override;
  DWORD Id() const { return id_; }

 private:
  std::shared_ptr<ProcessObject> process_;
  const DWORD id_;
};

// Splits a command line the way the Microsoft C runtime builds argv.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

}  // namespace kb::platform
