#include "hid/TestMachine.h"

#include <memory>

#include "sim/KbsimProcess.h"

namespace kb::test {

namespace {
std::unique_ptr<KbsimProcess>& Daemon() {
  static std::unique_ptr<KbsimProcess> daemon;
  return daemon;
}
}  // namespace

bool StartTestMachine() {
  Daemon() = std::make_unique<KbsimProcess>();
  return Daemon()->Start();
}

void StopTestMachine() { Daemon().reset(); }

int32_t TestMachineVendor() { return 0xE7A1; }
bool TestMachineMayBeAbsent() { return false; }

}  // namespace kb::test
