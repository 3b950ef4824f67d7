#pragma once
// The open filter driver: three handles on "\\.\vhidflt" (read, write and
// control access, all overlapped) and one cancel event per handle.
//
// The handles are replaced by the UI thread (a device change reopens the
// filter) while the monitor thread waits on the control handle, so they are
// kept atomically.
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/win32.h"

namespace HidUsbFilter {

class FilterConnection {
 public:
  static constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE;

  FilterConnection();
  ~FilterConnection();
  FilterConnection(const FilterConnection&) = delete;
  FilterConnection& operator=(const FilterConnection&) = delete;

  // Closes what is open and opens the three handles; the control handle, or
  // INVALID_HANDLE_VALUE when the filter is not there.
  HANDLE Open();
  // Wakes whoever waits on a handle, abandons this thread's requests on it
  // and closes it.
  void Close();
  // Wakes the waits on each open handle and abandons this thread's requests.
  void CancelAll();

  HANDLE Control() const { return control.load(); }
  HANDLE ControlEvent() const { return controlEvent; }
  bool IsOpen() const { return Control() != INVALID_HANDLE_VALUE; }

  // A control request on the control handle that waits for its completion or
  // for a cancel. Nothing happens when the filter is closed. True when the
  // driver completed it successfully.
  bool Control(DWORD code, const void* input, DWORD inputSize);
  // Starts a request and waits until it completes or the control event is
  // signalled (then it is cancelled). The OVERLAPPED carries `doneEvent`.
  // Returns the bytes returned, or -1 on failure or cancel.
  int64_t Request(HANDLE handle, DWORD code, const void* input, DWORD inputSize, void* output, DWORD outputSize,
                  HANDLE doneEvent);

  const std::wstring& Name() const { return name; }

 private:
  std::atomic<HANDLE> read{INVALID_HANDLE_VALUE};
  std::atomic<HANDLE> write{INVALID_HANDLE_VALUE};
  std::atomic<HANDLE> control{INVALID_HANDLE_VALUE};
  HANDLE readEvent = nullptr;
  HANDLE writeEvent = nullptr;
  HANDLE controlEvent = nullptr;
  DWORD access = kAccess;
  std::wstring name;
};

}  // namespace HidUsbFilter
