// The key event monitor against the simulated filter driver.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "keyfunc/KeyMonitor.h"
#include "keyfunc/KeySim.h"

namespace {

using HidUsbFilter::KeyMonitor;
using kb::test::Key;
using kb::test::KeySim;
using kb::test::WaitUntil;

// A listener that notes what it saw, in a log shared by several listeners.
struct SeenLog {
  std::mutex mutex;
  std::vector<std::string> lines;
  void Add(const std::string& line) {
    std::lock_guard<std::mutex> hold(mutex);
    lines.push_back(line);
  }
  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> hold(mutex);
    return lines;
  }
};

class Listener {
 public:
  Listener(std::string name, SeenLog* log, int32_t result) : name(std::move(name)), log(log), result(result) {}
  int32_t OnKey(uint8_t page, uint16_t usage, bool pressed) {
    log->Add(name + " " + std::to_string(page) + ":" + std::to_string(usage) + (pressed ? " down" : " up"));
    return result;
  }

 private:
  std::string name;
  SeenLog* log;
  int32_t result;
};

class KeyMonitorTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sim.Start()); }
  // `monitor` with `listener` registered, its filter open and its first
  // event read waiting in the driver.
  void StartListening(KeyMonitor& monitor, Listener& listener) {
    monitor.AddProxy(&listener, &Listener::OnKey);
    ASSERT_NE(monitor.OpenFilter(), INVALID_HANDLE_VALUE);
    ASSERT_TRUE(monitor.Start());
    ASSERT_TRUE(WaitUntil([&] { return sim.FilterValue("event-reads") >= 1; }));
  }
  KeySim sim;
};

TEST_F(KeyMonitorTest, NewestListenerFirstAndConsumedEventsStop) {
  struct Case {
    const char* what;
    int32_t olderResult;
    int32_t newerResult;
    std::vector<std::string> seen;
  };
  const Case cases[] = {
      {"newer passes on", 0, 0, {"newer 7:4 down", "older 7:4 down", "newer 7:4 up", "older 7:4 up"}},
      {"newer consumes", 0, 1, {"newer 7:4 down", "newer 7:4 up"}},
  };
  for (const Case& c : cases) {
    SeenLog log;
    Listener older("older", &log, c.olderResult);
    Listener newer("newer", &log, c.newerResult);
    KeyMonitor monitor;
    monitor.AddProxy(&older, &Listener::OnKey);
    monitor.AddProxy(&newer, &Listener::OnKey);
    ASSERT_NE(monitor.OpenFilter(), INVALID_HANDLE_VALUE);
    ASSERT_TRUE(monitor.Start());
    ASSERT_TRUE(WaitUntil([&] { return sim.FilterValue("event-reads") >= 1; })) << c.what;
    sim.Command({"tap", "a"});
    ASSERT_TRUE(WaitUntil([&] { return log.Lines().size() >= c.seen.size(); })) << c.what;
    Sleep(20);
    EXPECT_EQ(log.Lines(), c.seen) << c.what;
  }
}

TEST_F(KeyMonitorTest, NoRequestsWithoutListeners) {
  KeyMonitor monitor;
  ASSERT_NE(monitor.OpenFilter(), INVALID_HANDLE_VALUE);
  ASSERT_TRUE(monitor.Start());
  Sleep(100);
  EXPECT_EQ(sim.FilterValue("event-reads"), 0);
  SeenLog log;
  Listener listener("l", &log, 0);
  monitor.AddProxy(&listener, &Listener::OnKey);
  EXPECT_TRUE(WaitUntil([&] { return sim.FilterValue("event-reads") >= 1; }));
  monitor.RemoveProxy(&listener, &Listener::OnKey);
  monitor.Stop();
}

TEST_F(KeyMonitorTest, StopWhileAReadIsPendingEndsWithoutAKey) {
  SeenLog log;
  Listener listener("l", &log, 0);
  KeyMonitor monitor;
  monitor.AddProxy(&listener, &Listener::OnKey);
  ASSERT_NE(monitor.OpenFilter(), INVALID_HANDLE_VALUE);
  for (int round = 0; round < 20; ++round) {
    long long before = sim.FilterValue("event-reads");
    ASSERT_TRUE(monitor.Start());
    ASSERT_TRUE(WaitUntil([&] { return sim.FilterValue("event-reads") > before; })) << round;
    auto start = std::chrono::steady_clock::now();
    monitor.Stop();
    // Generous: a stop that waited for a key would wait forever.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << round;
    EXPECT_FALSE(monitor.IsRunning());
  }
  EXPECT_TRUE(log.Lines().empty());
  // Started again, it still delivers.
  ASSERT_TRUE(monitor.Start());
  ASSERT_TRUE(WaitUntil([&] { return sim.FilterValue("event-reads") >= 1; }));
  sim.Command({"press", "b"});
  EXPECT_TRUE(WaitUntil([&] { return log.Lines().size() == 1; }));
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"l 7:5 down"});
}

