#pragma once
// A thread's message queue: posted messages, input, messages sent from other
// threads, the quit flag, timers and the paint count. It is a waitable kernel
// object, so MsgWaitForMultipleObjects is one more entry in the ordinary wait.
//
// Every field is guarded by WaitLock(), because TryAcquire runs with that lock
// held, possibly on another thread completing the wait on the owner's behalf.
// Only the owning thread ever waits on its queue, which is why the wake mask of
// the current wait can live in the queue itself.
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/kernel_object.h"
#include "platform/linux/win32_user.h"

namespace kb::platform {

class MessageQueue;

// A message sent from another thread (or work the window system hands to the
// owning thread, such as a move made by the window manager). The sender waits
// until `done`.
struct SentMessage {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::function<void()> work;  // system work: run instead of a window procedure
  LRESULT result = 0;
  bool done = false;       // WaitLock
  bool abandoned = false;  // WaitLock: the sender gave up waiting
  std::shared_ptr<MessageQueue> sender;
};

struct QueuedMessage {
  MSG msg{};
  bool input = false;      // keyboard and mouse: retrieved after posted messages
  bool needsHitTest = false;  // mouse from the display: hit-tested when retrieved
  std::wstring text;       // the characters a key press typed, for TranslateMessage
};

struct TimerEntry {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT interval = 0;
  uint64_t due = 0;
  TIMERPROC proc = nullptr;
};

class MessageQueue : public KernelObject {
 public:
  explicit MessageQueue(DWORD threadId) : threadId_(threadId) {}
  DWORD ThreadId() const { return threadId_; }

  bool IsWaitable() const override { return true; }
  bool TryAcquire(DWORD tid, bool* abandoned) override;

  // Each of these takes WaitLock itself.
  bool Post(QueuedMessage message);  // false once the thread has ended
  void PostQuit(int exitCode);
  bool Send(const std::shared_ptr<SentMessage>& sent);  // false once the thread has ended
  bool Withdraw(const std::shared_ptr<SentMessage>& sent);  // true if it had not been taken yet
  std::shared_ptr<SentMessage> TakeSent();
  static void Complete(const std::shared_ptr<SentMessage>& sent, LRESULT result);
  void Kill();  // the thread ended: pending senders are released
  void AddPaint(int delta);

  // Retrieval in the order Windows uses: posted, quit, input (Take), then
  // paint (made by the caller, which knows the windows), then timers
  // (TakeTimer). `accept` filters by window and message range; it runs with
  // WaitLock held and must not take other locks.
  bool Take(const std::function<bool(const MSG&)>& accept, UINT typeMask, bool remove, QueuedMessage* out,
            bool* quit);
  bool TakeTimer(const std::function<bool(const MSG&)>& accept, bool remove, QueuedMessage* out);
  bool HasPaint() const;  // WaitLock held
  // Drops queued input and posted messages for a window that is gone.
  void ForgetWindow(HWND hwnd);

  // Timers (owning thread only).
  UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT interval, TIMERPROC proc);
  bool KillTimer(HWND hwnd, UINT_PTR id);
  void KillWindowTimers(HWND hwnd);
  uint64_t NextTimerDue();  // UINT64_MAX when none

  // Wake bits: available and new since the last retrieval.
  DWORD QueueStatus(UINT flags, bool clearChanged);

  // Blocks the owning thread until `objects` (WaitForObjects semantics) or the
  // queue condition is met. `reply` (may be null) also ends the wait when done.
  DWORD Wait(const std::vector<std::shared_ptr<KernelObject>>& objects, bool waitAll, DWORD milliseconds,
             DWORD wakeMask, bool inputAvailable, const SentMessage* reply);

  // Per-thread input state, guarded by UserLock() (not WaitLock).
  HWND active = nullptr;
  HWND focus = nullptr;
  HWND capture = nullptr;
  HWND trackLeave = nullptr;
  HWND mouseTop = nullptr;  // the top-level window the mouse was last over
  HCURSOR cursor = nullptr;
  BYTE keyState[256] = {};
  int sendDepth = 0;  // >0 while a message sent from another thread is being handled
  MSG lastMessage{};  // for GetMessageTime / GetMessagePos
  QueuedMessage lastKey;  // the last key message retrieved, with its text

 private:
  bool Ready(DWORD mask, bool inputAvailable) const;
  DWORD TimerBitsLocked(uint64_t now) const;

  const DWORD threadId_;
  std::deque<QueuedMessage> posted_;
  std::deque<QueuedMessage> input_;
  std::deque<std::shared_ptr<SentMessage>> sent_;
  std::vector<TimerEntry> timers_;
  UINT_PTR nextThreadTimerId_ = 0x7FFE;
  bool quit_ = false;
  int quitCode_ = 0;
  int paintCount_ = 0;
  bool dead_ = false;
  DWORD changed_ = 0;
  // The wait in progress, set by Wait.
  DWORD waitMask_ = 0;
  bool waitInputAvailable_ = false;
  const SentMessage* waitReply_ = nullptr;
};

// The calling thread's queue, made on first use (as Windows makes it on the
// first user32 call that needs one).
std::shared_ptr<MessageQueue> CurrentQueue();
// The queue of a thread, or null when it has none.
std::shared_ptr<MessageQueue> QueueOfThread(DWORD threadId);

}  // namespace kb::platform
