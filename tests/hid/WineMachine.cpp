#include "hid/TestMachine.h"

namespace kb::test {

// Wine's bus driver provides its HID devices itself.
bool StartTestMachine() { return true; }
void StopTestMachine() {}
int32_t TestMachineVendor() { return 0x845E; }

}  // namespace kb::test
