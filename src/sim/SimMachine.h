#pragma once
// The simulated machine: the devices plugged into it, their arrival and
// removal, and the log of everything they received. It is the state the kbsim
// daemon serves; tests may also use it in-process.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/SimFilterDriver.h"
#include "sim/SimHidDevice.h"
#include "sim/SimKeyboard.h"
#include "sim/SimLog.h"
#include "sim/SimSystemInput.h"
#include "sim/SimVirtualKeyboard.h"

namespace kb::sim {

// A re-enumerating device comes back this long after it left, as a keyboard
// does after its firmware restarted.
inline constexpr int64_t kReenumerationDelayUs = 1000000;

class SimMachineListener {
 public:
  virtual ~SimMachineListener() = default;
  virtual void OnArrival(SimHidDevice& device, size_t collection) = 0;
  virtual void OnRemoval(SimHidDevice& device, size_t collection) = 0;
};

struct SimLocation {
  SimHidDevice* device = nullptr;
  size_t collection = 0;
};

struct SimInterface {
  std::string path;
  bool present = false;
};

class SimMachine {
 public:
  SimMachine();

  SimLog& Log() { return log_; }
  SimKeyboard& Keyboard() { return *keyboard_; }
  SimFilterDriver& Filter() { return filter_; }
  SimSystemInput& System() { return system_; }
  // The virtual keyboards a driver installation makes: one normally, a
  // second one to try programs against a machine with a stale duplicate.
  std::vector<SimVirtualKeyboard*> VirtualKeyboards() { return virtualKeyboards_; }

  // A key of the physical keyboard goes down or up: the filter driver sees
  // it and the system gets it unless the filter withholds it. False when the
  // keyboard is not plugged in.
  bool PhysicalKey(uint32_t code, bool down);
  // Installs (count 1 or 2) or removes the virtual keyboards.
  void InstallVirtualKeyboards(int count);
  void RemoveVirtualKeyboards();
  SimHidDevice* FindDevice(const std::string& name);
  std::vector<SimHidDevice*> Devices();
  void SetListener(SimMachineListener* listener) { listener_ = listener; }

  // The present collection with this path (any case), if there is one.
  std::optional<SimLocation> Locate(const std::string& path);
  // Every HID interface in enumeration order; only present ones when asked.
  std::vector<SimInterface> Interfaces(bool presentOnly);

  // Plugging an absent device announces each collection; unplugging one
  // announces its removal. False when nothing changed.
  bool Plug(SimHidDevice& device);
  bool Unplug(SimHidDevice& device);

  // Called after a device took a report: a device that asked to be
  // enumerated again leaves now and comes back after the delay.
  void AfterReport(SimHidDevice& device, int64_t nowUs);
  // Microseconds of the next scheduled arrival, or 0 when none.
  int64_t NextTimerUs() const;
  void RunTimers(int64_t nowUs);

 private:
  struct Timer {
    int64_t dueUs;
    SimHidDevice* device;
  };

  SimLog log_;
  SimSystemInput system_;
  SimFilterDriver filter_;
  std::vector<std::unique_ptr<SimHidDevice>> devices_;
  std::vector<SimVirtualKeyboard*> virtualKeyboards_;
  SimKeyboard* keyboard_ = nullptr;
  SimMachineListener* listener_ = nullptr;
  std::vector<Timer> timers_;
};

}  // namespace kb::sim
