#include <gtest/gtest.h>

#include "sim/SimKeyboard.h"
#include "sim/SimMachine.h"
#include "sim/SimReceiver.h"

namespace kb::sim {
namespace {

std::vector<uint8_t> Report(std::initializer_list<int> bytes) {
  std::vector<uint8_t> r;
  for (int b : bytes) r.push_back(static_cast<uint8_t>(b));
  return r;
}

struct LightingCase {
  const char* name;
  std::vector<uint8_t> report;
  KeyboardLighting expected;
};

TEST(SimKeyboardTest, VendorCommandsChangeTheLighting) {
  KeyboardLighting defaults;
  KeyboardLighting effect5 = defaults;
  effect5.effect = 5;
  effect5.brightness = 3;
  effect5.speed = 1;
  effect5.variant = 1;
  effect5.direction = 1;
  KeyboardLighting side = defaults;
  side.sideMode = 5;
  side.sideLevel = 7;
  const LightingCase cases[] = {
      {"effect", Report({7, 0xFF, 0xFF, 5, 3, 1, 1, 1}), effect5},
      {"side light", Report({7, 0xFF, 0xFF, 0x20, 0, 0, 0x75, 0}), side},
      {"effect index beyond the last", Report({7, 0xFF, 0xFF, 22, 3, 1, 1, 1}), defaults},
      {"unknown command", Report({7, 0x12, 0xFF, 5, 3, 1, 1, 1}), defaults},
      {"lighting without its marker", Report({7, 0xFF, 0x00, 5, 3, 1, 1, 1}), defaults},
  };
  for (const LightingCase& c : cases) {
    SimLog log;
    SimKeyboard keyboard(&log);
    ReportResult result = keyboard.SetFeature(keyboard.ControlCollection(), c.report);
    EXPECT_EQ(result.error, 0u) << c.name;
    EXPECT_EQ(keyboard.Lighting(), c.expected) << c.name;
  }
}

struct LengthCase {
  const char* name;
  int collection;  // -1: the vendor collection
  std::vector<uint8_t> report;
  uint32_t expectedError;
};

TEST(SimKeyboardTest, ReportsAreCheckedAsTheHidClassDriverChecksThem) {
  const LengthCase cases[] = {
      {"exact length", -1, Report({7, 0, 0, 0, 0, 0, 0, 0}), 0},
      {"one byte short", -1, Report({7, 0, 0, 0, 0, 0, 0}), 1784},
      {"one byte long", -1, Report({7, 0, 0, 0, 0, 0, 0, 0, 0}), 1784},
      {"wrong report id", -1, Report({6, 0, 0, 0, 0, 0, 0, 0}), 31},
      {"collection without feature reports", 1, Report({2, 0, 0, 0, 0, 0, 0, 0}), 1},
  };
  for (const LengthCase& c : cases) {
    SimLog log;
    SimKeyboard keyboard(&log);
    size_t collection = c.collection < 0 ? keyboard.ControlCollection() : static_cast<size_t>(c.collection);
    EXPECT_EQ(keyboard.SetFeature(collection, c.report).error, c.expectedError) << c.name;
    EXPECT_EQ(keyboard.GetFeature(collection, c.report).error, c.expectedError) << c.name;
    EXPECT_EQ(keyboard.Output(collection, c.report).error, c.collection < 0 ? c.expectedError : 1u) << c.name;
  }
}

TEST(SimKeyboardTest, VersionRequestIsAnsweredByTheNextFeatureReadOnly) {
  SimLog log;
  SimKeyboard keyboard(&log);
  keyboard.SetFirmware(1, 0x85);
  size_t vendor = keyboard.ControlCollection();
  const std::vector<uint8_t> read = Report({7, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(keyboard.GetFeature(vendor, read).reply, read);
  ASSERT_EQ(keyboard.SetFeature(vendor, Report({7, 0xF1, 0, 0, 0, 0, 0, 0})).error, 0u);
  EXPECT_EQ(keyboard.GetFeature(vendor, read).reply, Report({7, 1, 0x85, 0, 0, 0, 0, 0}));
  EXPECT_EQ(keyboard.GetFeature(vendor, read).reply, read);
}

TEST(SimKeyboardTest, FactoryResetRestoresDefaultsAndAsksForReenumeration) {
  SimLog log;
  SimKeyboard keyboard(&log);
  size_t vendor = keyboard.ControlCollection();
  keyboard.SetFeature(vendor, Report({7, 0xFF, 0xFF, 3, 1, 0, 0, 1}));
  ASSERT_NE(keyboard.Lighting(), KeyboardLighting());
  EXPECT_FALSE(keyboard.TakeReenumerationRequest());
  EXPECT_EQ(keyboard.Output(vendor, Report({7, 0xF0, 0xAA, 0, 0, 0, 0, 0})).error, 0u);
  EXPECT_EQ(keyboard.Lighting(), KeyboardLighting());
  EXPECT_TRUE(keyboard.TakeReenumerationRequest());
  EXPECT_FALSE(keyboard.TakeReenumerationRequest());
}

TEST(SimKeyboardTest, DropHappensOnTheArmedTransferOnly) {
  SimLog log;
  SimKeyboard keyboard(&log);
  keyboard.ArmDrop(2);
  EXPECT_FALSE(keyboard.TakeDrop());
  EXPECT_FALSE(keyboard.TakeDrop());
  EXPECT_TRUE(keyboard.TakeDrop());
  EXPECT_FALSE(keyboard.TakeDrop());
  EXPECT_FALSE(keyboard.DropArmed());
}

TEST(SimKeyboardTest, PathsHaveTheWindowsForm) {
  SimLog log;
  SimKeyboard keyboard(&log);
  SimReceiver receiver(&log);
  EXPECT_EQ(keyboard.Collections()[keyboard.ControlCollection()].path,
            "\\\\?\\hid#vid_e7a1&pid_5b0d&mi_01&col05#8&2b0ffee2&0&0004#{4d1e55b2-f16f-11cf-88cb-001111000030}");
  EXPECT_EQ(keyboard.Collections()[0].path.find("&col"), std::string::npos);
  for (const SimCollection& c : receiver.Collections()) EXPECT_EQ(c.path.find("&mi_"), std::string::npos);
  EXPECT_EQ(keyboard.FindCollection(
                "\\\\?\\HID#VID_E7A1&PID_5B0D&MI_01&COL05#8&2B0FFEE2&0&0004#{4D1E55B2-F16F-11CF-88CB-001111000030}"),
            static_cast<int>(keyboard.ControlCollection()));
}

class RecordingListener : public SimMachineListener {
 public:
  void OnArrival(SimHidDevice& device, size_t collection) override {
    events.push_back("+" + device.Collections()[collection].name);
  }
  void OnRemoval(SimHidDevice& device, size_t collection) override {
    events.push_back("-" + device.Collections()[collection].name);
  }
  std::vector<std::string> events;
};

TEST(SimMachineTest, ResetMakesTheKeyboardLeaveAndComeBackAfterTheDelay) {
  SimMachine machine;
  RecordingListener listener;
  machine.SetListener(&listener);
  SimKeyboard& keyboard = machine.Keyboard();
  keyboard.Output(keyboard.ControlCollection(), Report({7, 0xF0, 0xAA, 0, 0, 0, 0, 0}));
  const int64_t now = 1000000000;
  machine.AfterReport(keyboard, now);
  EXPECT_FALSE(keyboard.Plugged());
  EXPECT_FALSE(machine.Locate(keyboard.Collections()[0].path).has_value());
  ASSERT_EQ(listener.events.size(), keyboard.Collections().size());
  EXPECT_EQ(listener.events[0], "-mi_00");
  EXPECT_EQ(machine.NextTimerUs(), now + kReenumerationDelayUs);
  machine.RunTimers(now + kReenumerationDelayUs - 1);
  EXPECT_FALSE(keyboard.Plugged());
  machine.RunTimers(now + kReenumerationDelayUs);
  EXPECT_TRUE(keyboard.Plugged());
  EXPECT_EQ(listener.events.back(), "+mi_01&col05");
  EXPECT_EQ(machine.NextTimerUs(), 0);
}

TEST(SimMachineTest, InterfacesListPresentOnesInOrder) {
  SimMachine machine;
  std::vector<SimInterface> all = machine.Interfaces(true);
  ASSERT_EQ(all.size(), 8u);
  EXPECT_NE(all[0].path.find("mi_00"), std::string::npos);
  EXPECT_NE(all[5].path.find("mi_01&col05"), std::string::npos);
  machine.Unplug(machine.Keyboard());
  EXPECT_EQ(machine.Interfaces(true).size(), 2u);
  std::vector<SimInterface> everything = machine.Interfaces(false);
  ASSERT_EQ(everything.size(), 8u);
  EXPECT_FALSE(everything[0].present);
  EXPECT_TRUE(everything[7].present);
}

}  // namespace
}  // namespace kb::sim
