#include "ui/macro/MacroRecordDlg.h"

#include <chrono>
#include <cwchar>

#include "app/AppConfig.h"
#include "keyfunc/KeyMonitor.h"
#include "macro/KeyNameTable.h"
#include "macro/MacroStore.h"
#include "platform/diag.h"
#include "toolkit/controls/SComboBox.h"
#include "toolkit/controls/SListView.h"
#include "toolkit/controls/SMCListView.h"
#include "toolkit/controls/STabCtrl.h"
#include "toolkit/core/SEvents.h"
#include "toolkit/window/SMessageBox.h"

using kb::ui::SWindow;

namespace {

constexpr wchar_t kTab[] = L"tab_macro_mode_selection";
constexpr wchar_t kGroupList[] = L"macro_group";
constexpr wchar_t kStepList[] = L"key_info";
constexpr wchar_t kRecordingKeys[] = L"text_recording_keys";
constexpr wchar_t kRepeatEdit[] = L"edit_macro_repeat_times";
constexpr wchar_t kDelayEdit[] = L"edit_macro_delay_time";
constexpr const wchar_t* kModeRadios[3] = {L"chk_macro_realy_delay", L"chk_macro_fixed_delay",
                                           L"chk_macro_no_delay"};
constexpr wchar_t kRecordCheck[] = L"chk_macro_record";
constexpr wchar_t kPlayModes[] = L"macro_play_mode";
constexpr wchar_t kSingleCheck[] = L"chk_single_record";
constexpr wchar_t kSingleKey[] = L"edit_single_key";
constexpr wchar_t kMediaKeys[] = L"cmb_media_keys";
constexpr wchar_t kFunctionKeys[] = L"cmb_function_keys";
constexpr wchar_t kOk[] = L"btnOK";
constexpr wchar_t kDelete[] = L"btnDelete";
constexpr wchar_t kRestore[] = L"btnRestore";
constexpr wchar_t kMinimise[] = L"btnMin";
constexpr wchar_t kGroupAdd[] = L"groupAdd";
constexpr wchar_t kGroupDel[] = L"groupDel";
constexpr wchar_t kGroupImport[] = L"groupImport";
constexpr wchar_t kGroupExport[] = L"groupExport";
constexpr wchar_t kStepUp[] = L"item_up";
constexpr wchar_t kStepDown[] = L"item_down";
constexpr wchar_t kStepDelete[] = L"item_delete";
constexpr wchar_t kStepClear[] = L"item_clear";
constexpr wchar_t kStartRecord[] = L"Start record";
constexpr wchar_t kStopRecord[] = L"Stop record";
constexpr wchar_t kNoDelayText[] = L"0";
constexpr wchar_t kKeySeparator[] = L",";
constexpr wchar_t kWarningTitle[] = L"Warning";
constexpr wchar_t kWarnNoGroupToRecord[] = L"Please add a macro group first.";
constexpr wchar_t kWarnNoGroupSelected[] = L"Please select a macro group.";
constexpr wchar_t kWarnNoKeyCaptured[] = L"Please press the key to assign first.";
constexpr wchar_t kWarnNoEntry[] = L"Please choose an entry from the list.";
constexpr wchar_t kWarnEmptyCombination[] = L"This key combination has no keys.";
constexpr wchar_t kWarnNoRepeats[] = L"Please enter how many times the macro plays.";
// The play-mode list's item data for "Play repeat times".
constexpr int32_t kPlayCount = 2;

int64_t ProcessClockMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A control of the wanted class, or none: layouts are external data.
SWindow* FindOfClass(const kb::ui::SHostWnd& host, const wchar_t* name, const wchar_t* className) {
  SWindow* window = host.FindChildByName(name);
  return window && window->IsClass(className) ? window : nullptr;
}

}  // namespace

MacroRecordDlg::MacroRecordDlg(HidUsbFilter::KeyMonitor* monitor, MacroStore& macros, CoordButtonImage* picture,
                               const SelectedKeys& selectedKeys, const AppConfig& config)
    : SHostDialog(kLayoutName),
      monitor_(monitor),
      macros_(macros),
      picture_(picture),
      selectedKeys_(selectedKeys),
      config_(config),
      groupAdapter_(macros, this) {
  stepAdapter_.SetDelayEdited([this](int, SWindow* cell) { OnStepDelayEdited(cell); });
  if (monitor_) monitor_->AddProxy(this, &MacroRecordDlg::OnRecordKeyEvent);
}

