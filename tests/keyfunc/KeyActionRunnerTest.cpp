// Key actions end to end on the simulated machine: a physical key pressed in
// kbsim reaches the filter driver, the key monitor and the key handler, and
// what the playback types arrives at kbsim's virtual keyboard.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "keyfunc/KeyMonitor.h"
#include "keyfunc/KeySim.h"
#include "keyfunc/VHidev.h"
#include "keyfunc/VirtualKeyboardSetup.h"
#include "macro/KeyActionRunner.h"

namespace {

using kb::test::Key;
using kb::test::KeySim;
using kb::test::TypedEvent;
using kb::test::WaitUntil;

KeyStep Step(KeyCode code, int32_t state, int32_t delay) { return KeyStep{code, state, delay, L""}; }

KeyRecord Record(KeyCode trigger, int32_t play, int32_t repeat, std::vector<KeyStep> steps) {
  KeyRecord record;
  record.code = trigger;
  record.play = play;
  record.repeat = repeat;
  record.steps = std::move(steps);
  return record;
}

// A tap of `key` with a pause after each edge.
std::vector<KeyStep> Tap(uint16_t usage, int32_t delay = 2) {
  return {Step(Key(7, usage), 1, delay), Step(Key(7, usage), 0, delay)};
}

constexpr uint16_t kA = 0x04, kB = 0x05, kC = 0x06, kD = 0x07;
// Steps keep a schedule: a late one goes out at once, so a single gap may be
// short, but no report goes out before the delays ahead of it have passed
// since the first one. kbsim stamps with the wall clock, which may be slewed
// against the monotonic clock the playback keeps: a small allowance.
constexpr long long kClockSlewUs = 200;

class KeyActionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Start());
    ASSERT_EQ(sim.Command({"vkbd", "install"}).status, 0);
    GUID hid;
    HidD_GetHidGuid(&hid);
    HANDLE handle = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(FindVirtualKeyboard(hid, &handle));
    vhidev.SetDevice(handle);
    monitor.AddProxy(&runner, &KeyActionRunner::OnKeyEvent);
    ASSERT_NE(monitor.OpenFilter(), INVALID_HANDLE_VALUE);
    ASSERT_TRUE(monitor.Start());
    ASSERT_TRUE(WaitUntil([&] { return sim.FilterValue("event-reads") >= 1; }));
  }
  void Assign(const std::vector<KeyRecord>& list) {
    for (const KeyRecord& r : list) records.Upsert(r);
    ASSERT_TRUE(monitor.SendInterceptTable(records.Codes()));
  }
  void Physical(const std::string& action, const std::string& key) { sim.Command({action, key}); }
  std::vector<TypedEvent> Typed() { return kb::test::OnlyKeys(sim.Typed("vkbd")); }
  // Waits until the virtual keyboard has been quiet for a while.
  void WaitQuiet(int quietMs = 60) {
    size_t count = Typed().size();
    for (int i = 0; i < 200; ++i) {
      Sleep(quietMs);
      size_t now = Typed().size();
      if (now == count) return;
      count = now;
    }
  }
  bool Playing() { return runner.CurrentRecord().code != 0; }
  // Lets the monitor hand out every key event still queued, then stops it and
  // the playback, so that no key handler runs while the test looks.
  void StopAll() {
    WaitUntil([&] { return sim.FilterValue("queued") == 0; });
    Sleep(20);
    monitor.Stop();
    runner.StopPlayback();
  }
  void Restart() {
    long long reads = sim.FilterValue("event-reads");
    ASSERT_TRUE(monitor.Start());
    ASSERT_TRUE(WaitUntil([&] { return sim.FilterValue("event-reads") > reads; }));
  }
  std::vector<std::string> Edges() {
    std::vector<std::string> edges;
    for (const TypedEvent& e : Typed()) edges.push_back(std::string(e.down ? "+" : "-") + std::to_string(e.code & 0xFF));
    return edges;
  }

  KeySim sim;
  VHidev vhidev;
  RecordStore records;
  KeyActionRunner runner{vhidev, records};
  HidUsbFilter::KeyMonitor monitor;
};

