#include "toolkit/core/FileRead.h"

#include "platform/win32.h"

namespace kb::ui {

bool ReadWholeFile(const std::wstring& path, size_t maxBytes, std::vector<uint8_t>& out) {
  out.clear();
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  uint8_t buffer[16384];
  bool ok = true;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof(buffer), &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    if (out.size() + got > maxBytes) {
      ok = false;
      break;
    }
    out.insert(out.end(), buffer, buffer + got);
  }
  CloseHandle(file);
  if (!ok) out.clear();
  return ok;
}

}  // namespace kb::ui
