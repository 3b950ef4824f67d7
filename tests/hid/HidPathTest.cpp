#include <gtest/gtest.h>

#include "hid/HidInterfaceInfo.h"

namespace {

struct PathCase {
  const wchar_t* name;
  const wchar_t* path;
  bool parses;
  int32_t vendor, product, interfaceNumber, collection;
};

TEST(HidPathTest, DevicePathsParseToTheirIdentity) {
  const PathCase cases[] = {
      {L"full", L"\\\\?\\hid#vid_1234&pid_abcd&mi_01&col05#7&1&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", true,
       0x1234, 0xABCD, 1, 5},
      {L"upper case broadcast", L"\\\\?\\HID#VID_1234&PID_ABCD&MI_01&COL05#7&1&0&0000#{4D1E55B2-F16F-11CF}", true,
       0x1234, 0xABCD, 1, 5},
      {L"single interface", L"\\\\?\\hid#vid_e7a1&pid_5b0e&col02#7&3&0&0001#{...}", true, 0xE7A1, 0x5B0E, -1, 2},
      {L"single collection", L"\\\\?\\hid#vid_e7a1&pid_5b0d&mi_00#7&1&0&0000#{...}", true, 0xE7A1, 0x5B0D, 0, -1},
      {L"neither", L"\\\\?\\hid#vid_845e&pid_0001#1&2&0&0000#{...}", true, 0x845E, 0x0001, -1, -1},
      {L"with revision", L"\\\\?\\hid#vid_1234&pid_abcd&rev_0110&mi_02&col1a#x", true, 0x1234, 0xABCD, 2, 0x1A},
      {L"found inside a longer name", L"\\\\?\\usb#x\\hid#vid_0001&pid_0002&mi_03", true, 1, 2, 3, -1},
      {L"letters outside hex read as far as hex goes", L"hid#vid_12zz&pid_zzzz", true, 0x12, 0, -1, -1},
      {L"not a HID path", L"\\\\?\\usb#vid_1234&pid_abcd#5&1&0&0000#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", false, 0, 0, 0, 0},
      {L"short vendor field", L"\\\\?\\hid#vid_123&pid_abcd&mi_01", false, 0, 0, 0, 0},
      {L"punctuation in a field", L"\\\\?\\hid#vid_12-4&pid_abcd", false, 0, 0, 0, 0},
      {L"empty", L"", false, 0, 0, 0, 0},
  };
  for (const PathCase& c : cases) {
    int32_t vendor = 99, product = 99, interfaceNumber = 99, collection = 99;
    bool parsed = ParseHidDevicePath(c.path, &vendor, &product, &interfaceNumber, &collection);
    EXPECT_EQ(parsed, c.parses) << c.name;
    if (!c.parses) {
      EXPECT_EQ(vendor, 99) << c.name << ": outputs untouched";
      EXPECT_EQ(collection, 99) << c.name;
      continue;
    }
    EXPECT_EQ(vendor, c.vendor) << c.name;
    EXPECT_EQ(product, c.product) << c.name;
    EXPECT_EQ(interfaceNumber, c.interfaceNumber) << c.name;
    EXPECT_EQ(collection, c.collection) << c.name;
  }
}

TEST(HidPathTest, NullOutputsAreNotStoredAndNullPathDoesNotParse) {
  int32_t collection = 0;
  EXPECT_TRUE(ParseHidDevicePath(L"hid#vid_1234&pid_abcd&col03", nullptr, nullptr, nullptr, &collection));
  EXPECT_EQ(collection, 3);
  EXPECT_FALSE(ParseHidDevicePath(nullptr, nullptr, nullptr, nullptr, &collection));
}

TEST(HidPathTest, GuidDiagnosticFormat) {
  const GUID hid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
  EXPECT_EQ(FormatGuidForDiagnostics(hid), "4d1e55b2-f16f-11cf-88cb001111000030");
  const GUID small = {0x12, 0x3, 0x4, {0, 0, 0, 0, 0, 0, 0, 1}};
  EXPECT_EQ(FormatGuidForDiagnostics(small), "0012-03-04-0000000000000001");
}

TEST(HidPathTest, NoVendorAndNoProductSearchesNothing) {
  testing::internal::CaptureStdout();
  HidInterfaceInfo* list = FindHidInterfaces(0, 0, nullptr, -1, -1);
  const int32_t none[] = {0x5B0D};
  HidInterfaceInfo* alsoNone = FindHidInterfaces(-5, 0, none, -1, -1);
  std::string output = testing::internal::GetCapturedStdout();
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(alsoNone, nullptr);
  EXPECT_EQ(output.find("got classs"), std::string::npos) << "the device set was made: " << output;
}

}  // namespace