MacroRecordDlg::~MacroRecordDlg() {
  // Cancel, Escape and the close button end the dialog too; what was
  // recorded is the user's work all the same.
  SaveRecordedSteps();
  if (monitor_) {
    monitor_->RemoveProxy(this, &MacroRecordDlg::OnRecordKeyEvent);
    // Recording may have stopped the loop; the main dialog's key actions
    // need it running again.
    monitor_->Start();
  }
  // The lists must let go of the adapters before they are destroyed.
  if (groupList_) groupList_->SetAdapter(nullptr);
  if (stepList_) stepList_->SetAdapter(nullptr);
}

int32_t MacroRecordDlg::OnRecordKeyEvent(uint8_t usagePage, uint16_t usage, bool pressed) {
  HWND hwnd = keyTarget_.load();
  if (hwnd) ::PostMessageW(hwnd, kMsgKeyEvent, MakeKeyCode(usagePage, usage), pressed ? 1 : 0);
  return 1;
}

bool MacroRecordDlg::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_INITDIALOG) {
    OnInitDialog();
    result = TRUE;
    return true;
  }
  if (msg == WM_DESTROY) {
    keyTarget_.store(nullptr);
    SaveRecordedSteps();
  }
  if (msg == kMsgKeyEvent) {
    OnKeyEvent(static_cast<KeyCode>(wParam), lParam != 0);
    result = 0;
    return true;
  }
  // While keys are recorded or captured, the same presses also reach this
  // window as key messages: they are the recording's, not commands (Space
  // would toggle the record box, Enter press OK, Escape cancel, Alt+F4 close).
  if (msg >= WM_KEYFIRST && msg <= WM_KEYLAST && TakesKeys()) {
    result = 0;
    return true;
  }
  return SHostDialog::ProcessWindowMessage(hwnd, msg, wParam, lParam, result);
}

// --- initialisation ---

void MacroRecordDlg::FindControls() {
  tab_ = FindChildByName<kb::ui::STabCtrl>(kTab);
  groupList_ = FindChildByName<kb::ui::SListView>(kGroupList);
  stepList_ = FindChildByName<kb::ui::SMCListView>(kStepList);
  recordingKeys_ = FindOfClass(*this, kRecordingKeys, L"text");
  repeatEdit_ = FindOfClass(*this, kRepeatEdit, L"edit");
  delayEdit_ = FindOfClass(*this, kDelayEdit, L"edit");
  for (int mode = 0; mode < 3; ++mode) modeRadios_[mode] = FindOfClass(*this, kModeRadios[mode], L"radio");
  recordCheck_ = FindOfClass(*this, kRecordCheck, L"check");
  playModes_ = FindChildByName<kb::ui::SComboBox>(kPlayModes);
  singleCheck_ = FindOfClass(*this, kSingleCheck, L"check");
  singleKey_ = FindOfClass(*this, kSingleKey, L"text");
  mediaKeys_ = FindChildByName<kb::ui::SComboBox>(kMediaKeys);
  functionKeys_ = FindChildByName<kb::ui::SComboBox>(kFunctionKeys);
}

void MacroRecordDlg::OnInitDialog() {
  keyTarget_.store(GetHwnd());
  initialising_ = true;
  FindControls();
  InitGroups();
  std::wstring names;
  for (const auto& [id, name] : selectedKeys_) names += (names.empty() ? L"" : kKeySeparator) + name;
  if (recordingKeys_) recordingKeys_->SetWindowText(names);
  InitDelayMode();
  if (singleKey_) singleKey_->SetWindowText(KeyNameTable::NameOf(static_cast<KeyCode>(macros_.Settings().skcode)).name);
  InitCombos();
  InitPage();
  initialising_ = false;
  if (macros_.Settings().type == kPageSingleKey) StartMonitor();
}

