#pragma once
// The common file dialogs (GetOpenFileNameW / GetSaveFileNameW) as the
// program's windows use them for XML files: a filter of the XML files and
// of all files, ".xml" added to a name typed without an extension, the
// program's current folder kept.
#include <optional>
#include <string>

#include "platform/win32.h"

namespace kb::ui {

struct FileChoice {
  HWND owner = nullptr;
  bool save = false;  // the save dialog (asks before replacing a file)
  std::wstring title;
  std::wstring xmlFilesText;  // the filter's first entry, e.g. "Macro files (*.xml)"
  std::wstring allFilesText;  // its second entry, "All files (*.*)"
  std::wstring suggested;     // the name the dialog starts with
};

// The chosen path, or none when the user cancelled or the dialog failed;
// `failed` (when given) tells the two apart, with a diagnostic line for the
// failure.
std::optional<std::wstring> ChooseXmlFile(const FileChoice& choice, bool* failed = nullptr);

}  // namespace kb::ui
