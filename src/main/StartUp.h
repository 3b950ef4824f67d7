#pragma once
// The program's start-up and shutdown: everything between the process entry
// and the end of the message loop, in the order the parts depend on each
// other (drivers, toolkit and resources, configuration and language, control
// classes, data files, the single-instance rule, the main dialog).
#include <string>

#include "platform/win32.h"

namespace startup {

// The whole argument text "-hid" (exactly, after the program name and the
// blanks after it) starts with the window hidden; anything else shows it.
int ShowCommandFor(const wchar_t* commandLine);

// The second start: every top-level window that carries the property
// `appName` is restored if minimised, shown if hidden and brought to the
// front. Returns how many windows carried it.
int BringRunningInstanceForward(const std::wstring& appName);

// The start-up, the message loop and the shutdown; the process exit code.
int RunKbConfig(HINSTANCE instance, const wchar_t* commandLine);

}  // namespace startup
