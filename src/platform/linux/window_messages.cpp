// Getting, posting, sending and dispatching messages; timers; waiting for
// messages together with other objects.
#include <algorithm>
#include <cwctype>
#include <unordered_map>

#include "platform/linux/kernel_object.h"
#include "platform/linux/win32_kernel.h"
#include "platform/linux/window_object.h"
#include "platform/linux/x11_window.h"

namespace kb::platform {

namespace {

constexpr UINT kButtonDownToDoubleClick = WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
constexpr UINT kClientToNonClient = WM_MOUSEMOVE - WM_NCMOUSEMOVE;
constexpr UINT kFirstRegisteredMessage = 0xC000;
constexpr UINT kLastRegisteredMessage = 0xFFFF;
constexpr BYTE kKeyDown = 0x80;
constexpr BYTE kKeyToggled = 0x01;
constexpr int kRightShiftScanCode = 0x36;
constexpr LPARAM kExtendedKeyBit = 1 << 24;
HWND const kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

// Which messages a GetMessage/PeekMessage call asks for. Built before the
// queue is locked, since the window test needs the window table.
struct Filter {
  bool anyWindow = true;
  bool threadOnly = false;
  std::vector<HWND> windows;  // the window and its descendants
  UINT min = 0;
  UINT max = 0;

  bool InRange(UINT message) const {
    if (min == 0 && max == 0) return true;
    if (min <= max) return message >= min && message <= max;
    return message >= min || message <= max;
  }
  bool Accepts(const MSG& m) const {
    if (threadOnly && m.hwnd) return false;
    if (!anyWindow && !threadOnly && std::find(windows.begin(), windows.end(), m.hwnd) == windows.end())
      return false;
    return InRange(m.message);
  }
};

void AddDescendants(HWND hwnd, std::vector<HWND>* out) {
  out->push_back(hwnd);
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) return;
  std::vector<HWND> children;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    children = w->children;
  }
  for (HWND c : children) AddDescendants(c, out);
}

Filter MakeFilter(HWND hwnd, UINT min, UINT max) {
  Filter f;
  f.min = min;
  f.max = max;
  if (hwnd == kThreadMessagesOnly) {
    f.anyWindow = false;
    f.threadOnly = true;
  } else if (hwnd) {
    f.anyWindow = false;
    AddDescendants(hwnd, &f.windows);
  }
  return f;
}

bool IsKeyMessage(UINT m) { return m >= WM_KEYFIRST && m <= WM_KEYLAST; }
bool IsButtonDown(UINT m) {
  return m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN || m == WM_XBUTTONDOWN;
}

void SetKey(MessageQueue& q, int vk, bool down) {
  BYTE& s = q.keyState[vk & 0xFF];
  if (down) {
    if (!(s & kKeyDown)) s ^= kKeyToggled;
    s |= kKeyDown;
  } else {
    s &= static_cast<BYTE>(~kKeyDown);
  }
}

// The thread's key state follows the input it has retrieved, as on Windows.
void UpdateKeyState(MessageQueue& q, const MSG& m) {
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  if (IsKeyMessage(m.message)) {
    bool down = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
    int vk = static_cast<int>(m.wParam);
    bool extended = (m.lParam & kExtendedKeyBit) != 0;
    SetKey(q, vk, down);
    if (vk == VK_SHIFT) SetKey(q, ((m.lParam >> 16) & 0xFF) == kRightShiftScanCode ? VK_RSHIFT : VK_LSHIFT, down);
    if (vk == VK_CONTROL) SetKey(q, extended ? VK_RCONTROL : VK_LCONTROL, down);
    if (vk == VK_MENU) SetKey(q, extended ? VK_RMENU : VK_LMENU, down);
    return;
  }
  if (m.message == WM_MOUSEWHEEL || m.message == WM_MOUSEHWHEEL || m.message < WM_MOUSEFIRST ||
      m.message > WM_MOUSELAST)
    return;
  WPARAM mk = m.wParam;
  SetKey(q, VK_LBUTTON, mk & MK_LBUTTON);
  SetKey(q, VK_RBUTTON, mk & MK_RBUTTON);
  SetKey(q, VK_MBUTTON, mk & MK_MBUTTON);
  SetKey(q, VK_SHIFT, mk & MK_SHIFT);
  SetKey(q, VK_CONTROL, mk & MK_CONTROL);
}

