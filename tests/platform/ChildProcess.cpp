#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/text.h"

namespace kbtest {
namespace {

// Child: creates the named mutex asking for ownership, reports whether it
// already existed and whether it could be taken at once.
int ProbeMutex(const std::wstring& name) {
  SetLastError(0xdeadbeef);
  HANDLE h = CreateMutexW(nullptr, TRUE, name.c_str());
  if (!h) return 100;
  DWORD result = GetLastError() == ERROR_ALREADY_EXISTS ? DWORD(kChildSawExisting) : 0u;
  if (WaitForSingleObject(h, 0) == WAIT_TIMEOUT) result |= kChildCouldNotTake;
  return static_cast<int>(result);
}

// Child: owns the named mutex and stays until killed.
int HoldMutex(const std::wstring& name) {
  HANDLE h = CreateMutexW(nullptr, TRUE, name.c_str());
  if (!h) return 100;
  Sleep(60000);
  return 0;
}

// Child: owns the named mutex and ends without releasing it.
int OwnAndExit(const std::wstring& name) {
  HANDLE h = CreateMutexW(nullptr, TRUE, name.c_str());
  return h ? 0 : 100;
}

int RunChild(const std::string& mode, const std::wstring& argument) {
  if (mode == "exit") return std::stoi(kb::WideToUtf8(argument));
  if (mode == "probe-mutex") return ProbeMutex(argument);
  if (mode == "hold-mutex") return HoldMutex(argument);
  if (mode == "own-and-exit") return OwnAndExit(argument);
  if (mode == "print-cwd") {
    wchar_t cwd[MAX_PATH];
    DWORD n = GetCurrentDirectoryW(MAX_PATH, cwd);
    return static_cast<int>(n);
  }
  return 99;
}

}  // namespace

PROCESS_INFORMATION StartChild(const std::wstring& mode, const std::wstring& argument) {
  return StartChildCommand(mode, L"\"" + argument + L"\"");
}

DWORD FinishChild(PROCESS_INFORMATION& pi, DWORD timeoutMs) {
  DWORD code = 0xFFFFFFFFu;
  if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  pi.hProcess = pi.hThread = nullptr;
  return code;
}

}  // namespace kbtest

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) {
    // The children get ASCII arguments only, so the narrow argv serves.
    std::wstring argument = argc >= 4 ? kb::Utf8ToWide(argv[3]) : std::wstring();
    return kbtest::RunChild(argv[2], argument);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
