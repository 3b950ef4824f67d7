// The virtual keyboard's writer against kbsim's virtual keyboard: what the
// simulated system makes of the blocks.
#include <gtest/gtest.h>

#include "keyfunc/KeySim.h"
#include "keyfunc/VHidev.h"
#include "keyfunc/VirtualKeyboardSetup.h"

namespace {

using kb::test::Key;
using kb::test::KeySim;
using kb::test::TypedEvent;

class VHidevDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Start());
    ASSERT_EQ(sim.Command({"vkbd", "install"}).status, 0);
    GUID hid;
    HidD_GetHidGuid(&hid);
    HANDLE handle = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(FindVirtualKeyboard(hid, &handle));
    vhidev.SetDevice(handle);
  }
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    for (const TypedEvent& e : sim.Typed("vkbd")) {
      size_t at = e.text.find(" vkbd ");
      lines.push_back(e.text.substr(at + 6));
    }
    return lines;
  }
  KeySim sim;
  VHidev vhidev;
};

TEST_F(VHidevDeviceTest, TheSystemSeesWhatTheReportsSay) {
  struct Step {
    uint16_t page;
    uint16_t usage;
    bool pressed;
  };
  struct Case {
    const char* what;
    std::vector<Step> steps;
    std::vector<std::string> typed;
    std::vector<uint32_t> held;
  };
  const Case cases[] = {
      {"two keys, the first released",
       {{7, 4, true}, {7, 5, true}, {7, 4, false}},
       {"down 07:0004 A", "down 07:0005 B", "up 07:0004 A"},
       {Key(7, 5)}},
      {"consumer usage", {{12, 0xE9, true}, {12, 0xE9, false}}, {"down 0c:00e9 volup", "up 0c:00e9 volup"}, {}},
      {"consumer usage replaced", {{12, 0xE9, true}, {12, 0xE2, true}}, {"down 0c:00e9 volup", "up 0c:00e9 volup", "down 0c:00e2 mute"},
       {Key(12, 0xE2)}},
      {"system control", {{1, 0x82, true}}, {"down 01:0082 sleep"}, {Key(1, 0x82)}},
      {"mouse button 9 changes nothing", {{5, 9, true}}, {}, {}},
      {"mouse button and a movement sent once",
       {{5, 0, true}, {1, 0x30, true}, {5, 0, false}},
       {"down 09:0001", "move x=48 y=0 wheel=0", "up 09:0001"},
       {}},
  };
  for (const Case& c : cases) {
    sim.Command({"reset-typed"});
    for (const Step& s : c.steps) vhidev.SendUsage(s.page, s.usage, s.pressed);
    EXPECT_EQ(Lines(), c.typed) << c.what;
    EXPECT_EQ(sim.Held(), c.held) << c.what;
    vhidev.ReleaseAll();
    EXPECT_TRUE(sim.Held().empty()) << c.what;
  }
}

TEST_F(VHidevDeviceTest, LongDataIsCutAndStillDelivered) {
  std::vector<uint8_t> data(100, 0);
  data[1] = 0x10;  // usage 4 in the keyboard bitmap
  EXPECT_EQ(vhidev.Write(data.data(), static_cast<uint32_t>(data.size()), 1), 1);
  EXPECT_EQ(sim.Held(), std::vector<uint32_t>{Key(7, 4)});
}

TEST_F(VHidevDeviceTest, WritesFailWhenTheKeyboardIsGone) {
  ASSERT_EQ(sim.Command({"vkbd", "remove"}).status, 0);
  EXPECT_EQ(vhidev.SendUsage(7, 4, true), 0);
  EXPECT_EQ(vhidev.Keyboard().payload[1], 0x10) << "the state is kept for the next report";
}

TEST_F(VHidevDeviceTest, ConcurrentSendersLoseNoChange) {
  constexpr int kRounds = 200;
  auto worker = [&](uint16_t usage) {
    for (int i = 0; i < kRounds; ++i) {
      vhidev.SendUsage(7, usage, true);
      vhidev.SendUsage(7, usage, false);
    }
    vhidev.SendUsage(7, usage, true);
  };
  std::thread a(worker, 4), b(worker, 5), c(worker, 6);
  a.join();
  b.join();
  c.join();
  EXPECT_EQ(sim.Held(), (std::vector<uint32_t>{Key(7, 4), Key(7, 5), Key(7, 6)}));
}

}  // namespace
