// SShellNotifyIcon in a real window: the shell record and the icons, the
// message-only window, clicks offered to the host first, the left click
// showing and hiding the host, the menu and its command, the taskbar coming
// back, the animation and the removal. The shell's side is the platform's
// notification area (trayer under scripts/with-xvfb --tray); checks that
// need the icon really shown are skipped without a tray.
#include <cstdlib>
#include <cstring>

#include "UiControlsTestSupport.h"
#include "toolkit/menu/SMenuPopup.h"
#include "ui/common/CShellNotifyHwnd2.h"
#include "ui/common/SShellNotifyIcon.h"

namespace kbtest {
namespace {

constexpr char kTrayMenu[] =
    "<menu><item id=\"1\">Check firmware</item><sep/><item id=\"6\">Exit</item></menu>";
constexpr char kTrayMenuEx[] =
    "<menuRoot><menuItem id=\"1\" text=\"Check firmware\"/><menuItem id=\"6\" text=\"Exit\"/></menuRoot>";
constexpr char kItemRootMenu[] = "<menuItem id=\"1\" text=\"alone\"/>";

// The main window's part: commands and tray callbacks recorded, the
// taskbar's return passed on to the icons.
class TrayHost : public SHostWnd {
 public:
  using SHostWnd::SHostWnd;
  std::vector<WPARAM> commands;
  std::vector<LPARAM> callbacks;
  bool takeCallbacks = false;
  bool destroyOnCallback = false;

  KB_BEGIN_MSG_MAP()
    KB_CHAIN_TASKBAR_CREATED()
    KB_MESSAGE_HANDLER(WM_COMMAND, OnCommand)
    KB_MESSAGE_HANDLER(SShellNotifyIcon::kCallbackMessage, OnTray)
    KB_CHAIN_MSG_MAP(SHostWnd)
  KB_END_MSG_MAP()

 private:
  LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, bool&) {
    commands.push_back(wParam);
    return 0;
  }
  LRESULT OnTray(UINT, WPARAM, LPARAM lParam, bool& handled) {
    callbacks.push_back(lParam);
    handled = takeCallbacks;
    if (destroyOnCallback) DestroyWindow(GetHwnd());
    return 0;
  }
};

class TrayIconTest : public UiControlsTest {
 protected:
  void SetUp() override {
    UiControlsTest::SetUp();
    memory_->Add(L"ICON", L"ICON_LOGO", SolidIco(32, 32, Color::Rgb(200, 30, 30)));
    for (int i = 0; i < 6; ++i)
      memory_->Add(L"ICON", L"i" + std::to_wstring(i), SolidPng(16, 16, Color::Rgb(30, static_cast<uint8_t>(40 * i), 90)));
    memory_->AddText(L"SMENU", L"menu_test", kTrayMenu);
    memory_->AddText(L"SMENUEX", L"menu_ex", kTrayMenuEx);
    memory_->AddText(L"SMENU", L"menu_item_root", kItemRootMenu);
  }
  void TearDown() override {
    host_.reset();
    UiControlsTest::TearDown();
  }
  // A shown main window holding the icon "tray" with these attributes.
  SShellNotifyIcon* Open(const std::string& attributes) {
    AddLayout(L"trayhost", "<shellnotifyicon name=\"tray\" " + attributes + "/><text pos=\"10,10\">tray host</text>", 200,
              80);
    host_ = std::make_unique<TrayHost>(L"layout:trayhost");
    EXPECT_NE(host_->Create(nullptr, 60, 60), nullptr);
    ShowWindow(host_->GetHwnd(), SW_SHOW);
    Pump(30);
    tray_ = host_->FindChildByName<SShellNotifyIcon>(L"tray");
    EXPECT_NE(tray_, nullptr);
    return tray_;
  }
  // The tray may own its selection a moment after it appears.
  bool WaitAdded() {
    return PumpUntil([&] { return tray_->IsAdded() || tray_->ReAdd(); }, 10000);
  }
  bool Present() {
    NOTIFYICONDATAW copy = tray_->GetNotifyData();
    if (copy.cbSize == 0) return false;
    copy.uFlags = 0;
    return Shell_NotifyIconW(NIM_MODIFY, &copy) != FALSE;
  }
  LRESULT Callback(LPARAM mouse) {
    return SendMessageW(tray_->GetMessageHwnd(), SShellNotifyIcon::kCallbackMessage, SShellNotifyIcon::kIconId, mouse);
  }

