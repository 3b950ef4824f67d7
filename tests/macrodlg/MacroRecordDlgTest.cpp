// The macro dialog in a real window: what it shows for the remembered
// choices, what each control changes in macro.xml, and recording from the
// simulated keyboard through the filter driver in each delay mode.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "keyfunc/KeyMonitor.h"
#include "keyfunc/KeySim.h"
#include "macro/KeyNameTable.h"
#include "macrodlg/MacroDlgTestSupport.h"
#include "platform/text.h"
#include "toolkit/controls/SComboBox.h"
#include "toolkit/controls/SEdit.h"
#include "toolkit/controls/SListView.h"
#include "toolkit/controls/SMCListView.h"
#include "toolkit/controls/STabCtrl.h"
#include "toolkit/render/PngEncoder.h"
#include "ui/macro/MacroRecordDlg.h"

namespace macrotest {
namespace {

using HidUsbFilter::KeyMonitor;
using kb::test::KeySim;


class MacroRecordDlgTest : public MacroDlgTest {
 public:
  void TearDown() override {
    dialog_.reset();
    monitor_.reset();
    MacroDlgTest::TearDown();
  }

  // Opens the dialog (not modally) for the selected keys.
  void Open(KeyMonitor* monitor = nullptr) {
    dialog_ = std::make_unique<MacroRecordDlg>(monitor, macros_, picture_, selected_, config_);
    ASSERT_NE(dialog_->Create(nullptr), nullptr);
    ::SendMessageW(dialog_->GetHwnd(), WM_INITDIALOG, 0, 0);
    ::ShowWindow(dialog_->GetHwnd(), SW_SHOWNORMAL);
    PumpFor(20);
  }
  // The monitor of the main dialog, on the simulated filter driver.
  void StartMonitor() {
    ASSERT_TRUE(sim_.Start());
    monitor_ = std::make_unique<KeyMonitor>();
    ASSERT_NE(monitor_->OpenFilter(), INVALID_HANDLE_VALUE);
  }

  SWindow* Find(const wchar_t* name) const { return dialog_->FindChildByName(name); }
  template <class T>
  T* Find(const wchar_t* name) const {
    return dialog_->FindChildByName<T>(name);
  }
  void Click(const wchar_t* name) {
    SWindow* w = Find(name);
    ASSERT_NE(w, nullptr) << kb::WideToUtf8(name);
    w->PerformClick();
    PumpFor(5);
  }
  // Replaces an edit's text as the user would: select all, type.
  void Type(const wchar_t* name, const std::wstring& text) {
    SWindow* edit = Find(name);
    ASSERT_NE(edit, nullptr) << kb::WideToUtf8(name);
    TypeInto(edit, text);
  }
  void TypeInto(SWindow* edit, const std::wstring& text) {
    edit->SetFocus();
    static_cast<kb::ui::SEdit*>(edit)->SelectAll();
    for (wchar_t ch : text) ::SendMessageW(dialog_->GetHwnd(), WM_CHAR, ch, 1);
    if (text.empty()) ::SendMessageW(dialog_->GetHwnd(), WM_KEYDOWN, VK_DELETE, 0);
  }
  MacroStore Reloaded() const {
    MacroStore store;
    EXPECT_TRUE(store.Load(MacroPath()));
    return store;
  }
  // Presses or releases a key of the simulated keyboard and waits until the
  // dialog has the expected number of steps in its group.
  void Key(const char* key, const char* action, size_t stepsAfter) {
    ASSERT_EQ(sim_.Command({action, key}).status, 0) << action << " " << key;
    ASSERT_TRUE(PumpUntil([&] {
      MacroGroup* g = dialog_->SelectedGroup();
      return g && g->steps.size() >= stepsAfter;
    })) << action << " " << key;
  }
  std::vector<int32_t> Delays() const {
    std::vector<int32_t> delays;
    if (MacroGroup* g = dialog_->SelectedGroup())
      for (const KeyStep& s : g->steps) delays.push_back(s.delay);
    return delays;
  }

