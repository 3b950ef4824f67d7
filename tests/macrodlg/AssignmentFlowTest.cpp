// The whole key assignment: a click on the keyboard picture opens the dialog
// modally, the user's choices in it end with OK or Delete, and record.xml,
// the picture's marks and the filter driver's intercept table follow.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "keyfunc/KeyMonitor.h"
#include "keyfunc/KeySim.h"
#include "macrodlg/MacroDlgTestSupport.h"
#include "platform/text.h"
#include "toolkit/controls/SComboBox.h"
#include "toolkit/controls/SEdit.h"
#include "toolkit/controls/SListView.h"
#include "toolkit/controls/STabCtrl.h"
#include "ui/macro/KeyAssignment.h"
#include "ui/macro/MacroRecordDlg.h"

namespace macrotest {
namespace {

using HidUsbFilter::KeyMonitor;
using kb::test::KeySim;

class AssignmentFlowTest : public MacroDlgTest {
 protected:
  void SetUp() override {
    MacroDlgTest::SetUp();
    ASSERT_TRUE(sim_.Start());
    monitor_ = std::make_unique<KeyMonitor>();
    ASSERT_NE(monitor_->OpenFilter(), INVALID_HANDLE_VALUE);
    ASSERT_TRUE(monitor_->Start());
    CreatePicture();
    context_.monitor = monitor_.get();
    context_.picture = picture_;
    context_.selectedKeys = &selected_;
    context_.openDialog = &open_;
    context_.keyboardConnected = true;
    context_.macros = &macros_;
    context_.records = &records_;
    context_.config = &config_;
  }
  void TearDown() override {
    monitor_.reset();
    MacroDlgTest::TearDown();
  }

  // Clicks a key of the picture (press, then release) while `script` plays
  // the user's part in the dialog.
  void Assign(int key, const std::wstring& name, std::function<void(MacroRecordDlg&)> script) {
    int opened = 0;
    SetModalScript([&](SHostWnd& host) {
      ++opened;
      auto& dialog = static_cast<MacroRecordDlg&>(host);
      EXPECT_EQ(open_, &dialog);
      EXPECT_EQ(selected_.size(), 1u);
      EXPECT_EQ(dialog.FindChildByName(L"text_recording_keys")->GetWindowText(), name);
      script(dialog);
    });
    EXPECT_FALSE(KeyAssignment::OnKeyClicked(context_, key, name, KeyAssignment::kActionPress));
    EXPECT_EQ(opened, 0);
    EXPECT_FALSE(KeyAssignment::OnKeyClicked(context_, key, name, KeyAssignment::kActionRelease));
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(open_, nullptr);
    EXPECT_TRUE(selected_.empty());
    SetModalScript(nullptr);
  }

  static void Page(MacroRecordDlg& d, int page) {
    d.FindChildByName<kb::ui::STabCtrl>(L"tab_macro_mode_selection")->SetCurSel(page);
  }
  static void Press(MacroRecordDlg& d, const wchar_t* name) { d.FindChildByName(name)->PerformClick(); }

  CoordButton Button(int id) const {
    CoordButton b;
    EXPECT_TRUE(picture_->GetButton(id, &b));
    return b;
  }

