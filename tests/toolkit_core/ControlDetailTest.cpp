// Details of single controls: edit editing and clipboard, tab pages made in
// code, vertical sliders, visibility and focus, layout-bound handlers,
// popup placement and menu resources.
#include "ToolkitTestSupport.h"
#include "toolkit/controls/SEdit.h"
#include "toolkit/controls/SSliderBar.h"
#include "toolkit/controls/STabCtrl.h"
#include "toolkit/menu/SMenu.h"
#include "toolkit/menu/SMenuEx.h"
#include "toolkit/window/SPopupWnd.h"

namespace kbtest {
namespace {

class ControlDetailTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    host_ = LoadHost(L"layout:all_controls");
  }
  std::unique_ptr<SHostWnd> host_;
};

TEST_F(ControlDetailTest, EditSelectionWithTheMouse) {
  auto* edit = host_->FindChildByName<SEdit>(L"edit_number");
  edit->SetWindowText(L"1234567");
  const Rect& r = edit->GetWindowRect();
  Deliver(*host_, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(Point{r.left + 2, (r.top + r.bottom) / 2}));
  MouseMove(*host_, Point{r.right - 2, (r.top + r.bottom) / 2}, MK_LBUTTON);
  Deliver(*host_, WM_LBUTTONUP, 0, PointParam(Point{r.right - 2, (r.top + r.bottom) / 2}));
  EXPECT_EQ(edit->GetSelText(), L"1234567");
  TypeText(*host_, L"9");
  EXPECT_EQ(edit->GetWindowText(), L"9");
  edit->SetWindowText(L"12 34");
  Deliver(*host_, WM_LBUTTONDBLCLK, MK_LBUTTON, PointParam(Point{r.left + 8, (r.top + r.bottom) / 2}));
  Deliver(*host_, WM_LBUTTONUP, 0, PointParam(Point{r.left + 8, (r.top + r.bottom) / 2}));
  EXPECT_EQ(edit->GetSelText(), L"12") << "a double click selects the word";
}

TEST_F(ControlDetailTest, EditClipboardRoundTripAndProtectedContent) {
  auto* edit = host_->FindChildByName<SEdit>(L"edit_name");
  EventRecorder changes(edit, EventEditChange::EventID);
  edit->SetWindowText(L"键盘 kb");
  edit->SelectAll();
  ASSERT_TRUE(edit->Cut());
  EXPECT_EQ(edit->GetWindowText(), L"");
  ASSERT_TRUE(edit->Paste());
  ASSERT_TRUE(edit->Paste());
  EXPECT_EQ(edit->GetWindowText(), L"键盘 kb键盘 ") << "pasting twice is cut at maxLength 8";
  EXPECT_EQ(changes.Count(), 3);
  edit->SetAttribute(L"password", L"1");
  edit->SelectAll();
  EXPECT_FALSE(edit->Copy()) << "a password is not copied";
  EXPECT_FALSE(edit->Cut());
  edit->SetReadOnly(true);
  edit->SetFocus();
  TypeText(*host_, L"x");
  Deliver(*host_, WM_CHAR, 0x08);
  EXPECT_EQ(edit->GetWindowText(), L"键盘 kb键盘 ");
}

TEST_F(ControlDetailTest, EditCharactersOutsideTheBasicPlane) {
  auto* edit = host_->FindChildByName<SEdit>(L"edit_name");
  edit->SetFocus();
  // Two UTF-16 units on Windows, one unit on Linux: either way one character.
  const std::wstring face = kb::Utf8ToWide("\xF0\x9F\x98\x80");
  TypeText(*host_, L"a" + face + L"b");
  EXPECT_EQ(edit->GetWindowText(), L"a" + face + L"b");
  KeyPress(*host_, VK_LEFT);
  Deliver(*host_, WM_CHAR, 0x08);
  EXPECT_EQ(edit->GetWindowText(), L"ab") << "backspace removes the whole character";
}

