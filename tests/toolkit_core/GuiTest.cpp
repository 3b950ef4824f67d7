// Real windows: messages through the window procedure, drop-downs, menus,
// message boxes and dialogs in their modal loops, timers, the timeline and
// tooltips. Needs a display (scripts/with-xvfb).
#include <chrono>
#include <functional>

#include "support/MessagePump.h"
#include "ToolkitTestSupport.h"
#include "toolkit/controls/SButton.h"
#include "toolkit/controls/SComboBox.h"
#include "toolkit/controls/SEdit.h"
#include "toolkit/controls/SListView.h"
#include "toolkit/controls/STabCtrl.h"
#include "toolkit/menu/SMenu.h"
#include "toolkit/menu/SMenuEx.h"
#include "toolkit/menu/SMenuItemWnd.h"
#include "toolkit/menu/SMenuPopup.h"
#include "toolkit/window/SHostDialog.h"
#include "toolkit/window/SMessageBox.h"

namespace kbtest {
namespace {

using Clock = std::chrono::steady_clock;


// A main window that records the commands menus send it.
class CommandHost : public SHostWnd {
 public:
  using SHostWnd::SHostWnd;
  std::vector<WPARAM> commands;
  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (msg == WM_COMMAND) {
      commands.push_back(wParam);
      return true;
    }
    return SHostWnd::ProcessWindowMessage(hwnd, msg, wParam, lParam, result);
  }
};

class GuiTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    host_ = std::make_unique<CommandHost>(L"layout:all_controls");
    ASSERT_NE(host_->Create(nullptr, 40, 40), nullptr);
    ShowWindow(host_->GetHwnd(), SW_SHOW);
    UpdateWindow(host_->GetHwnd());
    Pump(50);
  }
  void TearDown() override {
    app_->SetModalHook(nullptr);
    host_.reset();
    ToolkitTest::TearDown();
  }
  // Posts a click at a point in a window's client area.
  static void PostClick(HWND hwnd, Point pt) {
    PostMessageW(hwnd, WM_MOUSEMOVE, 0, PointParam(pt));
    PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(pt));
    PostMessageW(hwnd, WM_LBUTTONUP, 0, PointParam(pt));
  }
  static void PostKey(HWND hwnd, UINT vk) {
    PostMessageW(hwnd, WM_KEYDOWN, vk, 1);
    PostMessageW(hwnd, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
  }
  std::unique_ptr<CommandHost> host_;
};

TEST_F(GuiTest, ClicksThroughTheWindowProcedure) {
  SWindow* button = host_->FindChildByName(L"btn_first");
  EventRecorder clicks(button, EventCmd::EventID);
  Click(*host_, CenterOf(button));
  PostClick(host_->GetHwnd(), CenterOf(button));
  EXPECT_TRUE(PumpUntil([&] { return clicks.Count() == 2; }, 2000));
}

TEST_F(GuiTest, RemovingTheClickedControlFromItsOwnHandlerIsSafe) {
  SWindow* button = host_->FindChildByName(L"btn_first");
  SWindow* root = host_->GetRoot();
  int clicks = 0;
  button->SubscribeEvent(EventCmd::EventID, [&](EventArgs* e) {
    ++clicks;
    root->DestroyChild(e->Sender());
    return true;
  });
  Point where = CenterOf(button);
  Click(*host_, where);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(host_->FindChildByName(L"btn_first"), nullptr);
  Click(*host_, where);
  EXPECT_EQ(clicks, 1);
}

TEST_F(GuiTest, ComboBoxDropDownChoosesWithTheMouse) {
  auto* combo = host_->FindChildByName<SComboBox>(L"cbx_color");
  EventRecorder changes(combo, EventCBSelChange::EventID);
  int popups = 0;
  app_->SetModalHook([&](SHostWnd& popup) {
    ++popups;
    auto* list = popup.FindChildByName<SListView>(L"dropdown_list");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetItemCount(), 3);
    EXPECT_EQ(list->GetSel(), 1) << "the current item is selected";
    PostClick(popup.GetHwnd(), CenterOf(list->GetItemPanel(2)));
  });
  Click(*host_, CenterOf(combo));
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(combo->GetCurSel(), 2);
  EXPECT_EQ(changes.Values(), std::vector<int>{2});
  EXPECT_FALSE(combo->IsDroppedDown());

  // Choosing the current item again changes nothing.
  app_->SetModalHook([&](SHostWnd& popup) {
    auto* list = popup.FindChildByName<SListView>(L"dropdown_list");
    PostClick(popup.GetHwnd(), CenterOf(list->GetItemPanel(2)));
  });
  Click(*host_, CenterOf(combo));
  EXPECT_EQ(changes.Count(), 1);
}

