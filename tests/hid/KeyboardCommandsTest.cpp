// The keyboard commands end to end: what the simulated keyboard receives.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "hid/HidDevice.h"
#include "keyboard/KeyboardCommands.h"
#include "platform/text.h"
#include "sim/KbsimProcess.h"
#include "hid/SimDevicePaths.h"

namespace {

using kbtest::kVendorPath;
using kbtest::kReadWriteAccess;

class KeyboardCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kbcmd-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    effects_.Load(kb::Utf8ToWide(folder_ + "/ledeffect.xml"));
    sides_.Load(kb::Utf8ToWide(folder_ + "/sidemodel.xml"));
    ASSERT_TRUE(sim_.Start());
    ASSERT_EQ(device_.Open(kVendorPath, kReadWriteAccess), 1);
    commands_.SetClock([this] { return now_; }, [this](uint32_t ms) { pauses_.push_back(ms); });
  }
  void TearDown() override {
    device_.Close();
    std::filesystem::remove_all(folder_);
  }
  // The bytes of the daemon's log lines of one kind, in order.
  std::vector<std::string> Sent(const std::string& kind) {
    std::vector<std::string> bytes;
    for (const std::string& line : kb::test::LogLines(sim_, kind)) {
      size_t at = line.find(" " + kind + " ") + kind.size() + 2;
      bytes.push_back(line.substr(at, 23));
    }
    return bytes;
  }
  std::string Status() { return sim_.Command({"status"}).text; }

  std::string folder_;
  LedEffectTable effects_;
  SideModelTable sides_;
  kb::test::KbsimProcess sim_;
  HidDevice device_;
  int64_t lastSendTime_ = 0;
  int32_t firmwareVersion_ = -1;
  KeyboardCommands commands_{device_, lastSendTime_, firmwareVersion_, effects_, sides_};
  int64_t now_ = 1700000000;
  std::vector<uint32_t> pauses_;
};

TEST_F(KeyboardCommandsTest, EveryCommandReachesTheKeyboardWithItsBytes) {
  *effects_.GetEntry(21) = LedEffectEntry{5, 2, 1, 2};
  effects_.GetEntry(4)->selection = 1;
  sides_.GetEntry(5)->brightness = 7;
  commands_.SetBacklightEffect(21);
  commands_.ResendBacklightEffect(21);
  commands_.SetSideLight(5);
  commands_.SetBacklightEffect(4);
  commands_.ReadFirmwareVersion();
  commands_.RestoreFactorySettings();
  const std::vector<std::string> expected = {
      "07 ff ff 15 05 02 01 01",  // selection 2 mapped to 1 in byte 6, direction in byte 7
      "07 ff ff 15 05 02 01 01",  // the resend: the same bytes (the firmware knows one layout)
      "07 ff ff 20 00 00 75 00",  // side mode 5 at level 7
      "07 ff ff 04 05 02 00 00",
      "07 f1 00 00 00 00 00 00",
  };
  EXPECT_EQ(Sent("set-feature"), expected);
  EXPECT_EQ(Sent("get-feature"), std::vector<std::string>{"07 f1 00 00 00 00 00 00"});
  EXPECT_EQ(Sent("output"), std::vector<std::string>{"07 f0 aa 00 00 00 00 00"});
  EXPECT_EQ(firmwareVersion_, 256);
}

TEST_F(KeyboardCommandsTest, LightingCommandsChangeWhatTheKeyboardShows) {
  *effects_.GetEntry(6) = LedEffectEntry{3, 1, 1, 1};
  sides_.GetEntry(2)->brightness = 6;
  commands_.SetBacklightEffect(6);
  commands_.SetSideLight(2);
  std::string status = Status();
  for (const char* line : {"effect: 6\n", "brightness: 3\n", "speed: 1\n", "direction: 1\n", "variant: 0\n",
                           "side mode: 2\n", "side level: 6\n"})
    EXPECT_NE(status.find(line), std::string::npos) << line << status;
}

TEST_F(KeyboardCommandsTest, IndicesOutOfRangeSendNothing) {
  commands_.SetBacklightEffect(22);
  commands_.SetBacklightEffect(-1);
  commands_.ResendBacklightEffect(22);
  commands_.SetSideLight(12);
  commands_.SetSideLight(-1);
  EXPECT_TRUE(Sent("set-feature").empty());
  EXPECT_TRUE(pauses_.empty());
  EXPECT_EQ(lastSendTime_, 0);
}

struct VersionCase {
  const char* firmware;
  int32_t value;
  std::wstring text;
};

TEST_F(KeyboardCommandsTest, FirmwareVersionIsReadAndShown) {
  const VersionCase cases[] = {
      {"1.0", 256, L"Firmware: v1.0"},
      {"0.0", 0, L"Firmware: Early version"},
      {"0.133", 133, L"Firmware: v0.133"},
      {"1.5", 261, L"Firmware: v1.5"},
  };
  auto same = [](const std::wstring& t) { return t; };
  for (const VersionCase& c : cases) {
    ASSERT_EQ(sim_.Command({"firmware", c.firmware}).status, 0);
    firmwareVersion_ = -1;
    commands_.ReadFirmwareVersion();
    EXPECT_EQ(firmwareVersion_, c.value) << c.firmware;
    EXPECT_EQ(FirmwareText(firmwareVersion_, same), c.text) << c.firmware;
  }
}