  SelectedKeys selected_ = {{kKeyA, L"A"}};
  KeySim sim_;
  std::unique_ptr<KeyMonitor> monitor_;
  std::unique_ptr<MacroRecordDlg> dialog_;
};

TEST_F(MacroRecordDlgTest, ShowsTheRememberedChoices) {
  struct Case {
    const char* what;
    int type, mode, delay, repeat, play, media, function, group;
    int32_t skcode;
    const wchar_t* delayText;
    bool delayEnabled;
    int checkedRadio;
    int32_t playData;
    int groupSel;
    int modeAfter;
    int typeAfter;
  };
  const Case cases[] = {
      {"recorded delays", 0, 0, 40, 3, 1, 1, 2, 1, static_cast<int32_t>(kCodeB), L"40", false, 0, 3, 1, 0, 0},
      {"fixed delay", 2, 1, 25, 1, 4, 0, 0, 0, static_cast<int32_t>(MakeKeyCode(7, 0x39)), L"25", true, 1, 6, 0, 1, 2},
      {"no delay", 3, 2, 25, 1, 0, 0, 1, 0, 0, L"0", false, 2, 2, 0, 2, 3},
      {"unknown mode", 0, 7, 10, 1, 0, 0, 0, 0, 0, L"10", false, 0, 2, 0, 0, 0},
      {"group and play entry out of range", 0, 0, 10, 1, 9, 0, 0, 5, 0, L"10", false, 0, 2, 0, 0, 0},
      {"unknown page", 9, 0, 10, 1, 0, 0, 0, 0, 0, L"10", false, 0, 2, 0, 0, 0},
  };
  for (const Case& c : cases) {
    macros_.Reset();
    macros_.AddGroup();
    macros_.AddGroup();
    MacroSettings& s = macros_.Settings();
    s.type = c.type;
    s.mode = c.mode;
    s.delay = c.delay;
    s.repeat = c.repeat;
    s.play = c.play;
    s.media = c.media;
    s.function = c.function;
    s.group = c.group;
    s.skcode = c.skcode;
    selected_ = {{kKeyCapsLock, L"Caps Lock"}, {kKeyA, L"A"}};
    Open();
    EXPECT_EQ(Find<kb::ui::STabCtrl>(L"tab_macro_mode_selection")->GetCurSel(), c.typeAfter) << c.what;
    EXPECT_EQ(macros_.Settings().type, c.typeAfter) << c.what;
    EXPECT_EQ(Find(L"text_recording_keys")->GetWindowText(), L"A,Caps Lock") << c.what;
    EXPECT_EQ(Find(L"edit_macro_delay_time")->GetWindowText(), c.delayText) << c.what;
    EXPECT_EQ(!Find(L"edit_macro_delay_time")->IsDisabled(), c.delayEnabled) << c.what;
    EXPECT_EQ(Find(L"edit_macro_repeat_times")->GetWindowText(), std::to_wstring(c.repeat)) << c.what;
    const wchar_t* radios[] = {L"chk_macro_realy_delay", L"chk_macro_fixed_delay", L"chk_macro_no_delay"};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Find(radios[i])->IsChecked(), i == c.checkedRadio) << c.what << i;
    EXPECT_FALSE(Find(L"chk_macro_record")->IsChecked()) << c.what;
    EXPECT_EQ(macros_.Settings().playData, c.playData) << c.what;
    EXPECT_EQ(macros_.Settings().mode, c.modeAfter) << c.what;
    EXPECT_EQ(Find<kb::ui::SListView>(L"macro_group")->GetSel(), c.groupSel) << c.what;
    EXPECT_EQ(Find<kb::ui::SComboBox>(L"cmb_media_keys")->GetCount(), 2) << c.what;
    EXPECT_EQ(Find<kb::ui::SComboBox>(L"cmb_function_keys")->GetCount(), 3) << c.what;
    EXPECT_EQ(Find<kb::ui::SComboBox>(L"cmb_media_keys")->GetCurSel(), c.media) << c.what;
    EXPECT_EQ(Find<kb::ui::SComboBox>(L"cmb_function_keys")->GetCurSel(), c.function) << c.what;
    EXPECT_EQ(Find(L"edit_single_key")->GetWindowText(), KeyNameTable::NameOf(static_cast<KeyCode>(c.skcode)).name)
        << c.what;
    dialog_.reset();
  }
}

// Each control changes one remembered choice, and macro.xml has it at once.
TEST_F(MacroRecordDlgTest, ChoicesAreSavedAtOnce) {
  struct Case {
    const char* what;
    std::function<void(MacroRecordDlgTest&)> act;
    std::function<void(const MacroSettings&)> check;
  };
  const std::vector<Case> cases = {
      {"fixed delay radio", [](MacroRecordDlgTest& t) { t.Click(L"chk_macro_fixed_delay"); },
       [](const MacroSettings& s) { EXPECT_EQ(s.mode, 1); }},
      {"no delay radio", [](MacroRecordDlgTest& t) { t.Click(L"chk_macro_no_delay"); },
       [](const MacroSettings& s) { EXPECT_EQ(s.mode, 2); }},
      {"repeat edit", [](MacroRecordDlgTest& t) { t.Type(L"edit_macro_repeat_times", L"17"); },
       [](const MacroSettings& s) { EXPECT_EQ(s.repeat, 17); }},
      {"delay edit in fixed mode",
       [](MacroRecordDlgTest& t) {
         t.Click(L"chk_macro_fixed_delay");
         t.Type(L"edit_macro_delay_time", L"250");
       },
       [](const MacroSettings& s) { EXPECT_EQ(s.delay, 250); }},
      {"play mode list",
       [](MacroRecordDlgTest& t) { t.Find<kb::ui::SComboBox>(L"macro_play_mode")->SetCurSel(3); },
       [](const MacroSettings& s) { EXPECT_EQ(s.play, 3); }},
      {"media list", [](MacroRecordDlgTest& t) { t.Find<kb::ui::SComboBox>(L"cmb_media_keys")->SetCurSel(1); },
       [](const MacroSettings& s) { EXPECT_EQ(s.media, 1); }},
      {"function list",
       [](MacroRecordDlgTest& t) { t.Find<kb::ui::SComboBox>(L"cmb_function_keys")->SetCurSel(2); },
       [](const MacroSettings& s) { EXPECT_EQ(s.function, 2); }},
      {"tab page", [](MacroRecordDlgTest& t) { t.Find<kb::ui::STabCtrl>(L"tab_macro_mode_selection")->SetCurSel(2); },
       [](const MacroSettings& s) { EXPECT_EQ(s.type, 2); }},
  };
  for (const Case& c : cases) {
    macros_.Reset();
    macros_.AddGroup();
    Open();
    c.act(*this);
    MacroStore reloaded = Reloaded();
    SCOPED_TRACE(c.what);
    c.check(reloaded.Settings());
    dialog_.reset();
  }
}

TEST_F(MacroRecordDlgTest, PlayModeCarriesItsPlayModeValue) {
  Open();
  auto* modes = Find<kb::ui::SComboBox>(L"macro_play_mode");
  ASSERT_GE(modes->GetCount(), 5);
  for (int i = 0; i < modes->GetCount(); ++i) {
    modes->SetCurSel(i);
    EXPECT_EQ(macros_.Settings().playData, modes->GetItemData(i));
    EXPECT_GE(macros_.Settings().playData, 2);
    EXPECT_LE(macros_.Settings().playData, 6);
  }
}

TEST_F(MacroRecordDlgTest, DelayEditFollowsTheMode) {
  macros_.Settings().delay = 33;
  Open();
  struct Case {
    const wchar_t* radio;
    const wchar_t* text;
    bool enabled;
  };
  const Case cases[] = {{L"chk_macro_fixed_delay", L"33", true},
                        {L"chk_macro_no_delay", L"0", false},
                        {L"chk_macro_fixed_delay", L"33", true},
                        {L"chk_macro_realy_delay", L"33", false}};
  for (const Case& c : cases) {
    Click(c.radio);
    EXPECT_EQ(Find(L"edit_macro_delay_time")->GetWindowText(), c.text) << kb::WideToUtf8(c.radio);
    EXPECT_EQ(!Find(L"edit_macro_delay_time")->IsDisabled(), c.enabled) << kb::WideToUtf8(c.radio);
  }
  // Typing into the delay edit outside the fixed mode changes nothing.
  Type(L"edit_macro_delay_time", L"99");
  EXPECT_EQ(macros_.Settings().delay, 33);
}

TEST_F(MacroRecordDlgTest, GroupsAreAddedDeletedAndRenamed) {
  Open();
  auto* groups = Find<kb::ui::SListView>(L"macro_group");
  Click(L"groupAdd");
  EXPECT_EQ(groups->GetSel(), 0);
  Click(L"groupAdd");
  Click(L"groupAdd");
  ASSERT_EQ(Reloaded().GroupCount(), 3);
  EXPECT_EQ(Reloaded().GroupAt(2)->name, L"Group 2");
  // Renaming through the item's edit.
  PumpFor(20);
  SWindow* nameEdit = groups->GetItemPanel(1)->FindChildByName(L"group_name");
  ASSERT_NE(nameEdit, nullptr);
  TypeInto(nameEdit, L"Combo");
  EXPECT_EQ(Reloaded().GroupAt(1)->name, L"Combo");
  // Deleting the selected group.
  groups->OnItemClicked(1);
  EXPECT_EQ(macros_.Settings().group, 1);
  Click(L"groupDel");
  MacroStore after = Reloaded();
  ASSERT_EQ(after.GroupCount(), 2);
  EXPECT_EQ(after.GroupAt(0)->name, L"Group 0");
  EXPECT_EQ(after.GroupAt(1)->name, L"Group 2");
  EXPECT_EQ(after.Settings().group, groups->GetSel());
}

TEST_F(MacroRecordDlgTest, DeletingTheOnlyGroupLeavesNothingSelected) {
  macros_.AddGroup();
  macros_.GroupAt(0)->steps = {KeyStep{kCodeA, 1, 5, L"A"}, KeyStep{kCodeA, 0, 0, L"A"}};
  Open();
  auto* steps = Find<kb::ui::SMCListView>(L"key_info");
  PumpFor(20);
  EXPECT_EQ(steps->GetItemCount(), 2);
  Click(L"groupDel");
  PumpFor(20);
  EXPECT_EQ(steps->GetItemCount(), 0);
  EXPECT_EQ(macros_.GroupCount(), 0);
  EXPECT_EQ(Reloaded().Settings().group, -1);
  // Recording cannot start without a group.
  Click(L"chk_macro_record");
  EXPECT_FALSE(Find(L"chk_macro_record")->IsChecked());
  EXPECT_EQ(warnings_, std::vector<std::wstring>{L"Please add a macro group first."});
}

// Recording that continues a group recorded earlier has no previous event
// to measure from: the group's last step keeps its delay instead of getting
// the process clock's value.
TEST_F(MacroRecordDlgTest, ContinuedRecordingKeepsTheLastDelay) {
  struct Case {
    const wchar_t* radio;
    int32_t lastDelayAfter;
  };
  const Case cases[] = {{L"chk_macro_realy_delay", 7}, {L"chk_macro_fixed_delay", 10}, {L"chk_macro_no_delay", 0}};
  for (const Case& c : cases) {
    macros_.Reset();
    macros_.AddGroup();
    macros_.GroupAt(0)->steps = {KeyStep{kCodeA, 1, 7, L"A"}};
    Open();
    Click(c.radio);
    Click(L"chk_macro_record");
    dialog_->OnKeyEvent(kCodeB, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    dialog_->OnKeyEvent(kCodeB, false);
    std::vector<KeyStep>& steps = macros_.GroupAt(0)->steps;
    ASSERT_EQ(steps.size(), 3u) << kb::WideToUtf8(c.radio);
    EXPECT_EQ(steps[0].delay, c.lastDelayAfter) << kb::WideToUtf8(c.radio);
    if (c.lastDelayAfter == 7) EXPECT_GE(steps[1].delay, 35) << "measured from the first recorded event";
    EXPECT_EQ(steps[2].delay, 0);
    dialog_.reset();
  }
}

TEST_F(MacroRecordDlgTest, StepsAreMovedDeletedAndCleared) {
  auto steps = [](std::initializer_list<int> usages) {
    std::vector<KeyStep> out;
    for (int u : usages) out.push_back(KeyStep{MakeKeyCode(7, static_cast<uint16_t>(u)), 1, u, L""});
    return out;
  };
  struct Case {
    const char* what;
    int selected;
    const wchar_t* button;
    std::vector<KeyStep> after;
    int selAfter;
  };
  const std::vector<Case> cases = {
      {"up", 2, L"item_up", steps({4, 6, 5, 7}), 1},
      {"up from the top", 0, L"item_up", steps({4, 5, 6, 7}), 0},
      {"down", 1, L"item_down", steps({4, 6, 5, 7}), 2},
      {"down from the bottom", 3, L"item_down", steps({4, 5, 6, 7}), 3},
      {"delete", 1, L"item_delete", steps({4, 6, 7}), 1},
      {"delete without selection", -1, L"item_delete", steps({4, 5, 6, 7}), -1},
      {"clear", 2, L"item_clear", {}, -1},
  };
  for (const Case& c : cases) {
    macros_.Reset();
    macros_.AddGroup();
    macros_.GroupAt(0)->steps = steps({4, 5, 6, 7});
    Open();
    PumpFor(10);
    auto* list = Find<kb::ui::SMCListView>(L"key_info");
    list->SetSel(c.selected);
    Click(c.button);
    EXPECT_EQ(macros_.GroupAt(0)->steps, c.after) << c.what;
    if (c.selAfter >= 0) EXPECT_EQ(list->GetSel(), c.selAfter) << c.what;
    EXPECT_EQ(list->GetItemCount(), static_cast<int>(c.after.size())) << c.what;
    dialog_.reset();
  }
}

TEST_F(MacroRecordDlgTest, DelayCellsTakeNumbersOnly) {
  macros_.AddGroup();
  macros_.GroupAt(0)->steps = {KeyStep{kCodeA, 1, 15, L"A"}, KeyStep{kCodeA, 0, 0, L"A"}};
  Open();
  PumpFor(20);
  auto* list = Find<kb::ui::SMCListView>(L"key_info");
  SWindow* cell = list->GetItemPanel(0)->FindChildByName(L"key_delay");
  ASSERT_NE(cell, nullptr);
  struct Case {
    const wchar_t* typed;
    int32_t delay;
    const wchar_t* shown;
  };
  const Case cases[] = {{L"120", 120, L"120"}, {L"abc", 120, L"120"}, {L"", 120, L"120"}, {L"7", 7, L"7"}};
  for (const Case& c : cases) {
    TypeInto(cell, c.typed);
    Find(L"edit_macro_repeat_times")->SetFocus();  // leaving the cell takes the value
    EXPECT_EQ(macros_.GroupAt(0)->steps[0].delay, c.delay) << kb::WideToUtf8(c.typed);
    EXPECT_EQ(cell->GetWindowText(), c.shown) << kb::WideToUtf8(c.typed);
  }
}

// Recording, moving, deleting and clearing steps and editing delays were
// never written: a dialog ended by Cancel, Escape or its close button lost
// them, and so did any later start.
TEST_F(MacroRecordDlgTest, RecordedStepsAreLostWithoutOk) {
  struct Ending {
    const char* what;
    std::function<void(SHostWnd&)> end;
  };
  const Ending endings[] = {
      {"cancel", [](SHostWnd& host) { host.FindChildByName(L"btnCancel")->PerformClick(); }},
      // While it records, Escape is a key to record: it cancels only afterwards.
      {"stop recording, then escape",
       [](SHostWnd& host) {
         host.FindChildByName(L"chk_macro_record")->PerformClick();
         ::SendMessageW(host.GetHwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
       }},
      {"close", [](SHostWnd& host) { ::SendMessageW(host.GetHwnd(), WM_CLOSE, 0, 0); }},
      {"stop recording, then cancel",
       [](SHostWnd& host) {
         host.FindChildByName(L"chk_macro_record")->PerformClick();
         host.FindChildByName(L"btnCancel")->PerformClick();
       }},
  };
  for (const Ending& e : endings) {
    SCOPED_TRACE(e.what);
    macros_.Reset();
    macros_.AddGroup();
    MacroRecordDlg dialog(nullptr, macros_, picture_, selected_, config_);
    bool ended = false;
    SetModalScript([&](SHostWnd& host) {
      auto& dlg = static_cast<MacroRecordDlg&>(host);
      dlg.OnMacroGroupClicked(0);
      host.FindChildByName(L"chk_macro_record")->PerformClick();
      dlg.OnKeyEvent(kCodeA, true);
      dlg.OnKeyEvent(kCodeA, false);
      ended = true;
      e.end(host);
    });
    dialog.DoModal(nullptr);
    SetModalScript(nullptr);
    ASSERT_TRUE(ended);
    MacroStore saved = Reloaded();
    ASSERT_EQ(saved.GroupCount(), 1);
    EXPECT_EQ(saved.GroupAt(0)->steps.size(), 2u);
    EXPECT_EQ(saved.GroupAt(0)->steps, macros_.GroupAt(0)->steps);
  }
  // Each edit of the steps is in the file while the dialog is still open.
  struct Edit {
    const char* what;
    int selected;
    const wchar_t* button;
    size_t stepsAfter;
  };
  const Edit edits[] = {{"move", 1, L"item_up", 3}, {"delete", 0, L"item_delete", 2}, {"clear", 0, L"item_clear", 0}};
  for (const Edit& edit : edits) {
    SCOPED_TRACE(edit.what);
    macros_.Reset();
    macros_.AddGroup();
    macros_.GroupAt(0)->steps = {KeyStep{kCodeA, 1, 5, L"A"}, KeyStep{kCodeB, 1, 6, L"B"}, KeyStep{kCodeA, 0, 0, L"A"}};
    macros_.Save();
    Open();
    PumpFor(10);
    Find<kb::ui::SMCListView>(L"key_info")->SetSel(edit.selected);
    Click(edit.button);
    ASSERT_EQ(macros_.GroupAt(0)->steps.size(), edit.stepsAfter);
    EXPECT_EQ(Reloaded().GroupAt(0)->steps, macros_.GroupAt(0)->steps);
    dialog_.reset();
  }
  macros_.GroupAt(0)->steps = {KeyStep{kCodeA, 1, 15, L"A"}, KeyStep{kCodeA, 0, 0, L"A"}};
  macros_.Save();
  Open();
  PumpFor(20);
  SWindow* cell = Find<kb::ui::SMCListView>(L"key_info")->GetItemPanel(0)->FindChildByName(L"key_delay");
  ASSERT_NE(cell, nullptr);
  TypeInto(cell, L"250");
  Find(L"edit_macro_repeat_times")->SetFocus();
  EXPECT_EQ(Reloaded().GroupAt(0)->steps[0].delay, 250);
}

TEST_F(MacroRecordDlgTest, OkDeleteAndCancelEndTheDialog) {
  struct Case {
    const wchar_t* button;
    INT_PTR result;
  };
  const Case cases[] = {{L"btnOK", MacroRecordDlg::kResultOk},
                        {L"btnDelete", MacroRecordDlg::kResultDelete},
                        {L"btnCancel", IDCANCEL}};
  macros_.AddGroup();
  macros_.AddGroup();
  macros_.GroupAt(1)->steps = {KeyStep{MakeKeyCode(7, 0x04), 1, 5, L"A"}};
  for (const Case& c : cases) {
    MacroRecordDlg dialog(nullptr, macros_, picture_, selected_, config_);
    SetModalScript([&](SHostWnd& host) {
      static_cast<MacroRecordDlg&>(host).OnMacroGroupClicked(1);
      host.FindChildByName(c.button)->PerformClick();
    });
    EXPECT_EQ(dialog.DoModal(nullptr), c.result) << kb::WideToUtf8(c.button);
    SetModalScript(nullptr);
  }
  EXPECT_EQ(macros_.Settings().group, 1);
}

// --- recording through the filter driver ---

TEST_F(MacroRecordDlgTest, RecordsKeysInEachDelayMode) {
  StartMonitor();
  struct Case {
    const char* what;
    const wchar_t* radio;
    int fixedDelay;
  };
  const Case cases[] = {{"fixed delay", L"chk_macro_fixed_delay", 25},
                        {"no delay", L"chk_macro_no_delay", 0},
                        {"recorded delays", L"chk_macro_realy_delay", -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    macros_.Reset();
    macros_.AddGroup();
    macros_.Settings().delay = 25;
    Open(monitor_.get());
    Click(c.radio);
    Click(L"chk_macro_record");
    ASSERT_TRUE(Find(L"chk_macro_record")->IsChecked());
    EXPECT_EQ(Find(L"chk_macro_record")->GetWindowText(true), L"Stop record");
    // A release while the group is empty is ignored.
    ASSERT_EQ(sim_.Command({"press", "b"}).status, 0);
    ASSERT_TRUE(PumpUntil([&] { return macros_.GroupAt(0)->steps.size() == 1; }));
    macros_.GroupAt(0)->steps.clear();
    Key("b", "release", 0);
    PumpFor(50);
    ASSERT_TRUE(macros_.GroupAt(0)->steps.empty());
    auto start = std::chrono::steady_clock::now();
    Key("a", "press", 1);
    PumpFor(80);
    Key("a", "release", 2);
    PumpFor(80);
    Key("b", "press", 3);
    PumpFor(80);
    Key("b", "release", 4);
    auto total = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::vector<KeyStep> steps = macros_.GroupAt(0)->steps;
    ASSERT_EQ(steps.size(), 4u);
    const KeyCode codes[] = {kCodeA, kCodeA, kCodeB, kCodeB};
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(steps[i].code, codes[i]) << i;
      EXPECT_EQ(steps[i].state, i % 2 == 0 ? 1 : 0) << i;
      EXPECT_EQ(steps[i].name, i < 2 ? L"A" : L"B") << i;
    }
    EXPECT_EQ(steps[3].delay, 0);
    if (c.fixedDelay >= 0) {
      EXPECT_EQ(Delays(), (std::vector<int32_t>{c.fixedDelay, c.fixedDelay, c.fixedDelay, 0}));
    } else {
      int32_t sum = 0;
      for (size_t i = 0; i < 3; ++i) {
        EXPECT_GE(steps[i].delay, 70) << i;  // at least the pause between the presses
        sum += steps[i].delay;
      }
      EXPECT_LE(sum, total.count() + 5);
    }
    // Stopping the recording stops the monitor: nothing more is recorded.
    Click(L"chk_macro_record");
    EXPECT_EQ(Find(L"chk_macro_record")->GetWindowText(true), L"Start record");
    EXPECT_FALSE(monitor_->IsRunning());
    dialog_.reset();
    EXPECT_TRUE(monitor_->IsRunning()) << "the dialog restarts the monitor when it goes";
  }
}

TEST_F(MacroRecordDlgTest, SingleKeyPageCapturesAPress) {
  StartMonitor();
  macros_.Settings().type = MacroRecordDlg::kPageSingleKey;
  Open(monitor_.get());
  EXPECT_TRUE(monitor_->IsRunning());
  Click(L"chk_single_record");
  ASSERT_EQ(sim_.Command({"press", "f1"}).status, 0);
  ASSERT_TRUE(PumpUntil([&] { return Find(L"edit_single_key")->GetWindowText() == L"F1"; }));
  EXPECT_EQ(macros_.Settings().skcode, static_cast<int32_t>(MakeKeyCode(7, kKeyF1)));
  // The captured key's release captures nothing and ends the capture, so
  // that the keys work the dialog again: a key after it is not taken.
  ASSERT_EQ(sim_.Command({"release", "f1"}).status, 0);
  ASSERT_TRUE(PumpUntil([&] { return !Find(L"chk_single_record")->IsChecked(); }));
  EXPECT_EQ(Find(L"chk_single_record")->GetWindowText(true), L"Capture a key");
  ASSERT_EQ(sim_.Command({"tap", "a"}).status, 0);
  PumpFor(200);
  EXPECT_EQ(Find(L"edit_single_key")->GetWindowText(), L"F1");
  // Turned on again, it takes the next key.
  Click(L"chk_single_record");
  ASSERT_EQ(sim_.Command({"tap", "capslock"}).status, 0);
  ASSERT_TRUE(PumpUntil([&] { return Find(L"edit_single_key")->GetWindowText() == L"Caps Lock"; }));
  // Its release, a moment later, ends this capture too.
  EXPECT_TRUE(PumpUntil([&] { return !Find(L"chk_single_record")->IsChecked(); }));
  // Other pages stop the monitor.
  Find<kb::ui::STabCtrl>(L"tab_macro_mode_selection")->SetCurSel(2);
  EXPECT_FALSE(monitor_->IsRunning());
  EXPECT_EQ(Reloaded().Settings().type, 2);
}

// Key events keep arriving on the monitor thread while the dialog is
// recording and while it goes away; afterwards they reach the main dialog's
// listener again.
TEST_F(MacroRecordDlgTest, KeysArrivingWhileTheDialogCloses) {
  StartMonitor();
  struct MainListener {
    std::atomic<int> seen{0};
    int32_t OnKey(uint8_t, uint16_t, bool) {
      ++seen;
      return 0;
    }
  } main;
  monitor_->AddProxy(&main, &MainListener::OnKey);
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    macros_.Reset();
    macros_.AddGroup();
    Open(monitor_.get());
    Click(L"chk_macro_record");
    std::atomic<bool> typing{true};
    std::thread typist([&] {
      // A fast typist: a tap every few milliseconds.
      while (typing.load()) {
        sim_.Command({"tap", "a"});
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
      }
    });
    ASSERT_TRUE(PumpUntil([&] { return macros_.GroupAt(0)->steps.size() >= 6; }));
    dialog_.reset();
    PumpFor(20);
    typing.store(false);
    typist.join();
    EXPECT_TRUE(monitor_->IsRunning());
    EXPECT_EQ(monitor_->ProxyCount(), 1u);
    // Every recorded press has its release right after it.
    const std::vector<KeyStep>& steps = macros_.GroupAt(0)->steps;
    for (size_t i = 0; i < steps.size(); ++i) EXPECT_EQ(steps[i].state, i % 2 == 0 ? 1 : 0) << i;
    int before = main.seen.load();
    ASSERT_EQ(sim_.Command({"tap", "b"}).status, 0);
    EXPECT_TRUE(kb::test::WaitUntil([&] { return main.seen.load() >= before + 2; }));
  }
}

// The monitor runs only while the dialog listens: on the single-key page,
// and on the macro page while recording; each start tells the filter that a
// recording starts.
TEST_F(MacroRecordDlgTest, MonitorRunsWhileTheDialogListens) {
  StartMonitor();
  macros_.AddGroup();
  Open(monitor_.get());
  auto* tab = Find<kb::ui::STabCtrl>(L"tab_macro_mode_selection");
  struct Step {
    const char* what;
    std::function<void()> act;
    bool running;
    long long recordingStarts;
  };
  const std::vector<Step> steps = {
      {"opened on the macro page", [] {}, false, 0},
      {"single-key page", [&] { tab->SetCurSel(1); }, true, 1},
      {"back to the macro page", [&] { tab->SetCurSel(0); }, false, 1},
      {"recording", [&] { Click(L"chk_macro_record"); }, true, 2},
      {"media page", [&] { tab->SetCurSel(2); }, false, 2},
      {"macro page while recording", [&] { tab->SetCurSel(0); }, true, 3},
      {"recording stopped", [&] { Click(L"chk_macro_record"); }, false, 3},
      {"macro page again", [&] { tab->SetCurSel(3), tab->SetCurSel(0); }, false, 3},
  };
  for (const Step& step : steps) {
    step.act();
    EXPECT_EQ(monitor_->IsRunning(), step.running) << step.what;
    EXPECT_EQ(sim_.FilterValue("recording-starts"), step.recordingStarts) << step.what;
  }
}

// While the dialog is open its listener takes every key event, so the main
// dialog's listener (older in the list) sees nothing.
TEST_F(MacroRecordDlgTest, DialogTakesKeyEventsWhileOpen) {
  StartMonitor();
  struct MainListener {
    std::atomic<int> seen{0};
    int32_t OnKey(uint8_t, uint16_t, bool) {
      ++seen;
      return 0;
    }
  } main;
  monitor_->AddProxy(&main, &MainListener::OnKey);
  ASSERT_TRUE(monitor_->Start());
  macros_.AddGroup();
  Open(monitor_.get());
  EXPECT_EQ(monitor_->ProxyCount(), 2u);
  Click(L"chk_macro_record");
  ASSERT_EQ(sim_.Command({"tap", "a"}).status, 0);
  ASSERT_TRUE(PumpUntil([&] { return macros_.GroupAt(0)->steps.size() == 2; }));
  EXPECT_EQ(main.seen.load(), 0);
  dialog_.reset();
  EXPECT_EQ(monitor_->ProxyCount(), 1u);
  ASSERT_EQ(sim_.Command({"tap", "a"}).status, 0);
  EXPECT_TRUE(kb::test::WaitUntil([&] { return main.seen.load() == 2; }));
}

}  // namespace
}  // namespace macrotest

