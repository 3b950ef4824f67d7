// The macro group list of MacroRecordDlg: adding, deleting (with the
// assignments that use the group), selecting and renaming groups.
#include "keyfunc/KeyMonitor.h"
#include "macro/MacroStore.h"
#include "macro/RecordStore.h"
#include "platform/diag.h"
#include "toolkit/controls/SEdit.h"
#include "toolkit/controls/SListView.h"
#include "toolkit/window/SMessageBox.h"
#include "ui/common/CoordButtonImage.h"
#include "ui/macro/MacroRecordDlg.h"

namespace {
constexpr wchar_t kQuestionTitle[] = L"Warning";
constexpr wchar_t kGroupAssignedTo[] = L"These keys play this macro group:";
constexpr wchar_t kDeleteWithAssignments[] = L"Delete the group and remove the assignments of these keys?";
constexpr wchar_t kKeyListSeparator[] = L", ";
}  // namespace

void MacroRecordDlg::OnGroupAdd() {
  macros_.AddGroup(Translated(MacroStore::kGroupNamePattern));
  groupAdapter_.NotifyDataSetChanged();
  int added = macros_.GroupCount() - 1;
  SelectGroup(added);
  StartRename(added);
}

void MacroRecordDlg::OnGroupDelete() {
  int index = SelectedGroupIndex();
  if (index < 0) return;
  // Keys keep their own copy of a macro; without their assignments going
  // too they would go on playing a group nobody can see or edit any more.
  std::vector<KeyRecord> users = AssignmentsOfGroup(index);
  if (!users.empty() && !ConfirmDeleteAssignedGroup(users)) return;
  // Recording goes into the selected group: it must not move on to the
  // group that takes its place.
  if (recordCheck_ && recordCheck_->IsChecked()) StopRecording();
  // The step list must not keep pointing into the group being removed.
  stepAdapter_.SetGroup(nullptr);
  macros_.DeleteGroup(index);
  groupAdapter_.NotifyDataSetChanged();
  // The next group takes the deleted one's place; after the last one, the
  // new last one is selected.
  int selection = std::min(index, macros_.GroupCount() - 1);
  if (groupList_) groupList_->SetSel(selection);
  macros_.Settings().group = selection;
  lastEventTime_.reset();
  ShowGroup(selection);
  SaveSettings();
  RemoveAssignments(users);
}

std::vector<KeyRecord> MacroRecordDlg::AssignmentsOfGroup(int index) const {
  std::vector<KeyRecord> users;
  const MacroGroup* group = macros_.GroupAt(index);
  if (!group) return users;
  // Records name the group they were made from; only macro records do
  // (a function entry may carry the same name).
  for (KeyRecord& record : records_.Records())
    if (record.type == kTypeMacro && record.group == group->name) users.push_back(std::move(record));
  return users;
}

bool MacroRecordDlg::ConfirmDeleteAssignedGroup(const std::vector<KeyRecord>& users) {
  std::wstring keys;
  for (const KeyRecord& record : users) keys += (keys.empty() ? L"" : kKeyListSeparator) + record.name;
  std::wstring text = Translated(kGroupAssignedTo) + L"\n" + keys + L"\n" + Translated(kDeleteWithAssignments);
  return kb::ui::SMessageBox(GetHwnd(), text.c_str(), kQuestionTitle, MB_YESNO | MB_ICONWARNING) == IDYES;
}

void MacroRecordDlg::RemoveAssignments(const std::vector<KeyRecord>& users) {
  if (users.empty()) return;
  for (const KeyRecord& record : users) {
    records_.Remove(record.code);
    if (picture_) {
      picture_->SetButtonTip(UsageOf(record.code), L"");
      picture_->SetButtonChecked(UsageOf(record.code), false);
    }
  }
  if (!records_.Save()) kb::DiagPrintfW(L"record.xml could not be saved\n");
  // The keys are not withheld any more: they type again as plain keys.
  if (monitor_) monitor_->SendInterceptTable(records_.Codes());
}

void MacroRecordDlg::SelectGroup(int index) {
  if (index < 0 || index >= macros_.GroupCount()) return;
  if (groupList_) {
    groupList_->SetSel(index);
    groupList_->EnsureVisible(index);
  }
  OnMacroGroupClicked(index);
}

void MacroRecordDlg::StartRename(int index) {
  if (!groupList_) return;
  kb::ui::SItemPanel* panel = groupList_->GetItemPanel(index);
  kb::ui::SWindow* name = panel ? panel->FindChildByName(macro::MacroGroupAdapter::kNameEdit) : nullptr;
  auto* edit = name && name->IsClass(L"edit") ? static_cast<kb::ui::SEdit*>(name) : nullptr;
  if (!edit) return;
  edit->SetFocus();
  edit->SelectAll();
}

void MacroRecordDlg::OnMacroGroupClicked(int index) {
  if (index < 0 || index >= macros_.GroupCount()) return;
  if (groupList_ && groupList_->GetSel() != index) groupList_->SetSel(index);
  if (stepAdapter_.GetGroup() != macros_.GroupAt(index)) lastEventTime_.reset();
  ShowGroup(index);
  macros_.Settings().group = index;
  SaveRecordedSteps();
}

void MacroRecordDlg::OnMacroGroupRenamed(int index, const std::wstring& name) { macros_.RenameGroup(index, name); }
