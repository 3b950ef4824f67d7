// GetOpenFileNameW / GetSaveFileNameW on Linux: GTK's file chooser, run as
// `zenity --file-selection`. The calling thread goes on dispatching its
// messages while the chooser is up and the owner is disabled meanwhile, as
// a modal common dialog does on Windows.
//
// Tests may answer without a chooser: KB_FILE_DIALOG_ANSWER, when set, is
// the path the user "chose" (empty: cancelled). KB_FILE_DIALOG_PROGRAM names
// another program to run in zenity's place (same arguments, path on standard
// output; exit 0 chosen, 1 cancelled, anything else a failed dialog).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/native_path.h"
#include "platform/linux/win32_dialogs.h"
#include "platform/linux/win32_kernel.h"
#include "platform/linux/window_object.h"
#include "platform/termination.h"
#include "platform/text.h"

extern char** environ;

namespace {

thread_local DWORD lastDialogError = 0;

// The choosers on screen, for CancelFileDialogs.
std::mutex choosersLock;
std::vector<pid_t> runningChoosers;

void ForgetChooser(pid_t pid) {
  std::lock_guard<std::mutex> guard(choosersLock);
  runningChoosers.erase(std::remove(runningChoosers.begin(), runningChoosers.end(), pid), runningChoosers.end());
}

constexpr char kAnswerVariable[] = "KB_FILE_DIALOG_ANSWER";
constexpr char kProgramVariable[] = "KB_FILE_DIALOG_PROGRAM";
constexpr char kDefaultProgram[] = "zenity";
constexpr int kExitChosen = 0;
constexpr int kExitCancelled = 1;

// What the dialog was asked, as zenity takes it.
struct ChooserRequest {
  bool save = false;
  std::vector<std::string> args;
};

// The input text of a buffer of `size` characters that need not be terminated.
std::wstring BoundedText(const wchar_t* text, DWORD size) {
  if (!text) return {};
  std::wstring result;
  for (DWORD i = 0; i < size && text[i]; ++i) result.push_back(text[i]);
  return result;
}

// lpstrFilter is "description\0pattern;pattern\0...\0\0"; zenity takes
// "description | pattern pattern". The filter nFilterIndex (from 1) names
// comes first, as GTK starts with the first one.
std::vector<std::string> FilterArgs(const OPENFILENAMEW& ofn) {
  std::vector<std::string> filters;
  for (const wchar_t* at = ofn.lpstrFilter; at && *at;) {
    std::wstring description = at;
    at += description.size() + 1;
    std::wstring patterns = at;
    at += patterns.size() + (*at ? 1 : 0);
    for (wchar_t& c : patterns)
      if (c == L';') c = L' ';
    for (wchar_t& c : description)
      if (c == L'|') c = L'/';
    filters.push_back("--file-filter=" + kb::WideToUtf8(description) + " | " + kb::WideToUtf8(patterns));
  }
  size_t chosen = ofn.nFilterIndex > 0 ? ofn.nFilterIndex - 1 : 0;
  if (chosen > 0 && chosen < filters.size()) std::rotate(filters.begin(), filters.begin() + chosen, filters.begin() + chosen + 1);
  return filters;
}

ChooserRequest MakeRequest(const OPENFILENAMEW& ofn, bool save) {
  ChooserRequest request;
  request.save = save;
  request.args = {kDefaultProgram, "--file-selection"};
  if (save) request.args.push_back("--save");
  if (save && (ofn.Flags & OFN_OVERWRITEPROMPT)) request.args.push_back("--confirm-overwrite");
  if (ofn.lpstrTitle && *ofn.lpstrTitle) request.args.push_back("--title=" + kb::WideToUtf8(ofn.lpstrTitle));
  std::string file = kb::platform::NativePath(BoundedText(ofn.lpstrFile, ofn.nMaxFile).c_str());
  std::string folder = ofn.lpstrInitialDir ? kb::platform::NativePath(ofn.lpstrInitialDir) : std::string();
  if (!folder.empty() && (file.empty() || file[0] != '/')) file = folder + "/" + file;
  if (!file.empty()) request.args.push_back("--filename=" + file);
  // An owner that is an X window: GTK keeps the chooser above it.
  if (ofn.hwndOwner && !kb::platform::IsLocalHandleValue(ofn.hwndOwner)) {
    request.args.push_back("--modal");
    request.args.push_back("--attach=" + std::to_string(reinterpret_cast<uintptr_t>(ofn.hwndOwner)));
  }
  for (std::string& filter : FilterArgs(ofn)) request.args.push_back(std::move(filter));
  return request;
}

// Dispatches the thread's messages until `done` is signalled. A WM_QUIT
// ends the chooser and is posted again afterwards, as modal loops do.
void PumpUntil(HANDLE done, pid_t pid) {
  std::optional<int> quitCode;
  for (;;) {
    DWORD woken = MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT);
    if (woken != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    // The chooser's end is looked for between messages: a window that posts
    // itself a message from its handler (a close waiting for this very loop
    // to return) would otherwise keep the queue from ever running dry.
    while (!quitCode && WaitForSingleObject(done, 0) != WAIT_OBJECT_0 &&
           PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quitCode = static_cast<int>(msg.wParam);
        kill(pid, SIGTERM);
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (quitCode) {
      WaitForSingleObject(done, INFINITE);
      break;
    }
  }
  if (quitCode) PostQuitMessage(*quitCode);
}

// Runs the chooser program: the chosen path, "" when cancelled, nullopt
// when the dialog could not be shown.
std::optional<std::string> RunChooser(ChooserRequest request, HWND owner) {
  const char* program = std::getenv(kProgramVariable);
  if (program && *program) request.args[0] = program;
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  std::vector<char*> argv;
  for (std::string& arg : request.args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    return std::nullopt;
  }

  {
    std::lock_guard<std::mutex> guard(choosersLock);
    runningChoosers.push_back(pid);
  }
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::string chosen;
  int status = -1;
  // The output is read and the child reaped on a thread of its own, so the
  // owner's thread can wait for it and for its messages in one wait.
  std::thread reader([&] {
    char buffer[4096];
    for (;;) {
      ssize_t got = read(out[0], buffer, sizeof buffer);
      if (got > 0) chosen.append(buffer, static_cast<size_t>(got));
      if (got == 0 || (got < 0 && errno != EINTR)) break;
    }
    // Forgotten before it is reaped: a reaped pid may be reused at once.
    ForgetChooser(pid);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    SetEvent(done);
  });
  bool disabled = owner && IsWindowEnabled(owner) && EnableWindow(owner, FALSE) == FALSE;
  PumpUntil(done, pid);
  reader.join();
  close(out[0]);
  CloseHandle(done);
  if (disabled) {
    EnableWindow(owner, TRUE);
    SetForegroundWindow(owner);
  }

  if (!WIFEXITED(status)) return std::nullopt;
  if (WEXITSTATUS(status) == kExitCancelled) return std::string();
  if (WEXITSTATUS(status) != kExitChosen) return std::nullopt;
  while (!chosen.empty() && (chosen.back() == '\n' || chosen.back() == '\r')) chosen.pop_back();
  return chosen;
}

std::optional<std::string> Answer(const ChooserRequest& request, HWND owner) {
  const char* answer = std::getenv(kAnswerVariable);
  if (answer) return std::string(answer);
  return RunChooser(request, owner);
}

bool IsFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat info;
  return stat(path.empty() ? "/" : path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

BOOL DialogFailed(DWORD error) {
  lastDialogError = error;
  return FALSE;
}

BOOL RunFileDialog(LPOPENFILENAMEW ofn, bool save) {
  lastDialogError = 0;
  if (!ofn || ofn->lStructSize != sizeof(OPENFILENAMEW)) return DialogFailed(CDERR_STRUCTSIZE);
  if (!ofn->lpstrFile || ofn->nMaxFile == 0) return DialogFailed(CDERR_INITIALIZATION);
  std::optional<std::string> answer = Answer(MakeRequest(*ofn, save), ofn->hwndOwner);
  if (!answer) return DialogFailed(CDERR_DIALOGFAILURE);
  if (answer->empty()) return FALSE;

  std::string path = *answer;
  size_t nameAt = path.rfind('/') + 1;  // npos + 1 is 0: a bare name
  size_t dot = path.rfind('.');
  bool hasExtension = dot != std::string::npos && dot > nameAt;
  if (save && !hasExtension && ofn->lpstrDefExt && *ofn->lpstrDefExt) {
    path += "." + kb::WideToUtf8(ofn->lpstrDefExt);
    hasExtension = true;
  }
  if (nameAt >= path.size()) return DialogFailed(FNERR_INVALIDFILENAME);
  if ((ofn->Flags & OFN_FILEMUSTEXIST) && !IsFile(path)) return DialogFailed(FNERR_INVALIDFILENAME);
  if ((ofn->Flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) && nameAt > 0 && !IsFolder(path.substr(0, nameAt - 1)))
    return DialogFailed(FNERR_INVALIDFILENAME);

  std::wstring wide = kb::Utf8ToWide(path);
  if (wide.size() + 1 > ofn->nMaxFile) {
    // Windows leaves the size the buffer needs, in characters, in its first
    // two bytes.
    if (ofn->nMaxFile >= 1) ofn->lpstrFile[0] = static_cast<wchar_t>(std::min<size_t>(wide.size() + 1, 0xFFFF));
    return DialogFailed(FNERR_BUFFERTOOSMALL);
  }
  wide.copy(ofn->lpstrFile, wide.size());
  ofn->lpstrFile[wide.size()] = L'\0';
  std::wstring wideName = kb::Utf8ToWide(path.substr(nameAt));
  ofn->nFileOffset = static_cast<WORD>(wide.size() - wideName.size());
  size_t wideDot = wideName.rfind(L'.');
  ofn->nFileExtension = static_cast<WORD>(hasExtension && wideDot != std::wstring::npos && wideDot > 0
                                              ? ofn->nFileOffset + wideDot + 1
                                              : 0);
  if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > wideName.size()) {
    wideName.copy(ofn->lpstrFileTitle, wideName.size());
    ofn->lpstrFileTitle[wideName.size()] = L'\0';
  }
  return TRUE;
}

}  // namespace

BOOL GetOpenFileNameW(LPOPENFILENAMEW lpofn) { return RunFileDialog(lpofn, false); }
BOOL GetSaveFileNameW(LPOPENFILENAMEW lpofn) { return RunFileDialog(lpofn, true); }
DWORD CommDlgExtendedError() { return lastDialogError; }

bool kb::CancelFileDialogs() {
  std::lock_guard<std::mutex> guard(choosersLock);
  for (pid_t pid : runningChoosers) kill(pid, SIGTERM);
  return !runningChoosers.empty();
}
