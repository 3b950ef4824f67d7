#include "ui/macro/MacroRecordDlg.h"

#include <algorithm>
#include <chrono>

#include "app/AppConfig.h"
#include "keyfunc/KeyMonitor.h"
#include "macro/KeyNameTable.h"
#include "macro/MacroStore.h"
#include "macro/RecordStore.h"
#include "platform/diag.h"
#include "toolkit/controls/SComboBox.h"
#include "toolkit/core/SApplication.h"
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
constexpr wchar_t kStartCapture[] = L"Capture a key";
constexpr wchar_t kStopCapture[] = L"Stop capturing";
constexpr wchar_t kNoDelayText[] = L"0";
constexpr wchar_t kKeySeparator[] = L",";
constexpr wchar_t kWarningTitle[] = L"Warning";
constexpr wchar_t kWarnNoGroupToRecord[] = L"Please add a macro group first.";
constexpr wchar_t kWarnNoGroupSelected[] = L"Please select a macro group.";
constexpr wchar_t kWarnNoKeyCaptured[] = L"Please press the key to assign first.";
constexpr wchar_t kWarnNoEntry[] = L"Please choose an entry from the list.";
constexpr wchar_t kWarnEmptyCombination[] = L"This key combination has no keys.";
constexpr wchar_t kWarnNoRepeats[] = L"Please enter how many times the macro plays.";
constexpr wchar_t kWarnGroupUnnamed[] = L"Please give the macro group a name.";
constexpr wchar_t kWarnGroupEmpty[] = L"This macro group has no keys. Please record some first.";

int64_t SteadyClockUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// A control of the wanted class, or none: layouts are external data.
SWindow* FindOfClass(const kb::ui::SHostWnd& host, const wchar_t* name, const wchar_t* className) {
  SWindow* window = host.FindChildByName(name);
  return window && window->IsClass(className) ? window : nullptr;
}

}  // namespace

MacroRecordDlg::MacroRecordDlg(HidUsbFilter::KeyMonitor* monitor, MacroStore& macros, CoordButtonImage* picture,
                               const SelectedKeys& selectedKeys, const AppConfig& config, RecordStore* records)
    : SHostDialog(kLayoutName),
      monitor_(monitor),
      macros_(macros),
      picture_(picture),
      selectedKeys_(selectedKeys),
      config_(config),
      records_(records ? *records : RecordStore::Instance()),
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
  if (!hwnd) return 1;
  {
    std::scoped_lock lock(pendingLock_);
    pending_.push_back(PendingKey{MakeKeyCode(usagePage, usage), pressed, monitor_->EventTimeUs()});
  }
  ::PostMessageW(hwnd, kMsgKeyEvent, 0, 0);
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
    // Every posted message drains the queue; the later ones find it empty.
    std::deque<PendingKey> keys;
    {
      std::scoped_lock lock(pendingLock_);
      keys.swap(pending_);
    }
    for (const PendingKey& key : keys) OnKeyEvent(key.code, key.pressed, key.timeUs);
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
  // A number field left with text that is not its stored value (emptied,
  // or below its range) shows the stored value again.
  for (SWindow* edit : {repeatEdit_, delayEdit_}) {
    if (!edit) continue;
    edit->SubscribeEvent(kb::ui::EventKillFocus::EventID, [this, edit](kb::ui::EventArgs*) {
      OnNumberEditLeft(edit);
      return false;
    });
  }
}

void MacroRecordDlg::OnInitDialog() {
  keyTarget_.store(GetHwnd());
  initialising_ = true;
  FindControls();
  bool groupFound = !assignment_ || ApplyAssignment(*assignment_);
  InitGroups();
  if (!groupFound) {
    // The assigned macro was deleted or renamed: no group rather than
    // another one, so OK cannot quietly assign a different macro.
    if (groupList_) groupList_->SetSel(-1);
    macros_.Settings().group = -1;
    ShowGroup(-1);
  }
  std::wstring names;
  for (const auto& [id, name] : selectedKeys_) names += (names.empty() ? L"" : kKeySeparator) + name;
  if (recordingKeys_) recordingKeys_->SetWindowText(names);
  InitDelayMode();
  if (singleKey_) singleKey_->SetWindowText(KeyNameTable::NameOf(static_cast<KeyCode>(macros_.Settings().skcode)).name);
  InitCombos();
  InitPage();
  if (assignment_ && assignment_->type == kTypeMacro) SelectPlayData(assignment_->play);
  ShowRepeatEdit();
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
  if (singleCheck_) {
    singleCheck_->SetCheck(false);
    singleCheck_->SetWindowText(kStartCapture);
  }
}

