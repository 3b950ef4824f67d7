// Creating and destroying windows, the default window procedure, window
// data, text and the relations between windows.
#include <algorithm>
#include <cstring>

#include "platform/linux/kernel_object.h"
#include "platform/linux/win32_kernel.h"
#include "platform/linux/app_icons.h"
#include "platform/linux/window_object.h"
#include "platform/linux/x11_window.h"

using kb::platform::FindWindowObject;
using kb::platform::UserLock;
using kb::platform::UserWindow;
using kb::platform::WindowPtr;

namespace kb::platform {

namespace {

constexpr int kDefaultX = 100;
constexpr int kDefaultY = 100;
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

RECT InitialRect(DWORD style, int x, int y, int width, int height) {
  bool child = (style & WS_CHILD) != 0;
  if (x == CW_USEDEFAULT) {
    x = child ? 0 : kDefaultX;
    y = child ? 0 : kDefaultY;
  }
  if (width == CW_USEDEFAULT) {
    width = child ? 0 : kDefaultWidth;
    height = child ? 0 : kDefaultHeight;
  }
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  return RECT{x, y, x + width, y + height};
}

// Resolves the parent argument: the parent of a child window, the owner of
// a top-level one (the owner is always a top-level window).
bool ResolveParent(HWND given, DWORD style, WindowPtr* parent, bool* messageOnly) {
  *messageOnly = given == HWND_MESSAGE;
  if (*messageOnly || !given || given == DesktopHandle()) {
    if ((style & WS_CHILD) && !*messageOnly && given != DesktopHandle()) {
      SetLastError(ERROR_TLW_WITH_WSCHILD);
      return false;
    }
    return true;
  }
  WindowPtr p = FindWindowObject(given);
  if (!p) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  *parent = (style & WS_CHILD) ? p : TopLevelOf(p);
  return true;
}

void SendNcDestroy(const WindowPtr& window) {
  std::vector<HWND> children;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    children = window->children;
  }
  for (HWND h : children)
    if (WindowPtr c = FindWindowObject(h)) SendNcDestroy(c);
  CallProc(window, WM_NCDESTROY, 0, 0);
  ReleaseWindowResources(window);
  RemoveWindow(window->hwnd);
}

void SendDestroy(const WindowPtr& window) {
  CallProc(window, WM_DESTROY, 0, 0);
  std::vector<HWND> children;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    children = window->children;
  }
  for (HWND h : children) {
    WindowPtr c = FindWindowObject(h);
    if (!c) continue;
    {
      std::lock_guard<std::recursive_mutex> guard(UserLock());
      c->destroying = true;
    }
    SendDestroy(c);
  }
}

// What goes when a window goes: focus, capture and activation it held.
void LeaveInputState(const WindowPtr& window) {
  auto queue = window->queue;
  HWND hwnd = window->hwnd;
  HWND focus, capture, active;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    focus = queue->focus;
    capture = queue->capture;
    active = queue->active;
  }
  auto inside = [&](HWND h) { return h && (h == hwnd || IsChild(hwnd, h)); };
  if (inside(capture)) ReleaseCapture();
  if (inside(focus)) SetFocus(nullptr);
  if (active == hwnd) ActivateLocal(nullptr);
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  if (queue->trackLeave && inside(queue->trackLeave)) queue->trackLeave = nullptr;
}

}  // namespace

void ReleaseWindowResources(const WindowPtr& window) {
  window->queue->KillWindowTimers(window->hwnd);
  window->queue->ForgetWindow(window->hwnd);
  TrayForgetWindow(window->hwnd);
  DeviceNotifyForgetWindow(window->hwnd);
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    if (window->hasUpdate) {
      window->hasUpdate = false;
      window->queue->AddPaint(-1);
    }
    if (window->cls) --window->cls->windows;
    if (window->parent) {
      if (WindowPtr p = FindWindowObject(window->parent)) {
        auto& siblings = p->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), window->hwnd), siblings.end());
      }
    }
  }
  if (window->xid) X11DestroyWindow(window->xid);
}

}  // namespace kb::platform

