// Discovery against the simulated keyboard: a composite device whose
// interface 0 has one collection (no "&col") and interface 1 five, and a
// single-interface receiver (no "&mi_") of the same vendor.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hid/HidInterfaceInfo.h"
#include "sim/KbsimProcess.h"
#include "hid/SimDevicePaths.h"

namespace {

using kbtest::kVendor;
constexpr int32_t kKeyboard = 0x5B0D;
constexpr int32_t kReceiver = 0x5B0E;

struct Found {
  std::wstring path;
  int32_t product, interfaceNumber, collection;
  uint16_t usagePage, usage, version;
};

std::vector<Found> Search(int32_t vendor, std::vector<int32_t> products, int32_t interfaceNumber, int32_t collection) {
  HidInterfaceInfo* list = FindHidInterfaces(vendor, static_cast<int32_t>(products.size()),
                                             products.empty() ? nullptr : products.data(), interfaceNumber, collection);
  std::vector<Found> found;
  for (HidInterfaceInfo* i = list; i; i = i->next) {
    int32_t mi = 0, col = 0;
    EXPECT_TRUE(ParseHidDevicePath(i->devicePath.c_str(), nullptr, nullptr, &mi, &col));
    found.push_back({i->devicePath, i->productId, mi, col, i->usagePage, i->usage, i->versionNumber});
  }
  FreeHidInterfaceList(list);
  return found;
}

class HidDiscoveryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sim_.Start()); }
  kb::test::KbsimProcess sim_;
};

struct FilterCase {
  const char* name;
  int32_t vendor;
  std::vector<int32_t> products;
  int32_t interfaceNumber, collection;
  std::vector<std::pair<int32_t, int32_t>> expected;  // (interface, collection) in order
  std::vector<int32_t> expectedProducts;
};

