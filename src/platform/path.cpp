#include "platform/path.h"

#include <vector>

#include "platform/win32.h"

namespace kb {
namespace {
bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }
}  // namespace

std::wstring PathJoin(std::wstring_view folder, std::wstring_view name) {
  while (!folder.empty() && IsSeparator(folder.back())) folder.remove_suffix(1);
  while (!name.empty() && IsSeparator(name.front())) name.remove_prefix(1);
  std::wstring out(folder);
  out.push_back(kPathSeparator);
  for (wchar_t c : name) out.push_back(IsSeparator(c) ? kPathSeparator : c);
  return out;
}

std::wstring PathFolder(std::wstring_view path) {
  size_t cut = path.find_last_of(L"\\/");
  if (cut == std::wstring_view::npos) return std::wstring();
  return std::wstring(path.substr(0, cut));
}

std::wstring ExecutableFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::wstring();
    if (n < buffer.size()) return PathFolder(std::wstring_view(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace kb