// Every play mode, each with a script of physical keys and what it must
// leave behind.
TEST_F(KeyActionTest, PlayModes) {
  struct Case {
    const char* what;
    std::vector<KeyRecord> records;
    std::vector<std::pair<std::string, std::string>> script;  // "wait": milliseconds; "typed": edges
    bool playingAfter;
    int minEdges;  // at least this many edges typed
    int maxEdges;  // at most (-1: no bound)
  };
  const Case cases[] = {
      {"count 3 types six edges and stops",
       {Record(0x7003A, kPlayCount, 3, Tap(kA))},
       {{"tap", "f1"}, {"wait", "100"}},
       false, 6, 6},
      {"while held stops on release",
       {Record(0x7003A, kPlayWhileHeld, 0, Tap(kA))},
       {{"press", "f1"}, {"typed", "4"}, {"release", "f1"}},
       false, 4, -1},
      {"toggle: the second press stops",
       {Record(0x7003A, kPlayToggle, 0, Tap(kA))},
       {{"tap", "f1"}, {"typed", "4"}, {"tap", "f1"}},
       false, 4, -1},
      {"toggle: another assigned key takes over",
       {Record(0x7003A, kPlayToggle, 0, Tap(kA)), Record(0x7003B, kPlayCount, 1, Tap(kB))},
       {{"tap", "f1"}, {"typed", "4"}, {"tap", "f2"}, {"wait", "60"}},
       false, 6, -1},
      {"until another key ignores its own key",
       {Record(0x7003A, kPlayUntilAnotherKey, 0, Tap(kA))},
       {{"tap", "f1"}, {"typed", "4"}, {"tap", "f1"}, {"wait", "40"}},
       true, 8, -1},
      {"until another key stops on any other key",
       {Record(0x7003A, kPlayUntilAnotherKey, 0, Tap(kA))},
       {{"tap", "f1"}, {"typed", "4"}, {"tap", "x"}},
       false, 4, -1},
      {"until any key stops on its own key",
       {Record(0x7003A, kPlayUntilAnyKey, 0, Tap(kA))},
       {{"tap", "f1"}, {"typed", "4"}, {"tap", "f1"}},
       false, 4, -1},
      {"repeat -1 runs until another trigger",
       {Record(0x7003A, kPlayCount, -1, Tap(kA)), Record(0x7003B, kPlayCount, 1, Tap(kB))},
       {{"tap", "f1"}, {"typed", "20"}, {"tap", "f2"}},
       false, 20, -1},
  };
  for (const Case& c : cases) {
    StopAll();
    Restart();
    records.Clear();
    Assign(c.records);
    sim.Command({"reset-typed"});
    for (const auto& [action, key] : c.script) {
      if (action == "wait") {
        Sleep(static_cast<DWORD>(std::stoi(key)));
      } else if (action == "typed") {
        // Played this far before the next key: on a busy machine a fixed
        // pause may end before the playback has even begun.
        const size_t edges = static_cast<size_t>(std::stoi(key));
        EXPECT_TRUE(WaitUntil([&] { return Typed().size() >= edges; })) << c.what;
      } else {
        Physical(action, key);
      }
    }
    if (!c.playingAfter) {
      EXPECT_TRUE(WaitUntil([&] { return !Playing(); })) << c.what;
      WaitQuiet();
      EXPECT_TRUE(sim.Held().empty()) << c.what;
    } else {
      // Still typing a while later.
      size_t before = Typed().size();
      EXPECT_TRUE(WaitUntil([&] { return Typed().size() > before + 4; })) << c.what;
    }
    int edges = static_cast<int>(Typed().size());
    EXPECT_GE(edges, c.minEdges) << c.what;
    if (c.maxEdges >= 0) {
      EXPECT_LE(edges, c.maxEdges) << c.what;
    }
  }
  StopAll();
  EXPECT_TRUE(sim.Held().empty());
}

TEST_F(KeyActionTest, CountThreeTypesTheStepsInOrder) {
  Assign({Record(0x7003A, kPlayCount, 3, Tap(kA, 5))});
  Physical("tap", "f1");
  ASSERT_TRUE(WaitUntil([&] { return Typed().size() >= 6 && !Playing(); }));
  WaitQuiet();
  EXPECT_EQ(Edges(), (std::vector<std::string>{"+4", "-4", "+4", "-4", "+4", "-4"}));
  std::vector<TypedEvent> typed = Typed();
  for (size_t i = 1; i < typed.size(); ++i) EXPECT_GE(typed[i].timeUs - typed[0].timeUs, 5000LL * i - kClockSlewUs) << i;
  EXPECT_TRUE(sim.Typed("keyboard").empty()) << "the trigger key was withheld";
}

