#include "app/RunableThread.h"

#include <utility>

#include "app/EasyThreadSupport.h"
#include "platform/diag.h"

namespace {

constexpr DWORD kPassPause = 1;

HANDLE CreateUnownedMutex() {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
  if (mutex == nullptr) {
    kb::DiagPrintf("RunableThread: CreateMutexW failed, error %lu\n", static_cast<unsigned long>(GetLastError()));
  }
  return mutex;
}

}  // namespace

template <int N>
RunableThread<N>::RunableThread()
    : dataMutex(CreateUnownedMutex()),
      listMutex(CreateUnownedMutex()),
      stopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (stopEvent == nullptr) {
    kb::DiagPrintf("RunableThread: CreateEventW failed, error %lu\n", static_cast<unsigned long>(GetLastError()));
  }
}

template <int N>
RunableThread<N>::~RunableThread() {
  Stop();
  if (stopEvent != nullptr) CloseHandle(stopEvent);
  if (listMutex != nullptr) CloseHandle(listMutex);
  if (dataMutex != nullptr) CloseHandle(dataMutex);
}

template <int N>
void RunableThread<N>::Lock() {
  WaitForSingleObject(dataMutex, INFINITE);
}

template <int N>
void RunableThread<N>::Unlock() {
  ReleaseMutex(dataMutex);
}

template <int N>
void RunableThread<N>::LockLists() {
  WaitForSingleObject(listMutex, INFINITE);
}

template <int N>
void RunableThread<N>::UnlockLists() {
  ReleaseMutex(listMutex);
}

template <int N>
DWORD RunableThread<N>::WaitStop(DWORD milliseconds) {
  return WaitForSingleObject(stopEvent, milliseconds);
}

template <int N>
bool RunableThread<N>::IsStopping() {
  return workerThreadId != GetCurrentThreadId();
}

template <int N>
void RunableThread<N>::SetContext(void* newContext, DWORD value) {
  if (newContext == nullptr) return;
  Lock();
  if (context == nullptr) {
    context = newContext;
    contextValue = value;
  }
  Unlock();
}

template <int N>
void* RunableThread<N>::Context() {
  Lock();
  void* result = context;
  Unlock();
  return result;
}

template <int N>
DWORD RunableThread<N>::ContextValue() {
  Lock();
  DWORD result = contextValue;
  Unlock();
  return result;
}

template <int N>
size_t RunableThread<N>::QueuedCount() {
  LockLists();
  size_t result = workCount;
  UnlockLists();
  return result;
}

template <int N>
size_t RunableThread<N>::TimedCount() {
  LockLists();
  size_t result = timedCount;
  UnlockLists();
  return result;
}

template <int N>
int32_t RunableThread<N>::Post(std::unique_ptr<BaseRunable> task) {
  if (task == nullptr) return 0;
  const DWORD waitLimit = task->resultWait;
  // The slot is shared with the task and its clone: if the wait below times
  // out, the task still has somewhere valid to put its result.
  std::shared_ptr<TaskResultSlot> slot;
  if (waitLimit != 0) {
    slot = std::make_shared<TaskResultSlot>();
    if (!slot->IsReady()) slot.reset();
  }
  LockLists();
  if (slot != nullptr) {
    task->repeat = 0;
    task->completionEvent = slot->Event();
    task->resultSlot = slot;
  }
  timedList.push_back(std::move(task));
  ++timedCount;
  UnlockLists();
  if (slot == nullptr) return 0;
  if (WaitForSingleObject(slot->Event(), waitLimit) != WAIT_OBJECT_0) return 0;
  return slot->Result();
}

template <int N>
int RunableThread<N>::StartThreads(void* newUserObject) {
  // In place before either thread can read it.
  userObject = newUserObject;
  int result = 0;
  if (timerThreadHandle.load() == nullptr) {
    if (!kb::LaunchThread(TimerBody, this, timerThreadId, timerThreadHandle)) result = 1;
  }
  if (workerThreadHandle.load() == nullptr) {
    ResetEvent(stopEvent);
    if (!kb::LaunchThread(WorkerBody, this, workerThreadId, workerThreadHandle)) result = 1;
  }
  return result;
}

template <int N>
void RunableThread<N>::Stop() {
  workerThreadId = 0;
  timerThreadId = 0;
  SetEvent(stopEvent);
  if (kb::IsOwnThread(this)) return;
  kb::JoinThread(workerThreadHandle);
  kb::JoinThread(timerThreadHandle);
}

