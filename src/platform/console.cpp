#include "platform/console.h"

#include <cstdio>
#include <cstdlib>

#include "platform/win32.h"
#ifndef _WIN32
#include "platform/linux/x11_display.h"
#endif

namespace kb {

namespace {
#ifdef _WIN32
// A stream the parent did not redirect has no handle in a GUI process.
bool HasStream(DWORD which) {
  HANDLE h = GetStdHandle(which);
  return h && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}
#endif
}  // namespace

void AttachParentConsole() {
#ifdef _WIN32
  bool out = HasStream(STD_OUTPUT_HANDLE);
  bool err = HasStream(STD_ERROR_HANDLE);
  if (out && err) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  // The text is UTF-8; the console shows it as such only when told.
  SetConsoleOutputCP(CP_UTF8);
  if (!out) std::freopen("CONOUT$", "w", stdout);
  if (!err) std::freopen("CONOUT$", "w", stderr);
#endif
}

void WriteOut(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void WriteError(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

bool DesktopAvailable() {
#ifdef _WIN32
  return true;
#else
  // Windows always has a desktop; here a program without an X display would
  // run on without ever showing a window, and nobody would learn why.
  if (kb::platform::X11Display::Get()) return true;
  const char* display = std::getenv("DISPLAY");
  std::fprintf(stderr, "kbconfig: cannot open the X display %s%s%s; set DISPLAY to a running X server\n",
               display ? "\"" : "", display ? display : "(DISPLAY is not set)", display ? "\"" : "");
  return false;
#endif
}

}  // namespace kb
