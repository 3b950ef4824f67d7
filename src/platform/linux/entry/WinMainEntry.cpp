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

int main() {
  static wchar_t empty[] = L"";
  LPWSTR line = SkipProgramName(GetCommandLineW());
  return wWinMain(GetModuleHandleW(nullptr), nullptr, line ? line : empty, SW_SHOWDEFAULT);
}
