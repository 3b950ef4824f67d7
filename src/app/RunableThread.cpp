#include "app/RunableThread.h"

#include <utility>

#include "app/EasyThreadSupport.h"

namespace {

constexpr DWORD kPassPause = 1;

}  // namespace

template <int N>
RunableThread<N>::RunableThread() : WorkerBase("RunableThread") {}

template <int N>
RunableThread<N>::~RunableThread() {
  Stop();
  if (listMutex != nullptr) CloseHandle(listMutex);
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
bool RunableThread<N>::IsStopping() {
  return workerThreadId != GetCurrentThreadId();
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
  core_.SetUserObject(newUserObject);
  int result = 0;
  if (timerThreadHandle.load() == nullptr) {
    if (!kb::LaunchThread(TimerBody, this, timerThreadId, timerThreadHandle)) result = 1;
  }
  if (workerThreadHandle.load() == nullptr) {
    core_.ClearStop();
    if (!kb::LaunchThread(WorkerBody, this, workerThreadId, workerThreadHandle)) result = 1;
  }
  return result;
}

template <int N>
void RunableThread<N>::Stop() {
  workerThreadId = 0;
  timerThreadId = 0;
  core_.RequestStop();
  if (kb::IsOwnThread(this)) return;
  kb::JoinThread(workerThreadHandle, joinLock_);
  kb::JoinThread(timerThreadHandle, joinLock_);
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
    std::shared_ptr<ThreadCallback> loop = callbacks_.Current(Slots::kLoop);
    if (loop == nullptr) {
      Sleep(kPassPause);
      continue;
    }
    int32_t result = loop->Invoke(this, core_.UserObject());
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
  int32_t result = self->InvokeCallback(Slots::kStart);
  if (result == 0) result = self->RunWorkerLoop();
  if (result != EasyThread::kSkipEnd) self->InvokeCallback(Slots::kEnd);
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
