#include <cstdio>
#include <vector>

#include "hid/HidInterfaceInfo.h"
#include "hid/TestMachine.h"
#include "platform/win32.h"

namespace kb::test {

namespace {

constexpr int32_t kWineVendor = 0x845E;
// Wine's bus driver creates its keyboard and mouse devices asynchronously
// once the prefix's services run; right after the prefix is booted they may
// not be enumerable yet.
constexpr DWORD kWaitForDevicesMs = 30000;
constexpr GUID kHidGuid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// Asked directly of SetupAPI rather than through FindHidInterfaces, which
// writes a diagnostic line on every call.
bool WineDevicesPresent() {
  HDEVINFO set = SetupDiGetClassDevsW(&kHidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return false;
  bool found = false;
  for (DWORD i = 0; !found; ++i) {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    if (!SetupDiEnumDeviceInterfaces(set, nullptr, &kHidGuid, i, &data)) break;
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
    std::vector<unsigned char> buffer(required);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required, nullptr, nullptr)) continue;
    int32_t vendor = 0;
    found = ParseHidDevicePath(detail->DevicePath, &vendor, nullptr, nullptr, nullptr) && vendor == kWineVendor;
  }
  SetupDiDestroyDeviceInfoList(set);
  return found;
}

}  // namespace

bool StartTestMachine() {
  const ULONGLONG deadline = GetTickCount64() + kWaitForDevicesMs;
  while (!WineDevicesPresent()) {
    if (GetTickCount64() >= deadline) {
      std::fprintf(stderr, "Wine's HID devices (vendor %04x) did not appear within %lu ms\n",
                   static_cast<unsigned>(kWineVendor), static_cast<unsigned long>(kWaitForDevicesMs));
      return false;
    }
    Sleep(100);
  }
  return true;
}

void StopTestMachine() {}
int32_t TestMachineVendor() { return kWineVendor; }
bool TestMachineMayBeAbsent() { return true; }

}  // namespace kb::test
