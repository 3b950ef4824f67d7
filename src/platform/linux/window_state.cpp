// Showing, placing and activating windows; their rectangles, the window tree
// walks and the screen's metrics. Focus, capture, cursor and keys are in
// input_state.cpp.
#include <algorithm>
#include <chrono>

#include "platform/linux/kernel_object.h"
#include "platform/linux/win32_kernel.h"
#include "platform/linux/window_object.h"
#include "platform/linux/x11_window.h"

namespace kb::platform {

namespace {

constexpr int kActivateWaitMs = 1000;
constexpr int kTopLevelCacheMs = 50;
constexpr int kSmallIcon = 16;
constexpr int kLargeIcon = 32;
constexpr int kDoubleClickBox = 4;
constexpr int kDragBox = 4;
constexpr int kScreenWidthWithoutDisplay = 1280;
constexpr int kScreenHeightWithoutDisplay = 800;
HMONITOR const kPrimaryMonitor = reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(0x10001));

HWND processForeground = nullptr;  // without a display; UserLock

unsigned long Xid(HWND hwnd) { return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(hwnd)); }

// Whether another process's window has one of the style bits it published.
BOOL ForeignStyleHas(HWND hwnd, DWORD bits) {
  DWORD style = 0;
  bool ours = false;
  if (IsLocalHandleValue(hwnd) || !X11WindowState(Xid(hwnd), &style, &ours)) return FALSE;
  return (style & bits) != 0;
}

SIZE ScreenSize() {
  int w = kScreenWidthWithoutDisplay, h = kScreenHeightWithoutDisplay;
  SIZE s{w, h};
  X11ScreenSize(&s);
  return s;
}

// Top-level windows of every process, top of the Z order first.
std::vector<HWND> TopLevelList() {
  static std::mutex cacheLock;
  static std::vector<HWND> cache;
  static std::chrono::steady_clock::time_point cachedAt;
  std::vector<HWND> list;
  if (X11Available()) {
    std::lock_guard<std::mutex> guard(cacheLock);
    auto now = std::chrono::steady_clock::now();
    if (now - cachedAt < std::chrono::milliseconds(kTopLevelCacheMs)) return cache;
    for (unsigned long xid : X11TopLevelWindows()) list.push_back(reinterpret_cast<HWND>(static_cast<uintptr_t>(xid)));
    cache = list;
    cachedAt = std::chrono::steady_clock::now();
    return list;
  }
  std::vector<WindowPtr> all = AllWindows();
  std::sort(all.begin(), all.end(),
            [](const WindowPtr& a, const WindowPtr& b) { return a->hwnd > b->hwnd; });
  for (const WindowPtr& w : all)
    if (!(w->style & WS_CHILD) && !w->messageOnly) list.push_back(w->hwnd);
  return list;
}

void SendPosChanged(const WindowPtr& w, UINT flags) {
  RECT r;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    r = w->rect;
  }
  WINDOWPOS pos{w->hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, flags};
  CallProc(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
}

void Deactivate(const WindowPtr& w) {
  HWND active;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    active = w->queue->active;
  }
  if (active == w->hwnd) ActivateLocal(nullptr);
}

}  // namespace

void ActivateTopLevel(const WindowPtr& w) {
  WindowPtr top = TopLevelOf(w);
  if (top->messageOnly) return;
  ActivateLocal(top->hwnd);
  if (!top->xid) {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    processForeground = top->hwnd;
    return;
  }
  X11Raise(top->xid);
  X11Activate(top->xid, 0);
}

namespace {

// The first time a window appears it shows its picture at once: the frame is
// painted before the map and becomes the X window's background (see
// x11_first_frame.cpp). Layered windows keep their own picture already.
void PaintFirstFrame(const WindowPtr& w, const RECT& rect) {
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    if (w->mappedBefore || (w->exStyle & WS_EX_LAYERED)) return;
    w->mappedBefore = true;
  }
  if (!X11BeginFirstFrame(w->xid, rect.right - rect.left, rect.bottom - rect.top)) return;
  InvalidateWindow(w, nullptr, true);
  UpdateWindow(w->hwnd);
  X11EndFirstFrame(w->xid);
}

}  // namespace

