// The message queue: retrieval order, filters, the quit message, messages
// sent across threads, waiting together with other objects, and timers.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "UserTestSupport.h"

namespace kbtest {

namespace {

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kPong = WM_APP + 2;

std::atomic<int> timerCalls{0};
std::atomic<UINT_PTR> timerLastId{0};
void CALLBACK CountingTimerProc(HWND h, UINT m, UINT_PTR id, DWORD) {
  if (!h && m == WM_TIMER) {
    ++timerCalls;
    timerLastId = id;
  }
}

void DiscardQueued() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

// A thread with a window of its own that pumps messages until told to quit.
class WindowThread {
 public:
  WindowThread() {
    thread_ = std::thread([this] {
      hwnd_ = CreateLoggingWindow(WS_POPUP);
      threadId_ = GetCurrentThreadId();
      ready_ = true;
      MSG msg;
      while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
      DestroyWindow(hwnd_);
    });
    while (!ready_) Sleep(1);
  }
  ~WindowThread() {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HWND hwnd() const { return hwnd_; }
  DWORD threadId() const { return threadId_; }

 private:
  std::thread thread_;
  std::atomic<bool> ready_{false};
  HWND hwnd_ = nullptr;
  DWORD threadId_ = 0;
};

}  // namespace

TEST(MessageQueueTest, RetrievalOrderPostedQuitPaintTimer) {
  HWND hwnd = CreateLoggingWindow(WS_POPUP | WS_VISIBLE, 0, nullptr, L"order", 10, 10, 50, 50);
  ASSERT_NE(hwnd, nullptr);
  PumpFor(100);
  DiscardQueued();
  ASSERT_NE(SetTimer(hwnd, 7, 10, nullptr), 0u);
  Sleep(30);
  InvalidateRect(hwnd, nullptr, FALSE);
  PostQuitMessage(3);
  PostMessageW(hwnd, kPing, 1, 0);
  PostMessageW(hwnd, kPing, 2, 0);
  std::vector<std::pair<UINT, WPARAM>> seen;
  MSG msg;
  for (int i = 0; i < 5 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    seen.emplace_back(msg.message, msg.wParam);
    if (msg.message == WM_PAINT) ValidateRect(hwnd, nullptr);
  }
  std::vector<std::pair<UINT, WPARAM>> expected = {
      {kPing, 1}, {kPing, 2}, {WM_QUIT, 3}, {WM_PAINT, 0}, {WM_TIMER, 7}};
  EXPECT_EQ(seen, expected);
  KillTimer(hwnd, 7);
  DestroyWindow(hwnd);
  DiscardQueued();
}

TEST(MessageQueueTest, FiltersByWindowAndRange) {
  HWND a = CreateLoggingWindow(WS_POPUP);
  HWND b = CreateLoggingWindow(WS_POPUP);
  DiscardQueued();
  PostMessageW(a, kPing, 0, 0);
  PostMessageW(b, kPong, 0, 0);
  PostThreadMessageW(GetCurrentThreadId(), kPing, 9, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, b, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, b);
  ASSERT_TRUE(PeekMessageW(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));  // thread messages only
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(msg.wParam, 9u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, kPong, kPong, PM_REMOVE));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, kPing, kPing, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, kPing, kPing, PM_REMOVE));  // still there after PM_NOREMOVE
  EXPECT_EQ(msg.hwnd, a);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  SetLastError(0xdeadbeef);
  DestroyWindow(b);
  EXPECT_EQ(GetMessageW(&msg, b, 0, 0), -1);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  DestroyWindow(a);
}

TEST(MessageQueueTest, GetMessageReturnsZeroForQuit) {
  PostQuitMessage(17);
  MSG msg;
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), 0);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 17u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(MessageQueueTest, PostThreadMessageNeedsAQueue) {
  std::atomic<DWORD> id{0};
  std::atomic<bool> done{false};
  std::thread bare([&] {
    id = GetCurrentThreadId();
    while (!done) Sleep(1);
  });
  while (!id) Sleep(1);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(PostThreadMessageW(id, kPing, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
  done = true;
  bare.join();
}

TEST(MessageQueueTest, SendMessageRunsOnTheOwningThreadAndReturnsItsResult) {
  WindowThread other;
  SetHandler(other.hwnd(), [](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == kPing) return static_cast<LRESULT>(w * 2 + GetCurrentThreadId() * 0);
    return std::nullopt;
  });
  Log().Clear();
  EXPECT_EQ(SendMessageW(other.hwnd(), kPing, 21, 0), 42);
  std::vector<LoggedMessage> all = Log().All();
  auto it = std::find_if(all.begin(), all.end(), [](const LoggedMessage& m) { return m.message == kPing; });
  ASSERT_NE(it, all.end());
  EXPECT_EQ(it->thread, other.threadId());
  EXPECT_NE(it->thread, GetCurrentThreadId());
}

TEST(MessageQueueTest, ThreadsSendingToEachOtherDoNotDeadlock) {
  HWND mine = CreateLoggingWindow(WS_POPUP);
  WindowThread other;
  // The other thread's handler sends back to this thread while this thread
  // is still waiting in its own SendMessageW.
  SetHandler(other.hwnd(), [mine](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == kPing) return SendMessageW(mine, kPong, w, 0) + 1;
    return std::nullopt;
  });
  SetHandler(mine, [](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == kPong) return static_cast<LRESULT>(w * 10);
    return std::nullopt;
  });
  EXPECT_EQ(SendMessageW(other.hwnd(), kPing, 4, 0), 41);
  DestroyWindow(mine);
}