// Mouse input from the display arrives for the top-level window; here it is
// hit-tested and given to the right window, as Windows does when the thread
// retrieves it. Returns false when the message is to be dropped.
bool RouteMouse(const std::shared_ptr<MessageQueue>& queue, QueuedMessage& qm) {
  MSG& m = qm.msg;
  WindowPtr top = FindWindowObject(m.hwnd);
  if (!top) return false;
  const POINT screen = m.pt;
  HWND capture;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    capture = queue->capture;
  }
  WindowPtr target = capture ? FindWindowObject(capture) : nullptr;
  LRESULT hit = HTCLIENT;
  if (!target) {
    POINT origin = ClientOrigin(top);
    target = ChildAt(top, POINT{screen.x - origin.x, screen.y - origin.y});
    if ((target->style & WS_DISABLED) || (top->style & WS_DISABLED)) return false;
    hit = CallProc(target, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
  }
  HWND leave = nullptr;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    queue->mouseTop = top->hwnd;
    if (queue->trackLeave && queue->trackLeave != target->hwnd) {
      leave = queue->trackLeave;
      queue->trackLeave = nullptr;
    }
  }
  if (leave) PostMessageW(leave, WM_MOUSELEAVE, 0, 0);
  UINT message = m.message;
  m.hwnd = target->hwnd;
  if (message == WM_MOUSEWHEEL || message == WM_MOUSEHWHEEL) return true;
  if (message == WM_MOUSEMOVE || IsButtonDown(message))
    CallProc(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target->hwnd), MAKELPARAM(hit, message));
  if (IsButtonDown(message) && (target->cls->style & CS_DBLCLKS)) {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    bool again = target->lastClickMessage == message && m.time - target->lastClickTime <= GetDoubleClickTime() &&
                 std::abs(screen.x - target->lastClickPoint.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                 std::abs(screen.y - target->lastClickPoint.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    if (again) {
      message += kButtonDownToDoubleClick;
      target->lastClickMessage = 0;
    } else {
      target->lastClickMessage = message;
      target->lastClickTime = m.time;
      target->lastClickPoint = screen;
    }
  }
  if (hit == HTERROR || hit == HTTRANSPARENT) return false;
  if (hit == HTCLIENT) {
    POINT origin = ClientOrigin(target);
    m.lParam = MAKELPARAM(screen.x - origin.x, screen.y - origin.y);
  } else {
    message -= kClientToNonClient;
    m.wParam = static_cast<WPARAM>(hit);
    m.lParam = MAKELPARAM(screen.x, screen.y);
  }
  m.message = message;
  return true;
}

bool RouteInput(const std::shared_ptr<MessageQueue>& queue, QueuedMessage& qm) {
  if (IsKeyMessage(qm.msg.message)) {
    HWND target;
    {
      std::lock_guard<std::recursive_mutex> guard(UserLock());
      target = queue->focus ? queue->focus : queue->active ? queue->active : qm.msg.hwnd;
    }
    WindowPtr w = FindWindowObject(target);
    if (!w) return false;
    // A disabled window takes no keyboard input, nor does anything inside a
    // disabled top-level window. Disabling clears the focus, but the active
    // window stays what it was while a window of another program (a file
    // chooser) takes over, and a key the display still sent to it must not
    // press the button that opened that chooser a second time.
    {
      std::lock_guard<std::recursive_mutex> guard(UserLock());
      for (WindowPtr p = w; p; p = (p->style & WS_CHILD) && p->parent ? FindWindowObject(p->parent) : nullptr) {
        if (p->style & WS_DISABLED) return false;
      }
    }
    qm.msg.hwnd = target;
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    queue->lastKey = qm;
    return true;
  }
  if (!qm.needsHitTest) return true;
  return RouteMouse(queue, qm);
}

bool FindPaint(const std::shared_ptr<MessageQueue>& queue, const Filter& filter, MSG* out) {
  MSG m{};
  m.message = WM_PAINT;
  if (!filter.InRange(WM_PAINT)) return false;
  for (const WindowPtr& w : ThreadWindows(queue->ThreadId())) {
    {
      // Parents paint before their children, as on Windows.
      std::lock_guard<std::recursive_mutex> guard(UserLock());
      if (!w->hasUpdate) continue;
      bool parentPending = false;
      for (WindowPtr p = w; p && (p->style & WS_CHILD) && p->parent && !parentPending;) {
        p = FindWindowObject(p->parent);
        parentPending = p && p->hasUpdate;
      }
      if (parentPending) continue;
    }
    m.hwnd = w->hwnd;
    if (!filter.Accepts(m)) continue;
    m.time = GetTickCount();
    m.pt = LastCursorPos();
    *out = m;
    return true;
  }
  return false;
}

void Remember(const std::shared_ptr<MessageQueue>& queue, const MSG& m) {
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  queue->lastMessage = m;
}

BOOL PeekInternal(LPMSG out, HWND hwnd, UINT min, UINT max, UINT flags) {
  auto queue = CurrentQueue();
  const bool remove = (flags & PM_REMOVE) != 0;
  const UINT typeMask = flags >> 16;
  for (;;) {
    ProcessSentMessages(queue);
    Filter filter = MakeFilter(hwnd, min, max);
    auto accept = [&filter](const MSG& m) { return filter.Accepts(m); };
    QueuedMessage qm;
    bool quit = false;
    if (queue->Take(accept, typeMask, remove, &qm, &quit)) {
      if (qm.input && remove) {
        UpdateKeyState(*queue, qm.msg);
        if (!RouteInput(queue, qm)) continue;
      }
      Remember(queue, qm.msg);
      *out = qm.msg;
      return TRUE;
    }
    if ((typeMask == 0 || (typeMask & QS_PAINT)) && FindPaint(queue, filter, out)) {
      Remember(queue, *out);
      return TRUE;
    }
    if ((typeMask == 0 || (typeMask & QS_TIMER)) && queue->TakeTimer(accept, remove, &qm)) {
      Remember(queue, qm.msg);
      *out = qm.msg;
      return TRUE;
    }
    return FALSE;
  }
}

bool IsDone(const std::shared_ptr<SentMessage>& sent) {
  std::lock_guard<std::mutex> lock(WaitLock());
  return sent->done;
}

// Hands a message (or work) to another thread and waits for it, handling
// what others send to this thread meanwhile, as Windows does; otherwise two
// threads sending to each other would deadlock.
bool SendAndWait(const std::shared_ptr<MessageQueue>& target, const std::shared_ptr<SentMessage>& sent,
                 DWORD timeout, LRESULT* result) {
  auto me = CurrentQueue();
  sent->sender = me;
  if (!target->Send(sent)) return false;
  const uint64_t deadline = timeout == INFINITE ? UINT64_MAX : MonotonicMs() + timeout;
  for (;;) {
    ProcessSentMessages(me);
    if (IsDone(sent)) {
      *result = sent->result;
      return true;
    }
    uint64_t now = MonotonicMs();
    if (now >= deadline) {
      target->Withdraw(sent);
      if (IsDone(sent)) {
        *result = sent->result;
        return true;
      }
      return false;
    }
    DWORD slice = deadline == UINT64_MAX ? INFINITE : static_cast<DWORD>(deadline - now);
    me->Wait({}, false, slice, QS_SENDMESSAGE, false, sent.get());
  }
}

std::unordered_map<std::wstring, UINT>& RegisteredMessages() {
  static auto* table = new std::unordered_map<std::wstring, UINT>;
  return *table;
}

std::vector<WindowPtr> BroadcastTargets() {
  std::vector<WindowPtr> targets;
  for (const WindowPtr& w : AllWindows())
    if (!(w->style & WS_CHILD) && !w->messageOnly) targets.push_back(w);
  return targets;
}

}  // namespace

