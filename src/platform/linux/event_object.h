#pragma once
#include "platform/linux/kernel_object.h"

namespace kb::platform {

// A Windows event: manual reset stays signalled until reset; auto reset is
// consumed by exactly one successful wait.
class EventObject : public KernelObject {
 public:
  EventObject(bool manualReset, bool initialState) : manualReset_(manualReset), signalled_(initialState) {}
  bool IsWaitable() const override { return true; }
  bool TryAcquire(DWORD tid, bool* abandoned) override;
  void UndoAcquire(DWORD tid) override;
  void Set();
  void Reset();

 private:
  const bool manualReset_;
  bool signalled_;
};

}  // namespace kb::platform