bool MacroRecordDlg::ApplyAssignment(const KeyRecord& record) {
  MacroSettings& settings = macros_.Settings();
  KeyCode first = record.steps.empty() ? 0 : record.steps.front().code;
  switch (record.type) {
    case kTypeMacro: {
      settings.type = kPageMacro;
      settings.repeat = record.repeat;
      // Group names need not be unique: the group with the record's steps
      // wins over one that only has its name.
      int byName = -1;
      for (int i = 0; i < macros_.GroupCount(); ++i) {
        const MacroGroup* group = macros_.GroupAt(i);
        if (group->name != record.group) continue;
        if (group->steps == record.steps) return settings.group = i, true;
        if (byName < 0) byName = i;
      }
      settings.group = byName;
      return byName >= 0;
    }
    case kTypeSingleKey:
      settings.type = kPageSingleKey;
      settings.skcode = static_cast<int32_t>(first);
      return true;
    case kTypeMediaKey:
      settings.type = kPageMediaKey;
      settings.media = -1;
      for (size_t i = 0; i < config_.funKeys.size() && settings.media < 0; ++i)
        if (config_.funKeys[i].code == first) settings.media = static_cast<int32_t>(i);
      return true;
    case kTypeFunctionKey:
      settings.type = kPageFunctionKey;
      settings.function = -1;
      for (size_t i = 0; i < config_.combKeys.size() && settings.function < 0; ++i)
        if (config_.combKeys[i].name == record.group) settings.function = static_cast<int32_t>(i);
      return true;
    default:
      return true;
  }
}

void MacroRecordDlg::SelectPlayData(int32_t playData) {
  if (!playModes_) return;
  for (int i = 0; i < playModes_->GetCount(); ++i) {
    if (static_cast<int32_t>(playModes_->GetItemData(i)) != playData) continue;
    playModes_->SetCurSel(i);
    macros_.Settings().play = i;
    macros_.Settings().playData = playData;
    return;
  }
}

// --- key events ---

void MacroRecordDlg::OnKeyEvent(KeyCode code, bool pressed, std::optional<int64_t> timeUs) {
  const std::wstring name = KeyNameTable::NameOf(code).name;
  int page = CurrentPage();
  if (page == kPageSingleKey) {
    if (!TakesKeys()) return;
    if (pressed) {
      macros_.Settings().skcode = static_cast<int32_t>(code);
      capturedKey_ = code;
      if (singleKey_) singleKey_->SetWindowText(name);
    } else if (code == capturedKey_) {
      EndSingleCapture();
    }
    return;
  }
  if (page != kPageMacro || !IsRecording()) return;
  RecordStep(code, pressed, name, timeUs ? *timeUs : SteadyClockUs());
}

void MacroRecordDlg::RecordStep(KeyCode code, bool pressed, const std::wstring& name, int64_t timeUs) {
  MacroGroup* group = SelectedGroup();
  if (!group) return;
  const MacroSettings& settings = macros_.Settings();
  std::optional<int32_t> elapsed;
  if (settings.mode == kDelayFixed) {
    elapsed = settings.delay;
  } else if (settings.mode == kDelayNone) {
    elapsed = 0;
  } else if (lastEventTime_) {
    // Rounded to the nearest millisecond; a pause longer than a step may
    // be typed is kept at the longest one.
    int64_t us = timeUs - *lastEventTime_;
    elapsed = static_cast<int32_t>(std::clamp<int64_t>((us + 500) / 1000, 0, MacroStore::kMaxDelayMs));
  }
  // Without a previous event in this recording (a group recorded earlier
  // being continued) the last step keeps the delay it had.
  if (pressed || !group->steps.empty()) {
    if (!group->steps.empty() && elapsed) group->steps.back().delay = *elapsed;
    group->steps.push_back(KeyStep{code, pressed ? KeyStep::kDown : KeyStep::kUp, 0, name});
    stepAdapter_.NotifyDataSetChanged();
    if (stepList_) stepList_->EnsureVisible(static_cast<int>(group->steps.size()) - 1);
    recordedUnsaved_ = true;
  }
  lastEventTime_ = timeUs;
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
  if (name == kSingleCheck) return OnSingleCaptureClicked(), true;
  if (name == kGroupAdd) return OnGroupAdd(), true;
  if (name == kGroupDel) return OnGroupDelete(), true;
  if (name == kGroupExport) return OnGroupExport(), true;
  if (name == kGroupImport) return OnGroupImport(), true;
  if (name == kStepUp) return OnStepMove(-1), true;
  if (name == kStepDown) return OnStepMove(1), true;
  if (name == kStepDelete) return OnStepDelete(), true;
  if (name == kStepClear) return OnStepClear(), true;
  if (name == kOk) return OnOk(), true;
  if (name == kDelete) return EndDialog(kResultDelete), true;
  if (name == kRestore) return ::ShowWindow(GetHwnd(), SW_RESTORE), true;
  if (name == kMinimise) return ::ShowWindow(GetHwnd(), SW_MINIMIZE), true;
  return false;
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
    lastEventTime_.reset();
    recordingStarted_ = StartMonitor();
  } else {
    StopRecording();
  }
}