void MacroRecordDlg::InitGroups() {
  MacroSettings& settings = macros_.Settings();
  if (settings.group < 0 || settings.group >= macros_.GroupCount()) settings.group = 0;
  if (stepList_) stepList_->SetAdapter(&stepAdapter_);
  if (groupList_) {
    groupList_->SetAdapter(&groupAdapter_);
    groupList_->SetSel(settings.group < macros_.GroupCount() ? settings.group : -1);
  }
  ShowGroup(settings.group);
}

void MacroRecordDlg::InitDelayMode() {
  MacroSettings& settings = macros_.Settings();
  if (settings.mode >= 3) {
    settings.mode = kDelayRecorded;
    SaveSettings();
  }
  // A negative mode from a hand-edited file checks no radio; it still counts
  // as recorded delays when steps are recorded.
  for (int mode = 0; mode < 3; ++mode)
    if (modeRadios_[mode]) modeRadios_[mode]->SetCheck(mode == settings.mode);
}

void MacroRecordDlg::InitCombos() {
  for (const FunKeyEntry& entry : config_.funKeys)
    if (mediaKeys_) mediaKeys_->AddString(entry.name);
  for (const CombKeyEntry& entry : config_.combKeys)
    if (functionKeys_) functionKeys_->AddString(entry.name);
}

void MacroRecordDlg::InitPage() {
  MacroSettings& settings = macros_.Settings();
  // A page the dialog does not have (a hand-edited file) would leave the tab
  // on one page and the assignment made from another.
  if (settings.type < kPageMacro || settings.type > kPageFunctionKey) settings.type = kPageMacro;
  if (tab_) tab_->SetCurSel(settings.type, false);
  if (repeatEdit_) repeatEdit_->SetWindowText(std::to_wstring(settings.repeat));
  ShowDelayEdit();
  if (recordCheck_) {
    recordCheck_->SetCheck(false);
    recordCheck_->SetWindowText(kStartRecord);
  }
  if (playModes_) {
    // An index the list does not have (a file from another layout) falls
    // back to the first entry, so the play data is always a real PlayMode.
    if (settings.play < 0 || settings.play >= playModes_->GetCount()) settings.play = 0;
    playModes_->SetCurSel(playModes_->GetCount() > 0 ? settings.play : -1);
    if (playModes_->GetCurSel() >= 0) settings.playData = static_cast<int32_t>(playModes_->GetItemData(settings.play));
  }
  if (functionKeys_) functionKeys_->SetCurSel(settings.function);
  if (mediaKeys_) mediaKeys_->SetCurSel(settings.media);
  if (singleCheck_) singleCheck_->SetCheck(false);
}

// --- key events ---

void MacroRecordDlg::OnKeyEvent(KeyCode code, bool pressed) {
  const std::wstring name = KeyNameTable::NameOf(code).name;
  int page = CurrentPage();
  if (page == kPageSingleKey) {
    if (!pressed) return;
    macros_.Settings().skcode = static_cast<int32_t>(code);
    if (singleKey_) singleKey_->SetWindowText(name);
    return;
  }
  if (page != kPageMacro || !IsRecording()) return;
  RecordStep(code, pressed, name);
}

void MacroRecordDlg::RecordStep(KeyCode code, bool pressed, const std::wstring& name) {
  MacroGroup* group = SelectedGroup();
  if (!group) return;
  const MacroSettings& settings = macros_.Settings();
  int64_t now = ProcessClockMs();
  std::optional<int32_t> elapsed;
  if (settings.mode == kDelayFixed) elapsed = settings.delay;
  else if (settings.mode == kDelayNone) elapsed = 0;
  else if (lastEventMs_) elapsed = static_cast<int32_t>(now - *lastEventMs_);
  // Without a previous event in this recording (a group recorded earlier
  // being continued) the last step keeps the delay it had.
  if (pressed || !group->steps.empty()) {
    if (!group->steps.empty() && elapsed) group->steps.back().delay = *elapsed;
    group->steps.push_back(KeyStep{code, pressed ? KeyStep::kDown : KeyStep::kUp, 0, name});
    stepAdapter_.NotifyDataSetChanged();
    if (stepList_) stepList_->EnsureVisible(static_cast<int>(group->steps.size()) - 1);
    recordedUnsaved_ = true;
  }
  lastEventMs_ = now;
}