void ActivateTopLevelQuietly(const WindowPtr& w) {
  WindowPtr top = TopLevelOf(w);
  if (top->messageOnly) return;
  if (top->xid) {
    unsigned long focused = X11ActiveWindow();
    if (focused && !FindWindowByXid(focused)) {
      ActivateLocal(top->hwnd);
      return;
    }
  }
  ActivateTopLevel(top);
}

namespace {

bool IsMinimizeCommand(int cmd) {
  return cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED || cmd == SW_SHOWMINNOACTIVE || cmd == SW_FORCEMINIMIZE;
}

bool IsRestoreCommand(int cmd) {
  return cmd == SW_RESTORE || cmd == SW_SHOWNORMAL || cmd == SW_SHOWDEFAULT || cmd == SW_SHOWNOACTIVATE;
}

bool ActivatesOnShow(int cmd) {
  return cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE && cmd != SW_SHOWMINNOACTIVE && cmd != SW_MINIMIZE &&
         cmd != SW_FORCEMINIMIZE;
}

void Minimize(const WindowPtr& w, bool wasVisible) {
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    w->style = (w->style | WS_MINIMIZE) & ~WS_MAXIMIZE;
  }
  if (w->xid && wasVisible) X11Iconify(w->xid);
  CallProc(w, WM_SIZE, SIZE_MINIMIZED, 0);
  Deactivate(w);
}

// Back to the normal size and place, from minimised or maximised.
void Restore(const WindowPtr& w, DWORD oldStyle, bool fromMaximized) {
  RECT target;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    target = w->rect;
    w->style &= ~WS_MINIMIZE;
    if (fromMaximized && (oldStyle & WS_MAXIMIZE)) {
      w->style &= ~WS_MAXIMIZE;
      target = w->normalRect;
    }
  }
  if (w->xid) X11Map(w->xid, false);
  SetWindowPos(w->hwnd, nullptr, target.left, target.top, target.right - target.left, target.bottom - target.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  CallProc(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(target.right - target.left, target.bottom - target.top));
  InvalidateWindow(w, nullptr, true);
}

void Maximize(const WindowPtr& w) {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    w->normalRect = w->rect;
    w->style |= WS_MAXIMIZE;
  }
  SetWindowPos(w->hwnd, nullptr, work.left, work.top, work.right - work.left, work.bottom - work.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  CallProc(w, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(work.right - work.left, work.bottom - work.top));
}

BOOL HideLocal(const WindowPtr& w, bool wasVisible) {
  if (!wasVisible) return FALSE;
  CallProc(w, WM_SHOWWINDOW, FALSE, 0);
  SetWindowPos(w->hwnd, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Deactivate(w);
  return TRUE;
}

// ShowWindow on a window of the calling thread.
BOOL ShowLocal(const WindowPtr& w, int cmd) {
  DWORD style;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    style = w->style;
  }
  const bool wasVisible = (style & WS_VISIBLE) != 0;
  const bool wasIconic = (style & WS_MINIMIZE) != 0;
  if (cmd == SW_HIDE) return HideLocal(w, wasVisible);
  const bool minimize = IsMinimizeCommand(cmd), restore = IsRestoreCommand(cmd), maximize = cmd == SW_MAXIMIZE;
  if (!wasVisible) {
    CallProc(w, WM_SHOWWINDOW, TRUE, 0);
    if (minimize) {
      std::lock_guard<std::recursive_mutex> guard(UserLock());
      w->style |= WS_MINIMIZE;
    }
    SetWindowPos(w->hwnd, nullptr, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (minimize && !wasIconic)
    Minimize(w, wasVisible);
  else if ((restore || maximize) && (wasIconic || ((style & WS_MAXIMIZE) && restore)))
    Restore(w, style, restore);
  if (maximize && !(style & WS_MAXIMIZE)) Maximize(w);
  PublishState(w);
  bool minimizedNow;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    minimizedNow = (w->style & WS_MINIMIZE) != 0;
  }
  if (ActivatesOnShow(cmd) && !(style & WS_CHILD) && !w->messageOnly && !minimizedNow) ActivateTopLevel(w);
  return wasVisible ? TRUE : FALSE;
}

}  // namespace

