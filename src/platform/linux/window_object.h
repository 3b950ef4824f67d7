#pragma once
// The window objects of this process (user32's WND), their classes and the
// table that maps HWND values to them. State is guarded by UserLock(); window
// procedures are always called with no lock held.
//
// Lock order: UserLock, then the display lock (X11Display), then WaitLock.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/linux/message_queue.h"
#include "platform/linux/win32_user.h"

namespace kb::platform {

std::recursive_mutex& UserLock();

struct WindowClass {
  std::wstring name;
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int classExtra = 0;
  int windowExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HICON iconSmall = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  int windows = 0;  // live windows of the class
};

struct UserWindow {
  HWND hwnd = nullptr;
  std::shared_ptr<WindowClass> cls;
  DWORD threadId = 0;
  std::shared_ptr<MessageQueue> queue;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;  // child windows only
  HWND owner = nullptr;
  bool messageOnly = false;
  HINSTANCE instance = nullptr;
  LONG_PTR userData = 0;
  LONG_PTR id = 0;
  std::vector<BYTE> extra;
  std::wstring text;
  // Relative to the parent's client area; screen coordinates for top-level
  // windows. Windows here have no non-client area: the window manager's frame
  // lies outside the X window, so the client rectangle is the window rectangle.
  RECT rect{};
  RECT normalRect{};  // the rectangle to restore from minimised or maximised
  std::vector<HWND> children;  // top of the Z order first
  std::map<std::wstring, HANDLE> props;  // windows without an X window
  unsigned long xid = 0;  // the X window, 0 for none
  // Update region, kept as its bounding rectangle.
  bool hasUpdate = false;
  bool eraseNeeded = false;
  RECT update{};
  bool destroying = false;
  bool created = false;  // WM_NCCREATE done
  bool mappedBefore = false;  // its X window was shown once (the first frame is drawn before that)
  // Layered windows keep their last picture for exposures, as the system
  // does on Windows.
  std::vector<uint32_t> layeredPixels;
  int layeredWidth = 0;
  int layeredHeight = 0;
  // Last mouse button press, for double clicks.
  UINT lastClickMessage = 0;
  DWORD lastClickTime = 0;
  POINT lastClickPoint{};
  HCURSOR cursor = nullptr;
  // Icons given with WM_SETICON; without them the class's icons show.
  HICON iconBig = nullptr;
  HICON iconSmall = nullptr;
};

using WindowPtr = std::shared_ptr<UserWindow>;

// Window table. HWND values of windows with an X window are the X window id;
// others come from the local range.
WindowPtr FindWindowObject(HWND hwnd);
WindowPtr FindWindowByXid(unsigned long xid);
HWND AllocateLocalHandle();
void InsertWindow(const WindowPtr& window);
void RemoveWindow(HWND hwnd);
std::vector<WindowPtr> AllWindows();
std::vector<WindowPtr> ThreadWindows(DWORD threadId);
bool IsLocalHandleValue(HWND hwnd);
// The handle GetDesktopWindow returns.
HWND DesktopHandle();

// Classes.
std::shared_ptr<WindowClass> FindClass(LPCWSTR nameOrAtom);

// Calls the window procedure on the calling thread.
LRESULT CallProc(const WindowPtr& window, UINT message, WPARAM wParam, LPARAM lParam);
// Processes the messages other threads sent to the calling thread.
void ProcessSentMessages(const std::shared_ptr<MessageQueue>& queue);
// Runs `work` on the window's thread (at once when that is the caller).
void RunOnWindowThread(const WindowPtr& window, std::function<void()> work);
// Runs `work` at once when the caller is the window's thread and returns
// null; else returns the message that carries it there, to be sent.
std::shared_ptr<SentMessage> WorkForWindowThread(const WindowPtr& window, std::function<void()>& work);

// Destroys every window of a thread that is ending, without messages.
void DestroyThreadWindows(DWORD threadId);

// Screen position of a window's client origin.
POINT ClientOrigin(const WindowPtr& window);
// The top-level window of a window (itself for top-level windows).
WindowPtr TopLevelOf(const WindowPtr& window);
// The deepest visible, enabled child of `top` under a point in its client area.
WindowPtr ChildAt(const WindowPtr& top, POINT clientPoint);

// Applies a state change the window manager made (a move, iconification) on
// the window's own thread, with the messages Windows sends for it.
void ApplyExternalGeometry(HWND hwnd, RECT screenRect);
void ApplyExternalIconic(HWND hwnd, bool iconic);
void ApplyActivation(HWND hwnd, bool active);
// Every thread's active window follows the window manager's active window.
void SyncActivationOfAllThreads();

// Adds to the update region (client coordinates; null for all of it).
void InvalidateWindow(const WindowPtr& window, const RECT* rect, bool erase);
void ValidateWindow(const WindowPtr& window);
void OffsetRectBy(RECT* rect, LONG dx, LONG dy);

// Frees what a window holds outside the table (X window, timers, icons,
// notifications).
void ReleaseWindowResources(const WindowPtr& window);
void TrayForgetWindow(HWND hwnd);
void DeviceNotifyForgetWindow(HWND hwnd);

// Sends a message to a window of any thread of this process and waits for
// the result, handling messages sent to the caller meanwhile.
LRESULT SendToWindow(const WindowPtr& window, UINT message, WPARAM wParam, LPARAM lParam);
// Runs work on the window's thread and waits for it.
void RunOnWindowThreadAndWait(const WindowPtr& window, std::function<void()> work);

// Activation and focus of the calling thread's windows, with the messages
// Windows sends for them.
void ActivateLocal(HWND hwnd);
// Activates the window's top-level window and brings it to the front: on the
// display through the window manager, without one for this process only.
void ActivateTopLevel(const WindowPtr& window);
// The same, except that the display's focus is taken only from this
// process's own windows (or from nobody): as Windows' foreground lock, a
// process in the background that sets its focus activates its window for
// itself and does not take the keyboard from the program the user is in.
void ActivateTopLevelQuietly(const WindowPtr& window);
// Publishes the visible/minimised state to other processes.
void PublishState(const WindowPtr& window);
// A window slot of the calling thread's queue (active, focus, capture), read
// or replaced under the user lock; the exchange returns the old value.
HWND QueueWindow(HWND MessageQueue::*slot);
HWND ExchangeQueueWindow(HWND MessageQueue::*slot, HWND value);
// The last cursor position the display reported.
POINT LastCursorPos();
void SetLastCursorPos(POINT p);

}  // namespace kb::platform
