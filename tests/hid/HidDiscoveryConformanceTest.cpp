// SetupAPI, cfgmgr32 and hid.dll as the discovery relies on them, written
// against the Windows API: the same tests pass against Wine's own HID devices
// and against the simulated machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cwctype>
#include <string>
#include <vector>

#include "hid/HidInterfaceInfo.h"
#include "hid/TestMachine.h"
#include "platform/win32.h"

namespace {

constexpr GUID kHidGuid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
constexpr DWORD kErrorSeed = 0xdeadbeef;

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

class HidDiscoveryConformanceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    machineReady_ = kb::test::StartTestMachine();
    if (!kb::test::TestMachineMayBeAbsent()) {
      ASSERT_TRUE(machineReady_);
    }
  }
  static void TearDownTestSuite() { kb::test::StopTestMachine(); }

  void SetUp() override {
    if (!machineReady_) GTEST_SKIP() << "the host's HID test devices are not there";
    set_ = SetupDiGetClassDevsW(&kHidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_NE(set_, INVALID_HANDLE_VALUE);
  }
  void TearDown() override {
    if (set_ != INVALID_HANDLE_VALUE) {
      EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set_));
    }
  }

  // The paths the set enumerates, in order.
  std::vector<std::wstring> Paths() {
    std::vector<std::wstring> paths;
    for (DWORD i = 0;; ++i) {
      SP_DEVICE_INTERFACE_DATA data{};
      data.cbSize = sizeof data;
      if (!SetupDiEnumDeviceInterfaces(set_, nullptr, &kHidGuid, i, &data)) {
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
        break;
      }
      DWORD required = 0;
      SetupDiGetDeviceInterfaceDetailW(set_, &data, nullptr, 0, &required, nullptr);
      std::vector<unsigned char> buffer(required);
      auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
      detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
      EXPECT_TRUE(SetupDiGetDeviceInterfaceDetailW(set_, &data, detail, required, nullptr, nullptr));
      paths.emplace_back(detail->DevicePath);
    }
    return paths;
  }

  bool FirstInterface(SP_DEVICE_INTERFACE_DATA* data) {
    *data = SP_DEVICE_INTERFACE_DATA{};
    data->cbSize = sizeof *data;
    return SetupDiEnumDeviceInterfaces(set_, nullptr, &kHidGuid, 0, data) != FALSE;
  }

  static inline bool machineReady_ = false;
  HDEVINFO set_ = INVALID_HANDLE_VALUE;
};

TEST_F(HidDiscoveryConformanceTest, DetailQueryFollowsTheRequiredSizeProtocol) {
  SP_DEVICE_INTERFACE_DATA data;
  ASSERT_TRUE(FirstInterface(&data));
  DWORD required = 0;
  SetLastError(kErrorSeed);
  EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailW(set_, &data, nullptr, 0, &required, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_GT(required, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W));

  std::vector<unsigned char> buffer(required + 16);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  DWORD again = 0;
  SetLastError(kErrorSeed);
  EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailW(set_, &data, detail, required - 1, &again, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(again, required);

  ASSERT_TRUE(SetupDiGetDeviceInterfaceDetailW(set_, &data, detail, required, nullptr, nullptr));
  size_t chars = std::wstring(detail->DevicePath).size();
  EXPECT_EQ(required, offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) + (chars + 1) * sizeof(WCHAR));
}

TEST_F(HidDiscoveryConformanceTest, DetailQueryRefusesAWrongFixedSize) {
  SP_DEVICE_INTERFACE_DATA data;
  ASSERT_TRUE(FirstInterface(&data));
  DWORD required = 0;
  SetupDiGetDeviceInterfaceDetailW(set_, &data, nullptr, 0, &required, nullptr);
  std::vector<unsigned char> buffer(required);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
  // (Wine also takes 6, the fixed size of 32-bit builds, where 64-bit
  // Windows refuses it; the Linux build follows Windows there.)
  for (DWORD wrong : {DWORD{0}, DWORD{2}, static_cast<DWORD>(required)}) {
    if (wrong == sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
    detail->cbSize = wrong;
    SetLastError(kErrorSeed);
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailW(set_, &data, detail, required, nullptr, nullptr)) << wrong;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER)) << wrong;
  }
  SetLastError(kErrorSeed);
  EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailW(set_, &data, nullptr, required, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
}

TEST_F(HidDiscoveryConformanceTest, EnumerationEndsWithNoMoreItemsAndChecksTheStructureSize) {
  std::vector<std::wstring> paths = Paths();
  ASSERT_FALSE(paths.empty());
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  SetLastError(kErrorSeed);
  EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set_, nullptr, &kHidGuid, static_cast<DWORD>(paths.size()), &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  if (sizeof(SP_DEVICE_INTERFACE_DATA) != 28) {
    data.cbSize = 28;  // the 32-bit size
    SetLastError(kErrorSeed);
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set_, nullptr, &kHidGuid, 0, &data));
    EXPECT_NE(GetLastError(), kErrorSeed);
  }
}

