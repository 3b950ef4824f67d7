#pragma once
// Message boxes in the toolkit's look, built from the layout
// "SYS_XML_MSGBOX" (the program's "LAYOUT:SYS_XML_MSGBOX" when its resources
// have one). Named controls: "msgtitle", "msgicon", "msgtext", "btnSwitch"
// (a tab control whose page n holds n + 1 buttons) and "button1st",
// "button2nd", "button3rd". Modal; returns the button (IDOK, IDCANCEL, ...)
// like MessageBoxW. Title, text and button texts go through the translator.
#include "platform/win32.h"
#include "toolkit/window/DialogCodes.h"

namespace kb::ui {

int SMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

}  // namespace kb::ui
