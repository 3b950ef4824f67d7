#include "platform/linux/process_object.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <atomic>
#include <iterator>
#include <thread>

#include "platform/linux/native_path.h"
#include "platform/linux/win32_kernel.h"
#include "platform/path.h"
#include "platform/text.h"

extern char** environ;

namespace kb::platform {

void ProcessObject::StartReaper() {
  std::shared_ptr<ProcessObject> self = std::static_pointer_cast<ProcessObject>(shared_from_this());
  std::thread([self] {
    int status = 0;
    while (waitpid(self->pid_, &status, 0) < 0 && errno == EINTR) {
    }
    self->Reaped(status);
  }).detach();
}

void ProcessObject::Reaped(int status) {
  std::lock_guard<std::mutex> lock(WaitLock());
  if (terminated_) {
    exitCode_ = terminateCode_;
  } else if (WIFEXITED(status)) {
    exitCode_ = static_cast<DWORD>(WEXITSTATUS(status));
  } else if (WIFSIGNALED(status)) {
    // Windows has no signals; a shell's convention keeps the cause visible.
    exitCode_ = 128u + static_cast<DWORD>(WTERMSIG(status));
  } else {
    exitCode_ = 0;
  }
  finished_ = true;
  NotifyWaiters();
}

bool ProcessObject::Terminate(DWORD exitCode) {
  {
    std::lock_guard<std::mutex> lock(WaitLock());
    if (finished_) return true;
    if (!terminated_) {
      terminated_ = true;
      terminateCode_ = exitCode;
    }
  }
  return kill(pid_, SIGKILL) == 0 || errno == ESRCH;
}

bool ProcessThreadObject::TryAcquire(DWORD, bool*) { return process_->Finished(); }

std::vector<std::wstring> SplitCommandLine(const std::wstring& line) {
  std::vector<std::wstring> args;
  size_t i = 0;
  const size_t n = line.size();
  // The program name ends at the closing quote or the first blank; backslashes
  // in it are plain characters.
  std::wstring first;
  if (i < n && line[i] == L'"') {
    ++i;
    while (i < n && line[i] != L'"') first.push_back(line[i++]);
    if (i < n) ++i;
  } else {
    while (i < n && line[i] != L' ' && line[i] != L'\t') first.push_back(line[i++]);
  }
  args.push_back(first);
  for (;;) {
    while (i < n && (line[i] == L' ' || line[i] == L'\t')) ++i;
    if (i >= n) break;
    std::wstring arg;
    bool quoted = false;
    while (i < n && (quoted || (line[i] != L' ' && line[i] != L'\t'))) {
      size_t slashes = 0;
      while (i < n && line[i] == L'\\') ++slashes, ++i;
      if (i < n && line[i] == L'"') {
        arg.append(slashes / 2, L'\\');
        if (slashes % 2) {
          arg.push_back(L'"');
          ++i;
        } else if (quoted && i + 1 < n && line[i + 1] == L'"') {
          arg.push_back(L'"');  // "" inside quotes is a literal quote
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg.append(slashes, L'\\');
        if (i < n && (quoted || (line[i] != L' ' && line[i] != L'\t'))) arg.push_back(line[i++]);
      }
    }
    args.push_back(arg);
  }
  return args;
}

namespace {

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool HasSlash(const std::string& s) { return s.find('/') != std::string::npos; }

// Windows looks for a bare program name in the caller's own folder, the
// current folder and PATH; Linux executables carry no ".exe", so a name
// ending in ".exe" is also tried without it.
std::string ResolveProgram(const std::string& name, DWORD* error) {
  std::vector<std::string> candidates;
  auto addWithVariants = [&](const std::string& p) {
    candidates.push_back(p);
    if (p.size() > 4 && strcasecmp(p.c_str() + p.size() - 4, ".exe") == 0)
      candidates.push_back(p.substr(0, p.size() - 4));
  };
  if (HasSlash(name)) {
    addWithVariants(name);
  } else {
    addWithVariants(WideToUtf8(kb::ExecutableFolder()) + "/" + name);
    addWithVariants(name);
    if (const char* path = std::getenv("PATH")) {
      std::string all(path);
      size_t start = 0;
      while (start <= all.size()) {
        size_t end = all.find(':', start);
        if (end == std::string::npos) end = all.size();
        if (end > start) addWithVariants(all.substr(start, end - start) + "/" + name);
        start = end + 1;
      }
    }
  }
  for (const std::string& c : candidates)
    if (IsFile(c)) return c;
  // Windows says "file not found" also when a folder on the way is missing.
  *error = ERROR_FILE_NOT_FOUND;
  return std::string();
}

std::vector<std::string> EnvironmentFrom(LPVOID block, DWORD flags) {
  std::vector<std::string> env;
  if (!block) {
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    return env;
  }
  if (flags & CREATE_UNICODE_ENVIRONMENT) {
    for (const wchar_t* p = static_cast<const wchar_t*>(block); *p; p += std::wcslen(p) + 1)
      env.push_back(WideToUtf8(p));
  } else {
    for (const char* p = static_cast<const char*>(block); *p; p += std::strlen(p) + 1) env.emplace_back(p);
  }
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (auto& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

}  // namespace
}  // namespace kb::platform

using kb::platform::ProcessObject;
using kb::platform::ProcessThreadObject;

BOOL CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                    BOOL, DWORD dwCreationFlags, LPVOID lpEnvironment, LPCWSTR lpCurrentDirectory,
                    LPSTARTUPINFOW lpStartupInfo, LPPROCESS_INFORMATION lpProcessInformation) {
  if (!lpStartupInfo || !lpProcessInformation || (!lpApplicationName && !lpCommandLine)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (dwCreationFlags & CREATE_SUSPENDED) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  std::wstring line = lpCommandLine ? std::wstring(lpCommandLine) : std::wstring();
  std::vector<std::wstring> wideArgs = kb::platform::SplitCommandLine(line);
  std::wstring program = lpApplicationName ? std::wstring(lpApplicationName) : wideArgs.front();
  if (line.empty()) wideArgs = {program};

  DWORD error = ERROR_SUCCESS;
  std::string resolved = kb::platform::ResolveProgram(kb::platform::NativePath(program.c_str()), &error);
  if (resolved.empty()) {
    SetLastError(error);
    return FALSE;
  }
  std::vector<std::string> args;
  for (const auto& a : wideArgs) args.push_back(kb::WideToUtf8(a));
  std::vector<std::string> env = kb::platform::EnvironmentFrom(lpEnvironment, dwCreationFlags);
  std::vector<char*> argv = kb::platform::Pointers(args);
  std::vector<char*> envp = kb::platform::Pointers(env);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (lpCurrentDirectory && *lpCurrentDirectory) {
    std::string dir = kb::platform::NativePath(lpCurrentDirectory);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  }
  // A console program started by a GUI program gets a console of its own on
  // Windows: what it prints never reaches the starter's standard output,
  // which carries only what the starter was asked for (the command line's
  // answers). Here it shares the starter's streams, so its output goes to
  // standard error with the starter's diagnostic lines.
  posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, resolved.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    // The program was found above, so a missing entry here is the folder.
    constexpr DWORD kErrorDirectory = 267;
    SetLastError(rc == ENOEXEC ? ERROR_BAD_EXE_FORMAT
                 : rc == ENOENT ? kErrorDirectory
                                : kb::platform::ErrnoToWin32(rc));
    return FALSE;
  }
  auto process = std::make_shared<ProcessObject>(pid);
  process->StartReaper();
  // An id from a range no thread of this process gets.
  static std::atomic<DWORD> nextRemoteThreadId{0x80000004u};
  DWORD threadId = nextRemoteThreadId.fetch_add(4);
  HANDLE threadHandle = kb::platform::InsertHandle(std::make_shared<ProcessThreadObject>(process, threadId));
  lpProcessInformation->hProcess = kb::platform::InsertHandle(process);
  lpProcessInformation->hThread = threadHandle;
  lpProcessInformation->dwProcessId = static_cast<DWORD>(pid);
  lpProcessInformation->dwThreadId = threadId;
  return TRUE;
}

BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
  if (hProcess == GetCurrentProcess()) {
    if (lpExitCode) *lpExitCode = STILL_ACTIVE;
    return TRUE;
  }
  auto process = kb::platform::LookupHandleAs<ProcessObject>(hProcess);
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(kb::platform::WaitLock());
  *lpExitCode = process->ExitCode();
  return TRUE;
}

BOOL TerminateProcess(HANDLE hProcess, UINT uExitCode) {
  if (hProcess == GetCurrentProcess()) _exit(static_cast<int>(uExitCode));
  auto process = kb::platform::LookupHandleAs<ProcessObject>(hProcess);
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!process->Terminate(uExitCode)) {
    SetLastError(kb::platform::ErrnoToWin32(errno));
    return FALSE;
  }
  return TRUE;
}

DWORD GetProcessId(HANDLE hProcess) {
  if (hProcess == GetCurrentProcess()) return GetCurrentProcessId();
  auto process = kb::platform::LookupHandleAs<ProcessObject>(hProcess);
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return static_cast<DWORD>(process->Pid());
}

LPWSTR GetCommandLineW() {
  static std::wstring* line = [] {
    auto* out = new std::wstring;
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t start = 0;
    while (start < raw.size()) {
      size_t end = raw.find('\0', start);
      if (end == std::string::npos) end = raw.size();
      std::wstring arg = kb::Utf8ToWide(raw.substr(start, end - start));
      if (!out->empty()) out->push_back(L' ');
      bool quote = arg.empty() || arg.find_first_of(L" \t\"") != std::wstring::npos;
      if (!quote) {
        out->append(arg);
      } else {
        out->push_back(L'"');
        size_t slashes = 0;
        for (wchar_t c : arg) {
          if (c == L'\\') {
            ++slashes;
            continue;
          }
          out->append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
          slashes = 0;
          out->push_back(c);
        }
        out->append(slashes * 2, L'\\');
        out->push_back(L'"');
      }
      start = end + 1;
    }
    return out;
  }();
  return line->data();
}
