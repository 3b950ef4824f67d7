// Key actions with the reports kept in memory: what is sent, in which report,
// and with which pauses. These run in both builds.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

#include "keyfunc/RecordingVHidev.h"
#include "macro/KeyActionRunner.h"

namespace {

using kb::test::RecordingVHidev;
using kb::test::SentReport;
using namespace std::chrono_literals;

constexpr KeyCode kTrigger = MakeKeyCode(7, 0x3A);  // F1

KeyRecord Record(int32_t play, int32_t repeat, std::vector<KeyStep> steps) {
  KeyRecord record;
  record.code = kTrigger;
  record.play = play;
  record.repeat = repeat;
  record.steps = std::move(steps);
  return record;
}

KeyStep Step(KeyCode code, int32_t state, int32_t delay) { return KeyStep{code, state, delay, L""}; }

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 5000ms) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    Sleep(1);
  }
  return done();
}

class KeyActionRunnerUnitTest : public ::testing::Test {
 protected:
  void Press() { runner.OnKeyEvent(7, 0x3A, true); }
  void Release() { runner.OnKeyEvent(7, 0x3A, false); }
  RecordingVHidev vhidev;
  RecordStore records;
  KeyActionRunner runner{vhidev, records};
};

TEST_F(KeyActionRunnerUnitTest, CountThreeTypesSixReportsAndStops) {
  records.Upsert(Record(kPlayCount, 3, {Step(MakeKeyCode(7, 4), 1, 1), Step(MakeKeyCode(7, 4), 0, 1)}));
  Press();
  Release();
  ASSERT_TRUE(WaitFor([&] { return runner.CurrentRecord().code == 0 && vhidev.Sent().size() >= 7; }));
  Sleep(20);
  std::vector<SentReport> sent = vhidev.Sent();
  // Six steps, then the release of the key the steps press.
  ASSERT_EQ(sent.size(), 7u);
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(sent[i].payload[1], i % 2 == 0 ? 0x10 : 0x00) << i;
  EXPECT_EQ(sent[6].payload[1], 0x00);
}

TEST_F(KeyActionRunnerUnitTest, StepsPlayOnTheirOwnUsagePage) {
  struct Case {
    const char* what;
    KeyCode code;
    uint8_t reportId;
    std::vector<uint8_t> downPayload;
  };
  const Case cases[] = {
      {"page 0 means keyboard", MakeKeyCode(0, 5), 1, {}},
      {"keyboard", MakeKeyCode(7, 5), 1, {}},
      {"consumer", MakeKeyCode(12, 0xE9), 3, {0xE9, 0}},
      {"system control", MakeKeyCode(1, 0x82), 4, {0x82, 0}},
  };
  for (const Case& c : cases) {
    vhidev.Clear();
    records.Upsert(Record(kPlayCount, 1, {Step(c.code, 1, 1), Step(c.code, 0, 1)}));
    Press();
    ASSERT_TRUE(WaitFor([&] { return runner.CurrentRecord().code == 0 && vhidev.Sent().size() >= 3; })) << c.what;
    std::vector<SentReport> sent = vhidev.Sent();
    EXPECT_EQ(sent[0].id, c.reportId) << c.what;
    if (!c.downPayload.empty()) {
      EXPECT_EQ(sent[0].payload, c.downPayload) << c.what;
    }
    if (c.reportId == 1) {
      EXPECT_EQ(sent[0].payload[1], 0x20) << c.what;
    }
  }
}

// Steps keep a schedule from the first one: a late step is sent at once, so
// no single gap is bounded below, but step i never goes out before the delays
// ahead of it (each raised to 1 ms) have passed since step 0 was sent.
TEST_F(KeyActionRunnerUnitTest, DelayZeroStillWaitsAMillisecond) {
  std::vector<KeyStep> steps;
  for (int i = 0; i < 10; ++i) steps.push_back(Step(MakeKeyCode(7, 4), i % 2 == 0 ? 1 : 0, 0));
  records.Upsert(Record(kPlayCount, 1, steps));
  Press();
  ASSERT_TRUE(WaitFor([&] { return runner.CurrentRecord().code == 0 && vhidev.Sent().size() >= 10; }));
  auto times = vhidev.Times();
  // The schedule reads the clock in whole microseconds.
  for (size_t i = 1; i < 10; ++i) EXPECT_GE(times[i] - times[0], i * 1ms - 2us) << i;
}