// Moved to a monitor at 150 %: the window takes the suggested rectangle, the
// tree keeps its logical layout, clicks at the scaled places reach the
// controls, and a drop-down opens at the window's scale. Back at 100 % all
// is as before.
TEST_F(GuiTest, DpiChangeScalesTheWindowAndWhereClicksLand) {
  HWND hwnd = host_->GetHwnd();
  const Size layout = host_->GetLayoutSize();
  RECT before{};
  GetWindowRect(hwnd, &before);
  struct Case {
    int dpi;
    int percent;
  };
  for (const Case& c : {Case{144, 150}, Case{96, 100}}) {
    SCOPED_TRACE(c.dpi);
    RECT suggested{before.left, before.top, before.left + layout.cx * c.percent / 100,
                   before.top + layout.cy * c.percent / 100};
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi), reinterpret_cast<LPARAM>(&suggested));
    ASSERT_TRUE(PumpUntil([&] { return host_->GetClientSize() == Size{suggested.right - suggested.left,
                                                                        suggested.bottom - suggested.top}; },
                          5000));
    EXPECT_EQ(host_->GetScale().Dpi(), c.dpi);
    EXPECT_EQ(host_->GetLogicalClientSize(), layout);
    host_->UpdateLayoutNow();
    EXPECT_EQ(host_->GetRoot()->GetWindowRect(), (Rect{0, 0, layout.cx, layout.cy}));

    SWindow* button = host_->FindChildByName(L"btn_first");
    EventRecorder clicks(button, EventCmd::EventID);
    PostClick(hwnd, host_->GetScale().ToDevice(CenterOf(button)));
    // (The press may come as a double click after the previous round's.)
    EXPECT_TRUE(PumpUntil([&] { return clicks.Count() >= 1; }, 2000)) << "the click at the scaled place missed";

    auto* combo = host_->FindChildByName<SComboBox>(L"cbx_color");
    int shownDpi = 0, width = 0;
    app_->SetModalHook([&](SHostWnd& popup) {
      shownDpi = popup.GetScale().Dpi();
      width = popup.GetClientSize().cx;
      auto* list = popup.FindChildByName<SListView>(L"dropdown_list");
      ASSERT_NE(list, nullptr);
      PostClick(popup.GetHwnd(), popup.GetScale().ToDevice(CenterOf(list->GetItemPanel(c.dpi == 96 ? 1 : 0))));
    });
    // Delivered (not posted): the press runs the drop-down's loop, which
    // would take a posted release too.
    Click(*host_, host_->GetScale().ToDevice(CenterOf(combo)));
    EXPECT_EQ(shownDpi, c.dpi) << "the drop-down is drawn at its owner's scale";
    EXPECT_EQ(width, host_->GetScale().ToDevice(combo->GetWindowRect()).Width());
    EXPECT_EQ(combo->GetCurSel(), c.dpi == 96 ? 1 : 0);
    app_->SetModalHook(nullptr);
  }
}

TEST_F(GuiTest, ComboBoxDropDownCancelsWithEscapeOrAClickElsewhere) {
  auto* combo = host_->FindChildByName<SComboBox>(L"cbx_color");
  EventRecorder changes(combo, EventCBSelChange::EventID);
  HWND owner = host_->GetHwnd();
  app_->SetModalHook([&](SHostWnd&) {
    // Keys reach the drop-down although the owner has the focus.
    PostKey(owner, VK_DOWN);
    PostKey(owner, VK_ESCAPE);
  });
  Click(*host_, CenterOf(combo));
  EXPECT_EQ(combo->GetCurSel(), 1);
  app_->SetModalHook([&](SHostWnd&) { PostMessageW(owner, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(Point{5, 470})); });
  Click(*host_, CenterOf(combo));
  EXPECT_EQ(combo->GetCurSel(), 1);
  app_->SetModalHook([&](SHostWnd&) {
    PostKey(owner, VK_DOWN);
    PostKey(owner, VK_RETURN);
  });
  Click(*host_, CenterOf(combo));
  EXPECT_EQ(combo->GetCurSel(), 2);
  EXPECT_EQ(changes.Values(), std::vector<int>{2});
}

