#include <cctype>
#include "platform/linux/named_mutex_backend.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/linux/kernel_object.h"
#include "platform/text.h"

namespace kb::platform {
namespace {

constexpr off_t kPresenceByte = 0;
constexpr off_t kGuardByte = 1;
constexpr off_t kOwnerByte = 2;
constexpr off_t kMarkerOffset = 16;
constexpr char kMarkerOwned = 1;
constexpr char kMarkerFree = 0;
constexpr size_t kMaxEscapedName = 200;

bool LockByte(int fd, off_t byte, short type, bool wait) {
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = byte;
  fl.l_len = 1;
  for (;;) {
    if (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
    if (errno != EINTR) return false;
  }
}

void UnlockByte(int fd, off_t byte) { LockByte(fd, byte, F_UNLCK, false); }

void WriteMarker(int fd, char value) {
  while (pwrite(fd, &value, 1, kMarkerOffset) < 0 && errno == EINTR) {
  }
}

char ReadMarker(int fd) {
  char value = kMarkerFree;
  ssize_t n;
  do {
    n = pread(fd, &value, 1, kMarkerOffset);
  } while (n < 0 && errno == EINTR);
  return n == 1 ? value : kMarkerFree;
}

// File names keep readable names readable and stay within NAME_MAX.
std::string FileNameFor(const std::wstring& name) {
  std::string utf8 = WideToUtf8(name);
  std::string escaped = "mutex-";
  static const char kHex[] = "0123456789abcdef";
  for (unsigned char c : utf8) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
        c == '_') {
      escaped.push_back(static_cast<char>(c));
    } else {
      escaped.push_back('%');
      escaped.push_back(kHex[c >> 4]);
      escaped.push_back(kHex[c & 15]);
    }
  }
  if (escaped.size() <= kMaxEscapedName) return escaped;
  uint64_t hash = 1469598103934665603ull;  // FNV-1a
  for (unsigned char c : utf8) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  std::string out = "mutex-#";
  for (int shift = 60; shift >= 0; shift -= 4) out.push_back(kHex[(hash >> shift) & 15]);
  return out;
}

bool UsableFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st;
  // Refuse a folder that another user planted: its files would let that
  // user hold our mutexes.
  if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) return false;
  return (st.st_mode & 0077) == 0 || chmod(path.c_str(), 0700) == 0;
}

}  // namespace

// Names without a "Global\\" prefix live in the session's namespace on
// Windows: each logon session with its desktop has its own. The display a
// process shows its windows on is that session here, so two displays of one
// user (a second seat, a remote desktop, an Xvfb) do not share names: the
// display's name, without its screen number, is part of the folder.
namespace {
std::string DisplaySessionTag() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return std::string();
  std::string name(display);
  size_t colon = name.rfind(':');
  if (colon != std::string::npos) {
    size_t dot = name.find('.', colon);
    if (dot != std::string::npos) name.erase(dot);
  }
  std::string tag = "-display-";
  for (unsigned char c : name) tag.push_back(std::isalnum(c) ? static_cast<char>(c) : '_');
  return tag;
}
}  // namespace

std::string NamedObjectFolder() {
  if (const char* dir = std::getenv("KB_OBJECT_DIR"); dir && *dir) return dir;
  std::string session = DisplaySessionTag();
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    std::string path = std::string(runtime) + "/kbconfig-objects" + session;
    if (UsableFolder(path)) return path;
  }
  return "/tmp/kbconfig-objects-" + std::to_string(getuid()) + session;
}

NamedMutexBackend::~NamedMutexBackend() {
  if (owned_) Abandon();
  close(fd_);
}

std::unique_ptr<NamedMutexBackend> NamedMutexBackend::Open(const std::wstring& name, Mode mode, bool takeOwnership,
                                                           bool* existed, DWORD* error) {
  std::string folder = NamedObjectFolder();
  if (!UsableFolder(folder)) {
    *error = ERROR_ACCESS_DENIED;
    return nullptr;
  }
  std::string path = folder + "/" + FileNameFor(name);
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    *error = ErrnoToWin32(errno);
    return nullptr;
  }
  std::unique_ptr<NamedMutexBackend> backend(new NamedMutexBackend(fd));

  if (!LockByte(fd, kGuardByte, F_WRLCK, true)) {
    *error = ErrnoToWin32(errno);
    return nullptr;
  }
  // Nobody else has the name open exactly when nobody else read-locks byte 0.
  bool alone = LockByte(fd, kPresenceByte, F_WRLCK, false);
  *existed = !alone;
  if (alone && mode == Mode::kOpenExisting) {
    UnlockByte(fd, kPresenceByte);
    UnlockByte(fd, kGuardByte);
    *error = ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  if (alone) WriteMarker(fd, kMarkerFree);  // a stale file from a finished run
  LockByte(fd, kPresenceByte, F_RDLCK, true);
  if (alone && takeOwnership) {
    bool abandoned = false;
    backend->TryLock(&abandoned);
  }
  UnlockByte(fd, kGuardByte);
  return backend;
}

bool NamedMutexBackend::TryLock(bool* abandoned) {
  if (!LockByte(fd_, kOwnerByte, F_WRLCK, false)) return false;
  *abandoned = ReadMarker(fd_) == kMarkerOwned;
  WriteMarker(fd_, kMarkerOwned);
  owned_ = true;
  return true;
}

void NamedMutexBackend::Unlock() {
  if (!owned_) return;
  WriteMarker(fd_, kMarkerFree);
  UnlockByte(fd_, kOwnerByte);
  owned_ = false;
}

void NamedMutexBackend::Abandon() {
  if (!owned_) return;
  UnlockByte(fd_, kOwnerByte);
  owned_ = false;
}

}  // namespace kb::platform
