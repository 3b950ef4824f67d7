// The process entry of a GUI program on Linux: what the Windows C runtime
// does before it calls wWinMain. The argument text handed over is the
// command line after the program name and the blanks that follow it, quoted
// as Windows would have it, so "-hid " or "-hid x" stay different from
// "-hid".
#include <cstdio>
#include <cstdlib>

#include "platform/linux/x11_display.h"
#include "platform/win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand);

namespace {

// The C runtime's rule: a quoted program name ends at the next quote, an
// unquoted one at the first blank or tab.
LPWSTR SkipProgramName(LPWSTR line) {
  if (!line) return line;
  if (*line == L'"') {
    ++line;
    while (*line && *line != L'"') ++line;
    if (*line == L'"') ++line;
  } else {
    while (*line && *line != L' ' && *line != L'\t') ++line;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return line;
}

}  // namespace

int main(int, char** argv) {
  static wchar_t empty[] = L"";
  // Windows always has a desktop; here a program without an X display would
  // run on without ever showing a window, and nobody would learn why.
  if (!kb::platform::X11Display::Get()) {
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr, "%s: cannot open the X display %s%s%s; set DISPLAY to a running X server\n", argv[0],
                 display ? "\"" : "", display ? display : "(DISPLAY is not set)", display ? "\"" : "");
    return 1;
  }
  LPWSTR line = SkipProgramName(GetCommandLineW());
  return wWinMain(GetModuleHandleW(nullptr), nullptr, line ? line : empty, SW_SHOWDEFAULT);
}
