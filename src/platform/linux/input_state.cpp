// Focus, mouse capture, the cursor, the keys' state and mouse-leave tracking
// of the calling thread's windows.
#include <algorithm>
#include <mutex>
#include <utility>

#include "platform/linux/kernel_object.h"
#include "platform/linux/win32_kernel.h"
#include "platform/linux/window_object.h"
#include "platform/linux/x11_window.h"

namespace kb::platform {

namespace {

constexpr UINT kDoubleClickMs = 500;
// The pointer's button bits in the X state mask.
constexpr unsigned int kButton1Mask = 1u << 8;
constexpr unsigned int kButton2Mask = 1u << 9;
constexpr unsigned int kButton3Mask = 1u << 10;

std::mutex cursorLock;
POINT lastCursor{};

}  // namespace

POINT LastCursorPos() {
  std::lock_guard<std::mutex> guard(cursorLock);
  return lastCursor;
}

void SetLastCursorPos(POINT p) {
  std::lock_guard<std::mutex> guard(cursorLock);
  lastCursor = p;
}

HWND QueueWindow(HWND MessageQueue::*slot) {
  auto queue = CurrentQueue();
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  return (*queue).*slot;
}

HWND ExchangeQueueWindow(HWND MessageQueue::*slot, HWND value) {
  auto queue = CurrentQueue();
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  return std::exchange((*queue).*slot, value);
}

}  // namespace kb::platform

using namespace kb::platform;

HWND SetFocus(HWND hwnd) {
  auto queue = CurrentQueue();
  HWND old = QueueWindow(&MessageQueue::focus);
  WindowPtr w;
  if (hwnd) {
    w = FindWindowObject(hwnd);
    if (!w || w->threadId != queue->ThreadId()) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    WindowPtr top = TopLevelOf(w);
    if (QueueWindow(&MessageQueue::active) != top->hwnd && !top->messageOnly) {
      ActivateTopLevelQuietly(top);
      old = QueueWindow(&MessageQueue::focus);
    }
  }
  if (old == hwnd) return old;
  ExchangeQueueWindow(&MessageQueue::focus, hwnd);
  if (WindowPtr o = FindWindowObject(old)) CallProc(o, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (w && IsWindow(hwnd)) CallProc(w, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetFocus() { return QueueWindow(&MessageQueue::focus); }

HWND SetCapture(HWND hwnd) {
  auto queue = CurrentQueue();
  WindowPtr w = FindWindowObject(hwnd);
  if (!w || w->threadId != queue->ThreadId()) return nullptr;
  HWND old = ExchangeQueueWindow(&MessageQueue::capture, hwnd);
  WindowPtr top = TopLevelOf(w);
  if (top->xid) X11GrabPointer(top->xid);
  if (old && old != hwnd)
    if (WindowPtr o = FindWindowObject(old)) CallProc(o, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return old;
}

BOOL ReleaseCapture() {
  HWND old = ExchangeQueueWindow(&MessageQueue::capture, nullptr);
  if (!old) return TRUE;
  X11UngrabPointer();
  if (WindowPtr o = FindWindowObject(old)) CallProc(o, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() { return QueueWindow(&MessageQueue::capture); }

BOOL GetCursorPos(LPPOINT p) {
  if (!p) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  if (X11PointerPosition(p, nullptr)) {
    SetLastCursorPos(*p);
    return TRUE;
  }
  *p = LastCursorPos();
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  SetLastCursorPos(POINT{x, y});
  X11WarpPointer(x, y);
  return TRUE;
}

SHORT GetKeyState(int vk) {
  auto queue = CurrentQueue();
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  BYTE s = queue->keyState[vk & 0xFF];
  return static_cast<SHORT>(((s & 0x80) ? 0x8000 : 0) | (s & 0x01));
}

BOOL GetKeyboardState(PBYTE state) {
  if (!state) return FALSE;
  auto queue = CurrentQueue();
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  std::copy(queue->keyState, queue->keyState + 256, state);
  return TRUE;
}

SHORT GetAsyncKeyState(int vk) {
  constexpr SHORT kDown = static_cast<SHORT>(0x8000);
  unsigned int mask = 0;
  POINT p;
  switch (vk) {
    case VK_LBUTTON:
    case VK_RBUTTON:
    case VK_MBUTTON: {
      if (!X11PointerPosition(&p, &mask)) break;
      unsigned int bit = vk == VK_LBUTTON ? kButton1Mask : vk == VK_RBUTTON ? kButton3Mask : kButton2Mask;
      return (mask & bit) ? kDown : 0;
    }
    case VK_SHIFT: return (GetAsyncKeyState(VK_LSHIFT) | GetAsyncKeyState(VK_RSHIFT)) & kDown;
    case VK_CONTROL: return (GetAsyncKeyState(VK_LCONTROL) | GetAsyncKeyState(VK_RCONTROL)) & kDown;
    case VK_MENU: return (GetAsyncKeyState(VK_LMENU) | GetAsyncKeyState(VK_RMENU)) & kDown;
    default: {
      bool down = false;
      if (X11KeyDown(vk, &down)) return down ? kDown : 0;
      break;
    }
  }
  return static_cast<SHORT>(GetKeyState(vk) & kDown);
}

BOOL TrackMouseEvent(LPTRACKMOUSEEVENT tme) {
  if (!tme || tme->cbSize != sizeof(TRACKMOUSEEVENT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto queue = CurrentQueue();
  if (tme->dwFlags & TME_QUERY) {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    tme->dwFlags = queue->trackLeave ? TME_LEAVE : 0;
    tme->hwndTrack = queue->trackLeave;
    return TRUE;
  }
  if (!(tme->dwFlags & TME_LEAVE)) return TRUE;
  if (tme->dwFlags & TME_CANCEL) {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    if (queue->trackLeave == tme->hwndTrack) queue->trackLeave = nullptr;
    return TRUE;
  }
  WindowPtr w = FindWindowObject(tme->hwndTrack);
  if (!w || w->threadId != queue->ThreadId()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  // As on Windows, a window the cursor is not over gets its WM_MOUSELEAVE at once.
  POINT p;
  GetCursorPos(&p);
  RECT r;
  GetWindowRect(w->hwnd, &r);
  bool inside = p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom && IsWindowVisible(w->hwnd);
  if (!inside) {
    PostMessageW(w->hwnd, WM_MOUSELEAVE, 0, 0);
    return TRUE;
  }
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  queue->trackLeave = w->hwnd;
  return TRUE;
}

UINT GetDoubleClickTime() { return kDoubleClickMs; }
