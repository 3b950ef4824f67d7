#include "ui/common/FileChooser.h"

#include <algorithm>
#include <vector>

#include "platform/diag.h"

namespace kb::ui {

namespace {
constexpr wchar_t kXmlPattern[] = L"*.xml";
constexpr wchar_t kAllPattern[] = L"*.*";
constexpr wchar_t kDefaultExtension[] = L"xml";
// Long enough for any path the shell's dialog hands back.
constexpr DWORD kPathBufferSize = 32768;
}  // namespace

std::optional<std::wstring> ChooseXmlFile(const FileChoice& choice, bool* failed) {
  if (failed) *failed = false;
  // The filter is pairs of texts, each ended by a NUL, the list by another.
  std::wstring filter = choice.xmlFilesText + L'\0' + kXmlPattern + L'\0' + choice.allFilesText + L'\0' +
                        kAllPattern + L'\0';
  std::vector<wchar_t> file(kPathBufferSize, L'\0');
  choice.suggested.copy(file.data(), std::min<size_t>(choice.suggested.size(), kPathBufferSize - 1));
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = choice.owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = kPathBufferSize;
  ofn.lpstrTitle = choice.title.c_str();
  ofn.lpstrDefExt = kDefaultExtension;
  // The program finds its files in the current folder: the dialog must not
  // move it.
  ofn.Flags = OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER |
              (choice.save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  // OFN_NOCHANGEDIR does not hold for the open dialog: the folder is put
  // back by hand.
  std::vector<wchar_t> folder(kPathBufferSize, L'\0');
  DWORD folderLength = GetCurrentDirectoryW(kPathBufferSize, folder.data());
  BOOL chosen = choice.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (folderLength > 0 && folderLength < kPathBufferSize) SetCurrentDirectoryW(folder.data());
  if (chosen) return std::wstring(file.data());
  if (DWORD error = CommDlgExtendedError()) {
    kb::DiagPrintfW(L"file dialog failed: 0x%lX\n", static_cast<unsigned long>(error));
    if (failed) *failed = true;
  }
  return std::nullopt;
}

}  // namespace kb::ui