TEST_F(KeyboardCommandsTest, FailedVersionExchangeKeepsTheOldValue) {
  firmwareVersion_ = 261;
  ASSERT_EQ(sim_.Command({"drop"}).status, 0);
  commands_.ReadFirmwareVersion();
  EXPECT_EQ(firmwareVersion_, 261);
  HidDevice closed;
  int32_t version = 42;
  KeyboardCommands idle(closed, lastSendTime_, version, effects_, sides_);
  idle.ReadFirmwareVersion();
  EXPECT_EQ(version, 42);
}

// Each light remembers that its last report did not get through, until one
// does: the main dialog sends it again from that.
TEST_F(KeyboardCommandsTest, AFailedLightingReportIsRememberedUntilOneGetsThrough) {
  commands_.SetSideLight(3);
  commands_.SetBacklightEffect(5);
  EXPECT_FALSE(commands_.SideLightFailed());
  EXPECT_FALSE(commands_.BacklightFailed());
  ASSERT_EQ(sim_.Command({"drop"}).status, 0);  // the keyboard leaves during the next transfer
  commands_.SetSideLight(4);
  EXPECT_TRUE(commands_.SideLightFailed());
  EXPECT_FALSE(commands_.BacklightFailed());
  commands_.SetBacklightEffect(6);
  EXPECT_TRUE(commands_.BacklightFailed()) << "the keyboard is gone";
  ASSERT_EQ(sim_.Command({"plug"}).status, 0);
  device_.Close();
  ASSERT_EQ(device_.Open(kVendorPath, kReadWriteAccess), 1);
  commands_.SetSideLight(4);
  EXPECT_FALSE(commands_.SideLightFailed());
  EXPECT_TRUE(commands_.BacklightFailed()) << "only a backlight report clears the backlight's failure";
  commands_.ResendBacklightEffect(6);
  EXPECT_FALSE(commands_.BacklightFailed());
  EXPECT_NE(Status().find("side mode: 4"), std::string::npos) << Status();
}

TEST_F(KeyboardCommandsTest, PacingWaitsOutTheSecondAndStampsTheTime) {
  struct Step {
    int64_t lastSend, now;
    std::vector<uint32_t> pauses;
  } steps[] = {
      {1700000000, 1700000000, {100}},  // same second
      {1700000000, 1700000007, {93}},
      {1700000000, 1700000100, {}},
      {1700000050, 1700000000, {100}},  // the clock went back
      {0, 1700000000, {}},
  };
  for (const Step& s : steps) {
    lastSendTime_ = s.lastSend;
    now_ = s.now;
    pauses_.clear();
    commands_.SetSideLight(3);
    EXPECT_EQ(pauses_, s.pauses) << s.now - s.lastSend;
    EXPECT_EQ(lastSendTime_, s.now);
  }
  lastSendTime_ = now_;
  pauses_.clear();
  commands_.ResendBacklightEffect(3);
  EXPECT_TRUE(pauses_.empty()) << "the start-up resend is not paced";
  lastSendTime_ = 5;
  commands_.ResendBacklightEffect(3);
  EXPECT_EQ(lastSendTime_, 5) << "nor does it stamp the time";
}

TEST_F(KeyboardCommandsTest, TwoCommandsInOneSecondArriveAHundredMillisecondsApart) {
  int64_t lastSend = 0;
  int32_t version = -1;
  KeyboardCommands real(device_, lastSend, version, effects_, sides_);
  lastSend = std::chrono::duration_cast<std::chrono::seconds>(
                 std::chrono::system_clock::now().time_since_epoch())
                 .count();
  real.SetBacklightEffect(1);
  real.SetBacklightEffect(2);
  std::vector<std::string> lines = kb::test::LogLines(sim_, "set-feature");
  ASSERT_EQ(lines.size(), 2u);
  long long gap = kb::test::LogTimeUs(lines[1]) - kb::test::LogTimeUs(lines[0]);
  EXPECT_GE(gap, 90000) << "the second command must be paced";
  EXPECT_LT(gap, 1000000);
}

TEST_F(KeyboardCommandsTest, FactoryResetMakesTheKeyboardLeaveAndComeBack) {
  *effects_.GetEntry(9) = LedEffectEntry{1, 0, 0, 1};
  commands_.SetBacklightEffect(9);
  ASSERT_NE(Status().find("effect: 9\n"), std::string::npos);
  commands_.RestoreFactorySettings();
  std::vector<std::string> removal, arrival;
  for (int i = 0; i < 100 && arrival.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    arrival = kb::test::LogLines(sim_, "arrival");
  }
  removal = kb::test::LogLines(sim_, "removal");
  ASSERT_EQ(removal.size(), 1u);
  ASSERT_EQ(arrival.size(), 1u);
  long long gap = kb::test::LogTimeUs(arrival[0]) - kb::test::LogTimeUs(removal[0]);
  EXPECT_GE(gap, 900000);
  EXPECT_LT(gap, 3000000);
  EXPECT_NE(Status().find("effect: 20\n"), std::string::npos) << "the keyboard's own defaults";
  // The old handle died with the re-enumeration; the arrival's reopen works.
  firmwareVersion_ = -1;
  commands_.ReadFirmwareVersion();
  EXPECT_EQ(firmwareVersion_, -1);
  ASSERT_EQ(device_.Open(kVendorPath, kReadWriteAccess), 1);
  commands_.ReadFirmwareVersion();
  EXPECT_EQ(firmwareVersion_, 256);
}

}  // namespace
