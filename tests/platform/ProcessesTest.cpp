// CreateProcessW and waiting on the process.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ChildProcess.h"
#include "platform/win32.h"

namespace {

TEST(Processes, ExitCodesReachTheParent) {
  const DWORD codes[] = {0, 1, 3, 200};
  for (DWORD code : codes) {
    PROCESS_INFORMATION pi = kbtest::StartChild(L"exit", std::to_wstring(code));
    ASSERT_NE(pi.hProcess, nullptr) << code;
    EXPECT_NE(pi.dwProcessId, 0u);
    EXPECT_NE(pi.dwProcessId, GetCurrentProcessId());
    EXPECT_EQ(kbtest::FinishChild(pi), code);
  }
}

TEST(Processes, HandlesSignalWhenTheProcessEnds) {
  PROCESS_INFORMATION pi = kbtest::StartChild(L"hold-mutex", kbtest::UniqueName(L"kbtest-proc"));
  ASSERT_NE(pi.hProcess, nullptr);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  HANDLE both[] = {pi.hProcess, pi.hThread};
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 100), WAIT_TIMEOUT);
  EXPECT_TRUE(TerminateProcess(pi.hProcess, 9));
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 10000), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(code, 9u);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
}

TEST(Processes, MissingProgramFails) {
  struct Case {
    const wchar_t* commandLine;
    DWORD error;
  };
  const Case cases[] = {
      {L"kbtest-no-such-program-3141.exe", ERROR_FILE_NOT_FOUND},
      {L"\"no-such-folder-3141\\sub\\prog.exe\" arg", ERROR_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    std::vector<wchar_t> line(c.commandLine, c.commandLine + std::wcslen(c.commandLine) + 1);
    STARTUPINFOW si;
    std::memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    std::memset(&pi, 0, sizeof pi);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST(Processes, CurrentDirectoryIsGivenToTheChild) {
  wchar_t here[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, here);
  PROCESS_INFORMATION pi = kbtest::StartChild(L"print-cwd", L"");
  ASSERT_NE(pi.hProcess, nullptr);
  EXPECT_EQ(kbtest::FinishChild(pi), DWORD(std::wcslen(here)));
}

}  // namespace