TEST_F(KeyActionTest, UntilAnotherKeyDoesNotStartTheStoppingKeysRecord) {
  Assign({Record(0x7003A, kPlayUntilAnotherKey, 0, Tap(kA)), Record(0x7003B, kPlayCount, 1, Tap(kB))});
  Physical("tap", "f1");
  ASSERT_TRUE(WaitUntil([&] { return Typed().size() >= 4; }));
  Physical("tap", "f2");
  ASSERT_TRUE(WaitUntil([&] { return !Playing(); }));
  WaitQuiet();
  for (const std::string& edge : Edges()) EXPECT_NE(edge, "+5");
}

TEST_F(KeyActionTest, DirectKeyIsMirroredAlsoWhileAMacroPlays) {
  Assign({Record(0x7003A, kPlayCount, -1, Tap(kA, 3)), Record(0x7003C, kPlayDirectKey, 0, {Step(Key(7, kC), 1, 0)})});
  Physical("tap", "f1");
  ASSERT_TRUE(WaitUntil([&] { return Typed().size() >= 2; }));
  Physical("press", "f3");
  ASSERT_TRUE(WaitUntil([&] {
    std::vector<uint32_t> held = sim.Held();
    return std::find(held.begin(), held.end(), Key(7, kC)) != held.end();
  }));
  Physical("release", "f3");
  ASSERT_TRUE(WaitUntil([&] {
    std::vector<uint32_t> held = sim.Held();
    return std::find(held.begin(), held.end(), Key(7, kC)) == held.end();
  }));
  EXPECT_TRUE(Playing());
  StopAll();
  EXPECT_TRUE(sim.Held().empty());
}

TEST_F(KeyActionTest, DelayZeroWaitsAMillisecond) {
  std::vector<KeyStep> steps;
  for (int i = 0; i < 20; ++i) steps.push_back(Step(Key(7, kA), i % 2 == 0 ? 1 : 0, 0));
  Assign({Record(0x7003A, kPlayCount, 1, steps)});
  Physical("tap", "f1");
  ASSERT_TRUE(WaitUntil([&] { return Typed().size() >= 20; }));
  std::vector<TypedEvent> typed = Typed();
  for (size_t i = 1; i < typed.size(); ++i) EXPECT_GE(typed[i].timeUs - typed[0].timeUs, 1000LL * i - kClockSlewUs) << i;
}

// A stored delay of 2^32-1 ms (old files may hold one) holds Shift and X for
// that long; whatever ends the wait, the stop releases both at once, so the
// system holds nothing. The total length of a macro follows its delays.
TEST_F(KeyActionTest, EveryWayOfStoppingAHugeDelayReleasesTheKeys) {
  const KeyCode kShift = Key(7, 0xE1), kX = Key(7, 0x1B);
  const std::vector<KeyStep> holdForever = {Step(kX, 1, 1), Step(kShift, 1, -1), Step(kShift, 0, 1), Step(kX, 0, 1)};
  struct Case {
    const char* what;
    int32_t play;
    std::vector<std::pair<std::string, std::string>> stop;  // physical keys; empty: StopPlayback
  };
  const Case cases[] = {
      {"count: another trigger", kPlayCount, {{"tap", "f2"}}},
      {"count: StopPlayback", kPlayCount, {}},
      {"while held: release", kPlayWhileHeld, {{"release", "f1"}}},
      {"toggle: second press", kPlayToggle, {{"tap", "f1"}}},
      {"until another key", kPlayUntilAnotherKey, {{"tap", "y"}}},
      {"until any key", kPlayUntilAnyKey, {{"tap", "f1"}}},
  };
  for (const Case& c : cases) {
    StopAll();
    Restart();
    records.Clear();
    Assign({Record(0x7003A, c.play, 1, holdForever), Record(0x7003B, kPlayCount, 1, Tap(kB, 1))});
    sim.Command({"reset-typed"});
    Physical("press", "f1");
    if (c.play != kPlayWhileHeld) Physical("release", "f1");
    ASSERT_TRUE(WaitUntil([&] { return sim.Held().size() == 2; })) << c.what;
    Sleep(50);
    EXPECT_EQ(sim.Held().size(), 2u) << c.what << ": the wait ended by itself";
    if (c.stop.empty()) runner.StopPlayback();
    for (const auto& [action, key] : c.stop) Physical(action, key);
    EXPECT_TRUE(WaitUntil([&] { return !Playing() && sim.Held().empty(); }))
        << c.what << "\n" << sim.Command({"held"}).text;
  }
  StopAll();
  EXPECT_TRUE(sim.Held().empty());
}

