#pragma once
// A task for RunableThread: two 32-bit arguments, an owned data buffer, and
// the schedule (interval, repeat count, hold).
#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/win32.h"

// Where a waiting Post finds the result of its task. Shared by the task, its
// clones and the waiting Post, so that a Post that gave up waiting leaves
// nothing dangling: the last holder closes the event.
class TaskResultSlot {
 public:
  TaskResultSlot();
  ~TaskResultSlot();
  TaskResultSlot(const TaskResultSlot&) = delete;
  TaskResultSlot& operator=(const TaskResultSlot&) = delete;

  bool IsReady() const { return event != nullptr; }
  HANDLE Event() const { return event; }
  void Complete(int32_t result);
  int32_t Result() const { return value; }

 private:
  HANDLE event;
  std::atomic<int32_t> value{0};
};

class BaseRunable {
 public:
  // Repeat count of a task that runs until its thread object is destroyed.
  static constexpr int32_t kRepeatForever = -1;

  explicit BaseRunable(DWORD firstArgument = 0, DWORD secondArgument = 0);

  virtual bool IsValid() const = 0;
  // A new task with every field copied and the data buffer duplicated.
  virtual std::unique_ptr<BaseRunable> Clone() const = 0;
  virtual int32_t Run(DWORD firstArgument, DWORD secondArgument, const BYTE* data, DWORD size) = 0;
  virtual ~BaseRunable();

  void SetArguments(DWORD first, DWORD second);
  // Keeps a copy; null or an empty range clears the buffer.
  void SetData(const void* bytes, DWORD size);
  void SetInterval(DWORD milliseconds) { interval = milliseconds; }
  void SetRepeat(int32_t count) { repeat = count; }
  // A held task keeps the tasks queued after it waiting while it is queued.
  void SetHold(bool held) { hold = held; }
  // How long Post waits for the result; 0 posts without waiting.
  void SetResultWait(DWORD milliseconds) { resultWait = milliseconds; }

  DWORD FirstArgument() const { return firstArgument; }
  DWORD SecondArgument() const { return secondArgument; }
  const BYTE* Data() const { return data.get(); }
  DWORD DataSize() const { return dataSize; }
  DWORD Interval() const { return interval; }
  int32_t Repeat() const { return repeat; }
  bool Hold() const { return hold; }
  DWORD ResultWait() const { return resultWait; }

 protected:
  BaseRunable(const BaseRunable& other);
  BaseRunable& operator=(const BaseRunable&) = delete;

 private:
  template <int>
  friend class RunableThread;

  // Runs the task as the worker does and hands the result to a waiting Post.
  void Execute();

  DWORD firstArgument;
  DWORD secondArgument;
  std::unique_ptr<BYTE[]> data;
  DWORD dataSize = 0;
  DWORD interval = 0;
  int32_t repeat = 1;
  bool hold = false;
  DWORD timeStamp = 0;
  HANDLE completionEvent = nullptr;
  DWORD resultWait = 0;
  std::shared_ptr<TaskResultSlot> resultSlot;
};
