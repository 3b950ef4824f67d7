#include "platform/termination.h"

#ifdef _WIN32
#include <string_view>
#else
#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <unistd.h>
#endif

namespace kb {

#ifdef _WIN32

void CloseWindowOnTerminationSignals(HWND) {}

namespace {

BOOL CALLBACK CancelIfFileDialog(HWND hwnd, LPARAM found) {
  // The common dialogs are of the dialog class; Cancel ends them as a click
  // on their Cancel button does.
  wchar_t name[16] = {};
  if (GetClassNameW(hwnd, name, 16) && std::wstring_view(name) == L"#32770" && IsWindowVisible(hwnd)) {
    PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
    *reinterpret_cast<bool*>(found) = true;
  }
  return TRUE;
}

}  // namespace

bool CancelFileDialogs() {
  bool found = false;
  EnumThreadWindows(GetCurrentThreadId(), CancelIfFileDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

#else

namespace {

// A signal handler may only do async-signal-safe things: it writes the signal
// to a pipe, and a thread of ours turns that into a posted message.
int signalPipe[2] = {-1, -1};
std::atomic<HWND> target{nullptr};
std::once_flag installed;

void OnSignal(int signal) {
  int saved = errno;
  unsigned char byte = static_cast<unsigned char>(signal);
  [[maybe_unused]] ssize_t ignored = write(signalPipe[1], &byte, 1);
  errno = saved;
}

void Forward() {
  for (;;) {
    unsigned char byte = 0;
    ssize_t n = read(signalPipe[0], &byte, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    // Without a window the program is ending already and putting things back.
    if (HWND window = target.load()) PostMessageW(window, WM_CLOSE, 0, 0);
  }
}

void Install() {
  if (pipe2(signalPipe, O_CLOEXEC) != 0) return;
  std::thread(Forward).detach();
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

}  // namespace

void CloseWindowOnTerminationSignals(HWND window) {
  target.store(window);
  if (window) std::call_once(installed, Install);
}

#endif

}  // namespace kb
