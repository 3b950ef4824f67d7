#pragma once
// Ending the program on the system's request the same way the user ends it.
//
// On Windows a GUI process hears of log-off and shutdown through
// WM_QUERYENDSESSION and WM_ENDSESSION, which the main window handles. On
// Linux the same requests are signals: SIGTERM (a service manager, `kill`),
// SIGINT (Ctrl+C in the terminal that started it) and SIGHUP (that terminal
// closing). Their default action kills the process at once, leaving the
// filter driver withholding the assigned keys with nobody to perform them
// and any key the program pressed held down.
#include "platform/win32.h"

namespace kb {

// From now on those signals post WM_CLOSE to `window` (the latest window
// given), so the program closes as by its close button. Before the first call
// they keep their default action (nothing needs putting back yet); after a
// call with null, while the program shuts down, they are ignored. Does
// nothing on Windows.
void CloseWindowOnTerminationSignals(HWND window);

// Cancels every open/save file dialog this process shows (their calls then
// return as if the user had cancelled). A close that must get through the
// modal loops under it needs this: nothing else ends a file dialog. Returns
// whether any was up.
bool CancelFileDialogs();

}  // namespace kb
