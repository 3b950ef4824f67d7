#pragma once
// The About box of the "more" menu: the program's name, version and build
// date, and the UI toolkit's and the libraries' names with their licences.
#include <functional>
#include <string>

#include "platform/win32.h"

namespace kb::ui {

using TranslateFn = std::function<std::wstring(const std::wstring&)>;

// The box's text; `translate` turns each English phrase into the UI language.
std::wstring AboutText(const TranslateFn& translate);
// A modal message box titled "About" owned by `owner`.
void ShowAboutBox(HWND owner, const TranslateFn& translate);

}  // namespace kb::ui
