// Named mutexes: one object per name, shared by the threads of a process and
// by processes of the same user, abandoned when the owner dies.
#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "platform/win32.h"

namespace {

// Thread routines are plain functions: a lambda cannot be stdcall on 32-bit Windows.
DWORD WINAPI CreateOwnedAndReportError(LPVOID arg) {
  HANDLE again = CreateMutexW(nullptr, TRUE, static_cast<const wchar_t*>(arg));
  DWORD error = GetLastError();
  CloseHandle(again);
  return error;
}

using kbtest::FinishChild;
using kbtest::StartChild;
using kbtest::UniqueName;

TEST(NamedMutex, CreateReportsWhetherTheNameExisted) {
  std::wstring name = UniqueName(L"kbtest-create");
  SetLastError(0xdeadbeef);
  HANDLE first = CreateMutexW(nullptr, TRUE, name.c_str());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);

  SetLastError(0xdeadbeef);
  HANDLE second = CreateMutexW(nullptr, FALSE, name.c_str());
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_NE(first, second);

  // Both handles are the same object: recursion is counted across them.
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ReleaseMutex(first));
  EXPECT_TRUE(ReleaseMutex(second));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(ReleaseMutex(first));
  EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
  CloseHandle(first);
  CloseHandle(second);
}

TEST(NamedMutex, InitialOwnershipIsIgnoredWhenTheNameExists) {
  std::wstring name = UniqueName(L"kbtest-initial");
  HANDLE first = CreateMutexW(nullptr, FALSE, name.c_str());
  HANDLE t = CreateThread(nullptr, 0, CreateOwnedAndReportError, const_cast<wchar_t*>(name.c_str()), 0, nullptr);
  WaitForSingleObject(t, INFINITE);
  DWORD error = 0;
  GetExitCodeThread(t, &error);
  CloseHandle(t);
  EXPECT_EQ(error, ERROR_ALREADY_EXISTS);
  // Had the thread become the owner, it would have abandoned the mutex.
  EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0);
  ReleaseMutex(first);
  CloseHandle(first);
}

TEST(NamedMutex, OpenFindsOnlyExistingNames) {
  std::wstring name = UniqueName(L"kbtest-open");
  SetLastError(0xdeadbeef);
  EXPECT_EQ(OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  HANDLE created = CreateMutexW(nullptr, TRUE, name.c_str());
  HANDLE opened = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str());
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(WaitForSingleObject(opened, 0), WAIT_OBJECT_0);  // same owner thread
  EXPECT_TRUE(ReleaseMutex(opened));
  EXPECT_TRUE(ReleaseMutex(created));
  CloseHandle(opened);
  CloseHandle(created);

  // Once every handle is closed the name is gone.
  SetLastError(0xdeadbeef);
  EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(NamedMutex, SecondProcessSeesExistingNameAndCannotTakeIt) {
  std::wstring name = UniqueName(L"kbtest-second");
  HANDLE mine = CreateMutexW(nullptr, TRUE, name.c_str());
  ASSERT_NE(mine, nullptr);
  PROCESS_INFORMATION pi = StartChild(L"probe-mutex", name);
  ASSERT_NE(pi.hProcess, nullptr);
  EXPECT_EQ(FinishChild(pi), DWORD(kbtest::kChildSawExisting | kbtest::kChildCouldNotTake));
  ReleaseMutex(mine);
  CloseHandle(mine);
}

TEST(NamedMutex, SecondProcessTakesAFreeMutex) {
  std::wstring name = UniqueName(L"kbtest-free");
  HANDLE mine = CreateMutexW(nullptr, FALSE, name.c_str());
  PROCESS_INFORMATION pi = StartChild(L"probe-mutex", name);
  ASSERT_NE(pi.hProcess, nullptr);
  EXPECT_EQ(FinishChild(pi), DWORD(kbtest::kChildSawExisting));
  // The child ended owning it: abandoned for us.
  EXPECT_EQ(WaitForSingleObject(mine, 5000), WAIT_ABANDONED_0);
  ReleaseMutex(mine);
  CloseHandle(mine);
}

TEST(NamedMutex, TakenOverOnceTheOwningProcessDies) {
  std::wstring name = UniqueName(L"kbtest-takeover");
  PROCESS_INFORMATION pi = StartChild(L"hold-mutex", name);
  ASSERT_NE(pi.hProcess, nullptr);
  HANDLE opened = nullptr;
  for (int i = 0; i < 500 && !opened; ++i) {
    opened = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str());
    if (!opened) Sleep(10);
  }
  ASSERT_NE(opened, nullptr);
  SetLastError(0xdeadbeef);
  HANDLE created = CreateMutexW(nullptr, TRUE, name.c_str());
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  // The child owns it; a grace period shows it stays owned.
  Sleep(100);
  EXPECT_EQ(WaitForSingleObject(created, 50), WAIT_TIMEOUT);

  EXPECT_TRUE(TerminateProcess(pi.hProcess, 7));
  EXPECT_EQ(FinishChild(pi), 7u);
  EXPECT_EQ(WaitForSingleObject(created, 5000), WAIT_ABANDONED_0);
  EXPECT_TRUE(ReleaseMutex(created));
  EXPECT_EQ(WaitForSingleObject(opened, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ReleaseMutex(opened));
  CloseHandle(created);
  CloseHandle(opened);
}

TEST(NamedMutex, NameDiesWithItsLastProcessEvenIfItWasOwned) {
  std::wstring name = UniqueName(L"kbtest-gone");
  PROCESS_INFORMATION pi = StartChild(L"own-and-exit", name);
  ASSERT_NE(pi.hProcess, nullptr);
  EXPECT_EQ(FinishChild(pi), 0u);
  // Nobody had it open when the child ended, so this is a new mutex: not
  // existing, and not abandoned.
  SetLastError(0xdeadbeef);
  HANDLE h = CreateMutexW(nullptr, FALSE, name.c_str());
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_OBJECT_0);
  ReleaseMutex(h);
  CloseHandle(h);
}

TEST(NamedMutex, BadNames) {
  SetLastError(0xdeadbeef);
  EXPECT_EQ(CreateMutexW(nullptr, FALSE, L"no\\such\\namespace"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  std::wstring local = L"Local\\" + UniqueName(L"kbtest-local");
  HANDLE h = CreateMutexW(nullptr, FALSE, local.c_str());
  EXPECT_NE(h, nullptr);
  CloseHandle(h);
}

}  // namespace
