#pragma once
// Fine-grained sleeps while timing matters. Windows rounds every wait up to
// the system timer's period, 15.6 ms unless some process asks for less, so a
// 1 ms wait lasts 15.6 ms; Windows 11 also lets a background process's request
// lapse unless the process opts out of timer-resolution throttling. Linux
// waits are already fine-grained, so there nothing needs to change.
namespace kb {

// Holds a 1 ms timer period for the life of the object. Nesting is allowed.
class ScopedTimerResolution {
 public:
  ScopedTimerResolution();
  ~ScopedTimerResolution();
  ScopedTimerResolution(const ScopedTimerResolution&) = delete;
  ScopedTimerResolution& operator=(const ScopedTimerResolution&) = delete;

  // How many holders are active in the process now.
  static int ActiveCount();

 private:
  bool raised_ = false;
};

}  // namespace kb
