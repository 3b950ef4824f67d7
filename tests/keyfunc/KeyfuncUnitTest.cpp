// Parts of the key functions that need no drivers: the intercept table, the
// virtual keyboard's reports and blocks, the listener list, the driver folder
// and the installer tool's start. These run in both builds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keyfunc/FilterIoctl.h"
#include "keyfunc/InterceptTable.h"
#include "keyfunc/KeyMonitor.h"
#include "keyfunc/RecordingVHidev.h"
#include "keyfunc/VirtualKeyboardSetup.h"
#include "platform/path.h"
#include "platform/timer_resolution.h"

namespace {

using HidUsbFilter::InterceptTable;
using kb::test::RecordingVHidev;
using kb::test::SentReport;

TEST(InterceptTableTest, EntriesFollowTheCodesInOrder) {
  struct Case {
    const char* what;
    std::vector<KeyCode> codes;
    std::vector<std::vector<uint8_t>> entries;  // the leading entries
  };
  const Case cases[] = {
      {"empty", {}, {{0, 0, 0, 0}}},
      {"one key", {MakeKeyCode(7, 0x39)}, {{0x39, 0, 7, 2}, {0, 0, 0, 0}}},
      {"media key", {MakeKeyCode(12, 0xE9), MakeKeyCode(7, 4)}, {{0xE9, 0, 12, 2}, {4, 0, 7, 2}, {0, 0, 0, 0}}},
      {"usage above a byte keeps its low byte", {MakeKeyCode(12, 0x223)}, {{0x23, 0, 12, 2}}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> table = InterceptTable::Build(c.codes);
    ASSERT_EQ(table.size(), HidUsbFilter::kInterceptTableBytes) << c.what;
    for (size_t i = 0; i < c.entries.size(); ++i)
      EXPECT_EQ(std::vector<uint8_t>(table.begin() + 4 * i, table.begin() + 4 * i + 4), c.entries[i])
          << c.what << " entry " << i;
  }
}

TEST(InterceptTableTest, OnlyTheFirst256AssignmentsFit) {
  std::vector<KeyCode> codes;
  for (uint16_t i = 0; i < 300; ++i) codes.push_back(MakeKeyCode(i < 256 ? 7 : 12, i & 0xFF));
  std::vector<uint8_t> table = InterceptTable::Build(codes);
  ASSERT_EQ(table.size(), 1024u);
  for (size_t i = 0; i < 256; ++i) {
    EXPECT_EQ(table[4 * i], i) << i;
    EXPECT_EQ(table[4 * i + 2], 7) << i;
    EXPECT_EQ(table[4 * i + 3], 2) << i;
  }
}

struct UsageStep {
  uint16_t page;
  uint16_t usage;
  bool pressed;
};

std::vector<uint8_t> KeyboardPayload(std::initializer_list<uint8_t> usages) {
  std::vector<uint8_t> payload(33, 0);
  for (uint8_t u : usages) payload[1 + u / 8] |= static_cast<uint8_t>(1u << (u % 8));
  return payload;
}

TEST(VHidevReportTest, EachUsageChangesAndSendsItsReport) {
  struct Case {
    const char* what;
    std::vector<UsageStep> steps;
    int32_t lastResult;
    std::vector<SentReport> sent;  // everything written, in order
  };
  const Case cases[] = {
      {"keyboard bitmap is cumulative",
       {{7, 4, true}, {7, 5, true}, {7, 4, false}},
       1,
       {{1, KeyboardPayload({4})}, {1, KeyboardPayload({4, 5})}, {1, KeyboardPayload({5})}}},
      {"keyboard usage keeps its low byte", {{7, 0x1E0, true}}, 1, {{1, KeyboardPayload({0xE0})}}},
      {"consumer press and release", {{12, 0xE9, true}, {12, 0xE9, false}}, 1, {{3, {0xE9, 0}}, {3, {0, 0}}}},
      {"consumer usage above a byte", {{12, 0x223, true}}, 1, {{3, {0x23, 0x02}}}},
      {"system control", {{1, 0x81, true}, {1, 0x81, false}}, 1, {{4, {0x81, 0}}, {4, {0, 0}}}},
      {"mouse button", {{5, 1, true}, {5, 1, false}}, 1, {{2, {0x02, 0, 0, 0}}, {2, {0, 0, 0, 0}}}},
      {"mouse button 9 sends the report unchanged", {{5, 0, true}, {5, 9, true}}, 1,
       {{2, {0x01, 0, 0, 0}}, {2, {0x01, 0, 0, 0}}}},
      {"a movement is sent once", {{1, 0x30, true}, {5, 0, true}}, 1,
       {{2, {0, 0x30, 0, 0}}, {2, {0x01, 0, 0, 0}}}},
      {"wheel", {{1, 0x38, false}}, 1, {{2, {0, 0, 0, 0x38}}}},
      {"other generic desktop usage", {{1, 0x05, true}}, 0, {}},
      {"other page", {{9, 1, true}}, 0, {}},
  };
  for (const Case& c : cases) {
    RecordingVHidev vhidev;
    int32_t result = -1;
    for (const UsageStep& s : c.steps) result = vhidev.SendUsage(s.page, s.usage, s.pressed);
    EXPECT_EQ(result, c.lastResult) << c.what;
    EXPECT_EQ(vhidev.Sent(), c.sent) << c.what;
  }
}

TEST(VHidevReportTest, ReleaseAllSendsFourEmptyReportsInOrder) {
  RecordingVHidev vhidev;
  vhidev.SendUsage(7, 4, true);
  vhidev.SendUsage(12, 0xE9, true);
  vhidev.Clear();
  vhidev.ReleaseAll();
  std::vector<SentReport> expected = {
      {1, std::vector<uint8_t>(33, 0)}, {2, {0, 0, 0, 0}}, {3, {0, 0}}, {4, {0, 0}}};
  EXPECT_EQ(vhidev.Sent(), expected);
}

TEST(VHidevReportTest, WithoutADeviceWritesFailAndTheStateIsKept) {
  VHidev vhidev;
  EXPECT_EQ(vhidev.SendUsage(7, 4, true), 0);
  EXPECT_EQ(vhidev.Keyboard().payload, KeyboardPayload({4}));
}

TEST(VHidevBlockTest, BlocksCarryIdAndCutData) {
  struct Case {
    const char* what;
    uint32_t length;
    uint8_t reportId;
    size_t dataStart;
    size_t copied;
  };
  const Case cases[] = {
      {"with report id", 33, 1, 2, 33},
      {"62 bytes fit after the id", 62, 3, 2, 62},
      {"longer data is cut to 62", 70, 3, 2, 62},
      {"without report id 63 fit", 70, 0, 1, 63},
      {"nothing", 0, 4, 2, 0},
  };
  std::vector<uint8_t> data(80);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(0x80 + i);
  for (const Case& c : cases) {
    uint8_t block[VHidev::kBlockBytes];
    VHidev::BuildBlock(data.data(), c.length, c.reportId, block);
    EXPECT_EQ(block[0], 5) << c.what;
    if (c.reportId) {
      EXPECT_EQ(block[1], c.reportId) << c.what;
    }
    for (size_t i = c.dataStart; i < VHidev::kBlockBytes; ++i) {
      size_t k = i - c.dataStart;
      EXPECT_EQ(block[i], k < c.copied ? data[k] : 0) << c.what << " byte " << i;
    }
  }
}

class Listener {
 public:
  int32_t First(uint8_t, uint16_t, bool) { return 0; }
  int32_t Second(uint8_t, uint16_t, bool) { return 1; }
};

TEST(KeyMonitorProxyTest, TheSameHandlerTwiceKeepsOneProxy) {
  HidUsbFilter::KeyMonitor monitor;
  Listener a, b;
  monitor.AddProxy(&a, &Listener::First);
  monitor.AddProxy(&a, &Listener::First);
  EXPECT_EQ(monitor.ProxyCount(), 1u);
  monitor.AddProxy(&a, &Listener::Second);
  monitor.AddProxy(&b, &Listener::First);
  EXPECT_EQ(monitor.ProxyCount(), 3u);
  monitor.RemoveProxy(&b, &Listener::Second);  // not registered
  EXPECT_EQ(monitor.ProxyCount(), 3u);
  monitor.RemoveProxy(&a, &Listener::First);
  EXPECT_EQ(monitor.ProxyCount(), 2u);
}

TEST(KeyMonitorProxyTest, WithoutAFilterTheLoopStartsAndStops) {
  HidUsbFilter::KeyMonitor monitor;
  Listener a;
  monitor.AddProxy(&a, &Listener::First);
  EXPECT_EQ(monitor.OpenFilter(), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(monitor.SendInterceptTable({MakeKeyCode(7, 4)}));
  ASSERT_TRUE(monitor.Start());
  EXPECT_TRUE(monitor.IsRunning());
  Sleep(30);
  monitor.Stop();
  EXPECT_FALSE(monitor.IsRunning());
}

TEST(DriverFolderTest, ArchitectureByProcessAndWindows) {
  struct Case {
    bool process64;
    bool wow64;
    std::wstring folder;
  };
  const Case cases[] = {{true, false, L"x64"}, {false, true, L"x64"}, {false, false, L"x86"}};
  for (const Case& c : cases)
    EXPECT_EQ(DriverArchitecture(c.process64, c.wow64), c.folder) << c.process64 << c.wow64;
}

TEST(DriverFolderTest, BesideTheExecutable) {
  std::wstring expected = kb::PathJoin(kb::PathJoin(kb::ExecutableFolder(), L"driver"),
                                       sizeof(void*) == 8 ? L"x64" : L"x86");
  EXPECT_EQ(GetDriverFolder(), expected);
}

TEST(RunProgramTest, NothingToRunFails) {
  EXPECT_EQ(RunProgram(L"", L" remove root\\vhidev"), 0);
  std::wstring missing = kb::PathJoin(kb::ExecutableFolder(), L"no-such-folder/devcon.exe");
  EXPECT_EQ(RunProgram(missing, L" remove root\\vhidev"), 0);
}

TEST(TimerResolutionTest, HoldersNest) {
  int before = kb::ScopedTimerResolution::ActiveCount();
  {
    kb::ScopedTimerResolution outer;
    {
      kb::ScopedTimerResolution inner;
      EXPECT_EQ(kb::ScopedTimerResolution::ActiveCount(), before + 2);
    }
    EXPECT_EQ(kb::ScopedTimerResolution::ActiveCount(), before + 1);
  }
  EXPECT_EQ(kb::ScopedTimerResolution::ActiveCount(), before);
}

}  // namespace
