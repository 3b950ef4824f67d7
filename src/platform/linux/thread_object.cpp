#include "platform/linux/thread_object.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <unordered_map>
#include <vector>

#include "platform/linux/mutex_object.h"
#include "platform/linux/thread_priority.h"
#include "platform/linux/win32_kernel.h"

namespace kb::platform {
namespace {

// Thread ids are handed out here rather than taken from gettid(), so that a
// new thread's id is known before it starts (CreateThread reports it) and is
// never 0. Like Windows ids they are multiples of 4.
std::atomic<DWORD> nextThreadId{0x104};

DWORD NewThreadId() { return nextThreadId.fetch_add(4); }

// Mutexes owned per thread id; guarded by WaitLock.
using OwnedMutexes = std::unordered_map<DWORD, std::vector<std::weak_ptr<MutexObject>>>;
OwnedMutexes& Owned() {
  static OwnedMutexes* owned = new OwnedMutexes;
  return *owned;
}

struct ThreadState {
  DWORD id = 0;
  std::shared_ptr<ThreadObject> self;

  // Runs when the thread ends, whoever created it.
  ~ThreadState() { End(0); }

  void AbandonMutexes() {
    std::vector<std::weak_ptr<MutexObject>> owned;
    {
      std::lock_guard<std::mutex> lock(WaitLock());
      auto it = Owned().find(id);
      if (it == Owned().end()) return;
      owned.swap(it->second);
      Owned().erase(it);
    }
    for (auto& weak : owned)
      if (auto m = weak.lock()) m->AbandonBy(id);
  }

  void End(DWORD exitCode) {
    AbandonMutexes();
    if (self) self->Finish(exitCode);
  }
};

thread_local ThreadState threadState;

ThreadState& State() {
  if (threadState.id == 0) threadState.id = NewThreadId();
  return threadState;
}

struct StartBlock {
  std::shared_ptr<ThreadObject> thread;
  LPTHREAD_START_ROUTINE start;
  LPVOID parameter;
};

void* ThreadMain(void* arg) {
  StartBlock* block = static_cast<StartBlock*>(arg);
  std::shared_ptr<ThreadObject> thread = block->thread;
  LPTHREAD_START_ROUTINE start = block->start;
  LPVOID parameter = block->parameter;
  delete block;

  ThreadState& state = threadState;
  state.id = thread->Id();
  state.self = thread;
  thread->Started(gettid());
  thread->WaitWhileSuspended();
  DWORD exitCode = start(parameter);
  // Mutexes are abandoned before the thread handle signals, so a thread that
  // waits for this one and then for its mutex sees the mutex free.
  state.End(exitCode);
  state.self.reset();
  return nullptr;
}

}  // namespace

void ThreadObject::Finish(DWORD exitCode) {
  std::lock_guard<std::mutex> lock(WaitLock());
  if (finished_) return;
  finished_ = true;
  kernelTid_ = 0;  // the kernel may give the id to another thread now
  exitCode_ = exitCode;
  NotifyWaiters();
}

DWORD ThreadObject::Resume() {
  std::lock_guard<std::mutex> lock(WaitLock());
  DWORD previous = suspendCount_;
  if (suspendCount_ > 0 && --suspendCount_ == 0) resumed_.notify_all();
  return previous;
}

void ThreadObject::WaitWhileSuspended() {
  std::unique_lock<std::mutex> lock(WaitLock());
  resumed_.wait(lock, [this] { return suspendCount_ == 0; });
}

std::shared_ptr<ThreadObject> CurrentThreadObject() {
  ThreadState& state = State();
  if (!state.self) {
    state.self = std::make_shared<ThreadObject>(state.id);
    state.self->Started(gettid());
  }
  return state.self;
}

namespace {

// Nice values for the priorities of the normal class: the scheduler's weight
// between threads roughly as Windows' base priorities 1 and 6..10 (15 is
// real-time where allowed, see thread_priority.h).
int NiceFor(int priority) {
  switch (priority) {
    case THREAD_PRIORITY_IDLE: return 19;
    case THREAD_PRIORITY_LOWEST: return 10;
    case THREAD_PRIORITY_BELOW_NORMAL: return 5;
    case THREAD_PRIORITY_ABOVE_NORMAL: return -5;
    case THREAD_PRIORITY_HIGHEST: return -10;
    case THREAD_PRIORITY_TIME_CRITICAL: return -15;
    default: return 0;
  }
}

void ApplyPriority(pid_t tid, int priority) {
  // Best effort: without the right to raise it the thread keeps its value.
  if (tid == 0) return;
  if (priority == THREAD_PRIORITY_TIME_CRITICAL) {
    RaiseThreadTimeCritical(tid);
  } else {
    SetThreadNice(tid, NiceFor(priority));
  }
}

}  // namespace

void ThreadObject::SetPriority(int priority) {
  priority_ = priority;
  ApplyPriority(kernelTid_, priority);
}

void ThreadObject::Started(pid_t kernelTid) {
  kernelTid_ = kernelTid;
  // A priority set while the thread was suspended before its first run.
  if (priority_ != THREAD_PRIORITY_NORMAL) ApplyPriority(kernelTid, priority_);
}

void NoteMutexOwned(DWORD owner, const std::shared_ptr<MutexObject>& mutex) { Owned()[owner].push_back(mutex); }

void NoteMutexReleased(DWORD owner, const MutexObject* mutex) {
  auto it = Owned().find(owner);
  if (it == Owned().end()) return;
  auto& owned = it->second;
  owned.erase(std::remove_if(owned.begin(), owned.end(),
                             [mutex](const std::weak_ptr<MutexObject>& w) {
                               auto m = w.lock();
                               return !m || m.get() == mutex;
                             }),
              owned.end());
  if (owned.empty()) Owned().erase(it);
}

DWORD CurrentThreadId() { return State().id; }

}  // namespace kb::platform