  std::unique_ptr<TrayHost> host_;
  SShellNotifyIcon* tray_ = nullptr;
};

TEST_F(TrayIconTest, AddedWithItsRecordAndMessageWindow) {
  Open("ico=\"ICON:i0;ICON:i1;ICON:missing;i2\" tip=\"KbConfig tray\" menu=\"SMENU:menu_test\"");
  EXPECT_EQ(tray_->GetIconCount(), 3u) << "icons that cannot be loaded are skipped";
  HWND msg = tray_->GetMessageHwnd();
  ASSERT_TRUE(IsWindow(msg));
  EXPECT_FALSE(IsWindowVisible(msg));
  wchar_t name[64] = {};
  GetWindowTextW(msg, name, 64);
  EXPECT_STREQ(name, L"shell_nofity_msg_windows");
  const NOTIFYICONDATAW& nid = tray_->GetNotifyData();
  EXPECT_EQ(nid.cbSize, sizeof(NOTIFYICONDATAW));
  EXPECT_EQ(nid.hWnd, msg);
  EXPECT_EQ(nid.uID, 100u);
  EXPECT_EQ(nid.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(nid.uCallbackMessage, 2135u);
  EXPECT_EQ(nid.hIcon, tray_->GetIcon(0));
  std::wstring tip;
  for (size_t i = 0; i < 128 && nid.szTip[i]; ++i) tip += static_cast<wchar_t>(nid.szTip[i]);
  EXPECT_EQ(tip, L"KbConfig tray");
  EXPECT_EQ(tray_->GetMenuKind(), SShellNotifyIcon::MenuKind::kMenu);
  if (!HaveTray()) GTEST_SKIP() << "no system tray";
  ASSERT_TRUE(WaitAdded());
  EXPECT_TRUE(Present());
}

TEST_F(TrayIconTest, WhichIconShows) {
  struct Case {
    const char* attributes;
    size_t icons;
    int shown;  // -1: the logo
  };
  const Case cases[] = {
      {"", 0, -1},
      {"ico=\"ICON:nothing;ICON:neither\"", 0, -1},
      {"ico=\"ICON:i0;ICON:i1;ICON:i2\" deficoidx=\"5\"", 3, 0},
      {"ico=\"ICON:i0;ICON:i1;ICON:i2\" deficoidx=\"2\"", 3, 2},
      {"ico=\"ICON:i0;ICON:i1;ICON:i2\" deficoidx=\"0x1\"", 3, 1},
  };
  for (const Case& c : cases) {
    Open(c.attributes);
    EXPECT_EQ(tray_->GetIconCount(), c.icons) << c.attributes;
    HICON shown = tray_->GetNotifyData().hIcon;
    ASSERT_NE(shown, nullptr) << c.attributes;
    if (c.shown >= 0) {
      EXPECT_EQ(shown, tray_->GetIcon(static_cast<size_t>(c.shown))) << c.attributes;
    } else {
      // The application icon at the size the shell draws tray icons
      // (16 x 16 at 96 dpi).
      ICONINFO info{};
      ASSERT_TRUE(GetIconInfo(shown, &info));
      BITMAP bm{};
      GetObjectW(info.hbmColor, sizeof bm, &bm);
      EXPECT_EQ(bm.bmWidth, GetSystemMetrics(SM_CXSMICON));
      EXPECT_EQ(bm.bmHeight, GetSystemMetrics(SM_CYSMICON));
      EXPECT_GT(bm.bmWidth, 0);
      DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
    }
    host_.reset();
  }
}

TEST_F(TrayIconTest, LeftClickShowsAndHidesTheHost) {
  Open("");
  HWND main = host_->GetHwnd();
  ASSERT_TRUE(IsWindowVisible(main));
  Callback(WM_LBUTTONUP);
  EXPECT_FALSE(IsWindowVisible(main));
  Callback(WM_LBUTTONDOWN);
  Callback(WM_MOUSEMOVE);
  Callback(WM_LBUTTONDBLCLK);
  EXPECT_FALSE(IsWindowVisible(main)) << "other mouse messages do nothing";
  Callback(WM_LBUTTONUP);
  EXPECT_TRUE(IsWindowVisible(main));
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == main; }, 5000));
  EXPECT_EQ(host_->callbacks, (std::vector<LPARAM>{WM_LBUTTONUP, WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONDBLCLK,
                                                   WM_LBUTTONUP}))
      << "the host saw every callback first";
}