TEST_F(HidDiscoveryTest, FilterSelectsInterfacesInEnumerationOrder) {
  const FilterCase cases[] = {
      {"every collection of the keyboard", kVendor, {kKeyboard}, -1, -1,
       {{0, -1}, {1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}}, {}},
      {"the vendor collection", kVendor, {kKeyboard}, 1, 5, {{1, 5}}, {}},
      {"any product of the vendor", kVendor, {}, -1, -1,
       {{0, -1}, {1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {-1, 1}, {-1, 2}},
       {kKeyboard, kKeyboard, kKeyboard, kKeyboard, kKeyboard, kKeyboard, kReceiver, kReceiver}},
      {"any vendor, listed product", 0, {kReceiver}, -1, 2, {{-1, 2}}, {}},
      {"product list of two", kVendor, {0x1111, kReceiver}, -1, -1, {{-1, 1}, {-1, 2}}, {}},
      {"no interface part matches only -1", kVendor, {kReceiver}, 0, 2, {}, {}},
      {"no collection part: collection 1 does not match", kVendor, {kKeyboard}, 0, 1, {}, {}},
      {"no collection part: collection -1 matches", kVendor, {kKeyboard}, 0, -1, {{0, -1}}, {}},
      {"other negative interface matches nothing", kVendor, {kKeyboard}, -2, -1, {}, {}},
      {"other vendor", 0x1234, {}, -1, -1, {}, {}},
      {"product not listed", kVendor, {0x1111}, -1, -1, {}, {}},
  };
  for (const FilterCase& c : cases) {
    std::vector<Found> found = Search(c.vendor, c.products, c.interfaceNumber, c.collection);
    std::vector<std::pair<int32_t, int32_t>> ids;
    for (const Found& f : found) ids.push_back({f.interfaceNumber, f.collection});
    EXPECT_EQ(ids, c.expected) << c.name;
    if (!c.expectedProducts.empty()) {
      std::vector<int32_t> products;
      for (const Found& f : found) products.push_back(f.product);
      EXPECT_EQ(products, c.expectedProducts) << c.name;
    }
  }
}

TEST_F(HidDiscoveryTest, CollectionsTheSystemHoldsAreListedWithoutVersionAndUsage) {
  std::vector<Found> found = Search(kVendor, {kKeyboard}, -1, -1);
  ASSERT_EQ(found.size(), 6u);
  // Keyboards and mice do not open for reading and writing.
  for (int exclusive : {0, 3, 4}) {
    EXPECT_EQ(found[exclusive].usagePage, 0) << exclusive;
    EXPECT_EQ(found[exclusive].version, 0) << exclusive;
  }
  EXPECT_EQ(found[1].usagePage, 0x0C);
  EXPECT_EQ(found[5].usagePage, 0xFF00);
  EXPECT_EQ(found[5].usage, 0x01);
  EXPECT_EQ(found[5].version, 0x0110);
  // ... but their attributes can be read with no access rights.
  HIDD_ATTRIBUTES attributes{};
  HIDP_CAPS caps{};
  ASSERT_TRUE(ReadHidAttributesAndCaps(found[0].path.c_str(), &attributes, &caps));
  EXPECT_EQ(attributes.VendorID, kVendor);
  EXPECT_EQ(attributes.ProductID, kKeyboard);
  EXPECT_EQ(attributes.VersionNumber, 0x0110);
  EXPECT_EQ(caps.UsagePage, 1);
  EXPECT_EQ(caps.Usage, 6);
  EXPECT_EQ(caps.InputReportByteLength, 9);
}

TEST_F(HidDiscoveryTest, DiagnosticLinesNameTheClassAndEachInterface) {
  // On standard error: standard output carries only what the command line
  // is asked for.
  testing::internal::CaptureStderr();
  std::vector<Found> found = Search(kVendor, {kKeyboard}, 1, 5);
  std::string output = testing::internal::GetCapturedStderr();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NE(output.find("got classs: guid={4d1e55b2-f16f-11cf-88cb001111000030}\n"), std::string::npos) << output;
  for (int i = 0; i < 8; ++i)
    EXPECT_NE(output.find("enum interface: guid={4d1e55b2-f16f-11cf-88cb001111000030} index=" + std::to_string(i) + "\n"),
              std::string::npos)
        << i;
  EXPECT_NE(output.find("open dev: "), std::string::npos);
}

// The fixed part of the detail structure is 8 bytes on 64-bit Windows and
// here; the 32-bit size 6 is refused, which is why the search must use the
// build's size.
TEST_F(HidDiscoveryTest, DetailQueryRefusesThe32BitFixedSize) {
  const GUID hid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
  HDEVINFO set = SetupDiGetClassDevsW(&hid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  ASSERT_NE(set, INVALID_HANDLE_VALUE);
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = 28;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &hid, 0, &data)) << "28 is the 32-bit size";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  data.cbSize = sizeof data;
  ASSERT_TRUE(SetupDiEnumDeviceInterfaces(set, nullptr, &hid, 0, &data));
  std::vector<unsigned char> buffer(512);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
  detail->cbSize = 6;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailW(set, &data, detail, static_cast<DWORD>(buffer.size()), nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  EXPECT_EQ(detail->cbSize, 8u);
  EXPECT_TRUE(SetupDiGetDeviceInterfaceDetailW(set, &data, detail, static_cast<DWORD>(buffer.size()), nullptr, nullptr));
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
}

TEST_F(HidDiscoveryTest, UnpluggedKeyboardIsNotFoundAndComesBack) {
  ASSERT_EQ(sim_.Command({"unplug"}).status, 0);
  EXPECT_TRUE(Search(kVendor, {kKeyboard}, 1, 5).empty());
  EXPECT_EQ(Search(kVendor, {}, -1, -1).size(), 2u);
  ASSERT_EQ(sim_.Command({"plug"}).status, 0);
  EXPECT_EQ(Search(kVendor, {kKeyboard}, 1, 5).size(), 1u);
}

TEST(HidDiscoveryWithoutMachineTest, NothingIsFound) {
  kb::test::KbsimProcess::UseNoDaemon();
  EXPECT_TRUE(Search(kVendor, {}, -1, -1).empty());
  HIDD_ATTRIBUTES attributes{};
  EXPECT_FALSE(ReadHidAttributesAndCaps(
      L"\\\\?\\hid#vid_e7a1&pid_5b0d&mi_01&col05#8&2b0ffee2&0&0004#{4d1e55b2-f16f-11cf-88cb-001111000030}",
      &attributes, nullptr));
  ULONG size = 0;
  GUID guid;
  HidD_GetHidGuid(&guid);
  EXPECT_EQ(CM_Get_Device_Interface_List_SizeW(&size, &guid, nullptr, CM_GET_DEVICE_INTERFACE_LIST_PRESENT),
            static_cast<CONFIGRET>(CR_SUCCESS));
  EXPECT_EQ(size, 1u);
}

}  // namespace
