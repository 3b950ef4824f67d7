// Export and import of macro groups in MacroRecordDlg: macro files chosen
// in the common file dialogs, read and written by MacroStore.
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "macro/MacroStore.h"
#include "platform/diag.h"
#include "platform/win32.h"
#include "toolkit/controls/SListView.h"
#include "toolkit/window/SMessageBox.h"
#include "ui/macro/MacroRecordDlg.h"

namespace {
constexpr wchar_t kExportTitle[] = L"Export macro groups";
constexpr wchar_t kImportTitle[] = L"Import macro groups";
constexpr wchar_t kExportAll[] = L"Export all macro groups?";
constexpr wchar_t kExportAllChoices[] = L"Yes: every group. No: only the selected group.";
constexpr wchar_t kMacroFiles[] = L"Macro files (*.xml)";
constexpr wchar_t kMacroPattern[] = L"*.xml";
constexpr wchar_t kAllFiles[] = L"All files (*.*)";
constexpr wchar_t kAllPattern[] = L"*.*";
constexpr wchar_t kDefaultExtension[] = L"xml";
constexpr wchar_t kAllGroupsFileName[] = L"macros";
constexpr wchar_t kWarnNothingToExport[] = L"There is no macro group to export.";
constexpr wchar_t kWarnExportFailed[] = L"The macro groups could not be written to this file.";
constexpr wchar_t kWarnNotMacroFile[] = L"This file is not a macro file or holds no macro group. Nothing was imported.";
constexpr wchar_t kWarnImportNotSaved[] = L"macro.xml could not be saved. Nothing was imported.";
constexpr wchar_t kWarnDialogFailed[] = L"The file dialog could not be opened.";
// Long enough for any path the shell's dialog hands back.
constexpr DWORD kPathBufferSize = 32768;
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
  // The filter is pairs of texts, each ended by a NUL, the list by another.
  std::wstring filter = Translated(kMacroFiles) + L'\0' + kMacroPattern + L'\0' + Translated(kAllFiles) + L'\0' +
                        kAllPattern + L'\0';
  std::wstring title = Translated(save ? kExportTitle : kImportTitle);
  std::vector<wchar_t> file(kPathBufferSize, L'\0');
  suggested.copy(file.data(), std::min<size_t>(suggested.size(), kPathBufferSize - 1));
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = GetHwnd();
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = kPathBufferSize;
  ofn.lpstrTitle = title.c_str();
  ofn.lpstrDefExt = kDefaultExtension;
  // The program finds its files in the current folder: the dialog must not
  // move it.
  ofn.Flags = OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER |
              (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  // OFN_NOCHANGEDIR does not hold for the open dialog: the folder is put
  // back by hand.
  std::vector<wchar_t> folder(kPathBufferSize, L'\0');
  DWORD folderLength = GetCurrentDirectoryW(kPathBufferSize, folder.data());
  BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (folderLength > 0 && folderLength < kPathBufferSize) SetCurrentDirectoryW(folder.data());
  if (chosen) return std::wstring(file.data());
  if (DWORD error = CommDlgExtendedError()) {
    kb::DiagPrintfW(L"file dialog failed: 0x%lX\n", static_cast<unsigned long>(error));
    Warn(kWarnDialogFailed);
  }
  return std::nullopt;
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