// --- events ---

bool MacroRecordDlg::OnFireEvent(kb::ui::EventArgs& e) {
  if (initialising_) return false;
  const std::wstring& name = e.NameFrom();
  switch (e.GetID()) {
    case kb::ui::EventCmd::EventID:
      return OnCommand(name);
    case kb::ui::EventEditChange::EventID:
      OnEditChanged(name, e.Sender());
      return name == kRepeatEdit || name == kDelayEdit;
    case kb::ui::EventCBSelChange::EventID:
      OnComboChanged(name, static_cast<kb::ui::EventCBSelChange&>(e).nCurSel);
      return true;
    case kb::ui::EventTabSelChanged::EventID:
      if (name != kTab) return false;
      OnPageChanged(static_cast<kb::ui::EventTabSelChanged&>(e).uNewSel);
      return true;
    case kb::ui::EventLVItemClick::EventID:
      if (name != kGroupList) return false;
      OnMacroGroupClicked(static_cast<kb::ui::EventLVItemClick&>(e).iItem);
      return true;
    default:
      return false;
  }
}

bool MacroRecordDlg::OnCommand(const std::wstring& name) {
  for (int mode = 0; mode < 3; ++mode)
    if (name == kModeRadios[mode]) return OnDelayModeChosen(mode), true;
  if (name == kRecordCheck) return OnRecordClicked(), true;
  if (name == kGroupAdd) return OnGroupAdd(), true;
  if (name == kGroupDel) return OnGroupDelete(), true;
  if (name == kStepUp) return OnStepMove(-1), true;
  if (name == kStepDown) return OnStepMove(1), true;
  if (name == kStepDelete) return OnStepDelete(), true;
  if (name == kStepClear) return OnStepClear(), true;
  if (name == kOk) return OnOk(), true;
  if (name == kDelete) return EndDialog(kResultDelete), true;
  if (name == kRestore) return ::ShowWindow(GetHwnd(), SW_RESTORE), true;
  if (name == kMinimise) return ::ShowWindow(GetHwnd(), SW_MINIMIZE), true;
  // Import and export have no function yet; the buttons stay inert.
  return name == kGroupImport || name == kGroupExport;
}

void MacroRecordDlg::OnDelayModeChosen(int mode) {
  macros_.Settings().mode = mode;
  ShowDelayEdit();
  SaveSettings();
}

void MacroRecordDlg::ShowDelayEdit() {
  if (!delayEdit_) return;
  const MacroSettings& settings = macros_.Settings();
  delayEdit_->SetWindowText(settings.mode == kDelayNone ? std::wstring(kNoDelayText)
                                                        : std::to_wstring(settings.delay));
  delayEdit_->EnableWindow(settings.mode == kDelayFixed);
}

void MacroRecordDlg::OnRecordClicked() {
  if (!recordCheck_) return;
  if (!SelectedGroup()) {
    recordCheck_->SetCheck(false);
    Warn(kWarnNoGroupToRecord);
    return;
  }
  bool checked = recordCheck_->IsChecked();
  recordCheck_->SetWindowText(checked ? kStopRecord : kStartRecord);
  if (checked) {
    lastEventMs_.reset();
    recordingStarted_ = StartMonitor();
  } else {
    StopMonitor();
    recordingStarted_ = false;
    SaveRecordedSteps();
  }
}

void MacroRecordDlg::OnGroupAdd() {
  bool hadSelection = SelectedGroupIndex() >= 0;
  macros_.AddGroup();
  groupAdapter_.NotifyDataSetChanged();
  if (!hadSelection && macros_.GroupCount() > 0) {
    if (groupList_) groupList_->SetSel(0);
    OnMacroGroupClicked(0);
  }
  // Adding may have moved the groups in memory.
  ShowGroup(SelectedGroupIndex());
}

