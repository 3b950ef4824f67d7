#include "platform/save_file.h"

#include <atomic>
#include <cstdint>

#include "platform/diag.h"
#include "platform/text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kb {

bool IsSaveTempName(std::wstring_view name, std::wstring_view fileName) {
  std::wstring_view marker = kSaveTempMarker;
  if (fileName.empty() || name.size() <= fileName.size() + marker.size()) return false;
  if (name.substr(0, fileName.size()) != fileName) return false;
  if (name.substr(fileName.size(), marker.size()) != marker) return false;
  std::wstring_view rest = name.substr(fileName.size() + marker.size());
  size_t dash = rest.find(L'-');
  if (dash == 0 || dash == std::wstring_view::npos || dash + 1 == rest.size()) return false;
  for (size_t i = 0; i < rest.size(); ++i)
    if (i != dash && (rest[i] < L'0' || rest[i] > L'9')) return false;
  return true;
}

namespace {

// Temporary names must differ between the threads and the processes that may
// save the same file at once (a second instance loads, and may repair, the
// same files while the first one runs).
std::atomic<uint32_t> saveCounter{0};

constexpr int kMaxTempNameAttempts = 100;

#ifdef _WIN32

// Virus scanners and search indexers open freshly written files for a moment;
// a replace that meets them fails with access denied or a sharing violation.
constexpr int kReplaceAttempts = 10;
constexpr DWORD kReplaceRetryMs = 20;

std::wstring TempPath(const std::wstring& path) {
  return path + kSaveTempMarker + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(saveCounter.fetch_add(1));
}

HANDLE CreateTempFile(const std::wstring& path, std::wstring& tempPath) {
  for (int attempt = 0; attempt < kMaxTempNameAttempts; ++attempt) {
    tempPath = TempPath(path);
    HANDLE file = CreateFileW(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD chunk = bytes.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

bool ReplaceWithRetries(const std::wstring& tempPath, const std::wstring& path) {
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExW(tempPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    DWORD error = GetLastError();
    bool transient = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
    if (!transient || attempt + 1 >= kReplaceAttempts) return false;
    Sleep(kReplaceRetryMs);
  }
}

}  // namespace

ReadOutcome ReadWholeFile(const std::wstring& path, std::string& bytes) {
  bytes.clear();
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return ReadOutcome::kMissing;
    DiagPrintfW(L"cannot open %ls (error %lu)\n", path.c_str(), static_cast<unsigned long>(error));
    return ReadOutcome::kUnreadable;
  }
  char buffer[16384];
  bool ok = true;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof(buffer), &got, nullptr)) {
      DiagPrintfW(L"cannot read %ls (error %lu)\n", path.c_str(), static_cast<unsigned long>(GetLastError()));
      ok = false;
      break;
    }
    if (got == 0) break;
    bytes.append(buffer, got);
  }
  CloseHandle(file);
  if (!ok) bytes.clear();
  return ok ? ReadOutcome::kRead : ReadOutcome::kUnreadable;
}

bool CanCreateFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DiagPrintf("cannot create %s: error %lu\n", WideToUtf8(path).c_str(), static_cast<unsigned long>(GetLastError()));
    return false;
  }
  CloseHandle(file);
  return true;
}

bool SaveFileAtomically(const std::wstring& path, std::string_view bytes) {
  if (path.empty()) return false;
  std::wstring tempPath;
  HANDLE file = CreateTempFile(path, tempPath);
  if (file == INVALID_HANDLE_VALUE) {
    DiagPrintfW(L"cannot create a temporary file for %ls (error %lu)\n", path.c_str(),
                static_cast<unsigned long>(GetLastError()));
    return false;
  }
  bool written = WriteAll(file, bytes) && FlushFileBuffers(file);
  DWORD error = written ? 0 : GetLastError();
  if (!CloseHandle(file) && written) {
    written = false;
    error = GetLastError();
  }
  if (written && ReplaceWithRetries(tempPath, path)) return true;
  if (written) error = GetLastError();
  DeleteFileW(tempPath.c_str());
  DiagPrintfW(L"cannot save %ls (error %lu)\n", path.c_str(), static_cast<unsigned long>(error));
  return false;
}