LRESULT SendToWindow(const WindowPtr& window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window->threadId == CurrentThreadId()) return CallProc(window, message, wParam, lParam);
  auto sent = std::make_shared<SentMessage>();
  sent->hwnd = window->hwnd;
  sent->message = message;
  sent->wParam = wParam;
  sent->lParam = lParam;
  LRESULT result = 0;
  SendAndWait(window->queue, sent, INFINITE, &result);
  return result;
}

void RunOnWindowThreadAndWait(const WindowPtr& window, std::function<void()> work) {
  auto sent = WorkForWindowThread(window, work);
  if (!sent) return;
  LRESULT unused = 0;
  SendAndWait(window->queue, sent, INFINITE, &unused);
}

}  // namespace kb::platform

using namespace kb::platform;

BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT min, UINT max) {
  if (!msg) {
    SetLastError(ERROR_NOACCESS);
    return -1;
  }
  if (hwnd && hwnd != kThreadMessagesOnly && !FindWindowObject(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  auto queue = CurrentQueue();
  for (;;) {
    if (PeekInternal(msg, hwnd, min, max, PM_REMOVE)) return msg->message != WM_QUIT;
    queue->Wait({}, false, INFINITE, QS_ALLINPUT, false, nullptr);
  }
}

BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT min, UINT max, UINT flags) {
  if (!msg) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  return PeekInternal(msg, hwnd, min, max, flags);
}

BOOL WaitMessage() {
  auto queue = CurrentQueue();
  queue->Wait({}, false, INFINITE, QS_ALLINPUT, false, nullptr);
  return TRUE;
}

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!hwnd) return PostThreadMessageW(GetCurrentThreadId(), message, wParam, lParam);
  QueuedMessage qm;
  qm.msg.message = message;
  qm.msg.wParam = wParam;
  qm.msg.lParam = lParam;
  qm.msg.time = GetTickCount();
  qm.msg.pt = LastCursorPos();
  if (hwnd == HWND_BROADCAST) {
    for (const WindowPtr& w : BroadcastTargets()) {
      qm.msg.hwnd = w->hwnd;
      w->queue->Post(qm);
    }
    return TRUE;
  }
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  qm.msg.hwnd = hwnd;
  if (!w->queue->Post(std::move(qm))) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return TRUE;
}

BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<MessageQueue> queue =
      threadId == GetCurrentThreadId() ? CurrentQueue() : QueueOfThread(threadId);
  QueuedMessage qm;
  qm.msg.message = message;
  qm.msg.wParam = wParam;
  qm.msg.lParam = lParam;
  qm.msg.time = GetTickCount();
  qm.msg.pt = LastCursorPos();
  if (!queue || !queue->Post(std::move(qm))) {
    SetLastError(ERROR_INVALID_THREAD_ID);
    return FALSE;
  }
  return TRUE;
}

namespace {
// SendMessageW has no time limit; a receiver that hangs is given this long.
constexpr DWORD kCopyDataWaitMs = 60000;

// Only WM_COPYDATA carries its data to another process's window (it is the
// message made for that); other messages to such windows are not delivered.
bool SendCopyDataToOtherProcess(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs,
                                LRESULT* result) {
  if (message != WM_COPYDATA || !lParam || IsLocalHandleValue(hwnd) || !IsWindow(hwnd)) return false;
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  return X11SendCopyData(static_cast<unsigned long>(reinterpret_cast<uintptr_t>(hwnd)), wParam, *data, timeoutMs,
                         result);
}
}  // namespace

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    for (const WindowPtr& w : BroadcastTargets()) SendToWindow(w, message, wParam, lParam);
    return 0;
  }
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    LRESULT result = 0;
    if (SendCopyDataToOtherProcess(hwnd, message, wParam, lParam, kCopyDataWaitMs, &result)) return result;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return SendToWindow(w, message, wParam, lParam);
}