TEST_F(TrayIconTest, TheHostMayTakeTheCallback) {
  Open("menu=\"SMENU:menu_test\"");
  host_->takeCallbacks = true;
  int menus = 0;
  app_->SetModalHook([&](SHostWnd&) { ++menus; });
  Callback(WM_LBUTTONUP);
  Callback(WM_RBUTTONUP);
  EXPECT_TRUE(IsWindowVisible(host_->GetHwnd()));
  EXPECT_EQ(menus, 0);
  EXPECT_EQ(host_->callbacks.size(), 2u);
}

TEST_F(TrayIconTest, RightClickOpensTheMenuAndItsCommandReachesTheHost) {
  for (const char* menu : {"SMENU:menu_test", "SMENUEX:menu_ex"}) {
    Open(std::string("menu=\"") + menu + "\"");
    int menus = 0;
    app_->SetModalHook([&](SHostWnd& popup) {
      ++menus;
      PostClickOnMenuItem(popup, 6);
    });
    Callback(WM_RBUTTONUP);
    EXPECT_EQ(menus, 1) << menu;
    EXPECT_TRUE(PumpUntil([&] { return !host_->commands.empty(); }, 3000)) << menu;
    EXPECT_EQ(host_->commands, std::vector<WPARAM>{MAKEWPARAM(6, 0)}) << menu;
    app_->SetModalHook(nullptr);
    host_.reset();
  }
}

TEST_F(TrayIconTest, MenuKinds) {
  struct Case {
    std::vector<const wchar_t*> menus;  // set in this order
    SShellNotifyIcon::MenuKind kind;
    const wchar_t* kept;
  };
  using Kind = SShellNotifyIcon::MenuKind;
  const Case cases[] = {
      {{}, Kind::kNone, L""},
      {{L"SMENU:menu_test"}, Kind::kMenu, L"SMENU:menu_test"},
      {{L"SMENUEX:menu_ex"}, Kind::kMenuEx, L"SMENUEX:menu_ex"},
      {{L"SMENU:menu_item_root"}, Kind::kNone, L""},
      {{L"SMENU:missing"}, Kind::kNone, L""},
      {{L"SMENU:menu_test", L"SMENU:missing"}, Kind::kMenu, L"SMENU:menu_test"},
      {{L"SMENU:menu_test", L"SMENU:menu_item_root"}, Kind::kNone, L"SMENU:menu_test"},
  };
  for (const Case& c : cases) {
    SShellNotifyIcon icon;
    for (const wchar_t* m : c.menus) EXPECT_TRUE(icon.SetAttribute(L"menu", m));
    EXPECT_EQ(icon.GetMenuKind(), c.kind) << c.menus.size();
    EXPECT_EQ(icon.GetMenuName(), c.kept);
  }
}

TEST_F(TrayIconTest, NoMenuNoPopup) {
  for (const char* attributes : {"menu=\"SMENU:menu_item_root\"", "menu=\"SMENU:missing\"", ""}) {
    Open(attributes);
    int menus = 0;
    app_->SetModalHook([&](SHostWnd&) { ++menus; });
    Callback(WM_RBUTTONUP);
    Pump(50);
    EXPECT_EQ(menus, 0) << attributes;
    EXPECT_TRUE(host_->commands.empty());
    app_->SetModalHook(nullptr);
    host_.reset();
  }
}

TEST_F(TrayIconTest, TheTaskbarComingBackAddsTheIconAgain) {
  Open("tip=\"again\"");
  if (!HaveTray()) GTEST_SKIP() << "no system tray";
  ASSERT_TRUE(WaitAdded());
  NOTIFYICONDATAW copy = tray_->GetNotifyData();
  // What a crashed Explorer leaves: no icon.
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &copy));
  ASSERT_FALSE(Present());
  // The broadcast reaches the top-level host, which passes it on.
  SendMessageW(host_->GetHwnd(), SShellNotifyIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_TRUE(Present());
  // Sent to the message window itself it works too.
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &copy));
  SendMessageW(tray_->GetMessageHwnd(), SShellNotifyIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_TRUE(Present());
}