namespace macrotest {
namespace {

// Draws the dialog with a freshly recorded macro, in English into
// $KB_OUTPUT_DIR/macro-editor.png (the picture in docs/ comes from here) and
// in Chinese into macro-editor-cn.png, and its single-key and function-key
// pages.
TEST_F(MacroRecordDlgTest, DrawsARecordedMacro) {
  struct Case {
    const wchar_t* language;
    const char* file;
    const wchar_t* keyUp;
    int page;
  };
  const Case cases[] = {{L"translator:lang_en", "macro-editor.png", L"key up", 0},
                        {L"translator:lang_cn", "macro-editor-cn.png", L"\u5f39\u8d77", 0},
                        {L"translator:lang_en", "macro-editor-single.png", L"key up", 1},
                        {L"translator:lang_en", "macro-editor-function.png", L"key up", 3}};
  macros_.AddGroup();
  macros_.AddGroup();
  macros_.RenameGroup(0, L"Copy and paste");
  selected_ = {{kKeyCapsLock, L"Caps Lock"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    macros_.GroupAt(0)->steps.clear();
    macros_.Settings().type = MacroRecordDlg::kPageMacro;
    macros_.Settings().mode = MacroRecordDlg::kDelayFixed;
    macros_.Settings().delay = 30;
    pugi::xml_document lang;
    ASSERT_TRUE(app_->LoadXmlDocument(lang, c.language, L"translator"));
    auto pack = app_->GetTranslator()->CreateLangPack();
    ASSERT_TRUE(pack->Load(lang.child("language")));
    wchar_t packName[64];
    pack->GetName(packName, 64);
    app_->GetTranslator()->UninstallLanguage(packName);
    app_->GetTranslator()->InstallLanguage(pack);
    Open();
    Click(L"chk_macro_record");
    const std::pair<KeyCode, bool> keys[] = {{MakeKeyCode(7, 0xE0), true}, {MakeKeyCode(7, 0x06), true},
                                             {MakeKeyCode(7, 0x06), false}, {MakeKeyCode(7, 0x19), true},
                                             {MakeKeyCode(7, 0x19), false}, {MakeKeyCode(7, 0xE0), false}};
    for (const auto& [code, pressed] : keys) dialog_->OnKeyEvent(code, pressed);
    PumpFor(30);
    auto* list = Find<kb::ui::SMCListView>(L"key_info");
    ASSERT_EQ(list->GetItemCount(), 6);
    EXPECT_EQ(list->GetItemPanel(5)->FindChildByName(L"key_name")->GetWindowText(), L"Left Control");
    EXPECT_EQ(list->GetItemPanel(5)->FindChildByName(L"key_state")->GetWindowText(), c.keyUp);
    Find<kb::ui::STabCtrl>(L"tab_macro_mode_selection")->SetCurSel(c.page);
    dialog_->OnKeyEvent(MakeKeyCode(7, 0x39), true);
    kb::render::Bitmap image;
    ASSERT_TRUE(dialog_->RenderTo(image));
    EXPECT_EQ(image.Width(), 760);
    EXPECT_EQ(image.Height(), 560);
    const char* out = std::getenv("KB_OUTPUT_DIR");
    std::vector<uint8_t> png = kb::render::EncodePng(image);
    ASSERT_FALSE(png.empty());
    std::ofstream(std::string(out ? out : ".") + "/" + c.file, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    dialog_.reset();
  }
}

}  // namespace
}  // namespace macrotest
