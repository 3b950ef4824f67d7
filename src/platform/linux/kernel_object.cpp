#include "platform/linux/kernel_object.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <unordered_map>

#include "platform/linux/win32_kernel.h"

namespace kb::platform {

namespace {
DWORD TryOnce(const std::vector<std::shared_ptr<KernelObject>>& objects, bool waitAll, DWORD tid,
              KernelObject* extra);
}  // namespace

// A wait blocked on one or more objects. Lives on the waiting thread's stack;
// every member is used with WaitLock() held.
//
// As in the Windows kernel, a signal is handed to the blocked waits at the
// moment it happens, oldest wait first: the signalling thread completes the
// wait on the waiter's behalf. So three SetEvent calls on an auto-reset event
// release three blocked threads, rather than collapsing into one signal before
// any of them runs.
class Waiter {
 public:
  Waiter(const std::vector<std::shared_ptr<KernelObject>>& objects, bool waitAll, DWORD tid, KernelObject* extra)
      : objects_(objects), waitAll_(waitAll), tid_(tid), extra_(extra) {
    for (const auto& o : objects_) o->waiters_.push_back(this);
    if (extra_) extra_->waiters_.push_back(this);
  }
  ~Waiter() { Unregister(); }

  // Tries to satisfy the wait now; on success wakes the waiting thread.
  bool TryComplete() {
    if (done_) return true;
    DWORD result = TryOnce(objects_, waitAll_, tid_, extra_);
    if (result == WAIT_TIMEOUT) return false;
    result_ = result;
    done_ = true;
    Unregister();
    cv_.notify_one();
    return true;
  }
  bool Done() const { return done_; }
  DWORD Result() const { return result_; }

  template <class Clock>
  void SleepUntil(std::unique_lock<std::mutex>& lock, const std::chrono::time_point<Clock>& until) {
    cv_.wait_until(lock, until);
  }

 private:
  void Unregister() {
    if (unregistered_) return;
    unregistered_ = true;
    for (const auto& o : objects_) Remove(o.get());
    if (extra_) Remove(extra_);
  }
  void Remove(KernelObject* o) {
    auto& w = o->waiters_;
    for (size_t i = 0; i < w.size(); ++i) {
      if (w[i] == this) {
        w.erase(w.begin() + static_cast<std::ptrdiff_t>(i));
        return;
      }
    }
  }

  const std::vector<std::shared_ptr<KernelObject>>& objects_;
  const bool waitAll_;
  const DWORD tid_;
  KernelObject* const extra_;
  std::condition_variable cv_;
  bool done_ = false;
  bool unregistered_ = false;
  DWORD result_ = WAIT_TIMEOUT;
};

std::mutex& WaitLock() {
  // Never destroyed: threads may still wait or signal while statics unwind.
  static std::mutex* lock = new std::mutex;
  return *lock;
}

KernelObject::~KernelObject() = default;

bool KernelObject::TryAcquire(DWORD, bool*) { return false; }
void KernelObject::UndoAcquire(DWORD) {}

void KernelObject::NotifyWaiters() {
  // Completed waits leave the list, so walk a copy.
  std::vector<Waiter*> waiting = waiters_;
  for (Waiter* w : waiting) w->TryComplete();
}

namespace {

// Handle values are multiples of 4 starting above the pseudo handles'
// range, as on Windows, so that 0 and -1 are never valid handles.
constexpr uintptr_t kHandleBase = 0x100;
constexpr uintptr_t kHandleStep = 4;

struct HandleTable {
  std::mutex lock;
  std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects;
  std::vector<uintptr_t> freeValues;
  uintptr_t nextValue = kHandleBase;
};

HandleTable& Table() {
  static HandleTable* table = new HandleTable;
  return *table;
}

}  // namespace

HANDLE InsertHandle(std::shared_ptr<KernelObject> object) {
  HandleTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  uintptr_t value;
  if (!t.freeValues.empty()) {
    value = t.freeValues.back();
    t.freeValues.pop_back();
  } else {
    value = t.nextValue;
    t.nextValue += kHandleStep;
  }
  t.objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
  HandleTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.objects.end()) return nullptr;
  return it->second;
}

