// Controls driven by window messages delivered to their host's message map
// (no window needed): clicks, focus, radio groups, sliders, tabs, comboboxes,
// edits, list views.
#include "ToolkitTestSupport.h"
#include "toolkit/controls/SButton.h"
#include "toolkit/controls/SCheckBox.h"
#include "toolkit/controls/SComboBox.h"
#include "toolkit/controls/SEdit.h"
#include "toolkit/controls/SMCListView.h"
#include "toolkit/controls/SRadioBox.h"
#include "toolkit/controls/SSliderBar.h"
#include "toolkit/controls/STabCtrl.h"

namespace kbtest {
namespace {

class BehaviourTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    host_ = LoadHost(L"layout:all_controls");
  }
  template <class T = SWindow>
  T* Find(const wchar_t* name) {
    T* w = host_->FindChildByName<T>(name);
    EXPECT_NE(w, nullptr) << kb::WideToUtf8(name);
    return w;
  }
  std::unique_ptr<SHostWnd> host_;
};

// The host's event map sees what controls raise.
class RecordingHost : public SHostWnd {
 public:
  using SHostWnd::SHostWnd;
  std::vector<std::wstring> commands;
  bool OnFireEvent(EventArgs& e) override {
    if (e.GetID() == EventCmd::EventID) commands.push_back(e.NameFrom());
    return false;
  }
};

TEST_F(BehaviourTest, ClickRaisesCommandOnlyWhenDownAndUpAreInside) {
  auto* button = Find<SButton>(L"btn_first");
  EventRecorder clicks(button, EventCmd::EventID);
  Click(*host_, CenterOf(button));
  EXPECT_EQ(clicks.Count(), 1);
  // Pressed inside, released outside: no click (the user changed their mind).
  Deliver(*host_, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(CenterOf(button)));
  MouseMove(*host_, Point{5, 300}, MK_LBUTTON);
  EXPECT_FALSE(button->GetState() & kStatePushed) << "pushed look only while the mouse is over it";
  Deliver(*host_, WM_LBUTTONUP, 0, PointParam(Point{5, 300}));
  EXPECT_EQ(clicks.Count(), 1);
  // Disabled buttons take no clicks.
  auto* disabled = Find<SButton>(L"btn_second");
  EventRecorder none(disabled, EventCmd::EventID);
  Click(*host_, CenterOf(disabled));
  EXPECT_EQ(none.Count(), 0);
}

TEST_F(BehaviourTest, EventMapSeesCommandsUnlessASubscriberConsumesThem) {
  RecordingHost host(L"layout:all_controls");
  ASSERT_TRUE(host.BuildTree());
  host.LayoutTo(host.GetLayoutSize());
  SWindow* first = host.FindChildByName(L"btn_first");
  SWindow* check = host.FindChildByName(L"chk_two");
  Click(host, CenterOf(first));
  Click(host, CenterOf(check));
  EXPECT_EQ(host.commands, (std::vector<std::wstring>{L"btn_first", L"chk_two"}));
  first->SubscribeEvent(EventCmd::EventID, [](EventArgs*) { return true; });
  Click(host, CenterOf(first));
  EXPECT_EQ(host.commands.size(), 2u);
}

TEST_F(BehaviourTest, CheckBoxTogglesBeforeItsCommand) {
  auto* check = Find<SCheckBox>(L"chk_two");
  std::vector<bool> seen;
  check->SubscribeEvent(EventCmd::EventID, [&](EventArgs* e) {
    seen.push_back(static_cast<SWindow*>(e->Sender())->IsChecked());
    return false;
  });
  Click(*host_, CenterOf(check));
  Click(*host_, CenterOf(check));
  check->SetFocus();
  KeyPress(*host_, VK_SPACE);
  EXPECT_EQ(seen, (std::vector<bool>{true, false, true}));
}