// Delays are stored as unsigned 32-bit numbers and may be that large in old
// files: such a step waits (it is not read as negative and cut to 1 ms, nor
// as INFINITE), the wait ends the moment playback is stopped, and the stop
// releases every key the steps pressed.
TEST_F(KeyActionRunnerUnitTest, HugeDelaysWaitAndAStopEndsThemReleasingTheKeys) {
  const uint32_t delays[] = {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu};
  for (uint32_t delay : delays) {
    vhidev.Clear();
    records.Upsert(Record(kPlayToggle, 0,
                          {Step(MakeKeyCode(7, 0x1B), 1, 1), Step(MakeKeyCode(7, 0xE1), 1, static_cast<int32_t>(delay)),
                           Step(MakeKeyCode(7, 0x1B), 0, 1)}));
    Press();
    Release();
    ASSERT_TRUE(WaitFor([&] { return vhidev.Sent().size() >= 2; })) << delay;
    Sleep(50);
    EXPECT_EQ(vhidev.Sent().size(), 2u) << delay << ": the step's wait ended early";
    EXPECT_NE(runner.CurrentRecord().code, 0u) << delay;
    Press();  // a toggle's second press stops it
    EXPECT_EQ(runner.CurrentRecord().code, 0u) << delay;
    EXPECT_EQ(vhidev.Keyboard().payload, std::vector<uint8_t>(33, 0)) << delay;
    Release();
  }
}

// Regression: the idle playback worker polled every 3 ms between macros.
TEST_F(KeyActionRunnerUnitTest, IdlePlaybackWorkerSleeps) {
  records.Upsert(Record(kPlayCount, 1, {Step(MakeKeyCode(7, 4), 1, 1), Step(MakeKeyCode(7, 4), 0, 1)}));
  Press();
  Release();
  ASSERT_TRUE(WaitFor([&] { return runner.CurrentRecord().code == 0 && vhidev.Sent().size() >= 3; }));
  const uint64_t before = runner.PlaybackPasses();
  Sleep(1000);
  EXPECT_LE(runner.PlaybackPasses() - before, 1u);
}

TEST_F(KeyActionRunnerUnitTest, DirectKeyFollowsTheTrigger) {
  records.Upsert(Record(kPlayDirectKey, 0, {Step(MakeKeyCode(12, 0xE2), 1, 0)}));
  Press();
  Release();
  std::vector<SentReport> expected = {{3, {0xE2, 0}}, {3, {0, 0}}};
  EXPECT_EQ(vhidev.Sent(), expected);
  EXPECT_EQ(runner.CurrentRecord().code, 0u);
}

TEST_F(KeyActionRunnerUnitTest, NoStepsAndUnassignedKeysSendNothing) {
  records.Upsert(Record(kPlayDirectKey, 0, {}));
  Press();
  Release();
  runner.OnKeyEvent(7, 4, true);
  runner.OnKeyEvent(7, 4, false);
  Sleep(10);
  EXPECT_TRUE(vhidev.Sent().empty());
}

TEST_F(KeyActionRunnerUnitTest, DestructionReleasesWhatPlays) {
  auto local = std::make_unique<KeyActionRunner>(vhidev, records);
  records.Upsert(Record(kPlayToggle, 0, {Step(MakeKeyCode(7, 4), 1, 1), Step(MakeKeyCode(7, 5), 1, 1000)}));
  local->OnKeyEvent(7, 0x3A, true);
  ASSERT_TRUE(WaitFor([&] { return vhidev.Sent().size() >= 2; }));
  local.reset();
  ReportSection keyboard = vhidev.Keyboard();
  EXPECT_EQ(keyboard.payload, std::vector<uint8_t>(33, 0));
}

TEST_F(KeyActionRunnerUnitTest, NegativeCountsOtherThanEndlessPlayNothing) {
  records.Upsert(Record(kPlayCount, -2, {Step(MakeKeyCode(7, 4), 1, 1), Step(MakeKeyCode(7, 4), 0, 1)}));
  Press();
  Sleep(30);
  EXPECT_TRUE(vhidev.Sent().empty());
}

}  // namespace
