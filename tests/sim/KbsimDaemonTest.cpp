#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/kbsim_protocol.h"
#include "sim/KbsimProcess.h"

namespace kb::test {
namespace {

class KbsimDaemonTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sim_.Start()) << "kbsim did not start: " << KbsimProcess::Executable(); }
  KbsimProcess sim_;
};

TEST_F(KbsimDaemonTest, StatusShowsTheKeyboardsDefaultsAndFirmware) {
  KbsimResult status = sim_.Command({"status"});
  EXPECT_EQ(status.status, 0);
  for (const char* line : {"plugged: yes", "effect: 20", "brightness: 5", "speed: 2", "direction: 0", "variant: 0",
                           "side mode: 0", "side level: 4", "firmware: 1.0"})
    EXPECT_NE(status.text.find(std::string(line) + "\n"), std::string::npos) << line;
  EXPECT_EQ(sim_.Command({"firmware", "2.17"}).status, 0);
  EXPECT_NE(sim_.Command({"status"}).text.find("firmware: 2.17\n"), std::string::npos);
  EXPECT_NE(sim_.Command({"status", "receiver"}).text.find("product: 5b0e"), std::string::npos);
}

TEST_F(KbsimDaemonTest, CommandsRejectWhatTheyCannotDo) {
  struct Case {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"firmware", "1"}, 2},         {{"firmware", "1.256"}, 2}, {{"firmware", "a.b"}, 2},
      {{"stall", "maybe"}, 2},        {{"status", "mouse"}, 2},   {{"input", "07", "01"}, 2},
      {{"input", "zz"}, 2},           {{"no-such-command"}, 2},   {{"drop", "-1"}, 2},
      {{"ping"}, 0},                  {{"stall", "on"}, 0},       {{"stall", "off", "receiver"}, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(sim_.Command(c.args).status, c.status) << c.args[0];
}

TEST_F(KbsimDaemonTest, LogLinesCarryMicrosecondTimestampsAndResetEmptiesIt) {
  ASSERT_EQ(sim_.Command({"input", "07", "01", "02", "03", "04", "05", "06", "ff"}).status, 0);
  ASSERT_EQ(sim_.Command({"unplug"}).status, 0);
  ASSERT_EQ(sim_.Command({"plug"}).status, 0);
  std::string log = sim_.Command({"log"}).text;
  std::regex input(R"(^\d{10,}\.\d{6} keyboard mi_01&col05 input 07 01 02 03 04 05 06 ff \[queued\]$)",
                   std::regex::multiline);
  EXPECT_TRUE(std::regex_search(log, input)) << log;
  std::vector<std::string> removal = LogLines(sim_, "removal");
  std::vector<std::string> arrival = LogLines(sim_, "arrival");
  ASSERT_EQ(removal.size(), 1u) << log;
  ASSERT_EQ(arrival.size(), 1u) << log;
  EXPECT_LE(LogTimeUs(removal[0]), LogTimeUs(arrival[0]));
  EXPECT_NE(sim_.Command({"plug"}).text.find("already"), std::string::npos);
  EXPECT_EQ(sim_.Command({"reset-log"}).status, 0);
  EXPECT_EQ(sim_.Command({"log"}).text, "");
}

// A long run's log is longer than one frame: the client must still print it
// whole (it printed nothing and failed silently once the log passed 1 MiB).
TEST_F(KbsimDaemonTest, ALogLongerThanAFrameReachesTheClientWhole) {
  std::string keys(8000, 'a');
  size_t logBytes = 0;
  while (logBytes <= kb::sim::kMaxFrameBytes) {
    ASSERT_EQ(sim_.Command({"type", keys}).status, 0);
    logBytes = sim_.Command({"log"}).text.size();
  }
  std::string inProcess = sim_.Command({"log"}).text;
  KbsimResult printed = sim_.RunClient({"log"});
  EXPECT_EQ(printed.status, 0);
  ASSERT_EQ(printed.text.size(), inProcess.size());
  EXPECT_TRUE(printed.text == inProcess);
  EXPECT_EQ(printed.text.back(), '\n');
}