void PublishState(const WindowPtr& w) {
  if (!w->xid) return;
  DWORD style;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    style = w->style;
  }
  X11PublishState(w->xid, style);
}

void ActivateLocal(HWND hwnd) {
  auto queue = CurrentQueue();
  HWND old;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    old = queue->active;
    if (old == hwnd) return;
    queue->active = hwnd;
  }
  if (WindowPtr o = FindWindowObject(old)) {
    CallProc(o, WM_NCACTIVATE, FALSE, 0);
    CallProc(o, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(hwnd));
    if (!hwnd) CallProc(o, WM_ACTIVATEAPP, FALSE, 0);
  }
  WindowPtr n = FindWindowObject(hwnd);
  if (!n) {
    SetFocus(nullptr);
    return;
  }
  if (!old) CallProc(n, WM_ACTIVATEAPP, TRUE, 0);
  CallProc(n, WM_NCACTIVATE, TRUE, 0);
  CallProc(n, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, (n->style & WS_MINIMIZE) ? 1 : 0), reinterpret_cast<LPARAM>(old));
}

namespace {

// Runs `work` with one of this process's windows on the window's thread;
// nothing for other windows.
void OnWindowThread(HWND hwnd, std::function<void(const WindowPtr&)> work) {
  WindowPtr w = FindWindowObject(hwnd);
  if (w) RunOnWindowThread(w, [w, work = std::move(work)] { work(w); });
}

}  // namespace

void ApplyExternalGeometry(HWND hwnd, RECT r) {
  OnWindowThread(hwnd, [r](const WindowPtr& w) {
    RECT old;
    {
      std::lock_guard<std::recursive_mutex> guard(UserLock());
      old = w->rect;
      if (w->style & WS_MINIMIZE) return;
      w->rect = r;
      if (!(w->style & WS_MAXIMIZE)) w->normalRect = r;
    }
    bool moved = old.left != r.left || old.top != r.top;
    bool sized = old.right - old.left != r.right - r.left || old.bottom - old.top != r.bottom - r.top;
    if (!moved && !sized) return;
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (moved ? 0 : SWP_NOMOVE) | (sized ? 0 : SWP_NOSIZE);
    SendPosChanged(w, flags);
    if (sized) InvalidateWindow(w, nullptr, true);
  });
}

void ApplyExternalIconic(HWND hwnd, bool iconic) {
  OnWindowThread(hwnd, [iconic](const WindowPtr& w) {
    RECT r;
    {
      std::lock_guard<std::recursive_mutex> guard(UserLock());
      bool now = (w->style & WS_MINIMIZE) != 0;
      if (now == iconic || !(w->style & WS_VISIBLE)) return;
      if (iconic)
        w->style |= WS_MINIMIZE;
      else
        w->style &= ~WS_MINIMIZE;
      r = w->rect;
    }
    if (iconic) {
      CallProc(w, WM_SIZE, SIZE_MINIMIZED, 0);
      Deactivate(w);
    } else {
      CallProc(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(r.right - r.left, r.bottom - r.top));
      InvalidateWindow(w, nullptr, true);
    }
    PublishState(w);
  });
}

void SyncActivationOfAllThreads() {
  std::vector<DWORD> threads;
  for (const WindowPtr& w : AllWindows()) {
    if (!w->xid || std::find(threads.begin(), threads.end(), w->threadId) != threads.end()) continue;
    threads.push_back(w->threadId);
    ApplyActivation(w->hwnd, false);
  }
}

