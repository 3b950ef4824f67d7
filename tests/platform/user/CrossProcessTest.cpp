// What another process sees of this one's windows: properties, the walk over
// top-level windows, and bringing a hidden or minimised window forward, the
// way a second start of the program finds and activates the first.
#include <gtest/gtest.h>

#include "UserTestSupport.h"

namespace kbtest {

namespace {

// Exit codes of the child modes.
constexpr DWORD kChildOk = 0;
constexpr DWORD kChildNotFound = 1;
constexpr DWORD kChildWrongValue = 2;
constexpr DWORD kChildSawExtra = 3;
constexpr DWORD kChildBadArguments = 99;
constexpr ULONG_PTR kMarkValue = 1;

// Walks the top-level windows as the program's single-instance check does:
// from the desktop's first child on, until the handle is no longer a window.
std::vector<HWND> WindowsWithProperty(const std::wstring& name) {
  std::vector<HWND> found;
  for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); IsWindow(h); h = GetWindow(h, GW_HWNDNEXT))
    if (GetPropW(h, name.c_str())) found.push_back(h);
  return found;
}

// Child: finds exactly the given window by its property, with value 1.
int FindMarked(const std::vector<std::wstring>& args) {
  if (args.size() != 2) return kChildBadArguments;
  HWND expected = HandleFromText(args[1]);
  std::vector<HWND> found = WindowsWithProperty(args[0]);
  if (found.empty()) return kChildNotFound;
  if (found.size() > 1) return kChildSawExtra;
  if (found[0] != expected) return kChildNotFound;
  return reinterpret_cast<ULONG_PTR>(GetPropW(expected, args[0].c_str())) == kMarkValue ? kChildOk
                                                                                       : kChildWrongValue;
}

// Child: the second start of the program.
int BringForward(const std::vector<std::wstring>& args) {
  if (args.size() != 1) return kChildBadArguments;
  std::vector<HWND> found = WindowsWithProperty(args[0]);
  for (HWND h : found) {
    if (IsIconic(h)) ShowWindow(h, SW_RESTORE);
    if (!IsWindowVisible(h)) ShowWindow(h, SW_SHOW);
    SetForegroundWindow(h);
  }
  return found.empty() ? kChildNotFound : kChildOk;
}

// Child: reports a window's state as seen from outside (bit 0 visible, bit 1 iconic).
int ReportState(const std::vector<std::wstring>& args) {
  if (args.size() != 1) return kChildBadArguments;
  HWND h = HandleFromText(args[0]);
  if (!IsWindow(h)) return 0x10;
  return (IsWindowVisible(h) ? 1 : 0) | (IsIconic(h) ? 2 : 0);
}

// Child: sets a property on the given window, which the parent then reads.
int SetForeignProperty(const std::vector<std::wstring>& args) {
  if (args.size() != 2) return kChildBadArguments;
  return SetPropW(HandleFromText(args[1]), args[0].c_str(), reinterpret_cast<HANDLE>(0x1234)) ? kChildOk
                                                                                               : kChildNotFound;
}

class CrossProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = UniqueName(L"KbTestMark");
    hwnd_ = CreateLoggingWindow(WS_POPUP, 0, nullptr, L"kbconfig cross-process");
    ASSERT_NE(hwnd_, nullptr);
  }
  void TearDown() override {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
  }
  DWORD RunChild(const std::wstring& mode, const std::wstring& args) {
    PROCESS_INFORMATION pi = StartChild(mode, args);
    if (!pi.hProcess) return 0xFFFFFFFFu;
    return FinishChildPumping(pi);
  }
  std::wstring name_;
  HWND hwnd_ = nullptr;
};

}  // namespace

int RunChildMode(const std::string& mode, const std::vector<std::wstring>& args) {
  if (mode == "find-marked") return FindMarked(args);
  if (mode == "bring-forward") return BringForward(args);
  if (mode == "report-state") return ReportState(args);
  if (mode == "set-property") return SetForeignProperty(args);
  return kChildBadArguments;
}