// A late step goes out at once and the schedule holds: no report goes out
// before the sum of the delays ahead of it since the first report (kbsim
// stamps a report before the write that sent it returns, and that return
// starts the schedule), however busy the machine. kbsim stamps with the wall
// clock, which may be slewed against the monotonic one: a small allowance.

TEST_F(KeyActionTest, StepsKeepTheirScheduleFromTheFirstReport) {
  std::vector<KeyStep> steps;
  int32_t total = 0;
  for (int i = 0; i < 40; ++i) {
    const int32_t delay = 1 + i % 7;
    steps.push_back(Step(Key(7, kA), i % 2 == 0 ? 1 : 0, delay));
    if (i < 39) total += delay;
  }
  Assign({Record(0x7003A, kPlayCount, 1, steps)});
  Physical("tap", "f1");
  ASSERT_TRUE(WaitUntil([&] { return Typed().size() >= 40 && !Playing(); }));
  std::vector<TypedEvent> typed = Typed();
  long long sum = 0;
  for (size_t i = 1; i < typed.size(); ++i) {
    sum += steps[i - 1].delay;
    EXPECT_GE(typed[i].timeUs - typed[0].timeUs, sum * 1000 - kClockSlewUs) << i;
  }
  EXPECT_EQ(sum, total);
}

// Random key sequences over every play mode: whatever happens, once the keys
// are up and playback is stopped, the system holds nothing.
TEST_F(KeyActionTest, NothingStaysHeldAfterRandomSequences) {
  Assign({Record(0x7003A, kPlayCount, 2, Tap(kA, 1)),
          Record(0x7003B, kPlayWhileHeld, 0, {Step(Key(7, kB), 1, 1), Step(Key(7, 0xE1), 1, 2), Step(Key(7, kB), 0, 1)}),
          Record(0x7003C, kPlayToggle, 0, Tap(kC, 1)),
          Record(0x7003D, kPlayUntilAnotherKey, 0, {Step(Key(7, kD), 1, 3), Step(Key(12, 0xE9), 1, 2)}),
          Record(0x7003E, kPlayUntilAnyKey, 0, Tap(0x08, 1)),
          Record(0x7003F, kPlayCount, -1, {Step(Key(7, 0x09), 1, 2)}),
          Record(0x70040, kPlayDirectKey, 0, {Step(Key(7, 0x0A), 1, 0)})});
  const std::vector<std::string> keys = {"f1", "f2", "f3", "f4", "f5", "f6", "f7", "x", "y"};
  const char* secondsText = std::getenv("KB_PROPERTY_SECONDS");
  const int seconds = secondsText ? std::atoi(secondsText) : 10;
  unsigned seed = static_cast<unsigned>(std::random_device{}());
  std::mt19937 random(seed);
  std::vector<bool> down(keys.size(), false);
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int rounds = 0;
  while (std::chrono::steady_clock::now() < end) {
    size_t k = random() % keys.size();
    Physical(down[k] ? "release" : "press", keys[k]);
    down[k] = !down[k];
    Sleep(random() % 8);
    ++rounds;
    if (rounds % 50 != 0) continue;
    for (size_t i = 0; i < keys.size(); ++i)
      if (down[i]) Physical("release", keys[i]);
    down.assign(keys.size(), false);
    StopAll();
    ASSERT_TRUE(sim.Held().empty()) << "seed " << seed << " round " << rounds << "\n"
                                    << sim.Command({"held"}).text;
    Restart();
  }
  for (size_t i = 0; i < keys.size(); ++i)
    if (down[i]) Physical("release", keys[i]);
  StopAll();
  EXPECT_TRUE(sim.Held().empty()) << "seed " << seed;
}

}  // namespace
