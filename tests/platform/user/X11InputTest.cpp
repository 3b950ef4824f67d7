// Real input from the display, made with xdotool: clicks, double clicks,
// the wheel, typing, mouse-leave tracking and the key state. The Windows
// build runs under Wine, out of xdotool's reach from inside the test, so
// these run on Linux only.
#include <gtest/gtest.h>

#include "UserTestSupport.h"

namespace kbtest {

namespace {

constexpr int kLeft = 300, kTop = 300, kWidth = 200, kHeight = 100;

class X11InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (UnderWine()) GTEST_SKIP() << "xdotool is not reachable from the Windows build";
    hwnd_ = CreateLoggingWindow(WS_POPUP | WS_VISIBLE, 0, nullptr, L"kbconfig input", kLeft, kTop, kWidth, kHeight);
    ASSERT_NE(hwnd_, nullptr);
    SetForegroundWindow(hwnd_);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == hwnd_ && GetFocus() == hwnd_; }, 10000));
    Log().Clear();
  }
  void TearDown() override {
    if (hwnd_) DestroyWindow(hwnd_);
    RunTool("xdotool keyup shift mouseup 1 >/dev/null 2>&1");
  }
  std::vector<LoggedMessage> Messages(UINT message) {
    std::vector<LoggedMessage> out;
    for (const LoggedMessage& m : Log().All())
      if (m.hwnd == hwnd_ && m.message == message) out.push_back(m);
    return out;
  }
  HWND hwnd_ = nullptr;
};

}  // namespace

TEST_F(X11InputTest, ClickArrivesInClientCoordinates) {
  ASSERT_TRUE(RunTool("xdotool mousemove 320 330 click 1"));
  ASSERT_TRUE(PumpUntil([&] { return !Messages(WM_LBUTTONUP).empty(); }, 10000));
  std::vector<LoggedMessage> downs = Messages(WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(GET_X_LPARAM(downs[0].lParam), 20);
  EXPECT_EQ(GET_Y_LPARAM(downs[0].lParam), 30);
  EXPECT_TRUE(downs[0].wParam & MK_LBUTTON);
  EXPECT_FALSE(Messages(WM_LBUTTONUP)[0].wParam & MK_LBUTTON);
  // Windows asks where the mouse is and lets the window set the cursor first.
  EXPECT_FALSE(Messages(WM_NCHITTEST).empty());
  EXPECT_FALSE(Messages(WM_SETCURSOR).empty());
}

TEST_F(X11InputTest, DoubleClickAndWheel) {
  ASSERT_TRUE(RunTool("xdotool mousemove 350 340 click --repeat 2 --delay 60 1"));
  ASSERT_TRUE(PumpUntil([&] { return !Messages(WM_LBUTTONDBLCLK).empty(); }, 10000));
  ASSERT_TRUE(RunTool("xdotool click 4 click 5"));
  ASSERT_TRUE(PumpUntil([&] { return Messages(WM_MOUSEWHEEL).size() == 2; }, 10000));
  std::vector<LoggedMessage> wheel = Messages(WM_MOUSEWHEEL);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel[0].wParam), WHEEL_DELTA);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel[1].wParam), -WHEEL_DELTA);
  EXPECT_EQ(GET_X_LPARAM(wheel[0].lParam), 350);  // screen coordinates, as Windows gives them
}

TEST_F(X11InputTest, TypingGivesKeysAndCharacters) {
  ASSERT_TRUE(RunTool("xdotool key --delay 30 shift+a b Return BackSpace"));
  ASSERT_TRUE(PumpUntil([&] { return Messages(WM_CHAR).size() >= 4; }, 10000));
  std::wstring typed;
  for (const LoggedMessage& m : Messages(WM_CHAR)) typed.push_back(static_cast<wchar_t>(m.wParam));
  EXPECT_EQ(typed, L"Ab\r\b");
  std::vector<WPARAM> keys;
  for (const LoggedMessage& m : Messages(WM_KEYDOWN)) keys.push_back(m.wParam);
  std::vector<WPARAM> expected = {VK_SHIFT, 'A', 'B', VK_RETURN, VK_BACK};
  EXPECT_EQ(keys, expected);
  std::vector<LoggedMessage> ups = Messages(WM_KEYUP);
  ASSERT_FALSE(ups.empty());
  EXPECT_TRUE(static_cast<DWORD>(ups[0].lParam) & 0x80000000u);  // transition bit of a release
}

TEST_F(X11InputTest, ADisabledWindowTakesNoKeys) {
  // The display keeps sending keys to the window it focused; disabled, the
  // window (still the active one) must see none of them. A click on a second
  // window afterwards comes through the same connection after the keys, so
  // once it has arrived, the keys have been retrieved (and dropped).
  // Never activated (the window manager does not manage it), so the focus
  // stays where the test puts it.
  HWND other = CreateLoggingWindow(WS_POPUP, WS_EX_NOACTIVATE, nullptr, L"kbconfig other", kLeft, kTop + 150, kWidth,
                                   kHeight);
  ASSERT_NE(other, nullptr);
  ShowWindow(other, SW_SHOWNOACTIVATE);
  SetForegroundWindow(hwnd_);
  ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == hwnd_ && GetFocus() == hwnd_; }, 10000));
  PumpFor(300);
  ASSERT_EQ(GetFocus(), hwnd_);
  EnableWindow(hwnd_, FALSE);
  Log().Clear();
  ASSERT_TRUE(RunTool("xdotool key --delay 30 a Return"));
  ASSERT_TRUE(RunTool("xdotool mousemove 320 480 click 1"));
  ASSERT_TRUE(PumpUntil([&] { return Log().Saw(other, WM_LBUTTONUP); }, 10000));
  EXPECT_TRUE(Messages(WM_KEYDOWN).empty());
  EXPECT_TRUE(Messages(WM_CHAR).empty());
  EnableWindow(hwnd_, TRUE);
  DestroyWindow(other);
}

