#pragma once
// The command line's output. The program is a GUI program (-mwindows): on
// Windows it has no console of its own, so started from a console it
// attaches to that one, and what it prints appears there. Output that the
// caller redirected (to a file or a pipe) stays where it was sent. Nothing
// to do on Linux, where the streams are inherited as they are.
#include <string_view>

namespace kb {

void AttachParentConsole();

// Whole lines in UTF-8 on standard output (what was asked for) and on
// standard error (why it failed).
void WriteOut(std::string_view text);
void WriteError(std::string_view text);

// Whether the program can show windows: always on Windows; on Linux when an
// X display can be opened (otherwise a line on standard error says so).
bool DesktopAvailable();

}  // namespace kb