void MacroRecordDlg::OnGroupDelete() {
  int index = SelectedGroupIndex();
  if (index < 0) return;
  // The step list must not keep pointing into the group being removed.
  stepAdapter_.SetGroup(nullptr);
  macros_.DeleteGroup(index);
  groupAdapter_.NotifyDataSetChanged();
  int selection = SelectedGroupIndex();
  macros_.Settings().group = selection;
  ShowGroup(selection);
  if (!SelectedGroup() && recordCheck_ && recordCheck_->IsChecked()) {
    recordCheck_->SetCheck(false);
    recordCheck_->SetWindowText(kStartRecord);
    StopMonitor();
    recordingStarted_ = false;
  }
  SaveSettings();
}

void MacroRecordDlg::OnMacroGroupClicked(int index) {
  if (index < 0 || index >= macros_.GroupCount()) return;
  if (groupList_ && groupList_->GetSel() != index) groupList_->SetSel(index);
  if (stepAdapter_.GetGroup() != macros_.GroupAt(index)) lastEventMs_.reset();
  ShowGroup(index);
  macros_.Settings().group = index;
  SaveRecordedSteps();
}

void MacroRecordDlg::OnMacroGroupRenamed(int index, const std::wstring& name) { macros_.RenameGroup(index, name); }

void MacroRecordDlg::ShowGroup(int index) {
  MacroGroup* group = index >= 0 && index < macros_.GroupCount() ? macros_.GroupAt(index) : nullptr;
  stepAdapter_.SetGroup(group);
  stepAdapter_.NotifyDataSetChanged();
}

void MacroRecordDlg::OnStepMove(int offset) {
  MacroGroup* group = stepAdapter_.GetGroup();
  if (!group || !stepList_) return;
  int row = stepList_->GetSel();
  int other = row + offset;
  int count = static_cast<int>(group->steps.size());
  if (row < 0 || row >= count || other < 0 || other >= count) return;
  std::swap(group->steps[static_cast<size_t>(row)], group->steps[static_cast<size_t>(other)]);
  stepAdapter_.NotifyDataSetChanged();
  stepList_->SetSel(other);
  macros_.Settings().group = SelectedGroupIndex();
  SaveSettings();
}

void MacroRecordDlg::OnStepDelete() {
  MacroGroup* group = stepAdapter_.GetGroup();
  if (!group || !stepList_) return;
  int row = stepList_->GetSel();
  if (row < 0 || row >= static_cast<int>(group->steps.size())) return;
  group->steps.erase(group->steps.begin() + row);
  stepAdapter_.NotifyDataSetChanged();
  int count = static_cast<int>(group->steps.size());
  stepList_->SetSel(row < count ? row : count - 1);
  macros_.Settings().group = SelectedGroupIndex();
  SaveSettings();
}

void MacroRecordDlg::OnStepClear() {
  MacroGroup* group = stepAdapter_.GetGroup();
  if (!group) return;
  group->steps.clear();
  stepAdapter_.NotifyDataSetChanged();
  macros_.Settings().group = SelectedGroupIndex();
  SaveSettings();
}

void MacroRecordDlg::OnStepDelayEdited(SWindow* cell) {
  MacroGroup* group = stepAdapter_.GetGroup();
  kb::ui::SItemPanel* panel = kb::ui::FindItemPanel(cell);
  if (!group || !panel) return;
  int row = panel->GetItemIndex();
  if (row < 0 || row >= static_cast<int>(group->steps.size())) return;
  KeyStep& step = group->steps[static_cast<size_t>(row)];
  std::optional<int> value = ParseDecimal(cell->GetWindowText(true));
  if (!value) {
    cell->SetWindowText(std::to_wstring(step.delay));
    return;
  }
  if (step.delay == *value) return;
  step.delay = *value;
  SaveSettings();
}

void MacroRecordDlg::OnEditChanged(const std::wstring& name, SWindow* sender) {
  if (!sender) return;
  MacroSettings& settings = macros_.Settings();
  if (name == kRepeatEdit) {
    settings.repeat = ParseDecimal(sender->GetWindowText(true)).value_or(0);
    SaveSettings();
  } else if (name == kDelayEdit && settings.mode == kDelayFixed) {
    settings.delay = ParseDecimal(sender->GetWindowText(true)).value_or(0);
    SaveSettings();
  }
}