TEST_F(ControlDetailTest, TabPagesAddedAndRemovedInCode) {
  auto* tab = host_->FindChildByName<STabCtrl>(L"tab_main");
  ASSERT_EQ(tab->GetCurSel(), 1);
  STabPage* added = tab->InsertItem(L"Page zero", 0);
  EXPECT_EQ(tab->GetItemCount(), 3);
  EXPECT_EQ(tab->GetItem(0), added);
  EXPECT_EQ(tab->GetCurSel(), 2) << "the shown page stays shown";
  EXPECT_FALSE(added->IsVisible());
  EXPECT_TRUE(tab->RemoveItem(2));
  EXPECT_EQ(tab->GetCurSel(), 1);
  EXPECT_TRUE(tab->GetItem(1)->IsVisible());
  EXPECT_FALSE(tab->RemoveItem(7));
  while (tab->GetItemCount()) tab->RemoveItem(0);
  EXPECT_EQ(tab->GetCurSel(), -1);
  EXPECT_NE(tab->InsertItem(L"again"), nullptr);
  EXPECT_EQ(tab->GetCurSel(), 0);
}

TEST_F(ControlDetailTest, HeadlessTabsAndVerticalSliders) {
  auto overlay = std::make_shared<SResProviderMemory>();
  overlay->AddText(L"layout", L"bits",
                   "<host size=\"200,200\"><root>"
                   "<tabctrl name=\"t\" pos=\"0,0,@100,@100\" tabHeight=\"0\"><page/><page/></tabctrl>"
                   "<tabctrl name=\"v\" pos=\"100,0,@100,@100\" tabAlign=\"left\" tabWidth=\"30\" tabHeight=\"20\">"
                   "<page title=\"a\"/><page title=\"b\"/></tabctrl>"
                   "<sliderbar name=\"s\" pos=\"0,100,@20,@100\" vertical=\"1\" min=\"0\" max=\"10\"/>"
                   "</root></host>");
  app_->AddResProvider(overlay, L"");
  auto host = LoadHost(L"layout:bits");
  auto* headless = host->FindChildByName<STabCtrl>(L"t");
  EXPECT_EQ(headless->GetFrameRect(), headless->GetWindowRect());
  EXPECT_TRUE(headless->GetItemRect(0).IsEmpty());
  auto* left = host->FindChildByName<STabCtrl>(L"v");
  EXPECT_EQ(left->GetItemRect(1), (Rect{100, 20, 130, 40}));
  EXPECT_EQ(left->GetFrameRect(), (Rect{130, 0, 200, 100}));
  auto* slider = host->FindChildByName<SSliderBar>(L"s");
  EXPECT_EQ(slider->ValueFromPoint(Point{10, 105}), 10) << "vertical sliders grow upwards";
  EXPECT_EQ(slider->ValueFromPoint(Point{10, 195}), 0);
  EventRecorder moves(slider, EventSliderPos::EventID);
  Deliver(*host, WM_MOUSEWHEEL, MAKEWPARAM(0, 240), PointParam(CenterOf(slider)));
  EXPECT_EQ(slider->GetValue(), 2);
  EXPECT_EQ(moves.Count(), 1);
}

TEST_F(ControlDetailTest, HiddenAndDisabledControlsLoseFocusAndInput) {
  SWindow* check = host_->FindChildByName(L"chk_two");
  check->SetFocus();
  ASSERT_TRUE(check->IsFocused());
  check->SetVisible(false);
  EXPECT_EQ(host_->GetFocusedWindow(), nullptr);
  EventRecorder clicks(check, EventCmd::EventID);
  Click(*host_, CenterOf(check));
  EXPECT_EQ(clicks.Count(), 0) << "a hidden control is not hit";
  check->SetVisible(true);
  check->SetFocus();
  check->EnableWindow(false);
  EXPECT_EQ(host_->GetFocusedWindow(), nullptr);
  check->SetFocus();
  EXPECT_EQ(host_->GetFocusedWindow(), nullptr) << "a disabled control takes no focus";
}

