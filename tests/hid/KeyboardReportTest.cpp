#include <gtest/gtest.h>

#include <cwctype>

#include "keyboard/KeyboardCommands.h"

namespace {

FeatureReport Bytes(std::initializer_list<int> values) {
  FeatureReport r;
  size_t i = 0;
  for (int v : values) r[i++] = static_cast<uint8_t>(v);
  return r;
}

LedEffectEntry Effect(int brightness, int speed, int deriction, int selection) {
  LedEffectEntry e;
  e.brightness = static_cast<uint8_t>(brightness);
  e.speed = static_cast<uint8_t>(speed);
  e.deriction = static_cast<uint8_t>(deriction);
  e.selection = static_cast<uint8_t>(selection);
  return e;
}

struct ReportCase {
  const char* name;
  FeatureReport actual;
  FeatureReport expected;
};

TEST(KeyboardReportTest, EveryCommandHasItsExactBytes) {
  SideModelEntry level7;
  level7.brightness = 7;
  SideModelEntry level4;
  level4.brightness = 4;
  const ReportCase cases[] = {
      {"effect, selection 2 sent as 1", KeyboardCommands::BacklightEffectReport(21, Effect(5, 2, 1, 2)),
       Bytes({0x07, 0xFF, 0xFF, 21, 5, 2, 1, 1})},
      {"effect, selection 1 sent as 0", KeyboardCommands::BacklightEffectReport(4, Effect(3, 1, 1, 1)),
       Bytes({0x07, 0xFF, 0xFF, 4, 3, 1, 0, 1})},
      {"effect, selection 0 after a reset sent as 0", KeyboardCommands::BacklightEffectReport(20, Effect(5, 2, 0, 0)),
       Bytes({0x07, 0xFF, 0xFF, 20, 5, 2, 0, 0})},
      {"side mode 5 level 7", KeyboardCommands::SideLightReport(5, level7), Bytes({0x07, 0xFF, 0xFF, 0x20, 0, 0, 0x75, 0})},
      {"side mode 11 level 4", KeyboardCommands::SideLightReport(11, level4),
       Bytes({0x07, 0xFF, 0xFF, 0x20, 0, 0, 0x4B, 0})},
      {"firmware version request", KeyboardCommands::FirmwareVersionRequest(), Bytes({0x07, 0xF1, 0, 0, 0, 0, 0, 0})},
      {"factory reset", KeyboardCommands::FactoryResetReport(), Bytes({0x07, 0xF0, 0xAA, 0, 0, 0, 0, 0})},
  };
  for (const ReportCase& c : cases) EXPECT_EQ(c.actual, c.expected) << c.name;
}

TEST(KeyboardReportTest, SelectionMapping) {
  const std::pair<int, int> cases[] = {{0, 0}, {1, 0}, {2, 1}, {3, 2}, {4, 4}, {255, 255}};
  for (auto [selection, sent] : cases)
    EXPECT_EQ(KeyboardCommands::MapSelection(static_cast<uint8_t>(selection)), sent) << selection;
}

TEST(KeyboardReportTest, PacingPauseShrinksWithTheSecondsPassed) {
  struct Case {
    int64_t now, last;
    uint32_t pause;
  } cases[] = {
      {1000, 1000, 100}, {1001, 1000, 99},  {1099, 1000, 1}, {1100, 1000, 0},
      {5000, 1000, 0},   {1000, 0, 0},      {995, 1000, 100},  // clock set back
      {0, 1000, 100},
  };
  for (const Case& c : cases)
    EXPECT_EQ(KeyboardCommands::PacingDelayMs(c.now, c.last), c.pause) << c.now << " after " << c.last;
}

TEST(KeyboardReportTest, FirmwareReplyBytesAreUnsigned) {
  EXPECT_EQ(KeyboardCommands::VersionFromReply(Bytes({7, 1, 0})), 256);
  EXPECT_EQ(KeyboardCommands::VersionFromReply(Bytes({7, 1, 5})), 261);
  EXPECT_EQ(KeyboardCommands::VersionFromReply(Bytes({7, 0, 0x85})), 133);
  EXPECT_EQ(KeyboardCommands::VersionFromReply(Bytes({7, 0x85, 0x85})), 0x85 * 256 + 133);
  EXPECT_EQ(KeyboardCommands::VersionFromReply(Bytes({7, 0, 0})), 0);
}

std::wstring Upper(const std::wstring& text) {
  std::wstring out = text;
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towupper(c));
  return L"<" + out + L">";
}

TEST(KeyboardReportTest, FirmwareText) {
  auto same = [](const std::wstring& t) { return t; };
  struct Case {
    int32_t version;
    std::wstring plain, translated;
  } cases[] = {
      {-1, L"", L""},
      {0, L"Firmware: Early version", L"<FIRMWARE><: ><EARLY VERSION>"},
      {256, L"Firmware: v1.0", L"<FIRMWARE>: v1.0"},
      {261, L"Firmware: v1.5", L"<FIRMWARE>: v1.5"},
      {0x8585, L"Firmware: v133.133", L"<FIRMWARE>: v133.133"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FirmwareText(c.version, same), c.plain) << c.version;
    EXPECT_EQ(FirmwareText(c.version, Upper), c.translated) << c.version;
  }
}

}  // namespace
