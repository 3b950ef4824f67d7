// Module path, current directory and the file-system calls the program makes.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "platform/linux/kernel_object.h"
#include "platform/linux/native_path.h"
#include "platform/linux/win32_kernel.h"
#include "platform/text.h"

namespace kb::platform {

std::string NativePath(LPCWSTR path) {
  std::string out = WideToUtf8(path ? std::wstring_view(path) : std::wstring_view());
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

DWORD NotFoundError(const std::string& path) {
  size_t cut = path.find_last_of('/');
  if (cut == std::string::npos || cut == 0) return ERROR_FILE_NOT_FOUND;
  struct stat st;
  std::string folder = path.substr(0, cut);
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
  return ERROR_FILE_NOT_FOUND;
}

namespace {

BOOL FailWithErrno(int err, const std::string& path) {
  SetLastError(err == ENOENT ? NotFoundError(path) : ErrnoToWin32(err));
  return FALSE;
}

// Copies `text` with its terminator into a caller's buffer of `size`
// characters, following the GetCurrentDirectoryW convention: the length
// without terminator when it fits, else the size needed with terminator.
DWORD CopyOut(const std::wstring& text, DWORD size, LPWSTR buffer) {
  if (!buffer || size <= text.size()) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  return static_cast<DWORD>(text.size());
}

void SyncFolderOf(const std::string& path) {
  size_t cut = path.find_last_of('/');
  std::string folder = cut == std::string::npos ? "." : (cut == 0 ? "/" : path.substr(0, cut));
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace
}  // namespace kb::platform

using kb::platform::NativePath;

HMODULE GetModuleHandleW(LPCWSTR name) {
  // Any fixed non-null value serves: it only tells windows and classes apart
  // by module, and this process has one.
  static char executableModule;
  if (!name) return reinterpret_cast<HMODULE>(&executableModule);
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  // The process has one module: the executable, whichever handle names it.
  if (hModule && hModule != GetModuleHandleW(nullptr)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  char target[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", target, sizeof target - 1);
  if (n < 0) {
    SetLastError(kb::platform::ErrnoToWin32(errno));
    return 0;
  }
  std::wstring path = kb::Utf8ToWide(std::string_view(target, static_cast<size_t>(n)));
  if (nSize == 0 || !lpFilename) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() >= nSize) {
    // Truncated to the buffer, terminator included, as Windows does.
    std::memcpy(lpFilename, path.c_str(), (nSize - 1) * sizeof(wchar_t));
    lpFilename[nSize - 1] = L'\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
  }
  std::memcpy(lpFilename, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
  return static_cast<DWORD>(path.size());
}

BOOL SetCurrentDirectoryW(LPCWSTR lpPathName) {
  if (!lpPathName || !*lpPathName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string path = NativePath(lpPathName);
  if (chdir(path.c_str()) != 0) return kb::platform::FailWithErrno(errno, path);
  return TRUE;
}

DWORD GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer) {
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) {
    SetLastError(kb::platform::ErrnoToWin32(errno));
    return 0;
  }
  return kb::platform::CopyOut(kb::Utf8ToWide(cwd), nBufferLength, lpBuffer);
}

DWORD GetFileAttributesW(LPCWSTR lpFileName) {
  if (!lpFileName || !*lpFileName) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  std::string path = NativePath(lpFileName);
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    kb::platform::FailWithErrno(errno, path);
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (access(path.c_str(), W_OK) != 0 && !S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_READONLY;
  size_t slash = path.find_last_of('/');
  std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
  if (leaf.size() > 1 && leaf[0] == '.' && leaf != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;
  return attributes;
}

BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags) {
  if (!lpExistingFileName || !lpNewFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (dwFlags & MOVEFILE_DELAY_UNTIL_REBOOT) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  std::string from = NativePath(lpExistingFileName);
  std::string to = NativePath(lpNewFileName);
  struct stat st;
  if (lstat(from.c_str(), &st) != 0) return kb::platform::FailWithErrno(errno, from);

  struct stat target;
  bool targetExists = lstat(to.c_str(), &target) == 0;
  if (targetExists && !(dwFlags & MOVEFILE_REPLACE_EXISTING)) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (targetExists && S_ISDIR(target.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  int rc = (dwFlags & MOVEFILE_REPLACE_EXISTING) ? rename(from.c_str(), to.c_str())
                                                 : renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
  if (rc != 0) {
    int err = errno;
    if (err == EEXIST) {
      SetLastError(ERROR_ALREADY_EXISTS);
      return FALSE;
    }
    return kb::platform::FailWithErrno(err, to);
  }
  if (dwFlags & MOVEFILE_WRITE_THROUGH) {
    // The rename is durable only once the folders that changed are synced.
    kb::platform::SyncFolderOf(to);
    kb::platform::SyncFolderOf(from);
  }
  return TRUE;
}

BOOL DeleteFileW(LPCWSTR lpFileName) {
  std::string path = NativePath(lpFileName);
  struct stat st;
  if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (unlink(path.c_str()) != 0) return kb::platform::FailWithErrno(errno, path);
  return TRUE;
}

BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES) {
  std::string path = NativePath(lpPathName);
  if (mkdir(path.c_str(), 0777) != 0) {
    if (errno == ENOENT) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return FALSE;
    }
    return kb::platform::FailWithErrno(errno, path);
  }
  return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR lpPathName) {
  std::string path = NativePath(lpPathName);
  if (rmdir(path.c_str()) != 0) return kb::platform::FailWithErrno(errno, path);
  return TRUE;
}
