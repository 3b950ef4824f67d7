// Export and import of macro groups in MacroRecordDlg: macro files chosen
// in the common file dialogs, read and written by MacroStore.
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "macro/MacroStore.h"
#include "platform/win32.h"
#include "toolkit/controls/SListView.h"
#include "toolkit/window/SMessageBox.h"
#include "ui/common/FileChooser.h"
#include "ui/macro/MacroRecordDlg.h"

namespace {
constexpr wchar_t kExportTitle[] = L"Export macro groups";
constexpr wchar_t kImportTitle[] = L"Import macro groups";
constexpr wchar_t kExportAll[] = L"Export all macro groups?";
constexpr wchar_t kExportAllChoices[] = L"Yes: every group. No: only the selected group.";
constexpr wchar_t kMacroFiles[] = L"Macro files (*.xml)";
constexpr wchar_t kAllFiles[] = L"All files (*.*)";
constexpr wchar_t kDefaultExtension[] = L"xml";
constexpr wchar_t kAllGroupsFileName[] = L"macros";
constexpr wchar_t kWarnNothingToExport[] = L"There is no macro group to export.";
constexpr wchar_t kWarnExportFailed[] = L"The macro groups could not be written to this file.";
constexpr wchar_t kWarnNotMacroFile[] = L"This file is not a macro file or holds no macro group. Nothing was imported.";
constexpr wchar_t kWarnImportNotSaved[] = L"macro.xml could not be saved. Nothing was imported.";
constexpr wchar_t kWarnDialogFailed[] = L"The file dialog could not be opened.";
constexpr wchar_t kBadFileNameChars[] = L"\\/:*?\"<>|";
}  // namespace

// A group's name as a file name: characters Windows refuses in file names
// become '_'.
static std::wstring FileNameOf(const std::wstring& name) {
  std::wstring file = name.empty() ? std::wstring(kAllGroupsFileName) : name;
  for (wchar_t& c : file)
    if (c < L' ' || std::wstring_view(kBadFileNameChars).find(c) != std::wstring_view::npos) c = L'_';
  return file;
}

std::optional<std::wstring> MacroRecordDlg::ChooseMacroFile(bool save, const std::wstring& suggested) {
  kb::ui::FileChoice choice;
  choice.owner = GetHwnd();
  choice.save = save;
  choice.title = Translated(save ? kExportTitle : kImportTitle);
  choice.xmlFilesText = Translated(kMacroFiles);
  choice.allFilesText = Translated(kAllFiles);
  choice.suggested = suggested;
  bool failed = false;
  std::optional<std::wstring> path = kb::ui::ChooseXmlFile(choice, &failed);
  if (failed) Warn(kWarnDialogFailed);
  return path;
}

void MacroRecordDlg::OnGroupExport() {
  if (IsRecording()) StopRecording();
  if (macros_.GroupCount() == 0) return Warn(kWarnNothingToExport);
  int selected = SelectedGroupIndex();
  std::vector<int> indices;  // empty: every group
  if (macros_.GroupCount() == 1) selected = 0;
  if (selected >= 0 && macros_.GroupCount() > 1) {
    std::wstring question = Translated(kExportAll) + L"\n" + Translated(kExportAllChoices);
    std::wstring title = Translated(kExportTitle);
    int answer = kb::ui::SMessageBox(GetHwnd(), question.c_str(), title.c_str(), MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return;
    if (answer == IDNO) indices.push_back(selected);
  } else if (selected >= 0) {
    indices.push_back(selected);
  }
  std::wstring suggested = indices.empty() ? std::wstring(kAllGroupsFileName)
                                           : FileNameOf(macros_.Groups()[static_cast<size_t>(indices[0])].name);
  std::optional<std::wstring> path = ChooseMacroFile(true, suggested + L"." + kDefaultExtension);
  if (!path) return;
  if (!macros_.ExportGroups(*path, indices)) Warn(kWarnExportFailed);
}

void MacroRecordDlg::OnGroupImport() {
  if (IsRecording()) StopRecording();
  std::optional<std::wstring> path = ChooseMacroFile(false, L"");
  if (!path) return;
  std::optional<std::vector<MacroGroup>> groups = MacroStore::ReadGroupsFile(*path);
  if (!groups) return Warn(kWarnNotMacroFile);
  int first = macros_.GroupCount();
  int selected = SelectedGroupIndex();
  // Appending may move the groups in memory: the step list lets go of the
  // one it shows until it is chosen again.
  stepAdapter_.SetGroup(nullptr);
  if (!macros_.AppendGroups(std::move(*groups), Translated(MacroStore::kGroupNamePattern))) {
    ShowGroup(selected);
    return Warn(kWarnImportNotSaved);
  }
  // The save took any recorded steps along.
  recordedUnsaved_ = false;
  groupAdapter_.NotifyDataSetChanged();
  SelectGroup(first);
  SaveSettings();
}
