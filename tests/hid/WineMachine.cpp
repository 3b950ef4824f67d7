#include <cstdio>

#include "hid/HidInterfaceInfo.h"
#include "hid/TestMachine.h"
#include "platform/win32.h"

namespace kb::test {

namespace {
constexpr int32_t kWineVendor = 0x845E;
// Wine's bus driver creates its keyboard and mouse devices asynchronously
// once the prefix's services have started; a freshly (re)started wineserver
// on a busy machine can take several seconds before they are enumerable.
constexpr DWORD kWaitForDevicesMs = 60000;
}  // namespace

bool StartTestMachine() {
  const ULONGLONG deadline = GetTickCount64() + kWaitForDevicesMs;
  for (;;) {
    HidInterfaceInfo* list = FindHidInterfaces(kWineVendor, 0, nullptr, -1, -1);
    if (list) {
      FreeHidInterfaceList(list);
      return true;
    }
    if (GetTickCount64() >= deadline) {
      std::fprintf(stderr, "Wine's HID devices (vendor %04x) did not appear within %lu ms\n",
                   static_cast<unsigned>(kWineVendor), static_cast<unsigned long>(kWaitForDevicesMs));
      return false;
    }
    Sleep(100);
  }
}

void StopTestMachine() {}
int32_t TestMachineVendor() { return kWineVendor; }

}  // namespace kb::test