TEST(MessageQueueTest, SentMessagesComeBeforePostedOnes) {
  HWND hwnd = CreateLoggingWindow(WS_POPUP);
  DiscardQueued();
  PostMessageW(hwnd, kPing, 0, 0);
  std::thread sender([hwnd] { SendMessageW(hwnd, kPong, 0, 0); });
  // Wait until the sent message is waiting in this thread's queue.
  while (!(GetQueueStatus(QS_SENDMESSAGE) & QS_SENDMESSAGE)) Sleep(1);
  Log().Clear();
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, kPing);
  std::vector<UINT> handled = Log().Of(hwnd, {kPing, kPong});
  ASSERT_EQ(handled.size(), 1u);  // handled inside PeekMessage, before the posted one came out
  EXPECT_EQ(handled[0], kPong);
  sender.join();
  DestroyWindow(hwnd);
}

TEST(MessageQueueTest, SendMessageTimeoutGivesUpOnABusyThread) {
  std::atomic<HWND> hwnd{nullptr};
  std::atomic<bool> release{false};
  std::thread busy([&] {
    hwnd = CreateLoggingWindow(WS_POPUP);
    while (!release) Sleep(5);  // not pumping
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    DestroyWindow(hwnd);
  });
  while (!hwnd) Sleep(1);
  DWORD_PTR result = 77;
  DWORD start = GetTickCount();
  SetLastError(0xdeadbeef);
  EXPECT_EQ(SendMessageTimeoutW(hwnd, kPing, 0, 0, SMTO_NORMAL, 200, &result), 0);
  EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
  DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 150u);
  EXPECT_LT(elapsed, 5000u);
  release = true;
  busy.join();
}

TEST(MessageQueueTest, MsgWaitWakesForObjectsMessagesAndTimeouts) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DiscardQueued();
  struct Case {
    const char* what;
    std::function<void()> before;
    DWORD flags;
    DWORD expected;
  };
  const Case cases[] = {
      {"nothing", [] {}, 0, WAIT_TIMEOUT},
      {"event", [&] { SetEvent(event); }, 0, WAIT_OBJECT_0},
      {"posted message", [&] { ResetEvent(event); PostThreadMessageW(GetCurrentThreadId(), kPing, 0, 0); }, 0,
       WAIT_OBJECT_0 + 1},
      // The message is no longer new once PeekMessage has looked at the queue...
      {"seen message", [] { MSG m; PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE); }, 0, WAIT_TIMEOUT},
      // ...but it is still there to be had.
      {"input available", [] {}, MWMO_INPUTAVAILABLE, WAIT_OBJECT_0 + 1},
  };
  for (const Case& c : cases) {
    c.before();
    EXPECT_EQ(MsgWaitForMultipleObjectsEx(1, &event, 50, QS_ALLINPUT, c.flags), c.expected) << c.what;
  }
  DiscardQueued();
  DWORD me = GetCurrentThreadId();
  std::thread later([me] {
    Sleep(100);
    PostThreadMessageW(me, kPong, 0, 0);
  });
  DWORD start = GetTickCount();
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 5000, QS_POSTMESSAGE), WAIT_OBJECT_0 + 1);
  EXPECT_GE(GetTickCount() - start, 50u);
  later.join();
  DiscardQueued();
  CloseHandle(event);
}

