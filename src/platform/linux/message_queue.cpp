#include "platform/linux/message_queue.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <unordered_map>

#include "platform/linux/win32_kernel.h"
#include "platform/linux/window_object.h"

namespace kb::platform {

namespace {

constexpr DWORD kInputBits = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON;

DWORD InputBit(UINT message) {
  if (message >= WM_KEYFIRST && message <= WM_KEYLAST) return QS_KEY;
  if (message == WM_MOUSEMOVE || message == WM_NCMOUSEMOVE) return QS_MOUSEMOVE;
  return QS_MOUSEBUTTON;
}

// Which kinds of messages a PM_QS_* filter lets through.
bool TypeAllowed(UINT typeMask, DWORD bit) { return typeMask == 0 || (typeMask & bit) != 0; }

struct QueueRegistry {
  std::mutex lock;
  std::unordered_map<DWORD, std::weak_ptr<MessageQueue>> queues;
};

QueueRegistry& Registry() {
  static QueueRegistry* registry = new QueueRegistry;
  return *registry;
}

// Ends with the thread: its windows go, and threads waiting for it to handle
// a sent message are released with a result of 0, as when a thread ends on
// Windows.
struct QueueHolder {
  std::shared_ptr<MessageQueue> queue;
  ~QueueHolder() {
    if (!queue) return;
    DestroyThreadWindows(queue->ThreadId());
    queue->Kill();
    std::lock_guard<std::mutex> guard(Registry().lock);
    Registry().queues.erase(queue->ThreadId());
  }
};

thread_local QueueHolder holder;

}  // namespace

std::shared_ptr<MessageQueue> CurrentQueue() {
  if (holder.queue) return holder.queue;
  DWORD tid = CurrentThreadId();
  holder.queue = std::make_shared<MessageQueue>(tid);
  std::lock_guard<std::mutex> guard(Registry().lock);
  Registry().queues[tid] = holder.queue;
  return holder.queue;
}

std::shared_ptr<MessageQueue> QueueOfThread(DWORD threadId) {
  std::lock_guard<std::mutex> guard(Registry().lock);
  auto it = Registry().queues.find(threadId);
  if (it == Registry().queues.end()) return nullptr;
  return it->second.lock();
}

bool MessageQueue::Post(QueuedMessage message) {
  std::lock_guard<std::mutex> lock(WaitLock());
  if (dead_) return false;
  if (message.input) {
    // Windows keeps one mouse move per window: a newer position replaces an
    // older one that has not been retrieved yet.
    if (message.msg.message == WM_MOUSEMOVE && !input_.empty()) {
      QueuedMessage& last = input_.back();
      if (last.msg.message == WM_MOUSEMOVE && last.msg.hwnd == message.msg.hwnd) {
        last = std::move(message);
        changed_ |= QS_MOUSEMOVE;
        NotifyWaiters();
        return true;
      }
    }
    changed_ |= InputBit(message.msg.message);
    input_.push_back(std::move(message));
  } else {
    changed_ |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
    posted_.push_back(std::move(message));
  }
  NotifyWaiters();
  return true;
}

void MessageQueue::PostQuit(int exitCode) {
  std::lock_guard<std::mutex> lock(WaitLock());
  quit_ = true;
  quitCode_ = exitCode;
  changed_ |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
  NotifyWaiters();
}

bool MessageQueue::Send(const std::shared_ptr<SentMessage>& sent) {
  std::lock_guard<std::mutex> lock(WaitLock());
  if (dead_) return false;
  sent_.push_back(sent);
  changed_ |= QS_SENDMESSAGE;
  NotifyWaiters();
  return true;
}

bool MessageQueue::Withdraw(const std::shared_ptr<SentMessage>& sent) {
  std::lock_guard<std::mutex> lock(WaitLock());
  auto it = std::find(sent_.begin(), sent_.end(), sent);
  sent->abandoned = true;
  if (it == sent_.end()) return false;
  sent_.erase(it);
  return true;
}

std::shared_ptr<SentMessage> MessageQueue::TakeSent() {
  std::lock_guard<std::mutex> lock(WaitLock());
  if (sent_.empty()) return nullptr;
  std::shared_ptr<SentMessage> sent = std::move(sent_.front());
  sent_.pop_front();
  return sent;
}

void MessageQueue::Complete(const std::shared_ptr<SentMessage>& sent, LRESULT result) {
  std::lock_guard<std::mutex> lock(WaitLock());
  if (sent->done) return;
  sent->result = result;
  sent->done = true;
  if (sent->sender) sent->sender->NotifyWaiters();
}

void MessageQueue::Kill() {
  std::deque<std::shared_ptr<SentMessage>> pending;
  {
    std::lock_guard<std::mutex> lock(WaitLock());
    dead_ = true;
    pending.swap(sent_);
    posted_.clear();
    input_.clear();
    timers_.clear();
  }
  for (auto& sent : pending) Complete(sent, 0);
}

void MessageQueue::AddPaint(int delta) {
  std::lock_guard<std::mutex> lock(WaitLock());
  paintCount_ += delta;
  if (paintCount_ < 0) paintCount_ = 0;
  if (delta > 0) {
    changed_ |= QS_PAINT;
    NotifyWaiters();
  }
}

bool MessageQueue::HasPaint() const { return paintCount_ > 0; }

void MessageQueue::ForgetWindow(HWND hwnd) {
  std::lock_guard<std::mutex> lock(WaitLock());
  auto gone = [hwnd](const QueuedMessage& m) { return m.msg.hwnd == hwnd; };
  input_.erase(std::remove_if(input_.begin(), input_.end(), gone), input_.end());
}

DWORD MessageQueue::TimerBitsLocked(uint64_t now) const {
  for (const TimerEntry& t : timers_)
    if (t.due <= now) return QS_TIMER;
  return 0;
}

DWORD MessageQueue::QueueStatus(UINT flags, bool clearChanged) {
  std::lock_guard<std::mutex> lock(WaitLock());
  DWORD wake = 0;
  if (!posted_.empty() || quit_) wake |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
  for (const QueuedMessage& m : input_) wake |= InputBit(m.msg.message);
  if (!sent_.empty()) wake |= QS_SENDMESSAGE;
  if (paintCount_ > 0) wake |= QS_PAINT;
  wake |= TimerBitsLocked(MonotonicMs());
  DWORD changed = changed_ | (wake & QS_TIMER);
  DWORD result = ((changed & flags) << 16) | (wake & flags);
  if (clearChanged) changed_ &= ~flags;
  return result;
}

bool MessageQueue::Ready(DWORD mask, bool inputAvailable) const {
  if (waitReply_ && waitReply_->done) return true;
  if ((mask & QS_SENDMESSAGE) && !sent_.empty()) return true;
  DWORD bits = changed_;
  if (inputAvailable) {
    if (!posted_.empty() || quit_) bits |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
    for (const QueuedMessage& m : input_) bits |= InputBit(m.msg.message);
    if (paintCount_ > 0) bits |= QS_PAINT;
  }
  bits |= TimerBitsLocked(MonotonicMs());
  return (bits & mask) != 0;
}

bool MessageQueue::TryAcquire(DWORD, bool*) { return Ready(waitMask_, waitInputAvailable_); }

DWORD MessageQueue::Wait(const std::vector<std::shared_ptr<KernelObject>>& objects, bool waitAll,
                         DWORD milliseconds, DWORD wakeMask, bool inputAvailable, const SentMessage* reply) {
  const bool forever = milliseconds == INFINITE;
  const uint64_t deadline = forever ? UINT64_MAX : MonotonicMs() + milliseconds;
  {
    std::lock_guard<std::mutex> lock(WaitLock());
    waitMask_ = wakeMask;
    waitInputAvailable_ = inputAvailable;
    waitReply_ = reply;
  }
  DWORD result;
  for (;;) {
    // Timers give no notice when they fall due, so the wait ends at the next
    // one and looks again.
    uint64_t now = MonotonicMs();
    uint64_t until = deadline;
    if (wakeMask & QS_TIMER) until = std::min(until, NextTimerDue());
    DWORD slice = until == UINT64_MAX ? INFINITE : static_cast<DWORD>(until > now ? std::min<uint64_t>(until - now, 0x7FFFFFFF) : 0);
    result = WaitForObjects(objects, waitAll, slice, this);
    if (result != WAIT_TIMEOUT) break;
    now = MonotonicMs();
    if (!forever && now >= deadline) break;
  }
  std::lock_guard<std::mutex> lock(WaitLock());
  waitMask_ = 0;
  waitInputAvailable_ = false;
  waitReply_ = nullptr;
  return result;
}

bool MessageQueue::Take(const std::function<bool(const MSG&)>& accept, UINT typeMask, bool remove,
                        QueuedMessage* out, bool* quit) {
  std::lock_guard<std::mutex> lock(WaitLock());
  *quit = false;
  changed_ = 0;
  if (TypeAllowed(typeMask, QS_POSTMESSAGE)) {
    for (auto it = posted_.begin(); it != posted_.end(); ++it) {
      if (!accept(it->msg)) continue;
      *out = *it;
      if (remove) posted_.erase(it);
      return true;
    }
    if (quit_) {
      out->msg = MSG{};
      out->msg.message = WM_QUIT;
      out->msg.wParam = static_cast<WPARAM>(quitCode_);
      if (remove) quit_ = false;
      *quit = true;
      return true;
    }
  }
  if (TypeAllowed(typeMask, QS_INPUT)) {
    for (auto it = input_.begin(); it != input_.end(); ++it) {
      if (!accept(it->msg)) continue;
      *out = *it;
      if (remove) input_.erase(it);
      return true;
    }
  }
  return false;
}

bool MessageQueue::TakeTimer(const std::function<bool(const MSG&)>& accept, bool remove, QueuedMessage* out) {
  std::lock_guard<std::mutex> lock(WaitLock());
  uint64_t now = MonotonicMs();
  for (TimerEntry& t : timers_) {
    if (t.due > now) continue;
    MSG m{};
    m.hwnd = t.hwnd;
    m.message = WM_TIMER;
    m.wParam = t.id;
    m.lParam = reinterpret_cast<LPARAM>(t.proc);
    m.time = static_cast<DWORD>(now);
    if (!accept(m)) continue;
    out->msg = m;
    out->input = false;
    out->needsHitTest = false;
    out->text.clear();
    // The next one is due an interval after this one is handed out, so a
    // thread that was busy gets one WM_TIMER, not a burst.
    if (remove) t.due = now + t.interval;
    return true;
  }
  return false;
}

UINT_PTR MessageQueue::SetTimer(HWND hwnd, UINT_PTR id, UINT interval, TIMERPROC proc) {
  interval = std::clamp<UINT>(interval, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  std::lock_guard<std::mutex> lock(WaitLock());
  uint64_t due = MonotonicMs() + interval;
  if (!hwnd) {
    // Thread timers get an id of the system's choosing unless the caller
    // names one of its existing thread timers.
    bool exists = id && std::any_of(timers_.begin(), timers_.end(),
                                    [&](const TimerEntry& t) { return !t.hwnd && t.id == id; });
    if (!exists) {
      do {
        id = ++nextThreadTimerId_;
      } while (std::any_of(timers_.begin(), timers_.end(),
                           [&](const TimerEntry& t) { return !t.hwnd && t.id == id; }));
    }
  }
  for (TimerEntry& t : timers_) {
    if (t.hwnd == hwnd && t.id == id) {
      t.interval = interval;
      t.due = due;
      t.proc = proc;
      NotifyWaiters();
      return id;
    }
  }
  timers_.push_back(TimerEntry{hwnd, id, interval, due, proc});
  NotifyWaiters();
  return id ? id : 1;
}

bool MessageQueue::KillTimer(HWND hwnd, UINT_PTR id) {
  std::lock_guard<std::mutex> lock(WaitLock());
  auto it = std::find_if(timers_.begin(), timers_.end(),
                         [&](const TimerEntry& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == timers_.end()) return false;
  timers_.erase(it);
  return true;
}

void MessageQueue::KillWindowTimers(HWND hwnd) {
  std::lock_guard<std::mutex> lock(WaitLock());
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [&](const TimerEntry& t) { return t.hwnd == hwnd; }),
                timers_.end());
}

uint64_t MessageQueue::NextTimerDue() {
  std::lock_guard<std::mutex> lock(WaitLock());
  uint64_t next = UINT64_MAX;
  for (const TimerEntry& t : timers_) next = std::min(next, t.due);
  return next;
}

}  // namespace kb::platform