TEST_F(BehaviourTest, RadioGroups) {
  auto* a = Find<SRadioBox>(L"radio_a");
  auto* b = Find<SRadioBox>(L"radio_b");
  auto* c = Find<SRadioBox>(L"radio_c");
  EventRecorder clicksA(a, EventCmd::EventID);
  ASSERT_EQ(a->GetGroup().size(), 2u);
  Click(*host_, CenterOf(b));
  EXPECT_TRUE(b->IsChecked());
  EXPECT_FALSE(a->IsChecked());
  Click(*host_, CenterOf(c));
  EXPECT_TRUE(c->IsChecked());
  EXPECT_TRUE(b->IsChecked()) << "another group is not touched";
  Click(*host_, CenterOf(a));
  Click(*host_, CenterOf(a));
  EXPECT_EQ(clicksA.Count(), 2) << "clicking a checked radio still raises its command";
  // Arrows move through the group and check.
  KeyPress(*host_, VK_DOWN);
  EXPECT_TRUE(b->IsChecked());
  EXPECT_TRUE(b->IsFocused());
  KeyPress(*host_, VK_DOWN);
  EXPECT_TRUE(a->IsChecked()) << "wraps around";
  // Code can clear a group entirely.
  a->SetCheck(false);
  EXPECT_FALSE(a->IsChecked());
  EXPECT_FALSE(b->IsChecked());
}

TEST_F(BehaviourTest, TabMovesFocusInTreeOrderSkippingDisabledAndUncheckedRadios) {
  std::vector<std::wstring> order;
  host_->FindChildByName(L"btn_first")->SetFocus();
  for (int i = 0; i < 9; ++i) {
    order.push_back(host_->GetFocusedWindow() ? host_->GetFocusedWindow()->GetName() : L"-");
    KeyPress(*host_, VK_TAB);
  }
  std::vector<std::wstring> expected = {L"btn_first", L"chk_one",  L"chk_two",  L"radio_a", L"radio_c",
                                        L"cbx_color", L"bar_speed", L"bar_default", L"tab_main"};
  EXPECT_EQ(order, expected);
  EXPECT_TRUE(host_->ShowFocusCues());
}

TEST_F(BehaviourTest, ClickMovesFocusToFocusableControlsOnly) {
  SWindow* edit = Find(L"edit_number");
  Click(*host_, CenterOf(edit));
  EXPECT_TRUE(edit->IsFocused());
  Click(*host_, CenterOf(Find(L"quiet_text")));
  EXPECT_TRUE(edit->IsFocused()) << "a label does not take the focus away";
  Click(*host_, CenterOf(Find(L"chk_one")));
  EXPECT_TRUE(Find(L"chk_one")->IsFocused());
}

TEST_F(BehaviourTest, SliderRaisesEventsForUserMovesOnly) {
  auto* bar = Find<SSliderBar>(L"bar_speed");
  EventRecorder moves(bar, EventSliderPos::EventID);
  bar->SetValue(99);
  EXPECT_EQ(bar->GetValue(), 4) << "clamped";
  bar->SetValue(-5);
  EXPECT_EQ(bar->GetValue(), 1);
  EXPECT_EQ(moves.Count(), 0);
  const Rect& r = bar->GetWindowRect();
  Click(*host_, Point{r.right - 2, (r.top + r.bottom) / 2});
  EXPECT_EQ(bar->GetValue(), 4);
  Click(*host_, Point{r.right - 2, (r.top + r.bottom) / 2});
  EXPECT_EQ(moves.Count(), 1) << "no event when the value stays";
  KeyPress(*host_, VK_LEFT);
  KeyPress(*host_, VK_HOME);
  KeyPress(*host_, VK_HOME);
  EXPECT_EQ(moves.Values(), (std::vector<int>{4, 3, 1}));
  // Dragging the thumb follows the mouse.
  Point thumb = Point{(bar->GetThumbRect().left + bar->GetThumbRect().right) / 2, (r.top + r.bottom) / 2};
  Deliver(*host_, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(thumb));
  MouseMove(*host_, Point{(r.left + r.right) / 2 + 10, thumb.y}, MK_LBUTTON);
  Deliver(*host_, WM_LBUTTONUP, 0, PointParam(Point{(r.left + r.right) / 2 + 10, thumb.y}));
  EXPECT_EQ(bar->GetValue(), 3);
  EXPECT_EQ(bar->ValueFromPoint(Point{r.left - 50, 0}), 1);
  EXPECT_EQ(bar->ValueFromPoint(Point{r.right + 50, 0}), 4);
  EXPECT_FALSE(bar->SetRange(5, 2));
  ASSERT_TRUE(bar->SetRange(0, 2));
  EXPECT_EQ(bar->GetValue(), 2);
}