TEST_F(CrossProcessTest, PropertyRoundTripIgnoresCaseAndRemovesOnce) {
  EXPECT_EQ(GetPropW(hwnd_, name_.c_str()), nullptr);
  ASSERT_TRUE(SetPropW(hwnd_, name_.c_str(), reinterpret_cast<HANDLE>(kMarkValue)));
  std::wstring upper = name_;
  for (auto& c : upper) c = static_cast<wchar_t>(towupper(c));
  EXPECT_EQ(GetPropW(hwnd_, upper.c_str()), reinterpret_cast<HANDLE>(kMarkValue));
  ASSERT_TRUE(SetPropW(hwnd_, name_.c_str(), reinterpret_cast<HANDLE>(0x7fff0001)));
  EXPECT_EQ(GetPropW(hwnd_, name_.c_str()), reinterpret_cast<HANDLE>(0x7fff0001));
  EXPECT_EQ(RemovePropW(hwnd_, name_.c_str()), reinterpret_cast<HANDLE>(0x7fff0001));
  EXPECT_EQ(RemovePropW(hwnd_, name_.c_str()), nullptr);
  EXPECT_EQ(GetPropW(hwnd_, name_.c_str()), nullptr);
}

TEST_F(CrossProcessTest, AnotherProcessFindsTheMarkedWindowByWalkingTopLevelWindows) {
  ASSERT_TRUE(SetPropW(hwnd_, name_.c_str(), reinterpret_cast<HANDLE>(kMarkValue)));
  EXPECT_EQ(RunChild(L"find-marked", name_ + L" " + HandleText(hwnd_)), kChildOk);
  // Gone with the property: a later start finds nothing.
  RemovePropW(hwnd_, name_.c_str());
  EXPECT_EQ(RunChild(L"find-marked", name_ + L" " + HandleText(hwnd_)), kChildNotFound);
}

TEST_F(CrossProcessTest, AnotherProcessSetsAPropertyThisOneReads) {
  EXPECT_EQ(RunChild(L"set-property", name_ + L" " + HandleText(hwnd_)), kChildOk);
  EXPECT_EQ(GetPropW(hwnd_, name_.c_str()), reinterpret_cast<HANDLE>(0x1234));
}

TEST_F(CrossProcessTest, AnotherProcessSeesVisibleAndIconicState) {
  struct Case {
    int show;
    DWORD expected;
  };
  const Case cases[] = {{SW_HIDE, 0}, {SW_SHOWNORMAL, 1}, {SW_MINIMIZE, 3}, {SW_RESTORE, 1}, {SW_HIDE, 0}};
  for (const Case& c : cases) {
    ShowWindow(hwnd_, c.show);
    PumpFor(50);
    EXPECT_EQ(RunChild(L"report-state", HandleText(hwnd_)), c.expected) << "after ShowWindow " << c.show;
  }
}

TEST_F(CrossProcessTest, SecondStartShowsAHiddenWindowAndBringsItToTheFront) {
  ASSERT_TRUE(SetPropW(hwnd_, name_.c_str(), reinterpret_cast<HANDLE>(kMarkValue)));
  HWND other = CreateLoggingWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, nullptr, L"kbconfig other", 300, 300);
  ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == other; }, 10000));
  ASSERT_FALSE(IsWindowVisible(hwnd_));
  Log().Clear();
  EXPECT_EQ(RunChild(L"bring-forward", name_), kChildOk);
  EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(hwnd_) && GetForegroundWindow() == hwnd_; }, 10000));
  EXPECT_TRUE(Log().Saw(hwnd_, WM_SHOWWINDOW));
  EXPECT_TRUE(PumpUntil([&] { return GetActiveWindow() == hwnd_; }, 10000));
  DestroyWindow(other);
}

TEST_F(CrossProcessTest, SecondStartRestoresAMinimisedWindow) {
  ASSERT_TRUE(SetPropW(hwnd_, name_.c_str(), reinterpret_cast<HANDLE>(kMarkValue)));
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  ShowWindow(hwnd_, SW_MINIMIZE);
  PumpFor(100);
  ASSERT_TRUE(IsIconic(hwnd_));
  EXPECT_EQ(RunChild(L"bring-forward", name_), kChildOk);
  EXPECT_TRUE(PumpUntil([&] { return !IsIconic(hwnd_) && IsWindowVisible(hwnd_); }, 10000));
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == hwnd_; }, 10000));
}

TEST_F(CrossProcessTest, WalkEndsAndSkipsMessageOnlyWindows) {
  HWND messageOnly = CreateWindowExW(0, LoggingClassName(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(messageOnly, nullptr);
  ASSERT_TRUE(SetPropW(messageOnly, name_.c_str(), reinterpret_cast<HANDLE>(kMarkValue)));
  ASSERT_TRUE(SetPropW(hwnd_, name_.c_str(), reinterpret_cast<HANDLE>(kMarkValue)));
  std::vector<HWND> found = WindowsWithProperty(name_);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0], hwnd_);
  EXPECT_EQ(GetPropW(messageOnly, name_.c_str()), reinterpret_cast<HANDLE>(kMarkValue));
  DestroyWindow(messageOnly);
}

}  // namespace kbtest
