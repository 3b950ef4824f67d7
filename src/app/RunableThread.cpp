#include "app/RunableThread.h"

#include <algorithm>
#include <utility>

#include "app/EasyThreadSupport.h"

namespace {

// Waits for an auto-reset event; a missing event (creation failed) or a
// failed wait degrades to a short pause instead of a busy loop.
void WaitForWake(HANDLE event, DWORD milliseconds) {
  if (milliseconds == 0) return;
  if (event == nullptr || WaitForSingleObject(event, milliseconds) == WAIT_FAILED) Sleep(kb::kPassPause);
}

}  // namespace

template <int N>
RunableThread<N>::RunableThread() : WorkerBase("RunableThread") {}

template <int N>
RunableThread<N>::~RunableThread() {
  Stop();
  for (HANDLE handle : {listMutex, workEvent, timerEvent})
    if (handle != nullptr) CloseHandle(handle);
}

template <int N>
void RunableThread<N>::WakeIdleLoop() {
  if (workEvent != nullptr) SetEvent(workEvent);
}

template <int N>
bool RunableThread<N>::IsStopping() {
  return workerThreadId != GetCurrentThreadId();
}

template <int N>
size_t RunableThread<N>::QueuedCount() {
  std::scoped_lock lock(lists);
  return workCount;
}

template <int N>
size_t RunableThread<N>::TimedCount() {
  std::scoped_lock lock(lists);
  return timedCount;
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
  {
    std::scoped_lock lock(lists);
    if (slot != nullptr) {
      task->repeat = 0;
      task->completionEvent = slot->Event();
      task->resultSlot = slot;
    }
    timedList.push_back(std::move(task));
    ++timedCount;
  }
  // The timer may be asleep until a later task is due.
  if (timerEvent != nullptr) SetEvent(timerEvent);
  if (slot == nullptr) return 0;
  if (WaitForSingleObject(slot->Event(), waitLimit) != WAIT_OBJECT_0) return 0;
  return slot->Result();
}

template <int N>
int RunableThread<N>::StartThreads(void* newUserObject) {
  // In place before either thread can read it.
  core_.SetUserObject(newUserObject);
  int result = 0;
  // Before either thread runs: a timer started first must not find the last
  // Stop's event still set.
  if (workerThreadHandle.load() == nullptr) core_.ClearStop();
  if (timerThreadHandle.load() == nullptr) {
    if (!kb::LaunchThread(TimerBody, this, timerThreadId, timerThreadHandle)) result = 1;
  }
  if (workerThreadHandle.load() == nullptr) {
    if (!kb::LaunchThread(WorkerBody, this, workerThreadId, workerThreadHandle)) result = 1;
  }
  return result;
}

template <int N>
void RunableThread<N>::Stop() {
  workerThreadId = 0;
  timerThreadId = 0;
  core_.RequestStop();
  WakeIdleLoop();
  if (timerEvent != nullptr) SetEvent(timerEvent);
  if (kb::IsOwnThread(this)) return;
  kb::JoinThread(workerThreadHandle, joinLock_);
  kb::JoinThread(timerThreadHandle, joinLock_);
}

template <int N>
std::unique_ptr<BaseRunable> RunableThread<N>::PopReadyTask(bool& wasLast) {
  std::scoped_lock lock(lists);
  std::unique_ptr<BaseRunable> task;
  if (!workQueue.empty()) {
    task = std::move(workQueue.front());
    workQueue.pop_front();
    --workCount;
  }
  wasLast = workQueue.empty();
  return task;
}

template <int N>
DWORD RunableThread<N>::TimerPass() {
  const DWORD now = GetTickCount();
  DWORD sleep = INFINITE;
  bool queued = false;
  {
    std::scoped_lock lock(lists);
    for (auto it = timedList.begin(); it != timedList.end();) {
      BaseRunable& task = **it;
      const bool held = task.hold;
      bool finished = false;
      if (task.timeStamp == 0) task.timeStamp = now;
      // Unsigned difference: correct across the tick counter's wrap.
      const DWORD waited = now - task.timeStamp;
      if (waited >= task.interval) {
        task.timeStamp = 0;
        if (task.repeat > 0) --task.repeat;
        workQueue.push_back(task.Clone());
        ++workCount;
        queued = true;
        finished = task.repeat == 0;
        // A repeating task's next interval starts at the next pass.
        if (!finished) sleep = std::min(sleep, kb::kPassPause);
      } else {
        sleep = std::min(sleep, task.interval - waited);
      }
      if (finished) {
        it = timedList.erase(it);
        --timedCount;
      } else {
        ++it;
      }
      // Tasks behind a held one are not looked at this pass, so they set no
      // wake-up; once the held one is gone, the next pass looks at them.
      if (held) {
        if (finished) sleep = 0;
        break;
      }
    }
  }
  if (queued) WakeIdleLoop();
  return sleep;
}

template <int N>
int32_t RunableThread<N>::RunWorkerLoop() {
  while (workerThreadId == GetCurrentThreadId()) {
    ++workerPasses_;
    bool queueEmpty = true;
    if (std::unique_ptr<BaseRunable> task = PopReadyTask(queueEmpty)) task->Execute();
    std::shared_ptr<ThreadCallback> loop = callbacks_.Current(Slots::kLoop);
    if (loop == nullptr) {
      if (queueEmpty) WaitForWake(workEvent, INFINITE);
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
    ++self->timerPasses_;
    WaitForWake(self->timerEvent, self->TimerPass());
  }
  kb::ReleaseOwnHandle(self->timerThreadHandle);
  return 0;
}

template class RunableThread<0>;