TEST_F(TrayIconTest, TaskbarCreatedBeforeTheIconIsAddedDoesNothing) {
  SShellNotifyIcon icon;
  EXPECT_FALSE(icon.ReAdd());
  EXPECT_EQ(icon.GetNotifyData().cbSize, 0u);
  AddLayout(L"plain", "<text pos=\"0,0\">x</text>");
  auto host = LoadHost(L"plain");
  EXPECT_FALSE(SShellNotifyIcon::ForwardTaskbarCreated(host->GetRoot(), WM_APP + 1));
  EXPECT_TRUE(SShellNotifyIcon::ForwardTaskbarCreated(host->GetRoot(), SShellNotifyIcon::TaskbarCreatedMessage()));
}

TEST_F(TrayIconTest, AnimationCyclesFromTheStartFrame) {
  Open("ico=\"ICON:i0;ICON:i1;ICON:i2;ICON:i3;ICON:i4;ICON:i5\" startframe=\"1\" duration=\"20\" deficoidx=\"2\"");
  tray_->StartAnimation();
  ASSERT_TRUE(tray_->IsAnimating());
  EXPECT_EQ(tray_->GetCurrentFrame(), 1);
  KillTimer(tray_->GetMessageHwnd(), CShellNotifyHwnd2::kAnimationTimerId);  // ticks by hand from here
  std::vector<int> shown;
  for (int i = 0; i < 7; ++i) {
    SendMessageW(tray_->GetMessageHwnd(), WM_TIMER, CShellNotifyHwnd2::kAnimationTimerId, 0);
    for (size_t k = 0; k < tray_->GetIconCount(); ++k)
      if (tray_->GetNotifyData().hIcon == tray_->GetIcon(k)) shown.push_back(static_cast<int>(k));
  }
  EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 4, 5, 1, 2}));
  tray_->SetIconIndex(4);
  EXPECT_EQ(tray_->GetDefaultIconIndex(), 4);
  EXPECT_EQ(tray_->GetNotifyData().hIcon, tray_->GetIcon(2)) << "while animating the shown icon is left alone";
  tray_->StopAnimation();
  EXPECT_FALSE(tray_->IsAnimating());
  EXPECT_EQ(tray_->GetCurrentFrame(), 0);
  EXPECT_EQ(tray_->GetNotifyData().hIcon, tray_->GetIcon(4));
  // The real timer of the message window drives it too.
  tray_->StartAnimation();
  HICON first = tray_->GetNotifyData().hIcon;
  EXPECT_TRUE(PumpUntil([&] { return tray_->GetNotifyData().hIcon != first; }, 3000));
  tray_->StopAnimation();
}

TEST_F(TrayIconTest, AnimationNeedsMoreThanFourIconsFromTheStart) {
  Open("ico=\"ICON:i0;ICON:i1;ICON:i2;ICON:i3\" startframe=\"1\"");
  tray_->StartAnimation();
  EXPECT_FALSE(tray_->IsAnimating());
  SShellNotifyIcon loose;
  loose.SetAttribute(L"ico", L"ICON:i0;ICON:i1;ICON:i2;ICON:i3;ICON:i4;ICON:i5");
  loose.StartAnimation();
  EXPECT_FALSE(loose.IsAnimating()) << "no message window, no animation";
}

TEST_F(TrayIconTest, SetIconIndexAndStopWithoutIcons) {
  Open("ico=\"ICON:i0;ICON:i1;ICON:i2\"");
  tray_->SetIconIndex(2);
  EXPECT_EQ(tray_->GetNotifyData().hIcon, tray_->GetIcon(2));
  tray_->SetIconIndex(3);
  tray_->SetIconIndex(-1);
  EXPECT_EQ(tray_->GetDefaultIconIndex(), 2);
  EXPECT_EQ(tray_->GetNotifyData().hIcon, tray_->GetIcon(2));
  host_.reset();
  Open("");
  tray_->StopAnimation();
  EXPECT_NE(tray_->GetNotifyData().hIcon, nullptr) << "without icons the logo stays";
}