// Clicks the row with that command id in the menu level.
void PostClickOnItem(SHostWnd& popup, int id) {
  auto& menu = static_cast<SMenuPopup&>(popup);
  for (int i = 0; SMenuItemWnd* row = menu.GetItemWnd(i); ++i) {
    if (!row->Info()->separator && row->Info()->id == id) {
      Point pt = CenterOf(row);
      PostMessageW(popup.GetHwnd(), WM_MOUSEMOVE, 0, PointParam(pt));
      PostMessageW(popup.GetHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, PointParam(pt));
      PostMessageW(popup.GetHwnd(), WM_LBUTTONUP, 0, PointParam(pt));
      return;
    }
  }
  ADD_FAILURE() << "no menu item " << id;
}

TEST_F(GuiTest, MenuReturnsOrPostsTheChosenCommand) {
  SMenu menu;
  ASSERT_TRUE(menu.Load(L"SMENU:menu_plain"));
  HWND owner = host_->GetHwnd();
  app_->SetModalHook([](SHostWnd& popup) { PostClickOnItem(popup, 6); });
  EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 100, 100, owner), 6);
  EXPECT_TRUE(host_->commands.empty()) << "TPM_RETURNCMD sends nothing";

  app_->SetModalHook([](SHostWnd& popup) { PostClickOnItem(popup, 1); });
  EXPECT_EQ(menu.TrackPopupMenu(0, 100, 100, owner), TRUE);
  EXPECT_TRUE(PumpUntil([&] { return !host_->commands.empty(); }, 2000));
  EXPECT_EQ(host_->commands, std::vector<WPARAM>{MAKEWPARAM(1, 0)});

  // A disabled item does nothing; Escape then closes the menu.
  app_->SetModalHook([owner](SHostWnd& popup) {
    PostClickOnItem(popup, 5);
    PostKey(owner, VK_ESCAPE);
  });
  EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 100, 100, owner), 0);
  // A click outside closes it too.
  app_->SetModalHook([owner](SHostWnd&) { PostMessageW(owner, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(Point{3, 470})); });
  EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 100, 100, owner), 0);
}

TEST_F(GuiTest, MenuKeyboardOpensSubmenus) {
  SMenu menu;
  ASSERT_TRUE(menu.Load(L"smenu:menu_plain"));
  HWND owner = host_->GetHwnd();
  // Down: "Check firmware"; Down: "More" (the separator is skipped); Right
  // opens it on "Sub seven"; Enter chooses it.
  app_->SetModalHook([owner](SHostWnd&) {
    for (UINT vk : {VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN}) PostKey(owner, vk);
  });
  EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 50, 50, owner), 7);
  // In the submenu Down skips the disabled item and wraps to "Sub seven";
  // Left goes back; Up from "More" reaches "Check firmware".
  app_->SetModalHook([owner](SHostWnd&) {
    for (UINT vk : {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_LEFT, VK_UP, VK_RETURN}) PostKey(owner, vk);
  });
  EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 50, 50, owner), 1);
  EXPECT_TRUE(menu.CheckItem(7, true));
  EXPECT_FALSE(menu.EnableItem(42, true));
}

TEST_F(GuiTest, ExtendedMenuItemsHoldControls) {
  SMenuEx menu;
  EXPECT_FALSE(menu.Load(L"smenu:menu_plain")) << "a plain menu is not an extended one";
  ASSERT_TRUE(menu.Load(L"smenuex:menu_ex"));
  HWND owner = host_->GetHwnd();
  app_->SetModalHook([](SHostWnd& popup) {
    auto& level = static_cast<SMenuPopup&>(popup);
    SMenuItemWnd* exit = level.GetItemWnd(2);
    ASSERT_NE(exit, nullptr);
    SWindow* hint = exit->FindChildByName(L"hint");
    ASSERT_NE(hint, nullptr) << "the item's own controls";
    EXPECT_EQ(hint->GetWindowText(), L"Alt+F4");
    EXPECT_TRUE(exit->GetWindowRect().Intersect(hint->GetWindowRect()) == hint->GetWindowRect());
    PostClickOnItem(popup, 6);
  });
  EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 60, 60, owner), 6);
  app_->SetModalHook([owner](SHostWnd&) {
    for (UINT vk : {VK_UP, VK_RIGHT, VK_RETURN}) PostKey(owner, vk);
  });
  EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 60, 60, owner), 11);
}