void ApplyActivation(HWND hwnd, bool) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) return;
  RunOnWindowThread(w, [w] {
    // Focus events queue up behind others and may be stale by the time they
    // are handled; each one only brings the thread in line with where the
    // focus is now.
    WindowPtr target = FindWindowByXid(X11ActiveWindow());
    HWND current;
    {
      std::lock_guard<std::recursive_mutex> guard(UserLock());
      current = w->queue->active;
    }
    if (target && target->threadId == w->threadId) {
      if ((target->style & WS_VISIBLE) && current != target->hwnd) ActivateLocal(target->hwnd);
      return;
    }
    // The focus is with another thread or process. Popups the manager does
    // not know of (menus) keep the activation they were given here.
    WindowPtr active = FindWindowObject(current);
    if (active && active->xid && !X11IsUnmanaged(active->style, active->exStyle)) ActivateLocal(nullptr);
  });
}

}  // namespace kb::platform

using namespace kb::platform;

BOOL ShowWindow(HWND hwnd, int cmd) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    if (IsWindow(hwnd) && !IsLocalHandleValue(hwnd)) return X11ShowForeign(Xid(hwnd), cmd);
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  BOOL result = FALSE;
  RunOnWindowThreadAndWait(w, [&] { result = ShowLocal(w, cmd); });
  return result;
}

BOOL SetWindowPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (w->threadId != CurrentThreadId()) {
    BOOL result = FALSE;
    RunOnWindowThreadAndWait(w, [&] { result = SetWindowPos(hwnd, after, x, y, cx, cy, flags); });
    return result;
  }
  RECT old;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    old = w->rect;
  }
  WINDOWPOS pos{hwnd, after, (flags & SWP_NOMOVE) ? old.left : x, (flags & SWP_NOMOVE) ? old.top : y,
                (flags & SWP_NOSIZE) ? old.right - old.left : cx, (flags & SWP_NOSIZE) ? old.bottom - old.top : cy,
                flags};
  if (!(flags & SWP_NOSENDCHANGING)) CallProc(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
  RECT now{pos.x, pos.y, pos.x + std::max(0, pos.cx), pos.y + std::max(0, pos.cy)};
  bool moved = now.left != old.left || now.top != old.top;
  bool sized = now.right - now.left != old.right - old.left || now.bottom - old.top != old.bottom - old.top;
  sized = now.right - now.left != old.right - old.left || now.bottom - now.top != old.bottom - old.top;
  bool show = (flags & SWP_SHOWWINDOW) != 0, hide = (flags & SWP_HIDEWINDOW) != 0;
  DWORD style;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    w->rect = now;
    if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) w->normalRect = now;
    if (show) w->style |= WS_VISIBLE;
    if (hide) w->style &= ~WS_VISIBLE;
    style = w->style;
  }
  if (w->xid) {
    if ((moved || sized) && !(style & WS_MINIMIZE)) X11MoveResize(w->xid, now);
    if (show && !(style & WS_MINIMIZE)) PaintFirstFrame(w, now);
    if (show) X11Map(w->xid, (style & WS_MINIMIZE) != 0);
    if (hide) X11Unmap(w->xid);
    if (!(flags & SWP_NOZORDER)) {
      if (after == HWND_TOPMOST || after == HWND_NOTOPMOST) X11SetTopmost(w->xid, after == HWND_TOPMOST);
      if (after == HWND_TOP || after == HWND_TOPMOST) X11Raise(w->xid);
    }
  }
  if (show || hide) PublishState(w);
  if (hide) ValidateWindow(w);  // hidden windows are not asked to paint
  if (show || (sized && !(flags & SWP_NOREDRAW))) InvalidateWindow(w, nullptr, true);
  if (hide && w->parent) {
    if (WindowPtr p = FindWindowObject(w->parent)) InvalidateWindow(p, &old, true);
  }
  pos.flags = flags | (moved ? 0 : SWP_NOMOVE) | (sized ? 0 : SWP_NOSIZE);
  CallProc(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  if (show && !(flags & SWP_NOACTIVATE) && !(style & WS_CHILD)) ActivateTopLevel(w);
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL IsWindowVisible(HWND hwnd) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) return ForeignStyleHas(hwnd, WS_VISIBLE);
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  for (WindowPtr p = w; p; p = (p->style & WS_CHILD) ? FindWindowObject(p->parent) : nullptr)
    if (!(p->style & WS_VISIBLE)) return FALSE;
  return TRUE;
}

