#include "sim/SimMachine.h"

#include <algorithm>

#include "sim/SimKeyNames.h"
#include "sim/SimReceiver.h"

namespace kb::sim {

SimMachine::SimMachine() {
  auto keyboard = std::make_unique<SimKeyboard>(&log_);
  keyboard_ = keyboard.get();
  devices_.push_back(std::move(keyboard));
  devices_.push_back(std::make_unique<SimReceiver>(&log_));
  for (const char* name : {"vkbd", "vkbd2"}) {
    std::string instance = std::string("1&2d595ca7&0&000") + (virtualKeyboards_.empty() ? "0" : "1");
    auto virtualKeyboard = std::make_unique<SimVirtualKeyboard>(name, instance, &log_, &system_);
    virtualKeyboards_.push_back(virtualKeyboard.get());
    devices_.push_back(std::move(virtualKeyboard));
  }
}

bool SimMachine::PhysicalKey(uint32_t code, bool down) {
  if (!keyboard_->Plugged()) return false;
  bool passes = filter_.KeyEvent(code, down);
  std::string note = (down ? "down " : "up ") + FormatCode(code) + (passes ? "" : " withheld");
  keyboard_->LogLine(-1, "key", {}, note);
  if (passes) system_.Key(kSourceKeyboard, code, down);
  return true;
}

void SimMachine::InstallVirtualKeyboards(int count) {
  for (int i = 0; i < count && i < static_cast<int>(virtualKeyboards_.size()); ++i) Plug(*virtualKeyboards_[i]);
}

void SimMachine::RemoveVirtualKeyboards() {
  for (SimVirtualKeyboard* device : virtualKeyboards_) {
    Unplug(*device);
    device->Reset();
  }
}

SimHidDevice* SimMachine::FindDevice(const std::string& name) {
  for (auto& device : devices_)
    if (device->Name() == name) return device.get();
  return nullptr;
}

std::vector<SimHidDevice*> SimMachine::Devices() {
  std::vector<SimHidDevice*> all;
  for (auto& device : devices_) all.push_back(device.get());
  return all;
}

std::optional<SimLocation> SimMachine::Locate(const std::string& path) {
  for (auto& device : devices_) {
    if (!device->Plugged()) continue;
    int index = device->FindCollection(path);
    if (index >= 0) return SimLocation{device.get(), static_cast<size_t>(index)};
  }
  return std::nullopt;
}

std::vector<SimInterface> SimMachine::Interfaces(bool presentOnly) {
  std::vector<SimInterface> list;
  for (auto& device : devices_) {
    if (!device->Plugged() && (presentOnly || !device->ListedWhenAbsent())) continue;
    for (const SimCollection& c : device->Collections()) list.push_back({c.path, device->Plugged()});
  }
  return list;
}

bool SimMachine::Plug(SimHidDevice& device) {
  if (device.Plugged()) return false;
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.device == &device; }),
                timers_.end());
  device.SetPlugged(true);
  device.LogLine(-1, "arrival", {}, "");
  for (size_t i = 0; i < device.Collections().size(); ++i)
    if (listener_) listener_->OnArrival(device, i);
  return true;
}

bool SimMachine::Unplug(SimHidDevice& device) {
  if (!device.Plugged()) return false;
  device.SetPlugged(false);
  device.SetStalled(false);
  device.ArmDrop(-1);
  for (SimCollection& c : device.Collections()) c.inputReports.clear();
  device.LogLine(-1, "removal", {}, "");
  for (size_t i = 0; i < device.Collections().size(); ++i)
    if (listener_) listener_->OnRemoval(device, i);
  return true;
}

void SimMachine::AfterReport(SimHidDevice& device, int64_t nowUs) {
  if (!device.TakeReenumerationRequest()) return;
  Unplug(device);
  timers_.push_back({nowUs + kReenumerationDelayUs, &device});
}

int64_t SimMachine::NextTimerUs() const {
  int64_t next = 0;
  for (const Timer& t : timers_)
    if (next == 0 || t.dueUs < next) next = t.dueUs;
  return next;
}

void SimMachine::RunTimers(int64_t nowUs) {
  std::vector<SimHidDevice*> due;
  for (const Timer& t : timers_)
    if (t.dueUs <= nowUs) due.push_back(t.device);
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.dueUs <= nowUs; }),
                timers_.end());
  for (SimHidDevice* device : due) Plug(*device);
}

}  // namespace kb::sim