TEST_F(GuiTest, MessageBoxesReturnTheirButtons) {
  HWND owner = host_->GetHwnd();
  struct Case {
    UINT type;
    const wchar_t* press;  // the button clicked, or nullptr for a key
    UINT key;
    int expected;
  };
  const Case cases[] = {
      {MB_OK, nullptr, VK_RETURN, IDOK},
      {MB_OK, nullptr, VK_ESCAPE, IDOK},
      {MB_OKCANCEL | MB_ICONWARNING, L"button2nd", 0, IDCANCEL},
      {MB_OKCANCEL, nullptr, VK_ESCAPE, IDCANCEL},
      {MB_OKCANCEL | MB_DEFBUTTON2, nullptr, VK_RETURN, IDCANCEL},
      {MB_YESNO | MB_ICONQUESTION, L"button1st", 0, IDYES},
      {MB_YESNOCANCEL, L"button3rd", 0, IDCANCEL},
      {MB_ABORTRETRYIGNORE | MB_ICONERROR, L"button2nd", 0, IDRETRY},
  };
  for (const Case& c : cases) {
    app_->SetModalHook([&](SHostWnd& box) {
      EXPECT_FALSE(IsWindowEnabled(owner)) << "the owner waits";
      if (c.press) {
        auto* page = box.FindChildByName<STabCtrl>(L"btnSwitch");
        ASSERT_NE(page, nullptr);
        SWindow* button = page->GetItem(page->GetCurSel())->FindChildByName(c.press);
        ASSERT_NE(button, nullptr);
        PostClick(box.GetHwnd(), CenterOf(button));
      } else {
        PostKey(box.GetHwnd(), c.key);
      }
    });
    EXPECT_EQ(SMessageBox(owner, L"Are you sure?", L"Warning", c.type), c.expected) << c.type;
    EXPECT_TRUE(IsWindowEnabled(owner));
  }
}

TEST_F(GuiTest, MessageBoxShowsTranslatedTextsAndGrowsWithTheText) {
  ASSERT_TRUE(InstallLanguage(L"translator:lang_cn"));
  std::wstring longText;
  for (int i = 0; i < 30; ++i) longText += L"All settings will be restored. ";
  app_->SetModalHook([&](SHostWnd& box) {
    wchar_t title[64] = {};
    GetWindowTextW(box.GetHwnd(), title, 64);
    EXPECT_EQ(std::wstring(title), L"警告");
    SWindow* ok = box.FindChildByName(L"button1st");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->GetWindowText(), L"确定");
    EXPECT_GT(box.GetClientSize().cy, 168) << "long texts make the box taller";
    EXPECT_TRUE(box.FindChildByName(L"msgicon")->IsVisible());
    PostKey(box.GetHwnd(), VK_RETURN);
  });
  EXPECT_EQ(SMessageBox(nullptr, longText.c_str(), L"Warning", MB_OK | MB_ICONINFORMATION), IDOK);
}

TEST_F(GuiTest, DialogEndsWithItsDefaultButtonAndKeepsItsControls) {
  SHostDialog dialog(L"layout:dialog");
  app_->SetModalHook([](SHostWnd& dlg) {
    HWND hwnd = dlg.GetHwnd();
    SWindow* edit = dlg.FindChildByName(L"dlg_edit");
    PostClick(hwnd, CenterOf(edit));
    for (wchar_t c : std::wstring(L"25")) PostMessageW(hwnd, WM_CHAR, c, 1);
    PostKey(hwnd, VK_RETURN);
  });
  EXPECT_EQ(dialog.DoModal(host_->GetHwnd()), IDOK);
  EXPECT_FALSE(dialog.IsWindowAlive());
  EXPECT_EQ(dialog.FindChildByName(L"dlg_edit")->GetWindowText(), L"25");

  SHostDialog second(L"layout:dialog");
  app_->SetModalHook([](SHostWnd& dlg) { PostMessageW(dlg.GetHwnd(), WM_CLOSE, 0, 0); });
  EXPECT_EQ(second.DoModal(host_->GetHwnd()), IDCANCEL);
}

class CountingTimeline : public ITimelineHandler {
 public:
  int ticks = 0;
  void OnNextFrame() override { ++ticks; }
};

TEST_F(GuiTest, TimelineTicksEveryTenMilliseconds) {
  CountingTimeline handler;
  host_->RegisterTimelineHandler(&handler);
  auto start = Clock::now();
  ASSERT_TRUE(PumpUntil([&] { return handler.ticks >= 10; }, 3000));
  auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  EXPECT_GE(elapsed, 60) << "ten ticks cannot come much faster than 100 ms";
  host_->UnregisterTimelineHandler(&handler);
  int now = handler.ticks;
  Pump(100);
  EXPECT_LE(handler.ticks, now + 1);
}