std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle) {
  HandleTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.objects.end()) return nullptr;
  std::shared_ptr<KernelObject> object = std::move(it->second);
  t.objects.erase(it);
  t.freeValues.push_back(reinterpret_cast<uintptr_t>(handle));
  return object;
}

uint64_t MonotonicMs() {
  using namespace std::chrono;
  return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

namespace {

// One pass over the objects. Returns the WAIT_* result, or WAIT_TIMEOUT when
// nothing could be taken.
DWORD TryOnce(const std::vector<std::shared_ptr<KernelObject>>& objects, bool waitAll, DWORD tid,
              KernelObject* extra) {
  if (!waitAll) {
    for (size_t i = 0; i < objects.size(); ++i) {
      bool abandoned = false;
      if (objects[i]->TryAcquire(tid, &abandoned))
        return static_cast<DWORD>(i) + (abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0);
    }
  } else {
    // Windows takes all objects at once or none; here they are taken one by
    // one under the lock and given back when one of them is not available.
    bool anyAbandoned = false;
    size_t taken = 0;
    for (; taken < objects.size(); ++taken) {
      bool abandoned = false;
      if (!objects[taken]->TryAcquire(tid, &abandoned)) break;
      anyAbandoned = anyAbandoned || abandoned;
    }
    if (taken == objects.size()) return anyAbandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0;
    while (taken > 0) objects[--taken]->UndoAcquire(tid);
  }
  if (extra) {
    bool unused = false;
    if (extra->TryAcquire(tid, &unused)) return WAIT_OBJECT_0 + static_cast<DWORD>(objects.size());
  }
  return WAIT_TIMEOUT;
}

}  // namespace

DWORD WaitForObjects(const std::vector<std::shared_ptr<KernelObject>>& objects, bool waitAll, DWORD milliseconds,
                     KernelObject* extra) {
  using Clock = std::chrono::steady_clock;
  const DWORD tid = CurrentThreadId();
  const bool forever = milliseconds == INFINITE;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(forever ? 0 : milliseconds);

  DWORD poll = 0;
  for (const auto& o : objects) {
    DWORD p = o->PollIntervalMs();
    if (p && (!poll || p < poll)) poll = p;
  }

  std::unique_lock<std::mutex> lock(WaitLock());
  DWORD result = TryOnce(objects, waitAll, tid, extra);
  if (result != WAIT_TIMEOUT || milliseconds == 0) return result;

  Waiter waiter(objects, waitAll, tid, extra);
  for (;;) {
    Clock::time_point now = Clock::now();
    if (!forever && now >= deadline) return WAIT_TIMEOUT;
    // condition_variable::wait_until overflows on time_point::max().
    Clock::time_point wakeAt = forever ? now + std::chrono::hours(24) : deadline;
    if (poll) wakeAt = std::min(wakeAt, now + std::chrono::milliseconds(poll));
    waiter.SleepUntil(lock, wakeAt);
    if (waiter.Done()) return waiter.Result();
    // Objects changed by other processes give no notice; try them again.
    if (poll && waiter.TryComplete()) return waiter.Result();
  }
}

DWORD ErrnoToWin32(int err) {
  switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EBUSY: return ERROR_SHARING_VIOLATION;
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case EPIPE:
    case ECONNRESET: return ERROR_BROKEN_PIPE;
    case ECONNREFUSED:
    case ENODEV:
    case ENXIO: return ERROR_DEVICE_NOT_CONNECTED;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    case ENOSPC: return 112u;  // ERROR_DISK_FULL
    default: return ERROR_GEN_FAILURE;
  }
}

}  // namespace kb::platform