using namespace kb::platform;

namespace {

WindowPtr NewWindowObject(const std::shared_ptr<WindowClass>& cls, DWORD exStyle, LPCWSTR windowName, DWORD style,
                          RECT rect, const WindowPtr& parent, bool child, bool messageOnly, HMENU menu,
                          HINSTANCE instance) {
  auto w = std::make_shared<UserWindow>();
  w->cls = cls;
  w->queue = CurrentQueue();
  w->threadId = w->queue->ThreadId();
  w->proc = cls->proc;
  w->style = style & ~WS_VISIBLE;
  w->exStyle = exStyle;
  w->messageOnly = messageOnly;
  w->instance = instance;
  w->extra.assign(static_cast<size_t>(cls->windowExtra), 0);
  w->rect = rect;
  w->normalRect = rect;
  if (child) {
    w->parent = parent->hwnd;
    w->id = reinterpret_cast<LONG_PTR>(menu);
  } else if (parent) {
    w->owner = parent->hwnd;
  }
  if (!child && !messageOnly) {
    std::wstring title = windowName && !IS_INTRESOURCE(windowName) ? windowName : L"";
    w->xid = X11CreateWindow(style, exStyle, w->rect, parent ? parent->xid : 0, cls->name, title);
    if (w->xid && (cls->icon || cls->iconSmall)) PublishWindowIcons(w->xid, cls->icon, cls->iconSmall);
  }
  w->hwnd = w->xid ? reinterpret_cast<HWND>(static_cast<uintptr_t>(w->xid)) : AllocateLocalHandle();
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  ++cls->windows;
  InsertWindow(w);
  if (child) parent->children.insert(parent->children.begin(), w->hwnd);
  return w;
}

// WM_NCCREATE and WM_CREATE, then the first size and place; false when the
// window procedure refused and the window is gone.
bool SendCreateMessages(const WindowPtr& w, CREATESTRUCTW* cs) {
  w->created = true;
  if (!CallProc(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(cs))) {
    SendNcDestroy(w);
    return false;
  }
  if (CallProc(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(cs)) == -1) {
    // Refused creation ends the window without WM_DESTROY: it never fully existed.
    {
      std::lock_guard<std::recursive_mutex> guard(UserLock());
      w->destroying = true;
    }
    SendNcDestroy(w);
    return false;
  }
  if (!IsWindow(w->hwnd)) return false;  // destroyed by its own WM_CREATE
  RECT r = w->rect;
  CallProc(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(r.right - r.left, r.bottom - r.top));
  CallProc(w, WM_MOVE, 0, MAKELPARAM(r.left, r.top));
  return true;
}

}  // namespace

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parentArg, HMENU menu, HINSTANCE instance, LPVOID param) {
  std::shared_ptr<WindowClass> cls = FindClass(className);
  if (!cls) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  WindowPtr parent;
  bool messageOnly = false;
  if (!ResolveParent(parentArg, style, &parent, &messageOnly)) return nullptr;
  bool child = (style & WS_CHILD) && parent;
  WindowPtr w = NewWindowObject(cls, exStyle, windowName, style, InitialRect(style, x, y, width, height), parent,
                                child, messageOnly, menu, instance);
  CREATESTRUCTW cs{};
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menu;
  cs.hwndParent = parent ? parent->hwnd : nullptr;
  cs.x = w->rect.left;
  cs.y = w->rect.top;
  cs.cx = w->rect.right - w->rect.left;
  cs.cy = w->rect.bottom - w->rect.top;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;
  if (!SendCreateMessages(w, &cs)) return nullptr;
  if (style & WS_VISIBLE) ShowWindow(w->hwnd, SW_SHOW);
  return IsWindow(w->hwnd) ? w->hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (w->threadId != CurrentThreadId()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    if (w->destroying) return TRUE;
    w->destroying = true;
  }
  // Owned windows go first, as on Windows.
  for (const WindowPtr& other : ThreadWindows(w->threadId))
    if (other->owner == hwnd && !other->destroying) DestroyWindow(other->hwnd);
  if (w->style & WS_VISIBLE) {
    {
      std::lock_guard<std::recursive_mutex> guard(UserLock());
      w->style &= ~WS_VISIBLE;
    }
    if (w->xid) X11Unmap(w->xid);
    WINDOWPOS pos{hwnd, nullptr, 0, 0, 0, 0,
                  SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE};
    CallProc(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    CallProc(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  }
  LeaveInputState(w);
  SendDestroy(w);
  SendNcDestroy(w);
  return TRUE;
}

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!proc) return 0;
  return proc(hwnd, message, wParam, lParam);
}

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    case GWL_STYLE: return static_cast<LONG_PTR>(static_cast<int32_t>(w->style));
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(static_cast<int32_t>(w->exStyle));
    case GWLP_USERDATA: return w->userData;
    case GWLP_ID: return w->id;
    default: break;
  }
  if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= w->extra.size()) {
    LONG_PTR value;
    std::memcpy(&value, w->extra.data() + index, sizeof value);
    return value;
  }
  SetLastError(ERROR_INVALID_INDEX_PARAM);
  return 0;
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LONG_PTR old = 0;
  bool styleChanged = false;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    switch (index) {
      case GWLP_WNDPROC:
        old = reinterpret_cast<LONG_PTR>(w->proc);
        w->proc = reinterpret_cast<WNDPROC>(value);
        break;
      case GWLP_HINSTANCE:
        old = reinterpret_cast<LONG_PTR>(w->instance);
        w->instance = reinterpret_cast<HINSTANCE>(value);
        break;
      case GWLP_HWNDPARENT:
        old = reinterpret_cast<LONG_PTR>(w->owner);
        if (!(w->style & WS_CHILD)) w->owner = reinterpret_cast<HWND>(value);
        break;
      case GWL_STYLE:
        old = static_cast<LONG_PTR>(static_cast<int32_t>(w->style));
        // WS_VISIBLE and WS_MINIMIZE follow ShowWindow, not this call.
        w->style = (static_cast<DWORD>(value) & ~(WS_VISIBLE | WS_MINIMIZE)) | (w->style & (WS_VISIBLE | WS_MINIMIZE));
        styleChanged = true;
        break;
      case GWL_EXSTYLE:
        old = static_cast<LONG_PTR>(static_cast<int32_t>(w->exStyle));
        w->exStyle = static_cast<DWORD>(value);
        styleChanged = true;
        break;
      case GWLP_USERDATA:
        old = w->userData;
        w->userData = value;
        break;
      case GWLP_ID:
        old = w->id;
        w->id = value;
        break;
      default:
        if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= w->extra.size()) {
          std::memcpy(&old, w->extra.data() + index, sizeof old);
          std::memcpy(w->extra.data() + index, &value, sizeof value);
          break;
        }
        SetLastError(ERROR_INVALID_INDEX_PARAM);
        return 0;
    }
  }
  if (styleChanged && index == GWL_EXSTYLE && w->xid)
    X11SetTopmost(w->xid, (static_cast<DWORD>(value) & WS_EX_TOPMOST) != 0);
  SetLastError(ERROR_SUCCESS);
  return old;
}