TEST_F(GuiTest, TooltipShowsAfterAPauseAndHidesOnClick) {
  SWindow* button = host_->FindChildByName(L"btn_first");
  SendMessageW(host_->GetHwnd(), WM_MOUSEMOVE, 0, PointParam(CenterOf(button)));
  EXPECT_TRUE(PumpUntil([&] { return !host_->GetShownToolTip().empty(); }, 3000));
  EXPECT_EQ(host_->GetShownToolTip(), L"Tip of the button");
  SendMessageW(host_->GetHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, PointParam(CenterOf(button)));
  EXPECT_EQ(host_->GetShownToolTip(), L"");
  SendMessageW(host_->GetHwnd(), WM_LBUTTONUP, 0, PointParam(CenterOf(button)));
}

TEST_F(GuiTest, WindowButtonsAndTitleTranslation) {
  HWND hwnd = host_->GetHwnd();
  SendMessageW(hwnd, SHostWnd::kMsgLanguageChanged, 0, 0);
  wchar_t title[64] = {};
  GetWindowTextW(hwnd, title, 64);
  EXPECT_EQ(std::wstring(title), L"KbToolkitTest");
  Click(*host_, CenterOf(host_->FindChildByName(L"btn_close")));
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(hwnd); }, 3000)) << "btn_close closes the window by default";
}

TEST_F(GuiTest, MessageLoopEndsWhenTheMainWindowIsDestroyed) {
  HWND hwnd = host_->GetHwnd();
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(app_->Run(hwnd), 0);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(app_->Run(hwnd), 0) << "a window that is gone ends the loop at once";
}

// A control with its own timer, as animated controls have.
class TickingWindow : public SWindow {
 public:
  int ticks = 0;
  void OnTimer(UINT id) override {
    if (id == 7) ++ticks;
  }
};

TEST_F(GuiTest, ControlTimersStopWhenTheControlGoes) {
  auto* ticking = static_cast<TickingWindow*>(host_->GetRoot()->InsertChild(std::make_unique<TickingWindow>()));
  ASSERT_TRUE(ticking->SetTimer(7, 20));
  ASSERT_TRUE(PumpUntil([&] { return ticking->ticks >= 3; }, 3000));
  ticking->KillTimer(7);
  int now = ticking->ticks;
  Pump(120);
  EXPECT_EQ(ticking->ticks, now);
  ASSERT_TRUE(ticking->SetTimer(7, 20));
  // Removed with its timer running: nothing may call it afterwards (ASan).
  host_->GetRoot()->DestroyChild(ticking);
  Pump(120);
}

TEST_F(GuiTest, MinimiseButtonAndCentring) {
  host_->CenterWindow();
  RECT screen = {};
  GetWindowRect(GetDesktopWindow(), &screen);
  Rect placed = host_->GetWindowRectOnScreen();
  EXPECT_NEAR((placed.left + placed.right) / 2, (screen.left + screen.right) / 2, 2);
  EXPECT_NEAR((placed.top + placed.bottom) / 2, (screen.top + screen.bottom) / 2, 2);
  Click(*host_, CenterOf(host_->FindChildByName(L"btn_min")));
  EXPECT_TRUE(PumpUntil([&] { return IsIconic(host_->GetHwnd()) != FALSE; }, 3000));
  ShowWindow(host_->GetHwnd(), SW_RESTORE);
  EXPECT_TRUE(PumpUntil([&] { return !IsIconic(host_->GetHwnd()); }, 3000));
}

TEST_F(GuiTest, ProgramsMayReplaceTheMessageBoxLayout) {
  auto overlay = std::make_shared<SResProviderMemory>();
  overlay->AddText(L"LAYOUT", L"SYS_XML_MSGBOX",
                   "<host size=\"300,150\"><root colorBkgnd=\"#203040\">"
                   "<text name=\"msgtext\" pos=\"10,10,-10,-50\" multiLines=\"1\" colorText=\"#ffffff\"/>"
                   "<button name=\"button1st\" pos=\"10,-40,@80,@30\"/><button name=\"button2nd\" pos=\"100,-40,@80,@30\"/>"
                   "</root></host>");
  app_->AddResProvider(overlay, L"");
  app_->SetModalHook([](SHostWnd& box) {
    EXPECT_EQ(box.GetClientSize().cx, 300) << "the program's layout";
    EXPECT_EQ(box.FindChildByName(L"msgtext")->GetWindowText(), L"Replace?");
    SWindow* second = box.FindChildByName(L"button2nd");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetWindowText(), L"No");
    PostClick(box.GetHwnd(), CenterOf(second));
  });
  EXPECT_EQ(SMessageBox(host_->GetHwnd(), L"Replace?", L"Question", MB_YESNO), IDNO);
}

