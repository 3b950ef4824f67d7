// Finding and installing the virtual keyboard against kbsim and its devcon
// (in the driver folder beside the test executable).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "keyfunc/KeySim.h"
#include "keyfunc/VHidev.h"
#include "keyfunc/VirtualKeyboardSetup.h"
#include "platform/path.h"
#include "platform/text.h"

namespace {

using kb::test::KeySim;

// A folder of its own for one test, removed at the end.
class ScratchFolder {
 public:
  ScratchFolder() {
    char name[] = "/tmp/kb-driver-XXXXXX";
    path = ::mkdtemp(name);
  }
  ~ScratchFolder() { std::system(("rm -rf '" + path + "'").c_str()); }
  void Write(const std::string& name, const std::string& text, bool executable = false) const {
    std::ofstream(path + "/" + name) << text;
    if (executable) ::chmod((path + "/" + name).c_str(), 0755);
  }
  std::string Read(const std::string& name) const {
    std::ifstream file(path + "/" + name);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }
  std::wstring Wide() const { return kb::Utf8ToWide(path); }
  std::string path;
};

// A tool that only notes its arguments, one a line.
constexpr char kNotingTool[] = "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args.txt\"\n";

class VirtualKeyboardSetupTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sim.Start()); }
  void TearDown() override { VHidev::Instance().CloseDevice(); }
  bool Installed(const std::string& name = "vkbd") {
    return sim.Command({"vkbd", "status"}).text.find(name + " present") != std::string::npos;
  }
  KeySim sim;
};

TEST_F(VirtualKeyboardSetupTest, AlreadyPresentStartsNoTool) {
  ASSERT_EQ(sim.Command({"vkbd", "install"}).status, 0);
  sim.Command({"reset-log"});
  EXPECT_TRUE(EnsureVirtualKeyboard(L""));
  EXPECT_NE(VHidev::Instance().Device(), INVALID_HANDLE_VALUE);
  std::string log = sim.Command({"log"}).text;
  EXPECT_EQ(log.find("removal"), std::string::npos) << log;
  EXPECT_EQ(log.find("arrival"), std::string::npos) << log;
}

TEST_F(VirtualKeyboardSetupTest, MissingKeyboardIsInstalledWithTheShippedTool) {
  ASSERT_FALSE(Installed());
  EXPECT_TRUE(EnsureVirtualKeyboard(L""));
  EXPECT_TRUE(Installed());
  EXPECT_NE(VHidev::Instance().Device(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(VHidev::Instance().SendUsage(7, 4, true), 1);
  EXPECT_EQ(sim.Held(), std::vector<uint32_t>{kb::test::Key(7, 4)});
  VHidev::Instance().ReleaseAll();
}

TEST_F(VirtualKeyboardSetupTest, InstallationFileChoice) {
  struct Case {
    const char* what;
    bool filterInf;
    bool filterInfIsFolder;
    std::string expectedInf;
  };
  const Case cases[] = {
      {"the filter's file is preferred", true, false, "vhidflt.inf"},
      {"without it the keyboard's file", false, false, "vhidev.inf"},
      {"a folder of that name is no file", false, true, "vhidev.inf"},
  };
  for (const Case& c : cases) {
    ScratchFolder folder;
    folder.Write("devcon.exe", kNotingTool, true);
    folder.Write("vhidev.inf", "root\\vhidev\n");
    if (c.filterInf) folder.Write("vhidflt.inf", "root\\vhidev\n");
    if (c.filterInfIsFolder) ::mkdir((folder.path + "/vhidflt.inf").c_str(), 0755);
    // The noting tool installs nothing, so nothing is found afterwards.
    EXPECT_FALSE(EnsureVirtualKeyboard(folder.Wide())) << c.what;
    EXPECT_EQ(folder.Read("args.txt"), "install\n" + folder.path + "/" + c.expectedInf + "\nroot\\vhidev\n") << c.what;
  }
}

TEST_F(VirtualKeyboardSetupTest, MissingToolFails) {
  ScratchFolder folder;
  folder.Write("vhidflt.inf", "root\\vhidev\n");
  EXPECT_FALSE(EnsureVirtualKeyboard(folder.Wide()));
  EXPECT_EQ(VHidev::Instance().Device(), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(Installed());
}

TEST_F(VirtualKeyboardSetupTest, TheLastOfTwoKeyboardsIsUsed) {
  ASSERT_EQ(sim.Command({"vkbd", "install", "2"}).status, 0);
  ASSERT_TRUE(Installed("vkbd2"));
  GUID hid;
  HidD_GetHidGuid(&hid);
  HANDLE handle = INVALID_HANDLE_VALUE;
  ASSERT_TRUE(FindVirtualKeyboard(hid, &handle));
  VHidev vhidev;
  vhidev.SetDevice(handle);
  EXPECT_EQ(vhidev.SendUsage(7, 4, true), 1);
  std::vector<kb::test::TypedEvent> typed = sim.Typed();
  ASSERT_EQ(typed.size(), 1u);
  EXPECT_EQ(typed[0].source, "vkbd2");
}

TEST_F(VirtualKeyboardSetupTest, NothingToFindWithoutKeyboards) {
  GUID hid;
  HidD_GetHidGuid(&hid);
  HANDLE handle = reinterpret_cast<HANDLE>(1);
  EXPECT_FALSE(FindVirtualKeyboard(hid, &handle));
  EXPECT_EQ(handle, INVALID_HANDLE_VALUE);
}

TEST_F(VirtualKeyboardSetupTest, RemoveTakesTheKeyboardAway) {
  ASSERT_EQ(sim.Command({"vkbd", "install"}).status, 0);
  EXPECT_NE(RemoveVirtualDevice(GetDriverFolder()), 0);
  EXPECT_FALSE(Installed());
}

}  // namespace
