#pragma once
// Plain text on the clipboard, for edits.
#include <optional>
#include <string>

#include "platform/win32.h"

namespace kb::ui {

bool SetClipboardText(HWND owner, const std::wstring& text);
std::optional<std::wstring> GetClipboardText(HWND owner);

}  // namespace kb::ui