TEST_F(KeyMonitorTest, InterceptedKeysAreWithheldFromTheSystem) {
  SeenLog log;
  Listener listener("l", &log, 0);
  KeyMonitor monitor;
  monitor.AddProxy(&listener, &Listener::OnKey);
  ASSERT_NE(monitor.OpenFilter(), INVALID_HANDLE_VALUE);
  ASSERT_TRUE(monitor.Start());
  ASSERT_TRUE(monitor.SendInterceptTable({Key(7, 4), Key(12, 0xE9)}));
  sim.Command({"reset-typed"});
  sim.Command({"tap", "a", "b", "volup"});
  ASSERT_TRUE(WaitUntil([&] { return log.Lines().size() == 6; }));
  std::vector<kb::test::TypedEvent> typed = sim.Typed("keyboard");
  ASSERT_EQ(typed.size(), 2u);
  EXPECT_EQ(typed[0].code, Key(7, 5));
  EXPECT_EQ(typed[1].code, Key(7, 5));
}

TEST_F(KeyMonitorTest, MoreThan256AssignmentsFillTheTable) {
  KeyMonitor monitor;
  ASSERT_NE(monitor.OpenFilter(), INVALID_HANDLE_VALUE);
  std::vector<KeyCode> codes;
  for (uint16_t i = 0; i < 256; ++i) codes.push_back(MakeKeyCode(7, i));
  for (uint16_t i = 0; i < 40; ++i) codes.push_back(MakeKeyCode(12, i));
  ASSERT_TRUE(monitor.SendInterceptTable(codes));
  std::vector<std::string> table = sim.InterceptList();
  ASSERT_EQ(table.size(), 256u);
  for (const std::string& code : table) EXPECT_EQ(code.substr(0, 3), "07:") << code;
}

TEST_F(KeyMonitorTest, TheDestructorClearsTheTable) {
  {
    KeyMonitor monitor;
    ASSERT_NE(monitor.OpenFilter(), INVALID_HANDLE_VALUE);
    ASSERT_TRUE(monitor.SendInterceptTable({Key(7, 4)}));
    EXPECT_EQ(sim.InterceptList().size(), 1u);
    ASSERT_TRUE(monitor.NotifyRecordingStart());
    EXPECT_EQ(sim.FilterValue("recording-starts"), 1);
  }
  EXPECT_TRUE(sim.InterceptList().empty());
  EXPECT_EQ(sim.FilterValue("sessions"), 0);
}

TEST_F(KeyMonitorTest, ReopeningTheFilterKeepsTheLoopGoing) {
  SeenLog log;
  Listener listener("l", &log, 0);
  KeyMonitor monitor;
  ASSERT_NO_FATAL_FAILURE(StartListening(monitor, listener));
  ASSERT_NE(monitor.OpenFilter(), INVALID_HANDLE_VALUE);
  ASSERT_TRUE(WaitUntil([&] { return sim.FilterValue("sessions") == 3; }));
  sim.Command({"press", "c"});
  EXPECT_TRUE(WaitUntil([&] { return log.Lines().size() == 1; }));
}

// A device change re-creating the filter's device makes the program close its
// handles and open them again. Key events of that moment must still arrive:
// a release lost there leaves the key down for good.
TEST_F(KeyMonitorTest, KeysOfAFilterReopenAreNotLost) {
  SeenLog log;
  Listener listener("l", &log, 0);
  KeyMonitor monitor;
  ASSERT_NO_FATAL_FAILURE(StartListening(monitor, listener));
  sim.Command({"press", "a"});
  ASSERT_TRUE(WaitUntil([&] { return log.Lines().size() >= 1; }));
  // The release comes while no handle is open, then the reopen.
  monitor.CloseFilter();
  ASSERT_TRUE(WaitUntil([&] { return sim.FilterValue("sessions") == 0; }));
  sim.Command({"release", "a"});
  ASSERT_NE(monitor.ReopenFilter(), INVALID_HANDLE_VALUE);
  EXPECT_TRUE(monitor.IsRunning());
  sim.Command({"tap", "b"});
  ASSERT_TRUE(WaitUntil([&] { return log.Lines().size() >= 4; }));
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{"l 7:4 down", "l 7:4 up", "l 7:5 down", "l 7:5 up"}));
}

// A reopen of a stopped monitor (the macro editor stopped it) leaves it
// stopped.
TEST_F(KeyMonitorTest, ReopenKeepsAStoppedMonitorStopped) {
  KeyMonitor monitor;
  ASSERT_NE(monitor.OpenFilter(), INVALID_HANDLE_VALUE);
  EXPECT_NE(monitor.ReopenFilter(), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(monitor.IsRunning());
  EXPECT_TRUE(monitor.FilterOpen());
}

}  // namespace