TEST_F(TrayIconTest, AttributesAfterTheIconIsAdded) {
  Open("ico=\"ICON:i0\" tip=\"first\"");
  std::wstring longTip(200, L'x');
  tray_->SetAttribute(L"tip", longTip);
  const NOTIFYICONDATAW& nid = tray_->GetNotifyData();
  EXPECT_EQ(nid.szTip[126], L'x');
  EXPECT_EQ(nid.szTip[127], 0) << "cut to 127 characters";
  EXPECT_TRUE(nid.uFlags & NIF_TIP);
  EXPECT_FALSE(nid.uFlags & NIF_INFO);
  // The shell's text is UTF-16: a character past the BMP takes a pair,
  // and a pair that does not fit is left out whole.
  tray_->SetAttribute(L"tip", L"a\U0001F600b");
  EXPECT_EQ(nid.szTip[0], L'a');
  EXPECT_EQ(nid.szTip[1], 0xD83D);
  EXPECT_EQ(nid.szTip[2], 0xDE00);
  EXPECT_EQ(nid.szTip[3], L'b');
  tray_->SetAttribute(L"tip", std::wstring(126, L'y') + L"\U0001F600");
  EXPECT_EQ(nid.szTip[125], L'y');
  EXPECT_EQ(nid.szTip[126], 0);
  // New icons replace the old ones in the record too.
  tray_->SetAttribute(L"ico", L"ICON:i3;ICON:i4");
  EXPECT_EQ(tray_->GetIconCount(), 2u);
  EXPECT_EQ(tray_->GetNotifyData().hIcon, tray_->GetIcon(0));
  struct Case {
    const wchar_t* name;
    const wchar_t* value;
    bool accepted;
  };
  const Case cases[] = {
      {L"duration", L"150", true}, {L"duration", L"-1", false}, {L"startframe", L"0x2", true},
      {L"startframe", L"-3", false}, {L"deficoidx", L"x", false}, {L"pos", L"0,0,10,10", true},
  };
  for (const Case& c : cases) EXPECT_EQ(tray_->SetAttribute(c.name, c.value), c.accepted) << kb::WideToUtf8(c.name);
  EXPECT_EQ(tray_->GetDuration(), 150);
  EXPECT_EQ(tray_->GetStartFrame(), 2);
}

TEST_F(TrayIconTest, GoesWithTheMainWindow) {
  Open("ico=\"ICON:i0\"");
  HWND msg = tray_->GetMessageHwnd();
  NOTIFYICONDATAW copy = tray_->GetNotifyData();
  bool shown = HaveTray() && WaitAdded();
  DestroyWindow(host_->GetHwnd());
  EXPECT_FALSE(IsWindow(msg)) << "the message window goes too";
  EXPECT_EQ(tray_->GetMessageHwnd(), nullptr);
  if (shown) {
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &copy)) << "the icon is gone from the tray";
  }
  host_.reset();
}

TEST_F(TrayIconTest, TheHostEndingInsideATrayCallback) {
  // The main dialog may end itself while the message window is still in
  // the handler that called it (exit from a callback, device removal).
  for (bool take : {false, true}) {
    Open("menu=\"SMENU:menu_test\"");
    HWND msg = tray_->GetMessageHwnd();
    host_->takeCallbacks = take;
    host_->destroyOnCallback = true;
    int menus = 0;
    app_->SetModalHook([&](SHostWnd&) { ++menus; });
    Callback(WM_RBUTTONUP);
    EXPECT_FALSE(IsWindow(msg));
    EXPECT_FALSE(IsWindow(host_->GetHwnd()));
    EXPECT_EQ(menus, 0) << "nothing of the released icon runs afterwards";
    app_->SetModalHook(nullptr);
    host_.reset();
  }
}

TEST_F(TrayIconTest, ARealClickOnTheTrayIcon) {
  if (!HaveTray()) GTEST_SKIP() << "no system tray";
  std::wstring tip = L"kbconfig-tray-" + std::to_wstring(GetCurrentProcessId());
  Open("tip=\"" + kb::WideToUtf8(tip) + "\"");
  ASSERT_TRUE(WaitAdded());
  HWND main = host_->GetHwnd();
  std::string command = "xdotool search --sync --onlyvisible --name '" + kb::WideToUtf8(tip) +
                        "' sleep 0.3 mousemove --window %1 4 4 click 1 >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(main); }, 10000)) << "the left click hid the main window";
}

}  // namespace
}  // namespace kbtest
