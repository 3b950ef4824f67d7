// kbsim's key devices in-process: the filter driver, the virtual keyboard's
// decoding, key names and the virtual keyboard's installation.
#include <gtest/gtest.h>

#include "sim/SimFilterDriver.h"
#include "sim/SimKeyNames.h"
#include "sim/SimMachine.h"
#include "sim/SimSystemInput.h"
#include "sim/SimVirtualKeyboard.h"

namespace kb::sim {
namespace {

constexpr uint32_t Code(uint32_t page, uint32_t usage) { return page << 16 | usage; }

TEST(SimFilterDriverTest, ControlRequests) {
  struct Case {
    const char* what;
    uint32_t code;
    size_t inputSize;
    uint32_t outputLength;
    uint32_t error;
    bool pends;
  };
  const Case cases[] = {
      {"reset", kIoctlFilterReset, 0, 0, 0, false},
      {"enable", kIoctlFilterEnable, 0, 0, 0, false},
      {"recording with its 4 bytes", kIoctlFilterRecording, 4, 0, 0, false},
      {"recording without input", kIoctlFilterRecording, 0, 0, 87, false},
      {"event read", kIoctlFilterReadEvent, 0, 4, 0, true},
      {"event read into 2 bytes", kIoctlFilterReadEvent, 0, 2, 122, false},
      {"table", kIoctlFilterSetTable, 1024, 0, 0, false},
      {"short table", kIoctlFilterSetTable, 1000, 0, 87, false},
      {"unknown", 0x226000, 0, 0, 1, false},
  };
  for (const Case& c : cases) {
    SimFilterDriver filter;
    bool pend = false;
    Reply reply = filter.Control(c.code, std::vector<uint8_t>(c.inputSize, 0), c.outputLength, &pend);
    EXPECT_EQ(reply.error, c.error) << c.what;
    EXPECT_EQ(pend, c.pends) << c.what;
  }
}

TEST(SimFilterDriverTest, EventsAreQueuedWhileReportingAndPacked) {
  SimFilterDriver filter;
  filter.Opened(1);
  Reply reply;
  EXPECT_TRUE(filter.KeyEvent(Code(7, 4), true));
  EXPECT_FALSE(filter.TakeEvent(4, &reply)) << "not reporting yet";
  bool pend = false;
  filter.Control(kIoctlFilterEnable, {}, 0, &pend);
  filter.KeyEvent(Code(12, 0x1E9), true);
  filter.KeyEvent(Code(7, 4), false);
  ASSERT_TRUE(filter.TakeEvent(4, &reply));
  EXPECT_EQ(reply.data, (std::vector<uint8_t>{0xE9, 0x01, 12, 1}));
  ASSERT_TRUE(filter.TakeEvent(4, &reply));
  EXPECT_EQ(reply.data, (std::vector<uint8_t>{4, 0, 7, 0}));
  EXPECT_FALSE(filter.TakeEvent(4, &reply));
}

// A program reopening the filter after a device change (all handles closed,
// then opened again by the same process) must find the key events that came
// in between, or a release is lost and the key stays down.
TEST(SimFilterDriverTest, QueueSurvivesAReopenByTheSameOwnerOnly) {
  struct Case {
    const char* what;
    uintptr_t reopenedBy;  // 0: the owner goes away instead
    bool kept;
  };
  const Case cases[] = {
      {"same process reopens", 1, true},
      {"another process opens", 2, false},
      {"the process ends", 0, false},
  };
  for (const Case& c : cases) {
    SimFilterDriver filter;
    bool pend = false;
    filter.Opened(1);
    filter.Control(kIoctlFilterEnable, {}, 0, &pend);
    filter.KeyEvent(Code(7, 4), true);
    filter.Closed();
    // Between the close and the reopen.
    filter.KeyEvent(Code(7, 4), false);
    if (c.reopenedBy) filter.Opened(c.reopenedBy);
    else filter.OwnerGone(1);
    Reply reply;
    EXPECT_EQ(filter.TakeEvent(4, &reply), c.kept) << c.what;
    if (c.kept) {
      EXPECT_EQ(reply.data, (std::vector<uint8_t>{4, 0, 7, 1})) << c.what;
      ASSERT_TRUE(filter.TakeEvent(4, &reply)) << c.what;
      EXPECT_EQ(reply.data, (std::vector<uint8_t>{4, 0, 7, 0})) << c.what;
    }
  }
}

TEST(SimFilterDriverTest, InterceptTableWithholdsKeys) {
  SimFilterDriver filter;
  filter.Opened(1);
  std::vector<uint8_t> table(1024, 0);
  const uint8_t entries[][4] = {{4, 0, 7, 2}, {0xE9, 0, 12, 2}, {5, 0, 7, 0}};
  for (size_t i = 0; i < 3; ++i) std::copy(entries[i], entries[i] + 4, table.begin() + 4 * i);
  bool pend = false;
  ASSERT_EQ(filter.Control(kIoctlFilterSetTable, table, 0, &pend).error, 0u);
  struct Case {
    uint32_t code;
    bool reachesSystem;
  };
  const Case cases[] = {{Code(7, 4), false}, {Code(12, 0xE9), false}, {Code(7, 5), true},
                        {Code(12, 0x1E9), true}, {Code(1, 4), true}};
  for (const Case& c : cases) EXPECT_EQ(filter.KeyEvent(c.code, true), c.reachesSystem) << std::hex << c.code;
}

std::vector<uint8_t> Block(uint8_t id, std::vector<uint8_t> payload) {
  std::vector<uint8_t> block(64, 0);
  block[0] = 5;
  block[1] = id;
  std::copy(payload.begin(), payload.end(), block.begin() + 2);
  return block;
}

std::vector<uint8_t> Bitmap(std::initializer_list<uint8_t> usages) {
  std::vector<uint8_t> payload(33, 0);
  for (uint8_t u : usages) payload[1 + u / 8] |= static_cast<uint8_t>(1u << (u % 8));
  return payload;
}

std::vector<std::string> Events(const SimSystemInput& system) {
  std::vector<std::string> lines;
  for (const SimInputEvent& e : system.Events()) {
    std::string line = SimSystemInput::FormatEvent(e);
    lines.push_back(line.substr(line.find(' ') + 1));
  }
  return lines;
}

TEST(SimVirtualKeyboardTest, BlocksBecomeKeyEvents) {
  struct Case {
    const char* what;
    std::vector<std::vector<uint8_t>> blocks;
    std::vector<std::string> events;
    std::vector<uint32_t> held;
  };
  const Case cases[] = {
      {"press two, swap one in a block",
       {Block(1, Bitmap({4, 5})), Block(1, Bitmap({5, 6}))},
       {"v down 07:0004 A", "v down 07:0005 B", "v up 07:0004 A", "v down 07:0006 C"},
       {Code(7, 5), Code(7, 6)}},
      {"consumer replaced", {Block(3, {0xE9, 0}), Block(3, {0xE2, 0}), Block(3, {0, 0})},
       {"v down 0c:00e9 volup", "v up 0c:00e9 volup", "v down 0c:00e2 mute", "v up 0c:00e2 mute"}, {}},
      {"system control", {Block(4, {0x81, 0})}, {"v down 01:0081 power"}, {Code(1, 0x81)}},
      {"mouse", {Block(2, {1, 0xFF, 0, 0})}, {"v down 09:0001", "v move x=-1 y=0 wheel=0"}, {Code(9, 1)}},
      {"unknown report", {Block(9, {1, 2, 3})}, {}, {}},
  };
  for (const Case& c : cases) {
    SimLog log;
    SimSystemInput system;
    SimVirtualKeyboard keyboard("v", "1", &log, &system);
    keyboard.SetPlugged(true);
    for (const auto& block : c.blocks) EXPECT_EQ(keyboard.Output(0, block).error, 0u) << c.what;
    EXPECT_EQ(Events(system), c.events) << c.what;
    EXPECT_EQ(system.Held(), c.held) << c.what;
    keyboard.Reset();
    EXPECT_TRUE(system.Held().empty()) << c.what;
  }
}

TEST(SimVirtualKeyboardTest, OnlyWholeBlocksWithTheBlockIdArrive) {
  SimLog log;
  SimSystemInput system;
  SimVirtualKeyboard keyboard("v", "1", &log, &system);
  std::vector<uint8_t> shortBlock(63, 0);
  shortBlock[0] = 5;
  EXPECT_NE(keyboard.Output(0, shortBlock).error, 0u);
  std::vector<uint8_t> wrongId = Block(1, Bitmap({4}));
  wrongId[0] = 1;
  EXPECT_NE(keyboard.Output(0, wrongId).error, 0u);
  EXPECT_TRUE(system.Events().empty());
}

TEST(SimKeyNamesTest, KeysByNameAndUsage) {
  struct Case {
    const char* text;
    std::optional<uint32_t> code;
  };
  const Case cases[] = {
      {"a", Code(7, 4)},        {"Z", Code(7, 0x1D)},     {"1", Code(7, 0x1E)},   {"0", Code(7, 0x27)},
      {"f1", Code(7, 0x3A)},    {"F12", Code(7, 0x45)},   {"enter", Code(7, 0x28)}, {"volup", Code(12, 0xE9)},
      {"7:4", Code(7, 4)},      {"c:e9", Code(12, 0xE9)}, {"1:81", Code(1, 0x81)},
      {"", std::nullopt},       {"f13", std::nullopt},    {"f01", std::nullopt},  {"0:4", std::nullopt},
      {"7:10000", std::nullopt}, {"7:", std::nullopt},    {"nokey", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseKey(c.text), c.code) << c.text;
  EXPECT_EQ(KeyNameOf(Code(7, 4)), "A");
  EXPECT_EQ(FormatCode(Code(12, 0xE9)), "0c:00e9");
}

TEST(SimMachineKeysTest, VirtualKeyboardsAreListedOnlyWhileInstalled) {
  SimMachine machine;
  size_t present = machine.Interfaces(true).size();
  size_t all = machine.Interfaces(false).size();
  machine.InstallVirtualKeyboards(2);
  EXPECT_EQ(machine.Interfaces(true).size(), present + 2);
  EXPECT_EQ(machine.Interfaces(false).size(), all + 2);
  machine.RemoveVirtualKeyboards();
  EXPECT_EQ(machine.Interfaces(false).size(), all);
}

TEST(SimMachineKeysTest, PhysicalKeysReachTheSystemUnlessWithheld) {
  SimMachine machine;
  EXPECT_TRUE(machine.PhysicalKey(Code(7, 4), true));
  EXPECT_EQ(machine.System().Held(), std::vector<uint32_t>{Code(7, 4)});
  machine.Unplug(machine.Keyboard());
  EXPECT_FALSE(machine.PhysicalKey(Code(7, 5), true));
}

}  // namespace
}  // namespace kb::sim
