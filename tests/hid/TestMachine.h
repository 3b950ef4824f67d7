#pragma once
// The HID devices a test runs against: the simulated machine's on Linux (a
// private kbsim daemon), Wine's own devices in the Windows build.
#include <cstdint>

namespace kb::test {

// Starts what is needed; false when the devices cannot be had.
bool StartTestMachine();
void StopTestMachine();
// The vendor id all of the machine's test devices share.
int32_t TestMachineVendor();
// Whether the tests may skip, rather than fail, when StartTestMachine could
// not have the devices: kbsim is ours and must start; Wine 8's bus driver
// sometimes drops its devices for good a while after the prefix boots.
bool TestMachineMayBeAbsent();

}  // namespace kb::test