LRESULT SendMessageTimeoutW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT, UINT timeout,
                            PDWORD_PTR result) {
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    LRESULT r = 0;
    if (SendCopyDataToOtherProcess(hwnd, message, wParam, lParam, timeout, &r)) {
      if (result) *result = static_cast<DWORD_PTR>(r);
      return 1;
    }
    SetLastError(IsWindow(hwnd) ? ERROR_TIMEOUT : ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LRESULT r = 0;
  if (w->threadId == GetCurrentThreadId()) {
    r = CallProc(w, message, wParam, lParam);
  } else {
    auto sent = std::make_shared<SentMessage>();
    sent->hwnd = hwnd;
    sent->message = message;
    sent->wParam = wParam;
    sent->lParam = lParam;
    if (!SendAndWait(w->queue, sent, timeout, &r)) {
      SetLastError(ERROR_TIMEOUT);
      return 0;
    }
  }
  if (result) *result = static_cast<DWORD_PTR>(r);
  return 1;
}

BOOL SendNotifyMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  std::vector<WindowPtr> targets;
  if (hwnd == HWND_BROADCAST) {
    targets = BroadcastTargets();
  } else if (WindowPtr w = FindWindowObject(hwnd)) {
    targets.push_back(w);
  } else {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  for (const WindowPtr& w : targets) {
    if (w->threadId == GetCurrentThreadId()) {
      CallProc(w, message, wParam, lParam);
      continue;
    }
    auto sent = std::make_shared<SentMessage>();
    sent->hwnd = w->hwnd;
    sent->message = message;
    sent->wParam = wParam;
    sent->lParam = lParam;
    w->queue->Send(sent);
  }
  return TRUE;
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (msg->message == WM_TIMER && msg->lParam) {
    reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
    return 0;
  }
  if (!msg->hwnd) return 0;
  WindowPtr w = FindWindowObject(msg->hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (w->threadId != GetCurrentThreadId()) {
    SetLastError(ERROR_MESSAGE_SYNC_ONLY);
    return 0;
  }
  return CallProc(w, msg->message, msg->wParam, msg->lParam);
}

namespace {

// What a key types with the US layout, for key messages that did not come
// from the display (those carry the characters the server's layout gave).
wchar_t CharOfKey(int vk, bool shift, bool caps, bool ctrl) {
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return static_cast<wchar_t>(vk - 'A' + 1);
    return static_cast<wchar_t>((shift != caps) ? vk : vk + ('a' - 'A'));
  }
  if (ctrl) return 0;
  if (vk >= '0' && vk <= '9') return shift ? L")!@#$%^&*("[vk - '0'] : static_cast<wchar_t>(vk);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return static_cast<wchar_t>('0' + vk - VK_NUMPAD0);
  switch (vk) {
    case VK_SPACE: return L' ';
    case VK_RETURN: return L'\r';
    case VK_BACK: return L'\b';
    case VK_TAB: return L'\t';
    case VK_ESCAPE: return 0x1B;
    case VK_MULTIPLY: return L'*';
    case VK_ADD: return L'+';
    case VK_SUBTRACT: return L'-';
    case VK_DECIMAL: return L'.';
    case VK_DIVIDE: return L'/';
    case VK_OEM_1: return shift ? L':' : L';';
    case VK_OEM_PLUS: return shift ? L'+' : L'=';
    case VK_OEM_COMMA: return shift ? L'<' : L',';
    case VK_OEM_MINUS: return shift ? L'_' : L'-';
    case VK_OEM_PERIOD: return shift ? L'>' : L'.';
    case VK_OEM_2: return shift ? L'?' : L'/';
    case VK_OEM_3: return shift ? L'~' : L'`';
    case VK_OEM_4: return shift ? L'{' : L'[';
    case VK_OEM_5: return shift ? L'|' : L'\\';
    case VK_OEM_6: return shift ? L'}' : L']';
    case VK_OEM_7: return shift ? L'"' : L'\'';
    default: return 0;
  }
}

}  // namespace

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  auto queue = CurrentQueue();
  std::wstring text;
  bool fromDisplay = false;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    const MSG& last = queue->lastKey.msg;
    fromDisplay = last.hwnd == msg->hwnd && last.message == msg->message && last.wParam == msg->wParam &&
                  last.lParam == msg->lParam && last.time == msg->time;
    if (fromDisplay) text = queue->lastKey.text;
  }
  if (!fromDisplay) {
    bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
    bool caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
    wchar_t c = CharOfKey(static_cast<int>(msg->wParam), shift, caps, ctrl);
    if (c) text.push_back(c);
  }
  UINT charMessage = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  for (wchar_t c : text) PostMessageW(msg->hwnd, charMessage, static_cast<WPARAM>(c), msg->lParam);
  return TRUE;
}