TEST_F(BehaviourTest, TabSwitchingAndHeadHoverEvents) {
  auto* tab = Find<STabCtrl>(L"tab_main");
  EventRecorder changed(tab, EventTabSelChanged::EventID);
  EventRecorder hover(tab, EventTabItemHover::EventID);
  EventRecorder leave(tab, EventTabItemLeave::EventID);
  Rect head0 = tab->GetItemRect(0);
  Rect head1 = tab->GetItemRect(1);
  ASSERT_FALSE(head0.IsEmpty());
  Click(*host_, Point{head0.left + 5, head0.top + 5});
  EXPECT_EQ(tab->GetCurSel(), 0);
  EXPECT_TRUE(tab->GetItem(0)->IsVisible());
  EXPECT_FALSE(tab->GetItem(1)->IsVisible());
  MouseMove(*host_, Point{head1.left + 5, head1.top + 5});
  MouseMove(*host_, Point{5, 470});
  EXPECT_EQ(hover.Values(), (std::vector<int>{0, 1}));
  EXPECT_EQ(leave.Values(), (std::vector<int>{-1, -2})) << "leave for the old head before hover for the new";
  KeyPress(*host_, VK_RIGHT);
  EXPECT_EQ(tab->GetCurSel(), 1);
  EXPECT_TRUE(tab->SetCurSel(1));
  EXPECT_EQ(changed.Values(), (std::vector<int>{0, 1})) << "re-selecting the page raises nothing";
  tab->SubscribeEvent(EventTabSelChanging::EventID, [](EventArgs* e) {
    static_cast<EventTabSelChanging*>(e)->cancel = true;
    return true;
  });
  EXPECT_FALSE(tab->SetCurSel(0));
  EXPECT_EQ(tab->GetCurSel(), 1);
  EXPECT_FALSE(tab->SetCurSel(5));
}

TEST_F(BehaviourTest, ComboSelectionEventsOnlyForRealChanges) {
  auto* combo = Find<SComboBox>(L"cbx_color");
  EventRecorder changes(combo, EventCBSelChange::EventID);
  EXPECT_TRUE(combo->SetCurSel(1));
  EXPECT_EQ(changes.Count(), 0) << "the same item again is no change";
  EXPECT_TRUE(combo->SetCurSel(2));
  EXPECT_FALSE(combo->SetCurSel(3));
  EXPECT_FALSE(combo->SetCurSel(-2));
  combo->SetFocus();
  KeyPress(*host_, VK_UP);
  KeyPress(*host_, VK_HOME);
  KeyPress(*host_, VK_HOME);
  EXPECT_EQ(changes.Values(), (std::vector<int>{2, 1, 0}));
  EXPECT_TRUE(combo->SetCurSel(-1));
  EXPECT_EQ(combo->GetWindowText(), L"");
  // Inserting before the selection keeps the same item selected.
  combo->SetCurSel(1);
  combo->InsertItem(0, L"Black", 5);
  EXPECT_EQ(combo->GetCurSel(), 2);
  EXPECT_EQ(combo->GetLBText(2), L"Green");
  combo->DeleteString(2);
  EXPECT_EQ(combo->GetCurSel(), -1);
  EXPECT_EQ(combo->FindString(L"Blue"), 2);
  combo->ResetContent();
  EXPECT_EQ(combo->GetCount(), 0);
  EXPECT_EQ(changes.Count(), 5);
}