TEST_F(KbsimDaemonTest, CommandLineClientReachesTheDaemon) {
  KbsimResult status = sim_.RunClient({"status"});
  EXPECT_EQ(status.status, 0);
  EXPECT_NE(status.text.find("effect: 20"), std::string::npos) << status.text;
  KbsimResult devices = sim_.RunClient({"devices"});
  EXPECT_NE(devices.text.find("\\\\?\\hid#vid_e7a1&pid_5b0d&mi_01&col05#"), std::string::npos) << devices.text;
  EXPECT_EQ(sim_.RunClient({"frobnicate"}).status, 2);
}

TEST_F(KbsimDaemonTest, SecondDaemonOnTheSameSocketRefusesToStart) {
  KbsimResult second = sim_.RunClient({"daemon", "--socket", sim_.SocketPath()});
  EXPECT_EQ(second.status, 1);
  EXPECT_NE(second.text.find("already running"), std::string::npos);
  EXPECT_EQ(sim_.Command({"ping"}).text, "pong\n");
}

TEST(KbsimClientTest, WithoutDaemonTheClientSaysSo) {
  KbsimProcess::UseNoDaemon();
  KbsimProcess none;
  KbsimResult result = none.RunClient({"status"});
  EXPECT_EQ(result.status, 3);
  EXPECT_NE(result.text.find("no daemon"), std::string::npos);
}

// Only the daemon's user may connect to it, wherever its socket is.
TEST_F(KbsimDaemonTest, OnlyItsUserMayOpenTheSocket) {
  struct stat st {};
  ASSERT_EQ(::stat(sim_.SocketPath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// The default socket folder: made private, and refused when another user
// owns it (that user could otherwise serve a machine of their own).
TEST(KbsimSocketFolderTest, PrivateFolderIsMadeClosedAndAnotherUsersRefused) {
  char pattern[] = "/tmp/kbsim-folder-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  std::string base = pattern;
  std::string why;
  std::string fresh = base + "/fresh";
  ASSERT_TRUE(sim::PreparePrivateFolder(fresh, &why)) << why;
  struct stat st {};
  ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  std::string open = base + "/open";
  ASSERT_EQ(::mkdir(open.c_str(), 0777), 0);
  ::chmod(open.c_str(), 0777);
  EXPECT_TRUE(sim::PreparePrivateFolder(open, &why)) << why;
  ASSERT_EQ(::stat(open.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u) << "an open folder of ours is closed";
  std::string file = base + "/file";
  ::close(::open(file.c_str(), O_CREAT | O_WRONLY, 0600));
  EXPECT_FALSE(sim::PreparePrivateFolder(file, &why));
  std::string foreign = base + "/foreign";
  ASSERT_EQ(::mkdir(foreign.c_str(), 0700), 0);
  if (::chown(foreign.c_str(), 65534, 65534) == 0) {
    EXPECT_FALSE(sim::PreparePrivateFolder(foreign, &why));
    EXPECT_NE(why.find("another user"), std::string::npos) << why;
    // A socket another user owns is not connected to either.
    std::string socket = base + "/their.sock";
    ::close(::open(socket.c_str(), O_CREAT | O_WRONLY, 0600));
    ASSERT_EQ(::chown(socket.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(sim::SocketOwnedByUs(socket, &why));
    ::setenv("KBSIM_SOCKET", socket.c_str(), 1);
    KbsimResult refused = KbsimProcess().RunClient({"ping"});
    EXPECT_EQ(refused.status, 3);
    EXPECT_NE(refused.text.find("belongs to another user"), std::string::npos) << refused.text;
    ::unsetenv("KBSIM_SOCKET");
  }
  std::filesystem::remove_all(base);
}

}  // namespace
}  // namespace kb::test
