// GetOpenFileNameW / GetSaveFileNameW on Linux, with a stand-in for zenity
// (KB_FILE_DIALOG_PROGRAM): what the chooser is asked, and the Windows
// contract for its answers (return value, lpstrFile, the offsets,
// CommDlgExtendedError). The real chooser is driven through the display by
// tests/gui/kbconfig-exchange-test.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "golden/GoldenFiles.h"
#include "platform/win32.h"

namespace {

constexpr wchar_t kFilter[] = L"Macro files (*.xml)\0*.xml\0All files\0*.*;*\0";

class FileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The stand-in writes its arguments one a line and answers what the
    // test put into FAKE_ANSWER with the exit status in FAKE_EXIT.
    std::ofstream(folder_.File("chooser")) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$FAKE_ARGS\"\n"
                                              "[ -n \"$FAKE_ANSWER\" ] && printf '%s\\n' \"$FAKE_ANSWER\"\n"
                                              "exit $FAKE_EXIT\n";
    std::filesystem::permissions(folder_.File("chooser"), std::filesystem::perms::owner_all);
    setenv("KB_FILE_DIALOG_PROGRAM", folder_.File("chooser").c_str(), 1);
    setenv("FAKE_ARGS", folder_.File("args").c_str(), 1);
    unsetenv("KB_FILE_DIALOG_ANSWER");
  }
  void TearDown() override { unsetenv("KB_FILE_DIALOG_PROGRAM"); }

  static void Answer(const std::string& path, int status) {
    setenv("FAKE_ANSWER", path.c_str(), 1);
    setenv("FAKE_EXIT", std::to_string(status).c_str(), 1);
  }
  std::vector<std::string> Args() const {
    std::vector<std::string> args;
    std::istringstream text(kbtest::ReadBytes(folder_.File("args")));
    for (std::string line; std::getline(text, line);) args.push_back(line);
    return args;
  }
  OPENFILENAMEW Request(DWORD flags, DWORD size = 260) {
    buffer_.assign(size + 1, L'\0');
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFilter = kFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer_.data();
    ofn.nMaxFile = size;
    ofn.lpstrDefExt = L"xml";
    ofn.lpstrTitle = L"Export";
    ofn.Flags = flags;
    return ofn;
  }

  kbtest::TempFolder folder_;
  std::vector<wchar_t> buffer_;
};

TEST_F(FileDialogTest, AnswersFollowTheWindowsContract) {
  const std::string dir = folder_.Path().string();
  kbtest::WriteBytes(folder_.File("there.xml"), "x");
  struct Case {
    bool save;
    DWORD flags;
    std::string answer;
    int status;
    DWORD size;
    BOOL result;
    DWORD error;
    std::string path;  // lpstrFile after a success
  };
  const Case cases[] = {
      {true, OFN_OVERWRITEPROMPT, dir + "/new", 0, 260, TRUE, 0, dir + "/new.xml"},
      {true, 0, dir + "/a.b/new", 0, 260, TRUE, 0, dir + "/a.b/new.xml"},
      {true, 0, dir + "/new.txt", 0, 260, TRUE, 0, dir + "/new.txt"},
      {false, OFN_FILEMUSTEXIST, dir + "/there.xml", 0, 260, TRUE, 0, dir + "/there.xml"},
      {false, OFN_FILEMUSTEXIST, dir + "/missing.xml", 0, 260, FALSE, FNERR_INVALIDFILENAME, ""},
      {true, OFN_PATHMUSTEXIST, dir + "/no/such/new.xml", 0, 260, FALSE, FNERR_INVALIDFILENAME, ""},
      {false, 0, "", 1, 260, FALSE, 0, ""},  // cancelled
      {false, 0, "", 3, 260, FALSE, CDERR_DIALOGFAILURE, ""},
      {false, 0, dir + "/", 0, 260, FALSE, FNERR_INVALIDFILENAME, ""},
      // "/new.xml" and the terminating NUL.
      {true, 0, dir + "/new", 0, static_cast<DWORD>(dir.size() + 9), TRUE, 0, dir + "/new.xml"},
      {true, 0, dir + "/new", 0, static_cast<DWORD>(dir.size() + 8), FALSE, FNERR_BUFFERTOOSMALL, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer + " status " + std::to_string(c.status));
    Answer(c.answer, c.status);
    OPENFILENAMEW ofn = Request(c.flags, c.size);
    BOOL result = c.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(CommDlgExtendedError(), c.error);
    if (c.error == FNERR_BUFFERTOOSMALL) {
      EXPECT_EQ(static_cast<size_t>(buffer_[0]), c.answer.size() + 5);
    }
    if (!result) continue;
    std::wstring path(ofn.lpstrFile);
    EXPECT_EQ(path, std::wstring(c.path.begin(), c.path.end()));
    EXPECT_EQ(path.substr(ofn.nFileOffset), path.substr(path.rfind(L'/') + 1));
    EXPECT_EQ(path.substr(ofn.nFileExtension), path.substr(path.rfind(L'.') + 1));
  }
}

TEST_F(FileDialogTest, TheChooserIsAskedWhatTheCallerAsked) {
  Answer("/tmp/x.xml", 0);
  OPENFILENAMEW ofn = Request(OFN_OVERWRITEPROMPT);
  wcscpy(buffer_.data(), L"Group 0.xml");
  ofn.lpstrInitialDir = L"/tmp";
  ASSERT_TRUE(GetSaveFileNameW(&ofn));
  const std::vector<std::string> expected = {"--file-selection",
                                             "--save",
                                             "--confirm-overwrite",
                                             "--title=Export",
                                             "--filename=/tmp/Group 0.xml",
                                             "--file-filter=Macro files (*.xml) | *.xml",
                                             "--file-filter=All files | *.* *"};
  EXPECT_EQ(Args(), expected);

  // The chosen filter comes first; an open dialog neither saves nor asks.
  ofn = Request(OFN_FILEMUSTEXIST | OFN_OVERWRITEPROMPT);
  ofn.nFilterIndex = 2;
  ofn.lpstrTitle = nullptr;
  Answer("", 1);
  EXPECT_FALSE(GetOpenFileNameW(&ofn));
  const std::vector<std::string> open = {"--file-selection", "--file-filter=All files | *.* *",
                                         "--file-filter=Macro files (*.xml) | *.xml"};
  EXPECT_EQ(Args(), open);
}

TEST_F(FileDialogTest, FailuresBeforeAnyChooser) {
  setenv("KB_FILE_DIALOG_PROGRAM", folder_.File("no-such-program").c_str(), 1);
  OPENFILENAMEW ofn = Request(0);
  EXPECT_FALSE(GetOpenFileNameW(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_DIALOGFAILURE));
  ofn.lStructSize = 12;
  EXPECT_FALSE(GetOpenFileNameW(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
  // A test's answer is taken without a chooser.
  setenv("KB_FILE_DIALOG_ANSWER", "/tmp/answered.xml", 1);
  ofn = Request(0);
  EXPECT_TRUE(GetSaveFileNameW(&ofn));
  EXPECT_EQ(std::wstring(ofn.lpstrFile), L"/tmp/answered.xml");
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  unsetenv("KB_FILE_DIALOG_ANSWER");
}

}  // namespace