TEST_F(BehaviourTest, EditTypingSelectionAndEnter) {
  auto* edit = Find<SEdit>(L"edit_name");
  auto* tab = Find<STabCtrl>(L"tab_main");
  ASSERT_EQ(tab->GetCurSel(), 1);
  EventRecorder changes(edit, EventEditChange::EventID);
  Click(*host_, CenterOf(edit));
  ASSERT_TRUE(edit->IsFocused());
  TypeText(*host_, L"abc键");
  EXPECT_EQ(edit->GetWindowText(), L"abc键");
  EXPECT_EQ(changes.Count(), 4);
  KeyPress(*host_, VK_LEFT);
  KeyPress(*host_, VK_LEFT);
  TypeText(*host_, L"X");
  EXPECT_EQ(edit->GetWindowText(), L"abXc键");
  Deliver(*host_, WM_CHAR, 0x08);
  EXPECT_EQ(edit->GetWindowText(), L"abc键");
  KeyPress(*host_, VK_DELETE);
  EXPECT_EQ(edit->GetWindowText(), L"ab键");
  KeyPress(*host_, VK_HOME);
  Deliver(*host_, WM_CHAR, 0x08);
  EXPECT_EQ(edit->GetWindowText(), L"ab键") << "backspace at the start does nothing";
  Deliver(*host_, WM_CHAR, 0x01);  // Ctrl+A
  TypeText(*host_, L"new text");
  EXPECT_EQ(edit->GetWindowText(), L"new text");
  TypeText(*host_, L"1234");
  EXPECT_EQ(edit->GetWindowText(), L"new text") << "maxLength 8";
  int before = changes.Count();
  edit->SetWindowText(L"code");
  EXPECT_EQ(changes.Count(), before) << "text set by code raises nothing";
  // Enter is not typed; with no default button nothing else happens.
  Deliver(*host_, WM_KEYDOWN, VK_RETURN, 1);
  Deliver(*host_, WM_CHAR, L'\r', 1);
  EXPECT_EQ(edit->GetWindowText(), L"code");
}

TEST_F(BehaviourTest, EnterInAnEditClicksTheDefaultButton) {
  std::unique_ptr<SHostWnd> dialog = LoadHost(L"layout:dialog");
  auto* ok = dialog->FindChildByName<SButton>(L"btn_ok");
  auto* edit = dialog->FindChildByName<SEdit>(L"dlg_edit");
  ASSERT_TRUE(ok && edit);
  EventRecorder okClicks(ok, EventCmd::EventID);
  Click(*dialog, CenterOf(edit));
  TypeText(*dialog, L"42");
  Deliver(*dialog, WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_EQ(okClicks.Count(), 1);
  EXPECT_EQ(edit->GetWindowText(), L"42");
}

TEST_F(BehaviourTest, NumberEditTakesDigitsOnly) {
  auto* edit = Find<SEdit>(L"edit_number");
  Click(*host_, CenterOf(edit));
  TypeText(*host_, L"1a2-3 ");
  EXPECT_EQ(edit->GetWindowText(), L"123");
}

// A ranged number field refuses what would leave its range, and a letter
// typed over a selection keeps the selected digits (the filter used to run
// after the selection was deleted, leaving the field empty).
TEST_F(BehaviourTest, NumberEditKeepsToItsRange) {
  auto* edit = Find<SEdit>(L"edit_number");
  struct Case {
    const wchar_t* min;
    const wchar_t* max;
    const wchar_t* before;
    bool selectAll;
    const wchar_t* typed;
    const wchar_t* after;
  };
  const Case cases[] = {
      {L"1", L"9999", L"", false, L"99999999999", L"9999"},
      {L"1", L"9999", L"9999", true, L"x", L"9999"},
      {L"1", L"9999", L"12", true, L"-", L"12"},
      {L"1", L"9999", L"", false, L"0", L""},
      {L"1", L"9999", L"5", false, L"0", L"50"},
      {L"0", L"60000", L"0", false, L"25", L"25"},
      {L"0", L"60000", L"6000", false, L"1", L"6000"},
      {L"0", L"60000", L"6000", false, L"0", L"60000"},
      {L"0", L"60000", L"123", true, L"7", L"7"},
  };
  Click(*host_, CenterOf(edit));
  for (const Case& c : cases) {
    edit->SetAttribute(L"minValue", c.min);
    edit->SetAttribute(L"maxValue", c.max);
    edit->SetWindowText(c.before);
    int end = static_cast<int>(std::wstring(c.before).size());
    edit->SetSel(c.selectAll ? 0 : end, end);
    TypeText(*host_, c.typed);
    EXPECT_EQ(edit->GetWindowText(), c.after) << kb::WideToUtf8(c.before) << " + " << kb::WideToUtf8(c.typed);
  }
}

}  // namespace
}  // namespace kbtest