LONG GetWindowLongW(HWND hwnd, int index) { return static_cast<LONG>(GetWindowLongPtrW(hwnd, index)); }
LONG SetWindowLongW(HWND hwnd, int index, LONG value) {
  return static_cast<LONG>(SetWindowLongPtrW(hwnd, index, value));
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return SendToWindow(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : L"")) ? TRUE : FALSE;
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = L'\0';
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    if (X11WindowExists(reinterpret_cast<uintptr_t>(hwnd))) {
      std::wstring title = X11WindowTitle(reinterpret_cast<uintptr_t>(hwnd));
      int n = std::min<int>(static_cast<int>(title.size()), size - 1);
      std::copy(title.begin(), title.begin() + n, buffer);
      buffer[n] = L'\0';
      return n;
    }
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return static_cast<int>(SendToWindow(w, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND hwnd) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    if (X11WindowExists(reinterpret_cast<uintptr_t>(hwnd)))
      return static_cast<int>(X11WindowTitle(reinterpret_cast<uintptr_t>(hwnd)).size());
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return static_cast<int>(SendToWindow(w, WM_GETTEXTLENGTH, 0, 0));
}

BOOL IsWindow(HWND hwnd) {
  if (!hwnd) return FALSE;
  if (hwnd == DesktopHandle()) return TRUE;
  if (FindWindowObject(hwnd)) return TRUE;
  if (IsLocalHandleValue(hwnd)) return FALSE;
  return X11WindowExists(reinterpret_cast<uintptr_t>(hwnd)) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) return IsWindow(hwnd);
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  return (w->style & WS_DISABLED) ? FALSE : TRUE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  bool wasDisabled;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    wasDisabled = (w->style & WS_DISABLED) != 0;
    if (wasDisabled == !enable) return wasDisabled ? TRUE : FALSE;
    if (enable)
      w->style &= ~WS_DISABLED;
    else
      w->style |= WS_DISABLED;
  }
  if (!enable) {
    HWND focus = GetFocus();
    if (focus && (focus == hwnd || IsChild(hwnd, focus))) SetFocus(nullptr);
  }
  SendToWindow(w, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled ? TRUE : FALSE;
}

