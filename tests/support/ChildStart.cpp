#include "support/ChildStart.h"

#include <cstring>
#include <vector>

namespace kbtest {
namespace {

std::wstring SelfPath() {
  std::vector<wchar_t> buffer(4096);
  DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  return std::wstring(buffer.data(), n);
}

}  // namespace

PROCESS_INFORMATION StartChildCommand(const std::wstring& mode, const std::wstring& arguments) {
  std::wstring line = L"\"" + SelfPath() + L"\" --child " + mode + L" " + arguments;
  std::vector<wchar_t> writable(line.begin(), line.end());
  writable.push_back(L'\0');
  STARTUPINFOW si;
  std::memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  std::memset(&pi, 0, sizeof pi);
  if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    pi.hProcess = nullptr;
  return pi;
}

std::wstring UniqueName(const wchar_t* stem) {
  static unsigned counter = 0;
  return std::wstring(stem) + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount()) +
         L"-" + std::to_wstring(++counter);
}

}  // namespace kbtest