void MacroRecordDlg::StopRecording() {
  if (recordCheck_) {
    recordCheck_->SetCheck(false);
    recordCheck_->SetWindowText(kStartRecord);
  }
  StopMonitor();
  recordingStarted_ = false;
  lastEventTime_.reset();
  SaveRecordedSteps();
}

// One key is captured: while capturing, every key message is the capture's,
// so without this a keyboard user could never reach OK again. Ended on the
// key's release, so that its press and release both stay the capture's.
void MacroRecordDlg::EndSingleCapture() {
  capturedKey_ = 0;
  if (!singleCheck_ || !singleCheck_->IsChecked()) return;
  singleCheck_->SetCheck(false);
  singleCheck_->SetWindowText(kStartCapture);
}

void MacroRecordDlg::OnSingleCaptureClicked() {
  if (!singleCheck_) return;
  capturedKey_ = 0;
  // Its look alone hardly tells on from off; the text says what a click does.
  singleCheck_->SetWindowText(singleCheck_->IsChecked() ? kStopCapture : kStartCapture);
}


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
  std::optional<int32_t> value = ParseInRange(cell->GetWindowText(true), MacroStore::kMinDelayMs, MacroStore::kMaxDelayMs);
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
  // Only a value in range is stored; the field refuses typing beyond it,
  // and one left empty shows the stored value again when it loses focus.
  std::optional<int32_t> value;
  if (name == kRepeatEdit) {
    value = ParseInRange(sender->GetWindowText(true), MacroStore::kMinRepeat, MacroStore::kMaxRepeat);
    if (value) settings.repeat = *value;
  } else if (name == kDelayEdit && settings.mode == kDelayFixed) {
    value = ParseInRange(sender->GetWindowText(true), MacroStore::kMinDelayMs, MacroStore::kMaxDelayMs);
    if (value) settings.delay = *value;
  }
  if (value) SaveSettings();
}

void MacroRecordDlg::OnNumberEditLeft(SWindow* edit) {
  const MacroSettings& settings = macros_.Settings();
  if (edit == repeatEdit_ && !TextShowsValue(edit, settings.repeat)) edit->SetWindowText(std::to_wstring(settings.repeat));
  if (edit == delayEdit_ && settings.mode == kDelayFixed && !TextShowsValue(edit, settings.delay))
    edit->SetWindowText(std::to_wstring(settings.delay));
}

void MacroRecordDlg::ShowRepeatEdit() {
  // Only "Play repeat times" counts; the other modes play until stopped.
  if (repeatEdit_) repeatEdit_->EnableWindow(macros_.Settings().playData == kPlayCount);
}

void MacroRecordDlg::OnComboChanged(const std::wstring& name, int index) {
  MacroSettings& settings = macros_.Settings();
  if (name == kPlayModes && playModes_) {
    settings.play = index;
    settings.playData = index >= 0 ? static_cast<int32_t>(playModes_->GetItemData(index)) : 0;
    ShowRepeatEdit();
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
  // Capturing is asked for anew on each visit of the page.
  if (singleCheck_ && singleCheck_->IsChecked()) {
    singleCheck_->SetCheck(false);
    singleCheck_->SetWindowText(kStartCapture);
  }
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
    case kPageMacro: {
      const MacroGroup* group = SelectedGroup();
      if (!group) return kWarnNoGroupSelected;
      // A key assigned an empty macro is withheld from the system and types
      // nothing; an unnamed one cannot be told apart in its tooltip.
      if (group->name.empty()) return kWarnGroupUnnamed;
      if (group->steps.empty()) return kWarnGroupEmpty;
      if (settings.playData != kPlayCount) return nullptr;
      // Played 0 times the macro does nothing while the key counts as
      // assigned (and withheld); -1 (from a file) plays without end. A field
      // left empty or below its range would assign a count it does not show.
      if (settings.repeat == 0 || !TextShowsValue(repeatEdit_, settings.repeat)) return kWarnNoRepeats;
      return nullptr;
    }
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

std::wstring MacroRecordDlg::Translated(const wchar_t* text) const {
  kb::ui::SApplication* app = kb::ui::SApplication::Instance();
  return app ? app->Translate(text, L"macro") : std::wstring(text);
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
  // A layout without the capture box captures whenever the page is shown.
  if (page == kPageSingleKey) return !singleCheck_ || singleCheck_->IsChecked();
  return page == kPageMacro && IsRecording();
}

bool MacroRecordDlg::IsRecording() const { return recordCheck_ && recordCheck_->IsChecked() && SelectedGroup(); }

std::optional<int32_t> MacroRecordDlg::ParseInRange(const std::wstring& text, int32_t low, int32_t high) {
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + (c - L'0');
    if (value > high) return std::nullopt;
  }
  if (value < low) return std::nullopt;
  return static_cast<int32_t>(value);
}

bool MacroRecordDlg::TextShowsValue(const SWindow* edit, int32_t value) const {
  return !edit || edit->GetWindowText(true) == std::to_wstring(value);
}