TEST_F(HidDiscoveryConformanceTest, InterfaceListMatchesTheEnumeration) {
  std::vector<std::wstring> paths = Paths();
  GUID guid{};
  HidD_GetHidGuid(&guid);
  EXPECT_TRUE(guid == kHidGuid);
  ULONG size = 0;
  CONFIGRET sized = CM_Get_Device_Interface_List_SizeW(&size, &guid, nullptr, CM_GET_DEVICE_INTERFACE_LIST_PRESENT);
  if (sized != CR_SUCCESS) GTEST_SKIP() << "this host's cfgmgr32 lists no interfaces (CONFIGRET " << sized << ")";
  ASSERT_GE(size, 2u);
  std::vector<WCHAR> list(size);
  ASSERT_EQ(CM_Get_Device_Interface_ListW(&guid, nullptr, list.data(), size, CM_GET_DEVICE_INTERFACE_LIST_PRESENT),
            static_cast<CONFIGRET>(CR_SUCCESS));
  std::vector<std::wstring> listed;
  for (const WCHAR* p = list.data(); *p; p += std::wstring(p).size() + 1) listed.push_back(Lower(p));
  std::vector<std::wstring> enumerated;
  for (const std::wstring& p : paths) enumerated.push_back(Lower(p));
  std::sort(listed.begin(), listed.end());
  std::sort(enumerated.begin(), enumerated.end());
  EXPECT_EQ(listed, enumerated);
  EXPECT_EQ(CM_Get_Device_Interface_ListW(&guid, nullptr, list.data(), 1, CM_GET_DEVICE_INTERFACE_LIST_PRESENT),
            static_cast<CONFIGRET>(CR_BUFFER_SMALL));
}

TEST_F(HidDiscoveryConformanceTest, DestroyingSomethingElseFails) {
  SetLastError(kErrorSeed);
  EXPECT_FALSE(SetupDiDestroyDeviceInfoList(INVALID_HANDLE_VALUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(HidDiscoveryConformanceTest, FindsTheMachinesDevicesWithAttributesAndUsages) {
  const int32_t vendor = kb::test::TestMachineVendor();
  HidInterfaceInfo* list = FindHidInterfaces(vendor, 0, nullptr, -1, -1);
  ASSERT_NE(list, nullptr);
  std::vector<std::wstring> expected;
  for (const std::wstring& path : Paths()) {
    int32_t v = 0;
    if (ParseHidDevicePath(path.c_str(), &v, nullptr, nullptr, nullptr) && v == vendor) expected.push_back(path);
  }
  std::vector<std::wstring> found;
  for (HidInterfaceInfo* i = list; i; i = i->next) {
    found.push_back(i->devicePath);
    EXPECT_EQ(i->vendorId, vendor);
    EXPECT_TRUE(i->interfaceClassGuid == kHidGuid);
    EXPECT_EQ(i->devInst, 0u);
    HIDD_ATTRIBUTES attributes{};
    HIDP_CAPS caps{};
    ASSERT_TRUE(ReadHidAttributesAndCaps(i->devicePath.c_str(), &attributes, &caps));
    EXPECT_EQ(attributes.VendorID, vendor);
    EXPECT_EQ(attributes.ProductID, i->productId);
    EXPECT_EQ(attributes.Size, sizeof(HIDD_ATTRIBUTES));
    EXPECT_NE(caps.UsagePage, 0);
    // A record whose interface opened carries the same version and usage.
    if (i->usagePage != 0) {
      EXPECT_EQ(i->usagePage, caps.UsagePage);
      EXPECT_EQ(i->usage, caps.Usage);
      EXPECT_EQ(i->versionNumber, attributes.VersionNumber);
      EXPECT_EQ(i->version, attributes.VersionNumber);
    }
  }
  EXPECT_EQ(found, expected);
  FreeHidInterfaceList(list);
}

TEST_F(HidDiscoveryConformanceTest, AttributesOfWhatDoesNotOpenAreNotRead) {
  HIDD_ATTRIBUTES attributes{};
  EXPECT_FALSE(ReadHidAttributesAndCaps(nullptr, &attributes, nullptr));
  const wchar_t* absent = L"\\\\?\\hid#vid_0bad&pid_f00d&mi_07&col09#9&1&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
  EXPECT_FALSE(ReadHidAttributesAndCaps(absent, &attributes, nullptr));
  SetLastError(kErrorSeed);
  HANDLE handle = CreateFileW(absent, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  EXPECT_EQ(handle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
