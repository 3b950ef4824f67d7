#pragma once
// A plain message box of the system, for what must reach the user before the
// program's own skinned windows can exist (its resource folder is missing,
// its folder cannot be written). Blocks until the user closes it.
#include <string>

namespace kb {

// Shows `text` under `title` with an error icon and one OK button. On Linux
// the text also goes to standard error (the box needs an X display).
void ShowSystemError(const std::wstring& title, const std::wstring& text);

}  // namespace kb
