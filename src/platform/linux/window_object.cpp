// The window table, window classes and the calling of window procedures.
#include "platform/linux/window_object.h"

#include <algorithm>
#include <cwctype>
#include <unordered_map>

#include "platform/linux/win32_kernel.h"

namespace kb::platform {

namespace {

// Local handles: bit 30 set, even, never an X resource id (those use the low
// 29 bits only).
constexpr uintptr_t kLocalHandleBase = 0x40000000;
constexpr uintptr_t kLocalHandleStep = 2;
constexpr uintptr_t kLocalHandleLimit = 0x7FFFFFFF;
constexpr uintptr_t kDesktopHandle = 0x40000010;  // below the first local window handle
constexpr uintptr_t kFirstWindowHandle = 0x40000020;
constexpr ATOM kFirstClassAtom = 0xC000;

struct Tables {
  std::unordered_map<uintptr_t, WindowPtr> windows;
  std::unordered_map<unsigned long, WindowPtr> byXid;
  uintptr_t nextLocal = kFirstWindowHandle;
  std::vector<std::shared_ptr<WindowClass>> classes;
  ATOM nextAtom = kFirstClassAtom;
};

Tables& T() {
  static Tables* tables = new Tables;
  return *tables;
}

template <class Kept, class Given>
void Transfer(Kept& kept, Given& given, bool toKept) {
  if (toKept)
    kept = given;
  else
    given = kept;
}

// The fields a class keeps of its WNDCLASSEXW, one way or the other.
void TransferClassFields(WindowClass& c, WNDCLASSEXW& wc, bool toClass) {
  Transfer(c.style, wc.style, toClass);
  Transfer(c.proc, wc.lpfnWndProc, toClass);
  Transfer(c.classExtra, wc.cbClsExtra, toClass);
  Transfer(c.windowExtra, wc.cbWndExtra, toClass);
  Transfer(c.instance, wc.hInstance, toClass);
  Transfer(c.icon, wc.hIcon, toClass);
  Transfer(c.iconSmall, wc.hIconSm, toClass);
  Transfer(c.cursor, wc.hCursor, toClass);
  Transfer(c.background, wc.hbrBackground, toClass);
}

std::wstring Lower(const std::wstring& text) {
  std::wstring lower = text;
  for (auto& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  return lower;
}

}  // namespace

std::recursive_mutex& UserLock() {
  static auto* lock = new std::recursive_mutex;
  return *lock;
}

HWND DesktopHandle() { return reinterpret_cast<HWND>(kDesktopHandle); }

bool IsLocalHandleValue(HWND hwnd) {
  auto v = reinterpret_cast<uintptr_t>(hwnd);
  return v >= kLocalHandleBase && v <= kLocalHandleLimit;
}

WindowPtr FindWindowObject(HWND hwnd) {
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  auto it = T().windows.find(reinterpret_cast<uintptr_t>(hwnd));
  return it == T().windows.end() ? nullptr : it->second;
}

WindowPtr FindWindowByXid(unsigned long xid) {
  if (!xid) return nullptr;
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  auto it = T().byXid.find(xid);
  return it == T().byXid.end() ? nullptr : it->second;
}

HWND AllocateLocalHandle() {
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  Tables& t = T();
  for (;;) {
    uintptr_t v = t.nextLocal;
    t.nextLocal += kLocalHandleStep;
    if (t.nextLocal > kLocalHandleLimit) t.nextLocal = kFirstWindowHandle;
    if (!t.windows.count(v)) return reinterpret_cast<HWND>(v);
  }
}

void InsertWindow(const WindowPtr& window) {
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  T().windows[reinterpret_cast<uintptr_t>(window->hwnd)] = window;
  if (window->xid) T().byXid[window->xid] = window;
}

void RemoveWindow(HWND hwnd) {
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  auto it = T().windows.find(reinterpret_cast<uintptr_t>(hwnd));
  if (it == T().windows.end()) return;
  if (it->second->xid) T().byXid.erase(it->second->xid);
  T().windows.erase(it);
}

std::vector<WindowPtr> AllWindows() {
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  std::vector<WindowPtr> all;
  for (auto& [value, window] : T().windows) all.push_back(window);
  return all;
}

std::vector<WindowPtr> ThreadWindows(DWORD threadId) {
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  std::vector<WindowPtr> mine;
  for (auto& [value, window] : T().windows)
    if (window->threadId == threadId) mine.push_back(window);
  return mine;
}

std::shared_ptr<WindowClass> FindClass(LPCWSTR nameOrAtom) {
  if (!nameOrAtom) return nullptr;
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  if (IS_INTRESOURCE(nameOrAtom)) {
    ATOM atom = static_cast<ATOM>(reinterpret_cast<uintptr_t>(nameOrAtom));
    for (auto& c : T().classes)
      if (c->atom == atom) return c;
    return nullptr;
  }
  std::wstring wanted = Lower(nameOrAtom);
  for (auto& c : T().classes)
    if (Lower(c->name) == wanted) return c;
  return nullptr;
}

LRESULT CallProc(const WindowPtr& window, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    proc = window->proc;
  }
  if (!proc) return DefWindowProcW(window->hwnd, message, wParam, lParam);
  return proc(window->hwnd, message, wParam, lParam);
}

void ProcessSentMessages(const std::shared_ptr<MessageQueue>& queue) {
  while (std::shared_ptr<SentMessage> sent = queue->TakeSent()) {
    if (sent->work) {
      sent->work();
      MessageQueue::Complete(sent, 0);
      continue;
    }
    LRESULT result = 0;
    WindowPtr window = FindWindowObject(sent->hwnd);
    if (window && window->threadId == queue->ThreadId()) {
      {
        std::lock_guard<std::recursive_mutex> guard(UserLock());
        ++queue->sendDepth;
      }
      result = CallProc(window, sent->message, sent->wParam, sent->lParam);
      std::lock_guard<std::recursive_mutex> guard(UserLock());
      --queue->sendDepth;
    }
    MessageQueue::Complete(sent, result);
  }
}

std::shared_ptr<SentMessage> WorkForWindowThread(const WindowPtr& window, std::function<void()>& work) {
  if (window->threadId == CurrentThreadId()) {
    work();
    return nullptr;
  }
  auto sent = std::make_shared<SentMessage>();
  sent->hwnd = window->hwnd;
  sent->work = std::move(work);
  return sent;
}

void RunOnWindowThread(const WindowPtr& window, std::function<void()> work) {
  if (auto sent = WorkForWindowThread(window, work)) window->queue->Send(sent);
}

void DestroyThreadWindows(DWORD threadId) {
  for (const WindowPtr& window : ThreadWindows(threadId)) {
    ReleaseWindowResources(window);
    RemoveWindow(window->hwnd);
  }
}

WindowPtr TopLevelOf(const WindowPtr& window) {
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  WindowPtr w = window;
  while (w && (w->style & WS_CHILD) && w->parent) {
    WindowPtr up = FindWindowObject(w->parent);
    if (!up) break;
    w = up;
  }
  return w;
}

POINT ClientOrigin(const WindowPtr& window) {
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  POINT p{0, 0};
  WindowPtr w = window;
  while (w) {
    p.x += w->rect.left;
    p.y += w->rect.top;
    if (!(w->style & WS_CHILD) || !w->parent) break;
    w = FindWindowObject(w->parent);
  }
  return p;
}

WindowPtr ChildAt(const WindowPtr& top, POINT p) {
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  WindowPtr current = top;
  for (;;) {
    WindowPtr hit;
    for (HWND h : current->children) {
      WindowPtr c = FindWindowObject(h);
      if (!c || !(c->style & WS_VISIBLE) || (c->style & WS_DISABLED)) continue;
      if (p.x >= c->rect.left && p.x < c->rect.right && p.y >= c->rect.top && p.y < c->rect.bottom) {
        hit = c;
        break;
      }
    }
    if (!hit) return current;
    p.x -= hit->rect.left;
    p.y -= hit->rect.top;
    current = hit;
  }
}

}  // namespace kb::platform