TEST_F(ControlDetailTest, LayoutsBindHandlersByName) {
  auto overlay = std::make_shared<SResProviderMemory>();
  overlay->AddText(L"layout", L"bound",
                   "<host size=\"100,50\"><root><button name=\"b\" pos=\"0,0,-0,-0\" on_command=\"OnPress\"/>"
                   "<check name=\"c\" pos=\"0,0,1,1\" on_nothing=\"x\"/></root></host>");
  app_->AddResProvider(overlay, L"");
  SHostWnd host(L"layout:bound");
  int pressed = 0;
  host.SetNamedHandler(L"OnPress", [&](EventArgs* e) {
    ++pressed;
    EXPECT_EQ(e->NameFrom(), L"b");
    return true;
  });
  ASSERT_TRUE(host.BuildTree());
  host.LayoutTo(host.GetLayoutSize());
  Click(host, Point{50, 25});
  EXPECT_EQ(pressed, 1);
}

TEST(PopupPlacementTest, StaysOnTheScreen) {
  RECT screenRc = {};
  GetWindowRect(GetDesktopWindow(), &screenRc);
  Rect screen{screenRc.left, screenRc.top, screenRc.right, screenRc.bottom};
  if (screen.IsEmpty()) GTEST_SKIP() << "no screen";
  Size size{100, 80};
  struct Case {
    Rect anchor;
    bool preferRight;
    Rect expected;
  };
  const Case cases[] = {
      {Rect{10, 10, 50, 30}, false, Rect::FromSize(10, 30, 100, 80)},
      {Rect{10, screen.bottom - 20, 50, screen.bottom - 5}, false, Rect::FromSize(10, screen.bottom - 100, 100, 80)},
      {Rect{screen.right - 30, 10, screen.right - 5, 30}, false, Rect::FromSize(screen.right - 100, 30, 100, 80)},
      {Rect{10, 10, 50, 30}, true, Rect::FromSize(50, 10, 100, 80)},
      {Rect{screen.right - 60, 10, screen.right - 20, 30}, true, Rect::FromSize(screen.right - 160, 10, 100, 80)},
  };
  for (const Case& c : cases) EXPECT_EQ(PlacePopup(size, c.anchor, c.preferRight), c.expected);
}

TEST_F(ControlDetailTest, MenuResourcesAreParsed) {
  SMenu plain;
  ASSERT_TRUE(plain.Load(L"smenu:menu_plain"));
  const auto& items = plain.Items();
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[0].id, 1);
  EXPECT_EQ(items[0].text, L"Check firmware");
  EXPECT_TRUE(items[1].separator);
  EXPECT_EQ(items[2].text, L"More");
  ASSERT_EQ(items[2].children.size(), 2u);
  EXPECT_TRUE(items[2].children[1].disabled);
  EXPECT_TRUE(items[3].disabled);
  EXPECT_EQ(plain.Style().itemHeight, 24);
  EXPECT_TRUE(plain.EnableItem(8, true));
  EXPECT_FALSE(plain.Items()[2].children[1].disabled);
  plain.AppendItem(99, L"added");
  EXPECT_EQ(plain.Items().back().id, 99);

  SMenuEx ex;
  ASSERT_TRUE(ex.Load(L"SMENUEX:menu_ex"));
  ASSERT_EQ(ex.Items().size(), 4u);
  EXPECT_TRUE(ex.Items()[2].layout != nullptr) << "extended items keep their controls";
  ASSERT_EQ(ex.Items()[3].children.size(), 1u);
  EXPECT_EQ(ex.Items()[3].children[0].id, 11);
  EXPECT_FALSE(SMenu().Load(L"smenuex:menu_ex")) << "a plain menu refuses an extended resource";
  EXPECT_FALSE(SMenu().Load(L"smenu:menu_broken"));
  EXPECT_EQ(SMenu().TrackPopupMenu(TPM_RETURNCMD, 0, 0, nullptr), 0) << "an empty menu opens nothing";
}

}  // namespace
}  // namespace kbtest