BOOL IsChild(HWND parent, HWND hwnd) {
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  WindowPtr w = FindWindowObject(hwnd);
  while (w && (w->style & WS_CHILD) && w->parent) {
    if (w->parent == parent) return TRUE;
    w = FindWindowObject(w->parent);
  }
  return FALSE;
}

HWND GetParent(HWND hwnd) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    if (!IsWindow(hwnd)) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  return (w->style & WS_CHILD) ? w->parent : w->owner;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) return IsWindow(hwnd) && flags != GA_PARENT ? hwnd : nullptr;
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  switch (flags) {
    case GA_PARENT: return (w->style & WS_CHILD) ? w->parent : DesktopHandle();
    case GA_ROOT: return TopLevelOf(w)->hwnd;
    case GA_ROOTOWNER: {
      WindowPtr top = TopLevelOf(w);
      while (top->owner) {
        WindowPtr up = FindWindowObject(top->owner);
        if (!up) break;
        top = TopLevelOf(up);
      }
      return top->hwnd;
    }
    default: return nullptr;
  }
}

HWND GetDesktopWindow() { return DesktopHandle(); }

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
  std::vector<HWND> all;
  for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) all.push_back(h);
  for (HWND h : all)
    if (!proc(h, lParam)) return FALSE;
  return TRUE;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
  for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
    if (windowName) {
      wchar_t title[512];
      GetWindowTextW(h, title, 512);
      if (std::wstring(title) != windowName) continue;
    }
    if (className && !IS_INTRESOURCE(className)) {
      WindowPtr w = FindWindowObject(h);
      std::wstring name = w ? w->cls->name : X11WindowClassName(reinterpret_cast<uintptr_t>(h));
      if (name != className) continue;
    }
    return h;
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  return nullptr;
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
  WindowPtr w = FindWindowObject(hwnd);
  if (w) {
    if (processId) *processId = GetCurrentProcessId();
    return w->threadId;
  }
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  // Another process: its id is known, its threads are not.
  DWORD pid = X11WindowPid(reinterpret_cast<uintptr_t>(hwnd));
  if (processId) *processId = pid;
  return pid ? 1 : 0;
}
