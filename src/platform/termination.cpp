#include "platform/termination.h"

#ifndef _WIN32
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