TEST(MessageQueueTest, TimersTickAtTheirIntervalAndStop) {
  HWND hwnd = CreateLoggingWindow(WS_POPUP);
  DiscardQueued();
  Log().Clear();
  ASSERT_EQ(SetTimer(hwnd, 5, 50, nullptr), 5u);
  PumpFor(600);
  size_t ticks = Log().Of(hwnd, {WM_TIMER}).size();
  EXPECT_GE(ticks, 5u);
  EXPECT_LE(ticks, 13u);
  EXPECT_TRUE(KillTimer(hwnd, 5));
  Log().Clear();
  PumpFor(200);
  EXPECT_EQ(Log().Of(hwnd, {WM_TIMER}).size(), 0u);
  EXPECT_FALSE(KillTimer(hwnd, 5));
  DestroyWindow(hwnd);
}

TEST(MessageQueueTest, ABusyThreadGetsOneTimerMessageNotABurst) {
  HWND hwnd = CreateLoggingWindow(WS_POPUP);
  DiscardQueued();
  ASSERT_NE(SetTimer(hwnd, 1, 20, nullptr), 0u);
  Sleep(300);
  int timers = 0;
  MSG msg;
  while (PeekMessageW(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE)) ++timers;
  EXPECT_EQ(timers, 1);
  KillTimer(hwnd, 1);
  DestroyWindow(hwnd);
}

TEST(MessageQueueTest, TimerProcedureAndThreadTimers) {
  timerCalls = 0;
  UINT_PTR id = SetTimer(nullptr, 0, 20, CountingTimerProc);
  ASSERT_NE(id, 0u);
  PumpUntil([] { return timerCalls >= 3; }, 10000);
  EXPECT_GE(timerCalls.load(), 3);
  EXPECT_EQ(timerLastId.load(), id);
  EXPECT_TRUE(KillTimer(nullptr, id));
}

TEST(MessageQueueTest, RegisteredMessagesAreStableAndCaseBlind) {
  UINT a = RegisterWindowMessageW(L"KbTest-Registered-Message");
  EXPECT_GE(a, 0xC000u);
  EXPECT_LE(a, 0xFFFFu);
  EXPECT_EQ(RegisterWindowMessageW(L"kbtest-registered-MESSAGE"), a);
  EXPECT_NE(RegisterWindowMessageW(L"KbTest-Other-Message"), a);
  EXPECT_EQ(RegisterWindowMessageW(L"TaskbarCreated"), RegisterWindowMessageW(L"TaskbarCreated"));
}

TEST(MessageQueueTest, PostsFromManyThreadsAllArriveInEachSendersOrder) {
  constexpr int kThreads = 4;
  constexpr int kEach = 500;
  HWND hwnd = CreateLoggingWindow(WS_POPUP);
  DiscardQueued();
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t)
    posters.emplace_back([hwnd, t] {
      for (int i = 0; i < kEach; ++i) PostMessageW(hwnd, kPing, static_cast<WPARAM>(t), i);
    });
  std::vector<LPARAM> next(kThreads, 0);
  int received = 0;
  bool inOrder = true;
  DWORD start = GetTickCount();
  while (received < kThreads * kEach && GetTickCount() - start < 20000) {
    MSG msg;
    if (!PeekMessageW(&msg, hwnd, kPing, kPing, PM_REMOVE)) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_POSTMESSAGE);
      continue;
    }
    inOrder = inOrder && msg.lParam == next[msg.wParam];
    next[msg.wParam] = msg.lParam + 1;
    ++received;
  }
  for (auto& p : posters) p.join();
  EXPECT_EQ(received, kThreads * kEach);
  EXPECT_TRUE(inOrder);
  DestroyWindow(hwnd);
}

TEST(MessageQueueTest, SendingToAThreadThatEndsReturnsInsteadOfHanging) {
  std::atomic<HWND> hwnd{nullptr};
  std::atomic<bool> sending{false};
  std::thread ending([&] {
    hwnd = CreateLoggingWindow(WS_POPUP);
    while (!sending) Sleep(1);
    Sleep(100);  // the message waits in this thread's queue; the thread ends without handling it
  });
  while (!hwnd) Sleep(1);
  std::thread sender([&] {
    sending = true;
    EXPECT_EQ(SendMessageW(hwnd, kPing, 0, 0), 0);
  });
  sender.join();
  ending.join();
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST(MessageQueueTest, DestroyedWindowsMessagesAreNotDispatched) {
  HWND hwnd = CreateLoggingWindow(WS_POPUP);
  DiscardQueued();
  PostMessageW(hwnd, kPing, 0, 0);
  DestroyWindow(hwnd);
  Log().Clear();
  PumpFor(50);
  EXPECT_FALSE(Log().Saw(hwnd, kPing));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(PostMessageW(hwnd, kPing, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

}  // namespace kbtest
