#pragma once
// Helpers of the window and message conformance tests: a window class that
// records every message it gets, message pumping with a deadline, and child
// processes (this executable started again with "--child MODE ARGS...").
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "support/ChildStart.h"
#include "support/MessagePump.h"

namespace kbtest {

struct LoggedMessage {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD thread;
};

// Every message the logging windows receive, in order, from every thread.
class MessageLog {
 public:
  void Add(const LoggedMessage& m);
  void Clear();
  std::vector<LoggedMessage> All();
  // The message numbers one window received, optionally only those in `only`.
  std::vector<UINT> Of(HWND hwnd, const std::vector<UINT>& only = {});
  bool Saw(HWND hwnd, UINT message);

 private:
  std::mutex lock_;
  std::vector<LoggedMessage> messages_;
};

MessageLog& Log();

// A handler may answer a message itself; returning nullopt defers to DefWindowProcW.
using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

// The class every test window uses (registered on first use, CS_DBLCLKS).
const wchar_t* LoggingClassName();
HWND CreateLoggingWindow(DWORD style = WS_OVERLAPPEDWINDOW, DWORD exStyle = 0, HWND parent = nullptr,
                         const wchar_t* title = L"kbconfig test", int x = 100, int y = 100, int width = 320,
                         int height = 240);
void SetHandler(HWND hwnd, Handler handler);

// Dispatches messages until `done` holds (checked after each message and at
// least every 10 ms) or the time runs out: PumpUntil of support/MessagePump.h.
inline void PumpFor(DWORD ms) { Pump(static_cast<int>(ms)); }

// Child processes.
PROCESS_INFORMATION StartChild(const std::wstring& mode, const std::wstring& argument);
// Waits for the child while dispatching this thread's messages, as a GUI
// thread must when the child acts on its windows.
DWORD FinishChildPumping(PROCESS_INFORMATION& pi, DWORD timeoutMs = 20000);
std::wstring HandleText(HWND hwnd);
HWND HandleFromText(const std::wstring& text);

// Whether this is the Windows build running under Wine (some Linux-side
// tools, like xdotool, are out of its reach).
bool UnderWine();
// Runs a shell command on Linux; false where there is none to run it.
bool RunTool(const std::string& command);

}  // namespace kbtest
