#include "app/BaseRunable.h"

#include <cstring>

#include "platform/diag.h"

TaskResultSlot::TaskResultSlot() : event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (event == nullptr) {
    kb::DiagPrintf("RunableThread: CreateEventW failed, error %lu\n", static_cast<unsigned long>(GetLastError()));
  }
}

TaskResultSlot::~TaskResultSlot() {
  if (event != nullptr) CloseHandle(event);
}

void TaskResultSlot::Complete(int32_t result) {
  value = result;
  if (event != nullptr) SetEvent(event);
}

BaseRunable::BaseRunable(DWORD firstArgument, DWORD secondArgument)
    : firstArgument(firstArgument), secondArgument(secondArgument) {}

BaseRunable::BaseRunable(const BaseRunable& other)
    : firstArgument(other.firstArgument),
      secondArgument(other.secondArgument),
      interval(other.interval),
      repeat(other.repeat),
      hold(other.hold),
      timeStamp(other.timeStamp),
      completionEvent(other.completionEvent),
      resultWait(other.resultWait),
      resultSlot(other.resultSlot) {
  SetData(other.data.get(), other.dataSize);
}

BaseRunable::~BaseRunable() = default;

void BaseRunable::SetArguments(DWORD first, DWORD second) {
  firstArgument = first;
  secondArgument = second;
}

void BaseRunable::SetData(const void* bytes, DWORD size) {
  if (bytes == nullptr || size == 0) {
    data.reset();
    dataSize = 0;
    return;
  }
  std::unique_ptr<BYTE[]> copy(new BYTE[size]);
  std::memcpy(copy.get(), bytes, size);
  data = std::move(copy);
  dataSize = size;
}

void BaseRunable::Execute() {
  int32_t result = IsValid() ? Run(firstArgument, secondArgument, data.get(), dataSize) : 0;
  if (completionEvent != nullptr && resultSlot != nullptr) resultSlot->Complete(result);
}