int RemoveLeftoverSaveTemps(const std::wstring& path) {
  size_t cut = path.find_last_of(L"\\/");
  std::wstring folder = cut == std::wstring::npos ? std::wstring(L".") : path.substr(0, cut);
  std::wstring fileName = cut == std::wstring::npos ? path : path.substr(cut + 1);
  std::wstring pattern = folder + L"\\" + fileName + kSaveTempMarker + L"*";
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int removed = 0;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (!IsSaveTempName(found.cFileName, fileName)) continue;
    if (DeleteFileW((folder + L"\\" + found.cFileName).c_str())) ++removed;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return removed;
}

#else  // POSIX

// Windows paths name folders with backslashes; the program's own paths may
// carry them (folder + "\\macro.xml").
std::string NativePath(const std::wstring& path) {
  std::string native = WideToUtf8(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

std::string FolderOf(const std::string& path) {
  size_t cut = path.find_last_of('/');
  if (cut == std::string::npos) return ".";
  if (cut == 0) return "/";
  return path.substr(0, cut);
}

int CreateTempFile(const std::string& path, std::string& tempPath) {
  std::string marker = WideToUtf8(kSaveTempMarker);
  for (int attempt = 0; attempt < kMaxTempNameAttempts; ++attempt) {
    tempPath = path + marker + std::to_string(getpid()) + "-" + std::to_string(saveCounter.fetch_add(1));
    int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST) break;
  }
  return -1;
}

// A replaced file keeps the permission bits the user gave the old one.
void CopyModeOf(const std::string& path, int fd) {
  struct stat old {};
  if (stat(path.c_str(), &old) == 0) fchmod(fd, old.st_mode & 07777);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// The rename is durable only once the folder's entry is on the disk too.
bool SyncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot sync folders
  close(fd);
  return ok;
}

}  // namespace

ReadOutcome ReadWholeFile(const std::wstring& path, std::string& bytes) {
  bytes.clear();
  std::string native = NativePath(path);
  int fd = open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return ReadOutcome::kMissing;
    DiagPrintf("cannot open %s: %s\n", native.c_str(), std::strerror(errno));
    return ReadOutcome::kUnreadable;
  }
  char buffer[16384];
  bool ok = true;
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      DiagPrintf("cannot read %s: %s\n", native.c_str(), std::strerror(errno));
      ok = false;
      break;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  if (!ok) bytes.clear();
  return ok ? ReadOutcome::kRead : ReadOutcome::kUnreadable;
}

bool CanCreateFile(const std::wstring& path) {
  const std::string native = NativePath(path);
  int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    DiagPrintf("cannot create %s: %s\n", native.c_str(), std::strerror(errno));
    return false;
  }
  close(fd);
  return unlink(native.c_str()) == 0;
}

bool SaveFileAtomically(const std::wstring& path, std::string_view bytes) {
  if (path.empty()) return false;
  std::string native = NativePath(path);
  std::string tempPath;
  int fd = CreateTempFile(native, tempPath);
  if (fd < 0) {
    DiagPrintf("cannot create a temporary file for %s: %s\n", native.c_str(), std::strerror(errno));
    return false;
  }
  CopyModeOf(native, fd);
  bool written = WriteAll(fd, bytes) && fsync(fd) == 0;
  int error = written ? 0 : errno;
  if (close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written && rename(tempPath.c_str(), native.c_str()) == 0) {
    if (!SyncFolder(FolderOf(native))) {
      DiagPrintf("saved %s but could not sync its folder: %s\n", native.c_str(), std::strerror(errno));
    }
    return true;
  }
  if (written) error = errno;
  unlink(tempPath.c_str());
  DiagPrintf("cannot save %s: %s\n", native.c_str(), std::strerror(error));
  return false;
}

int RemoveLeftoverSaveTemps(const std::wstring& path) {
  std::string native = NativePath(path);
  std::string folder = FolderOf(native);
  size_t cut = native.find_last_of('/');
  std::wstring fileName = Utf8ToWide(cut == std::string::npos ? native : native.substr(cut + 1));
  DIR* dir = opendir(folder.c_str());
  if (!dir) return 0;
  int removed = 0;
  while (dirent* entry = readdir(dir)) {
    if (!IsSaveTempName(Utf8ToWide(entry->d_name), fileName)) continue;
    std::string full = folder + "/" + entry->d_name;
    struct stat info {};
    if (lstat(full.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    if (unlink(full.c_str()) == 0) ++removed;
  }
  closedir(dir);
  return removed;
}

#endif

bool ReadFileBytes(const std::wstring& path, std::string& bytes) {
  return ReadWholeFile(path, bytes) == ReadOutcome::kRead;
}

}  // namespace kb