template <int N>
void RunableThread<N>::SetLoopCallback(ThreadCallback* callback) {
  ReplaceCallback(loopCallback, callback);
}

template <int N>
void RunableThread<N>::SetStartCallback(ThreadCallback* callback) {
  ReplaceCallback(startCallback, callback);
}

template <int N>
void RunableThread<N>::SetEndCallback(ThreadCallback* callback) {
  ReplaceCallback(endCallback, callback);
}

template <int N>
void RunableThread<N>::ReplaceCallback(std::shared_ptr<ThreadCallback>& slot, ThreadCallback* callback) {
  std::shared_ptr<ThreadCallback> old;
  LockLists();
  if (slot.get() != callback) {
    old = std::move(slot);
    slot.reset(callback);
  }
  UnlockLists();
}

template <int N>
std::shared_ptr<typename RunableThread<N>::ThreadCallback> RunableThread<N>::CurrentCallback(
    const std::shared_ptr<ThreadCallback>& slot) {
  LockLists();
  std::shared_ptr<ThreadCallback> callback = slot;
  UnlockLists();
  return callback;
}

template <int N>
int32_t RunableThread<N>::InvokeCallback(const std::shared_ptr<ThreadCallback>& slot) {
  std::shared_ptr<ThreadCallback> callback = CurrentCallback(slot);
  if (callback == nullptr) return 0;
  return callback->Invoke(this, userObject);
}

template <int N>
std::unique_ptr<BaseRunable> RunableThread<N>::PopReadyTask() {
  std::unique_ptr<BaseRunable> task;
  LockLists();
  if (!workQueue.empty()) {
    task = std::move(workQueue.front());
    workQueue.pop_front();
    --workCount;
  }
  UnlockLists();
  return task;
}

template <int N>
void RunableThread<N>::TimerPass() {
  const DWORD now = GetTickCount();
  LockLists();
  for (auto it = timedList.begin(); it != timedList.end();) {
    BaseRunable& task = **it;
    const bool held = task.hold;
    bool finished = false;
    if (task.timeStamp == 0) task.timeStamp = now;
    // Unsigned difference: correct across the tick counter's wrap.
    if (now - task.timeStamp >= task.interval) {
      task.timeStamp = 0;
      if (task.repeat > 0) --task.repeat;
      workQueue.push_back(task.Clone());
      ++workCount;
      finished = task.repeat == 0;
    }
    if (finished) {
      it = timedList.erase(it);
      --timedCount;
    } else {
      ++it;
    }
    if (held) break;
  }
  UnlockLists();
}

template <int N>
int32_t RunableThread<N>::RunWorkerLoop() {
  while (workerThreadId == GetCurrentThreadId()) {
    if (std::unique_ptr<BaseRunable> task = PopReadyTask()) task->Execute();
    std::shared_ptr<ThreadCallback> loop = CurrentCallback(loopCallback);
    if (loop == nullptr) {
      Sleep(kPassPause);
      continue;
    }
    int32_t result = loop->Invoke(this, userObject);
    if (result != 0) {
      workerThreadId = 0;
      return result;
    }
  }
  return 0;
}

template <int N>
DWORD WINAPI RunableThread<N>::WorkerBody(LPVOID parameter) {
  auto* self = static_cast<RunableThread*>(parameter);
  kb::MarkThreadOwner(self);
  int32_t result = self->InvokeCallback(self->startCallback);
  if (result == 0) result = self->RunWorkerLoop();
  if (result != EasyThread::kSkipEnd) self->InvokeCallback(self->endCallback);
  // Last touch of self: once the handle is gone, the owner may be destroyed.
  kb::ReleaseOwnHandle(self->workerThreadHandle);
  return static_cast<DWORD>(result);
}

template <int N>
DWORD WINAPI RunableThread<N>::TimerBody(LPVOID parameter) {
  auto* self = static_cast<RunableThread*>(parameter);
  kb::MarkThreadOwner(self);
  while (self->timerThreadId == GetCurrentThreadId()) {
    self->TimerPass();
    Sleep(kPassPause);
  }
  kb::ReleaseOwnHandle(self->timerThreadHandle);
  return 0;
}

template class RunableThread<0>;
