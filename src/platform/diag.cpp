#include "platform/diag.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <mutex>
#include <string>
#include <vector>

#include "platform/text.h"

namespace kb {
namespace {
// Lines from several threads must not interleave within a line.
std::mutex& DiagMutex() {
  static std::mutex m;
  return m;
}
std::atomic<bool> diagnosticsEnabled{true};
}  // namespace

void SetDiagnosticsEnabled(bool enabled) { diagnosticsEnabled = enabled; }

void DiagPrintf(const char* format, ...) {
  if (!diagnosticsEnabled) return;
  va_list args;
  va_start(args, format);
  std::lock_guard<std::mutex> lock(DiagMutex());
  std::vfprintf(stderr, format, args);
  std::fflush(stderr);
  va_end(args);
}

void DiagPrintfW(const wchar_t* format, ...) {
  if (!diagnosticsEnabled) return;
  va_list args;
  va_start(args, format);
  std::lock_guard<std::mutex> lock(DiagMutex());
#ifdef _WIN32
  std::vfwprintf(stderr, format, args);
#else
  // glibc refuses wide output on a stream already used for narrow output, so
  // the line is formatted wide and written as UTF-8 bytes.
  std::vector<wchar_t> buffer(256);
  for (;;) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vswprintf(buffer.data(), buffer.size(), format, copy);
    va_end(copy);
    if (n >= 0) {
      std::string utf8 = WideToUtf8(std::wstring_view(buffer.data(), static_cast<size_t>(n)));
      std::fwrite(utf8.data(), 1, utf8.size(), stderr);
      break;
    }
    if (buffer.size() >= (1u << 20)) break;  // a format error, not a short buffer
    buffer.resize(buffer.size() * 4);
  }
#endif
  std::fflush(stderr);
  va_end(args);
}

}  // namespace kb