void PostQuitMessage(int exitCode) { CurrentQueue()->PostQuit(exitCode); }

UINT RegisterWindowMessageW(LPCWSTR name) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wstring key = name;
  for (auto& c : key) c = static_cast<wchar_t>(std::towlower(c));
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  auto& table = RegisteredMessages();
  auto it = table.find(key);
  if (it != table.end()) return it->second;
  UINT value = kFirstRegisteredMessage + static_cast<UINT>(table.size());
  if (value > kLastRegisteredMessage) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  table[key] = value;
  return value;
}

DWORD GetQueueStatus(UINT flags) { return CurrentQueue()->QueueStatus(flags, true); }

BOOL InSendMessage() {
  auto queue = CurrentQueue();
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  return queue->sendDepth > 0;
}

BOOL ReplyMessage(LRESULT) { return FALSE; }

LONG GetMessageTime() {
  auto queue = CurrentQueue();
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  return static_cast<LONG>(queue->lastMessage.time);
}

DWORD GetMessagePos() {
  auto queue = CurrentQueue();
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  const POINT& p = queue->lastMessage.pt;
  return static_cast<DWORD>(MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}

DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD wakeMask,
                                  DWORD flags) {
  if (count >= MAXIMUM_WAIT_OBJECTS || (count && !handles)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<KernelObject>> objects;
  for (DWORD i = 0; i < count; ++i) {
    std::shared_ptr<KernelObject> object = LookupHandle(handles[i]);
    if (!object || !object->IsWaitable()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    objects.push_back(std::move(object));
  }
  return CurrentQueue()->Wait(objects, (flags & MWMO_WAITALL) != 0, milliseconds, wakeMask,
                              (flags & MWMO_INPUTAVAILABLE) != 0, nullptr);
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                DWORD wakeMask) {
  return MsgWaitForMultipleObjectsEx(count, handles, milliseconds, wakeMask, waitAll ? MWMO_WAITALL : 0);
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  if (!hwnd) return CurrentQueue()->SetTimer(nullptr, id, elapse, proc);
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  // Only the owning thread waits on its queue and so learns of new timers.
  if (w->threadId != GetCurrentThreadId()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  return w->queue->SetTimer(hwnd, id, elapse, proc);
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  std::shared_ptr<MessageQueue> queue;
  if (hwnd) {
    WindowPtr w = FindWindowObject(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    queue = w->queue;
  } else {
    queue = CurrentQueue();
  }
  if (!queue->KillTimer(hwnd, id)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}
