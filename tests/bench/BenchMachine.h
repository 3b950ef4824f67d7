#pragma once
// The key functions wired up on a private simulated machine: kbsim with its
// virtual keyboard, the virtual keyboard's writer, a record store, the key
// action runner and the key monitor.
#include <memory>
#include <string>
#include <vector>

#include "keyfunc/KeyMonitor.h"
#include "keyfunc/VHidev.h"
#include "macro/KeyActionRunner.h"
#include "macro/RecordStore.h"
#include "sim/KbsimProcess.h"

namespace kb::bench {

// A timestamped line of kbsim's output ("typed" or "log").
struct Stamped {
  long long timeUs = 0;
  std::string text;
};

class BenchMachine {
 public:
  // False (with a message) when kbsim or its virtual keyboard is missing.
  bool Start();
  void Assign(const KeyRecord& record);
  test::KbsimResult Command(const std::vector<std::string>& args) const { return sim.Command(args); }
  // Lines of a kbsim command's output that contain `part`.
  std::vector<Stamped> Lines(const std::string& command, const std::string& part) const;

  test::KbsimProcess sim;
  VHidev vhidev;
  RecordStore records;
  std::unique_ptr<KeyActionRunner> runner;
  std::unique_ptr<HidUsbFilter::KeyMonitor> monitor;
};

}  // namespace kb::bench