  KeySim sim_;
  std::unique_ptr<KeyMonitor> monitor_;
  SelectedKeys selected_;
  MacroRecordDlg* open_ = nullptr;
  KeyAssignmentContext context_;
};

TEST_F(AssignmentFlowTest, EachKindOfAssignmentWritesItsRecord) {
  struct Case {
    const char* what;
    int key;
    const wchar_t* name;
    std::function<void(MacroRecordDlg&)> script;
    std::string recordXml;  // the key's record element as written
    std::wstring tip;
  };
  const std::vector<Case> cases = {
      {"macro recorded live", kKeyA, L"A",
       [this](MacroRecordDlg& d) {
         Page(d, 0);
         Press(d, L"groupAdd");
         Press(d, L"chk_macro_fixed_delay");
         d.FindChildByName<kb::ui::SComboBox>(L"macro_play_mode")->SetCurSel(2);  // toggle
         Press(d, L"chk_macro_record");
         ASSERT_EQ(sim_.Command({"tap", "b"}).status, 0);
         ASSERT_TRUE(PumpUntil([&] { return d.SelectedGroup() && d.SelectedGroup()->steps.size() == 2; }));
         Press(d, L"btnOK");
       },
       "<record code=\"70004\" play=\"4\" type=\"0\" repeat=\"1\" name=\"A\" group=\"Group 0\">\n"
       "\t<item code=\"70005\" state=\"1\" delay=\"10\" name=\"B\" />\n"
       "\t<item code=\"70005\" state=\"0\" delay=\"0\" name=\"B\" />\n</record>",
       L"A : Group 0"},
      {"single key captured", kKeyB, L"B",
       [this](MacroRecordDlg& d) {
         Page(d, 1);
         Press(d, L"chk_single_record");
         ASSERT_EQ(sim_.Command({"tap", "capslock"}).status, 0);
         ASSERT_TRUE(PumpUntil([&] { return d.FindChildByName(L"edit_single_key")->GetWindowText() == L"Caps Lock"; }));
         Press(d, L"btnOK");
       },
       "<record code=\"70005\" play=\"1\" type=\"1\" repeat=\"1\" name=\"B\" group=\"Caps Lock\">\n"
       "\t<item code=\"70039\" state=\"0\" delay=\"0\" name=\"\" />\n</record>",
       L"B : Caps Lock"},
      {"media key", kKeyCapsLock, L"Caps Lock",
       [](MacroRecordDlg& d) {
         Page(d, 2);
         d.FindChildByName<kb::ui::SComboBox>(L"cmb_media_keys")->SetCurSel(1);
         Press(d, L"btnOK");
       },
       "<record code=\"70039\" play=\"1\" type=\"2\" repeat=\"1\" name=\"Caps Lock\" group=\"Mute\">\n"
       "\t<item code=\"c00e2\" state=\"0\" delay=\"0\" name=\"\" />\n</record>",
       L"Caps Lock : Mute"},
      {"key combination", kKeyF1, L"F1",
       [](MacroRecordDlg& d) {
         Page(d, 3);
         d.FindChildByName<kb::ui::SComboBox>(L"cmb_function_keys")->SetCurSel(0);
         Press(d, L"btnOK");
       },
       "<record code=\"7003a\" play=\"2\" type=\"3\" repeat=\"1\" name=\"F1\" group=\"Copy\">\n"
       "\t<item code=\"e0\" state=\"1\" delay=\"11\" name=\"\" />\n"
       "\t<item code=\"6\" state=\"1\" delay=\"21\" name=\"\" />\n"
       "\t<item code=\"e0\" state=\"0\" delay=\"10\" name=\"\" />\n"
       "\t<item code=\"6\" state=\"0\" delay=\"20\" name=\"\" />\n</record>",
       L"F1 : Copy"},
  };
  std::vector<std::string> intercepted;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Assign(c.key, c.name, c.script);
    std::string file = ReadText(kb::WideToUtf8(RecordPath()));
    EXPECT_NE(file.find(c.recordXml), std::string::npos) << file;
    CoordButton b = Button(c.key);
    EXPECT_TRUE(b.checked);
    EXPECT_EQ(b.tip, c.tip);
    char code[16];
    std::snprintf(code, sizeof code, "07:%04x", c.key);
    intercepted.push_back(code);
    EXPECT_EQ(sim_.InterceptList(), intercepted);
    // The settings were saved too, and reload as the dialog left them.
    MacroStore reloaded;
    ASSERT_TRUE(reloaded.Load(MacroPath()));
    EXPECT_EQ(reloaded.Settings().type, macros_.Settings().type);
  }
  // The monitor runs again for the main dialog's key actions.
  EXPECT_TRUE(monitor_->IsRunning());
  EXPECT_EQ(monitor_->ProxyCount(), 0u);
}

TEST_F(AssignmentFlowTest, DeleteRemovesTheAssignment) {
  Assign(kKeyA, L"A", [](MacroRecordDlg& d) {
    Page(d, 2);
    Press(d, L"btnOK");
  });
  Assign(kKeyB, L"B", [](MacroRecordDlg& d) { Press(d, L"btnOK"); });
  ASSERT_EQ(records_.Count(), 2u);
  ASSERT_EQ(sim_.InterceptList().size(), 2u);
  Assign(kKeyA, L"A", [](MacroRecordDlg& d) { Press(d, L"btnDelete"); });
  EXPECT_EQ(records_.Codes(), std::vector<KeyCode>{MakeKeyCode(7, kKeyB)});
  EXPECT_EQ(sim_.InterceptList(), std::vector<std::string>{"07:0005"});
  EXPECT_FALSE(Button(kKeyA).checked);
  EXPECT_EQ(Button(kKeyA).tip, L"");
  RecordStore reloaded;
  ASSERT_TRUE(reloaded.Load(RecordPath()));
  EXPECT_EQ(reloaded.Records(), records_.Records());
}

TEST_F(AssignmentFlowTest, CancelChangesNothing) {
  Assign(kKeyA, L"A", [](MacroRecordDlg& d) {
    Page(d, 2);
    Press(d, L"btnOK");
  });
  std::string before = ReadText(kb::WideToUtf8(RecordPath()));
  struct Case {
    const char* what;
    std::function<void(MacroRecordDlg&)> end;
  };
  const Case cases[] = {{"cancel button", [](MacroRecordDlg& d) { Press(d, L"btnCancel"); }},
                        {"window closed", [](MacroRecordDlg& d) { ::SendMessageW(d.GetHwnd(), WM_CLOSE, 0, 0); }}};
  for (const Case& c : cases) {
    Assign(kKeyA, L"A", [&](MacroRecordDlg& d) {
      Page(d, 3);
      c.end(d);
    });
    EXPECT_EQ(ReadText(kb::WideToUtf8(RecordPath())), before) << c.what;
    EXPECT_EQ(records_.Records()[0].type, 2) << c.what;
    EXPECT_TRUE(Button(kKeyA).checked) << c.what;
  }
}

// OK with a choice that would assign nothing warns and keeps the dialog
// open; the user may then fix the choice or give up.
TEST_F(AssignmentFlowTest, IncompleteChoicesWarnAndKeepTheDialogOpen) {
  struct Case {
    const char* what;
    std::function<void(MacroRecordDlg&)> choose;
    std::wstring warning;
  };
  const std::vector<Case> cases = {
      {"macro page without groups", [](MacroRecordDlg& d) { Page(d, 0); }, L"Please select a macro group."},
      {"single key not captured", [](MacroRecordDlg& d) { Page(d, 1); }, L"Please press the key to assign first."},
      {"combination without keys",
       [](MacroRecordDlg& d) {
         Page(d, 3);
         d.FindChildByName<kb::ui::SComboBox>(L"cmb_function_keys")->SetCurSel(1);
       },
       L"This key combination has no keys."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    warnings_.clear();
    bool stayedOpen = false;
    Assign(kKeyA, L"A", [&](MacroRecordDlg& d) {
      c.choose(d);
      Press(d, L"btnOK");
      stayedOpen = d.IsModalRunning() && ::IsWindow(d.GetHwnd());
      Press(d, L"btnCancel");
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(warnings_, std::vector<std::wstring>{c.warning});
    EXPECT_EQ(records_.Count(), 0u);
    EXPECT_FALSE(Button(kKeyA).checked);
  }
}

// An empty or 0 repeat field made a count macro that plays nothing while the
// key was marked as assigned and withheld from the system.
TEST_F(AssignmentFlowTest, CountMacroWithoutRepeatsIsAssigned) {
  macros_.AddGroup();
  macros_.GroupAt(0)->steps = {KeyStep{MakeKeyCode(7, 0x04), 1, 5, L"A"}, KeyStep{MakeKeyCode(7, 0x04), 0, 0, L"A"}};
  struct Case {
    const char* what;
    const wchar_t* typed;
    bool warned;
  };
  const Case cases[] = {{"empty", L"", true}, {"zero", L"0", true}, {"without end", L"-1", false}, {"three", L"3", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    warnings_.clear();
    records_.Clear();
    Assign(kKeyA, L"A", [&](MacroRecordDlg& d) {
      Page(d, 0);
      d.OnMacroGroupClicked(0);
      d.FindChildByName<kb::ui::SComboBox>(L"macro_play_mode")->SetCurSel(0);  // repeat times
      SWindow* edit = d.FindChildByName(L"edit_macro_repeat_times");
      edit->SetFocus();
      static_cast<kb::ui::SEdit*>(edit)->SelectAll();
      ::SendMessageW(d.GetHwnd(), WM_KEYDOWN, VK_DELETE, 0);
      for (const wchar_t* ch = c.typed; *ch; ++ch) ::SendMessageW(d.GetHwnd(), WM_CHAR, *ch, 1);
      Press(d, L"btnOK");
      // A warned OK leaves the dialog to the user, who cancels it here.
      if (!warnings_.empty()) Press(d, L"btnCancel");
    });
    EXPECT_EQ(warnings_.size(), c.warned ? 1u : 0u);
    if (c.warned) {
      if (!warnings_.empty()) EXPECT_EQ(warnings_[0], L"Please enter how many times the macro plays.");
      EXPECT_EQ(records_.Count(), 0u);
      EXPECT_FALSE(Button(kKeyA).checked);
    } else {
      EXPECT_EQ(records_.Count(), 1u);
      EXPECT_TRUE(Button(kKeyA).checked);
    }
  }
}

}  // namespace
}  // namespace macrotest
