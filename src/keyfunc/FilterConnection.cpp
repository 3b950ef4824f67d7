#include "keyfunc/FilterConnection.h"

#include "keyfunc/FilterIoctl.h"

namespace HidUsbFilter {

namespace {
constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kFlags = FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL;

HANDLE OpenWith(const std::wstring& name, DWORD access) {
  return CreateFileW(name.c_str(), access, kShare, nullptr, OPEN_EXISTING, kFlags, nullptr);
}

void Shut(std::atomic<HANDLE>& slot, HANDLE event) {
  HANDLE handle = slot.exchange(INVALID_HANDLE_VALUE);
  if (handle == INVALID_HANDLE_VALUE) return;
  SetEvent(event);
  CancelIo(handle);
  CloseHandle(handle);
}
}  // namespace

FilterConnection::FilterConnection()
    : readEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      writeEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      controlEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

FilterConnection::~FilterConnection() {
  Close();
  for (HANDLE event : {readEvent, writeEvent, controlEvent})
    if (event) CloseHandle(event);
}

HANDLE FilterConnection::Open() {
  Close();
  name = kFilterDeviceName;
  read.store(OpenWith(name, GENERIC_READ));
  write.store(OpenWith(name, GENERIC_WRITE));
  HANDLE opened = OpenWith(name, access);
  control.store(opened);
  return opened;
}

void FilterConnection::Close() {
  Shut(read, readEvent);
  Shut(write, writeEvent);
  Shut(control, controlEvent);
}

void FilterConnection::CancelAll() {
  const std::pair<const std::atomic<HANDLE>*, HANDLE> pairs[] = {
      {&read, readEvent}, {&write, writeEvent}, {&control, controlEvent}};
  for (const auto& [slot, event] : pairs) {
    HANDLE handle = slot->load();
    if (handle == INVALID_HANDLE_VALUE) continue;
    SetEvent(event);
    CancelIo(handle);
  }
}

int64_t FilterConnection::Request(HANDLE handle, DWORD code, const void* input, DWORD inputSize, void* output,
                                  DWORD outputSize, HANDLE doneEvent) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = doneEvent;
  DWORD returned = 0;
  if (DeviceIoControl(handle, code, const_cast<void*>(input), inputSize, output, outputSize, &returned, &overlapped))
    return returned;
  if (GetLastError() != ERROR_IO_PENDING) return -1;
  const HANDLE waits[] = {doneEvent, controlEvent};
  DWORD woke = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  if (woke != WAIT_OBJECT_0) {
    // The OVERLAPPED lives on this stack: the request must have ended before
    // it goes, whether the cancel or the completion gets there first. When
    // the completion won, the driver has handed over its event already and
    // will not report it again: it is returned, not dropped.
    CancelIo(handle);
    WaitForSingleObject(doneEvent, INFINITE);
    if (output && GetOverlappedResult(handle, &overlapped, &returned, FALSE) && returned > 0) return returned;
    return -1;
  }
  if (!GetOverlappedResult(handle, &overlapped, &returned, FALSE)) return -1;
  return returned;
}

bool FilterConnection::Control(DWORD code, const void* input, DWORD inputSize) {
  HANDLE handle = Control();
  if (handle == INVALID_HANDLE_VALUE) return false;
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!done) return false;
  ResetEvent(controlEvent);
  int64_t result = Request(handle, code, input, inputSize, nullptr, 0, done);
  CloseHandle(done);
  return result >= 0;
}

}  // namespace HidUsbFilter