BOOL IsIconic(HWND hwnd) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) return ForeignStyleHas(hwnd, WS_MINIMIZE);
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  return (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) return FALSE;
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  return (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  if (!rect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (hwnd == DesktopHandle()) {
    SIZE s = ScreenSize();
    *rect = RECT{0, 0, s.cx, s.cy};
    return TRUE;
  }
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    if (!IsLocalHandleValue(hwnd) && X11WindowRect(Xid(hwnd), rect)) return TRUE;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  POINT origin = ClientOrigin(w);
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  *rect = RECT{origin.x, origin.y, origin.x + w->rect.right - w->rect.left, origin.y + w->rect.bottom - w->rect.top};
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  if (!rect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    RECT r;
    if (!GetWindowRect(hwnd, &r)) return FALSE;
    *rect = RECT{0, 0, r.right - r.left, r.bottom - r.top};
    return TRUE;
  }
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  if (w->style & WS_MINIMIZE)
    *rect = RECT{0, 0, 0, 0};
  else
    *rect = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT p) {
  RECT r;
  if (!p || !GetWindowRect(hwnd, &r)) return FALSE;
  p->x += r.left;
  p->y += r.top;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT p) {
  RECT r;
  if (!p || !GetWindowRect(hwnd, &r)) return FALSE;
  p->x -= r.left;
  p->y -= r.top;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  RECT a{}, b{};
  if (from && from != DesktopHandle() && !GetWindowRect(from, &a)) return 0;
  if (to && to != DesktopHandle() && !GetWindowRect(to, &b)) return 0;
  LONG dx = a.left - b.left, dy = a.top - b.top;
  for (UINT i = 0; i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

BOOL AdjustWindowRectEx(LPRECT, DWORD, BOOL, DWORD) {
  // No non-client area: the window manager's frame is outside the window.
  return TRUE;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  WindowPtr w = FindWindowObject(hwnd);
  if (cmd == GW_OWNER) return w ? w->owner : nullptr;
  if (cmd == GW_CHILD) {
    if (hwnd == DesktopHandle()) {
      std::vector<HWND> list = TopLevelList();
      return list.empty() ? nullptr : list.front();
    }
    if (!w) return nullptr;
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    return w->children.empty() ? nullptr : w->children.front();
  }
  std::vector<HWND> siblings;
  if (w && (w->style & WS_CHILD) && w->parent) {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    if (WindowPtr p = FindWindowObject(w->parent)) siblings = p->children;
  } else {
    siblings = TopLevelList();
    if (w && !w->xid && std::find(siblings.begin(), siblings.end(), hwnd) == siblings.end()) return nullptr;
  }
  auto it = std::find(siblings.begin(), siblings.end(), hwnd);
  if (it == siblings.end()) {
    if (!IsWindow(hwnd)) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  switch (cmd) {
    case GW_HWNDFIRST: return siblings.front();
    case GW_HWNDLAST: return siblings.back();
    case GW_HWNDNEXT: return std::next(it) == siblings.end() ? nullptr : *std::next(it);
    case GW_HWNDPREV: return it == siblings.begin() ? nullptr : *std::prev(it);
    default: return nullptr;
  }
}

HWND GetTopWindow(HWND hwnd) { return GetWindow(hwnd ? hwnd : DesktopHandle(), GW_CHILD); }

HWND WindowFromPoint(POINT p) {
  for (const WindowPtr& w : AllWindows()) {
    if ((w->style & WS_CHILD) || w->messageOnly || !(w->style & WS_VISIBLE) || (w->style & WS_MINIMIZE)) continue;
    RECT r = w->rect;
    if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom)
      return ChildAt(w, POINT{p.x - r.left, p.y - r.top})->hwnd;
  }
  return nullptr;
}

BOOL SetForegroundWindow(HWND hwnd) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    if (!IsWindow(hwnd) || IsLocalHandleValue(hwnd)) return FALSE;
    DWORD style = 0;
    bool ours = false;
    if (!X11WindowState(Xid(hwnd), &style, &ours) || !(style & WS_VISIBLE)) return TRUE;
    return X11Activate(Xid(hwnd), kActivateWaitMs) ? TRUE : FALSE;
  }
  WindowPtr top = TopLevelOf(w);
  if (top->messageOnly) return FALSE;
  RunOnWindowThreadAndWait(top, [top] { ActivateLocal(top->hwnd); });
  if (!top->xid) {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    processForeground = top->hwnd;
    return TRUE;
  }
  if (!(top->style & WS_VISIBLE)) return TRUE;
  X11Raise(top->xid);
  return X11Activate(top->xid, kActivateWaitMs) ? TRUE : FALSE;
}

HWND GetForegroundWindow() {
  if (X11Available()) {
    unsigned long xid = X11ActiveWindow();
    return xid ? reinterpret_cast<HWND>(static_cast<uintptr_t>(xid)) : nullptr;
  }
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  return IsWindow(processForeground) ? processForeground : nullptr;
}

HWND SetActiveWindow(HWND hwnd) {
  HWND old = GetActiveWindow();
  WindowPtr w = FindWindowObject(hwnd);
  if (hwnd && (!w || w->threadId != CurrentThreadId())) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (w)
    ActivateTopLevel(w);
  else
    ActivateLocal(nullptr);
  return old;
}

HWND GetActiveWindow() { return QueueWindow(&MessageQueue::active); }

BOOL BringWindowToTop(HWND hwnd) {
  return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

namespace {
// Icon sizes grow with the system's scale, as they do for a dpi-aware
// program on Windows (16 px at 100 %, 24 at 150 %).
int ScaledMetric(int atBaseDpi) { return (atBaseDpi * static_cast<int>(GetDpiForSystem()) + 48) / 96; }
}  // namespace

int GetSystemMetrics(int index) {
  SIZE s = ScreenSize();
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN: return s.cx;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN: return s.cy;
    case SM_XVIRTUALSCREEN:
    case SM_YVIRTUALSCREEN:
    case SM_CYCAPTION:
    case SM_CXBORDER:
    case SM_CYBORDER: return 0;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return ScaledMetric(kLargeIcon);
    case SM_CXSMICON:
    case SM_CYSMICON: return ScaledMetric(kSmallIcon);
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return kDoubleClickBox;
    case SM_CXDRAG:
    case SM_CYDRAG: return kDragBox;
    case SM_CMONITORS: return 1;
    default: return 0;
  }
}

BOOL SystemParametersInfoW(UINT action, UINT, PVOID param, UINT) {
  if (action != SPI_GETWORKAREA || !param) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  SIZE s = ScreenSize();
  *static_cast<RECT*>(param) = RECT{0, 0, s.cx, s.cy};
  return TRUE;
}

HMONITOR MonitorFromWindow(HWND, DWORD) { return kPrimaryMonitor; }
HMONITOR MonitorFromPoint(POINT, DWORD) { return kPrimaryMonitor; }

BOOL GetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info) {
  if (monitor != kPrimaryMonitor || !info || info->cbSize < sizeof(MONITORINFO)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  SIZE s = ScreenSize();
  info->rcMonitor = RECT{0, 0, s.cx, s.cy};
  info->rcWork = info->rcMonitor;
  info->dwFlags = MONITORINFOF_PRIMARY;
  return TRUE;
}
