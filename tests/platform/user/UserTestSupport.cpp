#include "UserTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/text.h"

namespace kbtest {

int RunChildMode(const std::string& mode, const std::vector<std::wstring>& args);

namespace {

std::mutex handlersLock;
std::map<HWND, Handler>& Handlers() {
  static std::map<HWND, Handler> handlers;
  return handlers;
}

LRESULT CALLBACK LoggingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Log().Add(LoggedMessage{hwnd, message, wParam, lParam, GetCurrentThreadId()});
  Handler handler;
  {
    std::lock_guard<std::mutex> guard(handlersLock);
    auto it = Handlers().find(hwnd);
    if (it != Handlers().end()) handler = it->second;
  }
  if (handler) {
    if (std::optional<LRESULT> answer = handler(hwnd, message, wParam, lParam)) return *answer;
  }
  if (message == WM_NCDESTROY) {
    std::lock_guard<std::mutex> guard(handlersLock);
    Handlers().erase(hwnd);
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

void MessageLog::Add(const LoggedMessage& m) {
  std::lock_guard<std::mutex> guard(lock_);
  messages_.push_back(m);
}

void MessageLog::Clear() {
  std::lock_guard<std::mutex> guard(lock_);
  messages_.clear();
}

std::vector<LoggedMessage> MessageLog::All() {
  std::lock_guard<std::mutex> guard(lock_);
  return messages_;
}

std::vector<UINT> MessageLog::Of(HWND hwnd, const std::vector<UINT>& only) {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<UINT> out;
  for (const LoggedMessage& m : messages_) {
    if (m.hwnd != hwnd) continue;
    if (!only.empty() && std::find(only.begin(), only.end(), m.message) == only.end()) continue;
    out.push_back(m.message);
  }
  return out;
}

bool MessageLog::Saw(HWND hwnd, UINT message) {
  std::lock_guard<std::mutex> guard(lock_);
  for (const LoggedMessage& m : messages_)
    if (m.hwnd == hwnd && m.message == message) return true;
  return false;
}

MessageLog& Log() {
  static MessageLog log;
  return log;
}

const wchar_t* LoggingClassName() {
  static const wchar_t* name = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = LoggingProc;
    wc.cbWndExtra = 2 * sizeof(LONG_PTR);
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"KbTestLoggingWindow";
    RegisterClassExW(&wc);
    return L"KbTestLoggingWindow";
  }();
  return name;
}

HWND CreateLoggingWindow(DWORD style, DWORD exStyle, HWND parent, const wchar_t* title, int x, int y, int width,
                         int height) {
  return CreateWindowExW(exStyle, LoggingClassName(), title, style, x, y, width, height, parent, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

void SetHandler(HWND hwnd, Handler handler) {
  std::lock_guard<std::mutex> guard(handlersLock);
  Handlers()[hwnd] = std::move(handler);
}

PROCESS_INFORMATION StartChild(const std::wstring& mode, const std::wstring& argument) {
  return StartChildCommand(mode, argument);
}

DWORD FinishChildPumping(PROCESS_INFORMATION& pi, DWORD timeoutMs) {
  DWORD code = 0xFFFFFFFFu;
  DWORD start = GetTickCount();
  for (;;) {
    DWORD left = timeoutMs - std::min(timeoutMs, GetTickCount() - start);
    DWORD r = MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, left, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) {
      GetExitCodeProcess(pi.hProcess, &code);
      break;
    }
    if (r != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  pi.hProcess = pi.hThread = nullptr;
  return code;
}

std::wstring HandleText(HWND hwnd) {
  return std::to_wstring(static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hwnd)));
}

HWND HandleFromText(const std::wstring& text) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::stoull(text)));
}

bool UnderWine() {
  // The Windows build of this project runs its tests under Wine only, and
  // only the Windows build has a 16-bit wchar_t.
  return sizeof(wchar_t) == 2;
}

bool RunTool(const std::string& command) {
  if (UnderWine()) return false;
  return std::system(command.c_str()) == 0;
}

}  // namespace kbtest

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) {
    std::vector<std::wstring> args;
    for (int i = 3; i < argc; ++i) args.push_back(kb::Utf8ToWide(argv[i]));
    return kbtest::RunChildMode(argv[2], args);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