void MacroRecordDlg::OnComboChanged(const std::wstring& name, int index) {
  MacroSettings& settings = macros_.Settings();
  if (name == kPlayModes && playModes_) {
    settings.play = index;
    settings.playData = index >= 0 ? static_cast<int32_t>(playModes_->GetItemData(index)) : 0;
  } else if (name == kMediaKeys) {
    settings.media = index;
  } else if (name == kFunctionKeys) {
    settings.function = index;
  } else {
    return;
  }
  SaveSettings();
}

void MacroRecordDlg::OnPageChanged(int page) {
  if (page == kPageSingleKey) {
    StartMonitor();
  } else {
    StopMonitor();
    if (page == kPageMacro && recordingStarted_) recordingStarted_ = StartMonitor();
  }
  macros_.Settings().type = page;
  SaveSettings();
}

void MacroRecordDlg::OnOk() {
  if (!selectedKeys_.empty() && CurrentPage() < kPageFunctionKey) macros_.Settings().group = SelectedGroupIndex();
  // OK with a choice that makes no assignment would leave the key as it was
  // without telling why; the user gets to complete the choice instead.
  if (!selectedKeys_.empty()) {
    if (const wchar_t* problem = MissingChoice()) {
      Warn(problem);
      return;
    }
  }
  EndDialog(kResultOk);
}

const wchar_t* MacroRecordDlg::MissingChoice() const {
  const MacroSettings& settings = macros_.Settings();
  switch (CurrentPage()) {
    case kPageMacro:
      if (!SelectedGroup()) return kWarnNoGroupSelected;
      // Played 0 times the macro does nothing while the key counts as
      // assigned (and withheld); -1 plays without end.
      return settings.playData == kPlayCount && settings.repeat == 0 ? kWarnNoRepeats : nullptr;
    case kPageSingleKey:
      return settings.skcode != 0 ? nullptr : kWarnNoKeyCaptured;
    case kPageMediaKey:
      return settings.media >= 0 && settings.media < static_cast<int32_t>(config_.funKeys.size()) ? nullptr
                                                                                                 : kWarnNoEntry;
    case kPageFunctionKey:
      if (settings.function < 0 || settings.function >= static_cast<int32_t>(config_.combKeys.size()))
        return kWarnNoEntry;
      return config_.combKeys[static_cast<size_t>(settings.function)].codes.empty() ? kWarnEmptyCombination : nullptr;
    default:
      return nullptr;
  }
}

void MacroRecordDlg::Warn(const wchar_t* text) { kb::ui::SMessageBox(GetHwnd(), text, kWarningTitle, MB_OK | MB_ICONWARNING); }

// --- helpers ---

bool MacroRecordDlg::StartMonitor() {
  if (!monitor_ || !monitor_->Start()) return false;
  monitor_->NotifyRecordingStart();
  return true;
}

void MacroRecordDlg::StopMonitor() {
  if (monitor_) monitor_->Stop();
}

void MacroRecordDlg::SaveSettings() {
  // Groups and settings share the file: any write takes the recorded steps.
  recordedUnsaved_ = false;
  if (!macros_.Save()) kb::DiagPrintfW(L"macro.xml could not be saved\n");
}

void MacroRecordDlg::SaveRecordedSteps() {
  if (recordedUnsaved_) SaveSettings();
}

int MacroRecordDlg::CurrentPage() const { return tab_ ? tab_->GetCurSel() : macros_.Settings().type; }

int MacroRecordDlg::SelectedGroupIndex() const {
  int index = groupList_ ? groupList_->GetSel() : macros_.Settings().group;
  return index >= 0 && index < macros_.GroupCount() ? index : -1;
}

MacroGroup* MacroRecordDlg::SelectedGroup() const {
  int index = SelectedGroupIndex();
  return index >= 0 ? macros_.GroupAt(index) : nullptr;
}

bool MacroRecordDlg::TakesKeys() const {
  int page = CurrentPage();
  return page == kPageSingleKey || (page == kPageMacro && IsRecording());
}

bool MacroRecordDlg::IsRecording() const { return recordCheck_ && recordCheck_->IsChecked() && SelectedGroup(); }

std::optional<int> MacroRecordDlg::ParseDecimal(const std::wstring& text) {
  int value = 0;
  if (std::swscanf(text.c_str(), L"%d", &value) != 1) return std::nullopt;
  return value;
}