TEST_F(GuiTest, MenuTextsAreTranslated) {
  ASSERT_TRUE(InstallLanguage(L"translator:lang_cn"));
  SMenu menu;
  ASSERT_TRUE(menu.Load(L"smenu:menu_plain"));
  HWND owner = host_->GetHwnd();
  app_->SetModalHook([owner](SHostWnd& popup) {
    auto& level = static_cast<SMenuPopup&>(popup);
    SMenuItemWnd* exit = level.GetItemWnd(4);
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->GetWindowText(), L"退出");
    EXPECT_EQ(exit->GetWindowText(true), L"Exit");
    PostKey(owner, VK_ESCAPE);
  });
  EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 80, 80, owner), 0);
}

TEST_F(GuiTest, CaptionDragsTheWindow) {
  HWND hwnd = host_->GetHwnd();
  Rect before = host_->GetWindowRectOnScreen();
  Point grip{200, 15};  // on the caption, away from its buttons
  POINT screen{grip.x, grip.y};
  ClientToScreen(hwnd, &screen);
  SetCursorPos(screen.x, screen.y);
  Pump(50);
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(grip));
  SetCursorPos(screen.x + 40, screen.y + 25);
  Pump(50);
  SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, PointParam(Point{grip.x + 40, grip.y + 25}));
  SendMessageW(hwnd, WM_LBUTTONUP, 0, PointParam(Point{grip.x + 40, grip.y + 25}));
  ASSERT_TRUE(PumpUntil([&] { return host_->GetWindowRectOnScreen().left != before.left; }, 3000));
  Rect after = host_->GetWindowRectOnScreen();
  EXPECT_EQ(after.left - before.left, 40);
  EXPECT_EQ(after.top - before.top, 25);
}

// A plain message-only window (the program's tray helper is one) that
// deletes itself when destroyed.
class SelfDeletingWnd : public CSimpleWnd {
 public:
  explicit SelfDeletingWnd(int* finals) : finals_(finals) {}
  UINT lastMessage = 0;
  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (msg >= WM_APP) {
      lastMessage = msg;
      result = 42;
      return true;
    }
    return false;
  }

 protected:
  void OnFinalMessage(HWND) override {
    ++*finals_;
    delete this;
  }

 private:
  int* finals_;
};

TEST_F(GuiTest, MessageOnlyWindowsAndTheirFinalMessage) {
  int finals = 0;
  auto* wnd = new SelfDeletingWnd(&finals);
  HWND hwnd = wnd->Create(L"shell_test_msg_window", 0, 0, 0, 0, 0, 0, HWND_MESSAGE, L"KbTestMessageWindow");
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(SendMessageW(hwnd, WM_APP + 5, 0, 0), 42);
  EXPECT_EQ(wnd->lastMessage, static_cast<UINT>(WM_APP + 5));
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return finals == 1; }, 3000)) << "WM_CLOSE destroys it and it deletes itself";
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(GuiTest, SubscriptionByControlNameOrId) {
  int byName = 0;
  int byId = 0;
  EXPECT_TRUE(host_->SubscribeEvent(L"btn_first", EventCmd::EventID, [&](EventArgs*) { return ++byName, false; }));
  EXPECT_TRUE(host_->SubscribeEvent(60001, EventCmd::EventID, [&](EventArgs*) { return ++byId, false; }));
  EXPECT_FALSE(host_->SubscribeEvent(L"nothing", EventCmd::EventID, [](EventArgs*) { return false; }));
  EXPECT_FALSE(host_->SubscribeEvent(L"quiet_text", EventCmd::EventID, [](EventArgs*) { return false; }))
      << "a label raises no command";
  PostClick(host_->GetHwnd(), CenterOf(host_->FindChildByName(L"btn_first")));
  EXPECT_TRUE(PumpUntil([&] { return byName == 1 && byId == 1; }, 2000));
}

}  // namespace
}  // namespace kbtest