// Another program has the keyboard (a file chooser run by zenity): a
// SetFocus in our inactive window took the display's focus back, and what
// the user typed next went to our window instead of the chooser. As under
// Windows' foreground lock, the window becomes active for its thread only.
TEST_F(X11InputTest, SetFocusInTheBackgroundLeavesTheOtherProgramItsKeys) {
  // A window the window manager manages (the fixture's popup is not one).
  HWND managed = CreateLoggingWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, nullptr, L"kbconfig managed", kLeft,
                                     kTop + 150, kWidth, kHeight);
  ASSERT_NE(managed, nullptr);
  SetForegroundWindow(managed);
  ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == managed && GetActiveWindow() == managed; }, 10000));
  std::string pidFile = "/tmp/kbforeign-" + std::to_string(GetCurrentProcessId()) + ".pid";
  ASSERT_TRUE(RunTool("xmessage -name kbforeign -timeout 60 -geometry +600+100 'another program' >/dev/null 2>&1 & "
                      "echo $! >" + pidFile));
  ASSERT_TRUE(RunTool("xdotool search --sync --onlyvisible --classname '^kbforeign$' windowactivate --sync "
                      ">/dev/null 2>&1"));
  HWND foreign = nullptr;
  ASSERT_TRUE(PumpUntil(
      [&] {
        foreign = GetForegroundWindow();
        return foreign && foreign != managed && foreign != hwnd_ && GetActiveWindow() == nullptr;
      },
      10000));
  SetFocus(managed);
  EXPECT_EQ(GetActiveWindow(), managed);
  EXPECT_EQ(GetFocus(), managed);
  // A request to the window manager would be answered within this; nothing
  // shorter proves that none was made.
  PumpFor(1000);
  EXPECT_EQ(GetForegroundWindow(), foreign);
  RunTool("kill $(cat " + pidFile + ") 2>/dev/null; rm -f " + pidFile);
  DestroyWindow(managed);
}

TEST_F(X11InputTest, KeyStateFollowsTheRetrievedInput) {
  ASSERT_TRUE(RunTool("xdotool keydown shift"));
  ASSERT_TRUE(PumpUntil([&] { return GetKeyState(VK_SHIFT) < 0; }, 10000));
  EXPECT_LT(GetAsyncKeyState(VK_SHIFT), 0);
  EXPECT_LT(GetKeyState(VK_LSHIFT), 0);
  ASSERT_TRUE(RunTool("xdotool keyup shift"));
  ASSERT_TRUE(PumpUntil([&] { return GetKeyState(VK_SHIFT) >= 0; }, 10000));
  EXPECT_GE(GetAsyncKeyState(VK_SHIFT), 0);
}

TEST_F(X11InputTest, MouseLeaveIsReportedOnceWhenTracked) {
  ASSERT_TRUE(RunTool("xdotool mousemove 310 310"));
  ASSERT_TRUE(PumpUntil([&] { return !Messages(WM_MOUSEMOVE).empty(); }, 10000));
  TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd_, 0};
  ASSERT_TRUE(TrackMouseEvent(&tme));
  ASSERT_TRUE(RunTool("xdotool mousemove 10 10"));
  ASSERT_TRUE(PumpUntil([&] { return !Messages(WM_MOUSELEAVE).empty(); }, 10000));
  ASSERT_TRUE(RunTool("xdotool mousemove 310 310 mousemove 5 5"));
  PumpFor(300);
  EXPECT_EQ(Messages(WM_MOUSELEAVE).size(), 1u);  // tracking ends with the first leave
}

TEST_F(X11InputTest, CaptureKeepsMouseMessagesOutsideTheWindow) {
  ASSERT_TRUE(RunTool("xdotool mousemove 310 310"));
  PumpFor(100);
  SetCapture(hwnd_);
  Log().Clear();
  ASSERT_TRUE(RunTool("xdotool mousemove 250 260"));
  ASSERT_TRUE(PumpUntil([&] { return !Messages(WM_MOUSEMOVE).empty(); }, 10000));
  LoggedMessage last = Messages(WM_MOUSEMOVE).back();
  EXPECT_EQ(GET_X_LPARAM(last.lParam), -50);
  EXPECT_EQ(GET_Y_LPARAM(last.lParam), -40);
  ReleaseCapture();
}

TEST_F(X11InputTest, DraggingByTheCaptionMovesTheWindow) {
  // A skinned window has no system caption: it answers WM_NCHITTEST with
  // HTCAPTION for its own, and the default procedure does the rest.
  SetHandler(hwnd_, [](HWND h, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m != WM_NCHITTEST) return std::nullopt;
    POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
    ScreenToClient(h, &p);
    return p.y < 20 ? HTCAPTION : HTCLIENT;
  });
  ASSERT_TRUE(RunTool("xdotool mousemove 400 305 mousedown 1"));
  ASSERT_TRUE(PumpUntil([&] { return !Messages(WM_NCLBUTTONDOWN).empty(); }, 10000));
  PumpFor(200);
  ASSERT_TRUE(RunTool("xdotool mousemove 420 315 sleep 0.1 mousemove 450 345 sleep 0.1 mouseup 1"));
  RECT r{};
  EXPECT_TRUE(PumpUntil([&] { return GetWindowRect(hwnd_, &r) && r.left == kLeft + 50 && r.top == kTop + 40; }, 10000))
      << r.left << "," << r.top;
  EXPECT_FALSE(Messages(WM_MOVE).empty());
  EXPECT_TRUE(Messages(WM_LBUTTONDOWN).empty());  // the caption's click is not the client's
}

}  // namespace kbtest
