// The notification-area icon: added to a real system tray (trayer under
// Xvfb), clicked with xdotool, the callback message carrying the mouse
// message; a tray that starts anew asks for the icons again with the
// "TaskbarCreated" message. Linux only: xdotool is out of the Windows build's
// reach under Wine.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <unistd.h>

#include "UserTestSupport.h"
#include "platform/text.h"

namespace kbtest {

namespace {

constexpr UINT kCallback = 2135;
constexpr UINT kIconId = 100;
constexpr int kIconSize = 16;

HICON MakeIcon(uint32_t argb) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = kIconSize;
  bi.bmiHeader.biHeight = -kIconSize;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP color = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  for (int i = 0; i < kIconSize * kIconSize; ++i) static_cast<uint32_t*>(bits)[i] = argb;
  HBITMAP mask = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ICONINFO info{TRUE, 0, 0, mask, color};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(color);
  DeleteObject(mask);
  return icon;
}

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (UnderWine()) GTEST_SKIP() << "xdotool is not reachable from the Windows build";
    if (!std::getenv("KB_TRAY")) GTEST_SKIP() << "no system tray (run under scripts/with-xvfb --tray)";
    hwnd_ = CreateLoggingWindow(WS_POPUP, 0, nullptr, L"tray owner");
    icon_ = MakeIcon(0xFF20A040u);
    tip_ = UniqueName(L"kbconfig tray");
  }
  void TearDown() override {
    if (hwnd_) DestroyWindow(hwnd_);
    if (icon_) DestroyIcon(icon_);
  }
  NOTIFYICONDATAW Data() {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = hwnd_;
    nid.uID = kIconId;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = kCallback;
    nid.hIcon = icon_;
    wcsncpy(nid.szTip, tip_.c_str(), 127);
    return nid;
  }
  // The tray owns its selection a moment after its window appears.
  bool AddIcon() {
    NOTIFYICONDATAW nid = Data();
    return PumpUntil([&] { return Shell_NotifyIconW(NIM_ADD, &nid) != FALSE; }, 10000);
  }
  bool Click(const char* button) {
    // The tray embeds and sizes a new icon a moment after it is added.
    std::string command = "xdotool search --sync --onlyvisible --name '" + kb::WideToUtf8(tip_) +
                          "' sleep 0.3 mousemove --window %1 4 4 click " + button + " >/dev/null";
    return RunTool(command);
  }
  std::vector<LPARAM> Callbacks() {
    std::vector<LPARAM> out;
    for (const LoggedMessage& m : Log().All())
      if (m.hwnd == hwnd_ && m.message == kCallback && m.wParam == kIconId && m.lParam != WM_MOUSEMOVE)
        out.push_back(m.lParam);
    return out;
  }
  HWND hwnd_ = nullptr;
  HICON icon_ = nullptr;
  std::wstring tip_;
};

}  // namespace

TEST_F(TrayIconTest, ClicksReachTheCallbackMessage) {
  ASSERT_TRUE(AddIcon());
  NOTIFYICONDATAW nid = Data();
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &nid));  // already there
  Log().Clear();
  ASSERT_TRUE(Click("1"));
  ASSERT_TRUE(PumpUntil([&] { return Callbacks().size() >= 2; }, 10000));
  std::vector<LPARAM> expected = {WM_LBUTTONDOWN, WM_LBUTTONUP};
  EXPECT_EQ(Callbacks(), expected);
  Sleep(GetDoubleClickTime() + 50);
  Log().Clear();
  ASSERT_TRUE(Click("3"));
  ASSERT_TRUE(PumpUntil([&] { return Callbacks().size() >= 2; }, 10000));
  expected = {WM_RBUTTONDOWN, WM_RBUTTONUP};
  EXPECT_EQ(Callbacks(), expected);
  EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &nid));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &nid));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &nid));
}

TEST_F(TrayIconTest, ModifyChangesTipAndIcon) {
  ASSERT_TRUE(AddIcon());
  NOTIFYICONDATAW nid = Data();
  tip_ = UniqueName(L"kbconfig renamed");
  wcsncpy(nid.szTip, tip_.c_str(), 127);
  HICON other = MakeIcon(0xFFD02020u);
  nid.hIcon = other;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &nid));
  DestroyIcon(other);  // the shell keeps a copy of its own
  Log().Clear();
  ASSERT_TRUE(Click("1"));  // found by its new tip
  ASSERT_TRUE(PumpUntil([&] { return Callbacks().size() >= 2; }, 10000));
  EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &nid));
}

TEST_F(TrayIconTest, ARestartedTrayAsksForTheIconsAgain) {
  const char* trayPid = std::getenv("KB_TRAY_PID");
  if (!trayPid) GTEST_SKIP() << "the tray was not started by scripts/with-xvfb";
  ASSERT_TRUE(AddIcon());
  UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  // The tray goes away, as Explorer does when it crashes: so do its icons.
  ASSERT_TRUE(RunTool(std::string("kill ") + trayPid));
  NOTIFYICONDATAW nid = Data();
  EXPECT_TRUE(PumpUntil([&] { return !Shell_NotifyIconW(NIM_MODIFY, &nid); }, 10000));
  char pidFile[] = "/tmp/kbtest-trayer-XXXXXX";
  int fd = mkstemp(pidFile);
  ASSERT_GE(fd, 0);
  close(fd);
  Log().Clear();
  ASSERT_TRUE(RunTool(std::string("trayer --edge top --align right --widthtype request --height 32 "
                                  ">/dev/null 2>&1 & echo $! > ") + pidFile));
  // The new tray announces itself; top-level windows hear "TaskbarCreated".
  EXPECT_TRUE(PumpUntil([&] { return Log().Saw(hwnd_, taskbarCreated); }, 10000));
  EXPECT_TRUE(AddIcon());
  Log().Clear();
  ASSERT_TRUE(Click("1"));
  EXPECT_TRUE(PumpUntil([&] { return Callbacks().size() >= 2; }, 10000));
  // The replacement tray stays for later tests; the display's end ends it.
  std::remove(pidFile);
}

}  // namespace kbtest
