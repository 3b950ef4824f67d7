#pragma once
#include <memory>

#include "platform/linux/kernel_object.h"
#include "platform/linux/named_mutex_backend.h"

namespace kb::platform {

// A Windows mutex: owned by one thread at a time, recursively; abandoned when
// its owner ends without releasing it. A named mutex has one MutexObject per
// process and a NamedMutexBackend that extends ownership to other processes.
class MutexObject : public KernelObject {
 public:
  explicit MutexObject(std::unique_ptr<NamedMutexBackend> backend = nullptr) : backend_(std::move(backend)) {}
  ~MutexObject() override;

  bool IsWaitable() const override { return true; }
  bool TryAcquire(DWORD tid, bool* abandoned) override;
  void UndoAcquire(DWORD tid) override;
  // Another process may release a named mutex at any time.
  DWORD PollIntervalMs() const override { return backend_ ? kNamedPollMs : 0; }

  // False when `tid` does not own the mutex.
  bool Release(DWORD tid);
  // Called when thread `tid` ends.
  void AbandonBy(DWORD tid);

 private:
  static constexpr DWORD kNamedPollMs = 2;
  void DropOwnership();

  DWORD owner_ = 0;
  DWORD count_ = 0;
  bool abandonedPending_ = false;
  std::unique_ptr<NamedMutexBackend> backend_;
};

}  // namespace kb::platform
