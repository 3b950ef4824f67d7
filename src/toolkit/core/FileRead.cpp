#include "toolkit/core/FileRead.h"

#include "platform/save_file.h"

namespace kb::ui {

bool ReadWholeFile(const std::wstring& path, size_t maxBytes, std::vector<uint8_t>& out) {
  out.clear();
  std::string bytes;
  if (!ReadFileBytes(path, bytes) || bytes.size() > maxBytes) return false;
  out.assign(bytes.begin(), bytes.end());
  return true;
}

}  // namespace kb::ui