using kb::platform::FindClass;
using kb::platform::UserLock;
using kb::platform::WindowClass;

ATOM RegisterClassExW(const WNDCLASSEXW* wc) {
  if (!wc || wc->cbSize != sizeof(WNDCLASSEXW) || !wc->lpszClassName || wc->cbClsExtra < 0 ||
      wc->cbWndExtra < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  if (FindClass(wc->lpszClassName)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto c = std::make_shared<WindowClass>();
  c->name = IS_INTRESOURCE(wc->lpszClassName) ? std::wstring() : std::wstring(wc->lpszClassName);
  c->atom = kb::platform::T().nextAtom++;
  WNDCLASSEXW fields = *wc;
  kb::platform::TransferClassFields(*c, fields, true);
  kb::platform::T().classes.push_back(c);
  return c->atom;
}

ATOM RegisterClassW(const WNDCLASSW* wc) {
  if (!wc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WNDCLASSEXW ex{};
  ex.cbSize = sizeof ex;
  ex.style = wc->style;
  ex.lpfnWndProc = wc->lpfnWndProc;
  ex.cbClsExtra = wc->cbClsExtra;
  ex.cbWndExtra = wc->cbWndExtra;
  ex.hInstance = wc->hInstance;
  ex.hIcon = wc->hIcon;
  ex.hCursor = wc->hCursor;
  ex.hbrBackground = wc->hbrBackground;
  ex.lpszMenuName = wc->lpszMenuName;
  ex.lpszClassName = wc->lpszClassName;
  return RegisterClassExW(&ex);
}

BOOL UnregisterClassW(LPCWSTR name, HINSTANCE) {
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  std::shared_ptr<WindowClass> c = FindClass(name);
  if (!c) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if (c->windows > 0) {
    SetLastError(ERROR_CLASS_HAS_WINDOWS);
    return FALSE;
  }
  auto& classes = kb::platform::T().classes;
  classes.erase(std::find(classes.begin(), classes.end(), c));
  return TRUE;
}

BOOL GetClassInfoExW(HINSTANCE, LPCWSTR name, LPWNDCLASSEXW wc) {
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  std::shared_ptr<WindowClass> c = FindClass(name);
  if (!c || !wc) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  kb::platform::TransferClassFields(*c, *wc, false);
  wc->lpszMenuName = nullptr;
  wc->lpszClassName = name;
  return c->atom;
}

int GetClassNameW(HWND hwnd, LPWSTR buffer, int size) {
  kb::platform::WindowPtr w = kb::platform::FindWindowObject(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (!buffer || size <= 0) return 0;
  std::wstring name = w->cls->name;
  int n = std::min<int>(static_cast<int>(name.size()), size - 1);
  std::copy(name.begin(), name.begin() + n, buffer);
  buffer[n] = L'\0';
  return n;
}

