// Module path, current directory, attributes and MoveFileExW.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "platform/path.h"
#include "platform/text.h"
#include "platform/win32.h"

namespace {

std::wstring TempFolder() {
  wchar_t cwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, cwd);
  std::wstring folder = kb::PathJoin(cwd, kbtest::UniqueName(L"kbtest-files"));
  EXPECT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  return folder;
}

void WriteText(const std::wstring& path, const std::string& text) {
  // The test's own file writing goes through the C library: it is the file
  // calls under test, not this.
#ifdef _WIN32
  FILE* f = _wfopen(path.c_str(), L"wb");
#else
  FILE* f = std::fopen(kb::WideToUtf8(path).c_str(), "wb");
#endif
  ASSERT_NE(f, nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

std::string ReadText(const std::wstring& path) {
#ifdef _WIN32
  FILE* f = _wfopen(path.c_str(), L"rb");
#else
  FILE* f = std::fopen(kb::WideToUtf8(path).c_str(), "rb");
#endif
  if (!f) return "<missing>";
  std::string text;
  char buffer[256];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  std::fclose(f);
  return text;
}

TEST(Files, ModuleFileNameAndTruncation) {
  wchar_t full[1024];
  SetLastError(0xdeadbeef);
  DWORD n = GetModuleFileNameW(nullptr, full, 1024);
  ASSERT_GT(n, 0u);
  ASSERT_LT(n, 1024u);
  EXPECT_EQ(full[n], L'\0');
  std::wstring path(full, n);
  EXPECT_NE(path.find(L"test_platform_kernel"), std::wstring::npos);
  EXPECT_EQ(GetFileAttributesW(full) & FILE_ATTRIBUTE_DIRECTORY, 0u);

  // A short buffer gets the start of the path and the full size is
  // returned. Whether the last character is the terminator differs between
  // Windows versions, so callers must not rely on it.
  wchar_t small[8];
  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetModuleFileNameW(nullptr, small, 8), 8u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::wstring(small, 7), path.substr(0, 7));
}

TEST(Files, CurrentDirectoryRoundTripAndSizes) {
  wchar_t original[MAX_PATH];
  DWORD len = GetCurrentDirectoryW(MAX_PATH, original);
  ASSERT_GT(len, 0u);
  EXPECT_EQ(GetCurrentDirectoryW(0, nullptr), len + 1);
  std::vector<wchar_t> exact(len);
  EXPECT_EQ(GetCurrentDirectoryW(len, exact.data()), len + 1);  // no room for the terminator
  std::vector<wchar_t> enough(len + 1);
  EXPECT_EQ(GetCurrentDirectoryW(len + 1, enough.data()), len);

  std::wstring folder = TempFolder();
  EXPECT_TRUE(SetCurrentDirectoryW(folder.c_str()));
  wchar_t now[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, now);
  EXPECT_EQ(std::wstring(now), folder);
  EXPECT_TRUE(SetCurrentDirectoryW(original));

  SetLastError(0xdeadbeef);
  std::wstring missing = kb::PathJoin(folder, L"missing");
  EXPECT_FALSE(SetCurrentDirectoryW(missing.c_str()));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(RemoveDirectoryW(folder.c_str()));
}

TEST(Files, AttributesOfFilesFoldersAndMissingPaths) {
  std::wstring folder = TempFolder();
  std::wstring file = kb::PathJoin(folder, L"a.xml");
  WriteText(file, "x");
  EXPECT_NE(GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  DWORD fileAttributes = GetFileAttributesW(file.c_str());
  EXPECT_NE(fileAttributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(fileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);

  struct Case {
    std::wstring path;
    DWORD error;
  };
  const Case cases[] = {
      {kb::PathJoin(folder, L"missing.xml"), ERROR_FILE_NOT_FOUND},
      {kb::PathJoin(folder, L"missing\\b.xml"), ERROR_PATH_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetFileAttributesW(c.path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_TRUE(DeleteFileW(file.c_str()));
  EXPECT_TRUE(RemoveDirectoryW(folder.c_str()));
}

TEST(Files, MoveFileExReplacesOnlyWhenAsked) {
  std::wstring folder = TempFolder();
  std::wstring a = kb::PathJoin(folder, L"a.tmp");
  std::wstring b = kb::PathJoin(folder, L"b.xml");
  WriteText(a, "new");
  WriteText(b, "old");

  SetLastError(0xdeadbeef);
  EXPECT_FALSE(MoveFileExW(a.c_str(), b.c_str(), 0));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(ReadText(b), "old");

  EXPECT_TRUE(MoveFileExW(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ(ReadText(b), "new");
  EXPECT_EQ(GetFileAttributesW(a.c_str()), INVALID_FILE_ATTRIBUTES);

  SetLastError(0xdeadbeef);
  EXPECT_FALSE(MoveFileExW(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  std::wstring c = kb::PathJoin(folder, L"c.xml");
  EXPECT_TRUE(MoveFileExW(b.c_str(), c.c_str(), 0));
  EXPECT_EQ(ReadText(c), "new");
  EXPECT_TRUE(DeleteFileW(c.c_str()));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(DeleteFileW(c.c_str()));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(RemoveDirectoryW(folder.c_str()));
}

}  // namespace