using kb::platform::ThreadObject;

namespace {

// GetCurrentThread() is a pseudo handle in no table: it means the caller.
std::shared_ptr<ThreadObject> ThreadFromHandle(HANDLE handle) {
  return handle == GetCurrentThread() ? kb::platform::CurrentThreadObject()
                                      : kb::platform::LookupHandleAs<ThreadObject>(handle);
}

}  // namespace

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T dwStackSize, LPTHREAD_START_ROUTINE lpStartAddress,
                    LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId) {
  if (!lpStartAddress) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto thread = std::make_shared<ThreadObject>(kb::platform::NewThreadId());
  if (dwCreationFlags & CREATE_SUSPENDED) thread->SetSuspendCount(1);

  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  if (dwStackSize) pthread_attr_setstacksize(&attr, std::max<size_t>(dwStackSize, PTHREAD_STACK_MIN));
  auto* block = new kb::platform::StartBlock{thread, lpStartAddress, lpParameter};
  pthread_t native;
  int rc = pthread_create(&native, &attr, kb::platform::ThreadMain, block);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    delete block;
    SetLastError(rc == EAGAIN ? ERROR_NOT_ENOUGH_MEMORY : kb::platform::ErrnoToWin32(rc));
    return nullptr;
  }
  if (lpThreadId) *lpThreadId = thread->Id();
  return kb::platform::InsertHandle(thread);
}

DWORD ResumeThread(HANDLE hThread) {
  auto thread = kb::platform::LookupHandleAs<ThreadObject>(hThread);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return static_cast<DWORD>(-1);
  }
  return thread->Resume();
}

DWORD GetCurrentThreadId() { return kb::platform::CurrentThreadId(); }

HANDLE GetCurrentThread() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2)); }

DWORD GetThreadId(HANDLE hThread) {
  std::shared_ptr<ThreadObject> thread = ThreadFromHandle(hThread);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return thread->Id();
}

BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
  std::shared_ptr<ThreadObject> thread = ThreadFromHandle(hThread);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!lpExitCode) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(kb::platform::WaitLock());
  *lpExitCode = thread->ExitCode();
  return TRUE;
}

BOOL SetThreadPriority(HANDLE hThread, int nPriority) {
  switch (nPriority) {
    case THREAD_PRIORITY_IDLE:
    case THREAD_PRIORITY_LOWEST:
    case THREAD_PRIORITY_BELOW_NORMAL:
    case THREAD_PRIORITY_NORMAL:
    case THREAD_PRIORITY_ABOVE_NORMAL:
    case THREAD_PRIORITY_HIGHEST:
    case THREAD_PRIORITY_TIME_CRITICAL: break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
  }
  std::shared_ptr<ThreadObject> thread = ThreadFromHandle(hThread);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  thread->SetPriority(nPriority);
  return TRUE;
}

int GetThreadPriority(HANDLE hThread) {
  std::shared_ptr<ThreadObject> thread = ThreadFromHandle(hThread);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return THREAD_PRIORITY_ERROR_RETURN;
  }
  return thread->Priority();
}
