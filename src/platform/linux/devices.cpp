// CreateFileW on device names, transfers, control requests, overlapped results
// and cancellation, all reaching the simulated machine through kbsim.
#include <cstring>
#include <string>
#include <vector>

#include "platform/linux/device_file.h"
#include "platform/linux/kbsim_client.h"
#include "platform/linux/kernel_object.h"
#include "platform/linux/win32_devices.h"
#include "platform/linux/win32_kernel.h"
#include "platform/text.h"

using kb::platform::DeviceFile;
using kb::platform::DeviceTransfer;
using kb::platform::KbsimClient;
using kb::platform::WaitLock;

namespace {

// "\\?\hid#...", "\\.\vhidflt": names in the device namespace. "\\?\C:\..."
// and "\\?\UNC\..." are the long forms of file-system paths instead.
bool IsDeviceName(const std::wstring& name) {
  if (name.size() < 5 || name[0] != L'\\' || name[1] != L'\\' || name[3] != L'\\') return false;
  if (name[2] == L'.') return true;
  if (name[2] != L'?') return false;
  if (name.size() >= 6 && name[5] == L':') return false;
  return name.compare(4, 4, L"UNC\\") != 0;
}

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}

bool WantsRead(DWORD access) { return access & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA); }
bool WantsWrite(DWORD access) { return access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA); }

struct Request {
  kb::sim::MsgType type;
  KbsimClient::Fill fill;
  void* outBuffer = nullptr;
  DWORD outSize = 0;
};

// Runs one request as Windows runs an I/O request. With an OVERLAPPED on a
// handle opened for overlapped I/O it returns at once (ERROR_IO_PENDING) and
// completes the OVERLAPPED later; otherwise it waits for the end.
BOOL RunRequest(const std::shared_ptr<DeviceFile>& file, const Request& request, LPDWORD transferred,
                LPOVERLAPPED overlapped) {
  auto transfer = std::make_shared<DeviceTransfer>();
  const bool async = file->Overlapped() && overlapped;
  transfer->buffer = request.outBuffer;
  transfer->bufferSize = request.outSize;
  transfer->thread = GetCurrentThreadId();
  transfer->file = file;
  transfer->requestId = KbsimClient::Instance().NewRequestId();
  if (async) {
    transfer->overlapped = overlapped;
    transfer->event = overlapped->hEvent;
    if (overlapped->hEvent) ResetEvent(overlapped->hEvent);
  }
  {
    std::lock_guard<std::mutex> lock(WaitLock());
    if (async) {
      overlapped->Internal = STATUS_PENDING;
      overlapped->InternalHigh = 0;
      if (!overlapped->hEvent) file->signalled_ = false;
    }
    file->pending_.push_back(transfer);
  }
  bool sent = KbsimClient::Instance().Start(
      request.type, transfer->requestId, request.fill,
      [transfer](const kb::sim::Reply& reply) {
        kb::platform::CompleteTransfer(transfer, reply.error, reply.data, reply.info);
      },
      file->Generation());
  if (!sent) kb::platform::CompleteTransfer(transfer, ERROR_DEVICE_NOT_CONNECTED, {}, 0);
  if (async) {
    if (transferred) *transferred = 0;
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
  }
  kb::platform::WaitForObjects({transfer}, false, INFINITE);
  uint32_t error;
  DWORD count;
  {
    std::lock_guard<std::mutex> lock(WaitLock());
    error = transfer->error;
    count = transfer->count;
    if (overlapped) {
      overlapped->Internal = kb::platform::ErrorToStatus(error);
      overlapped->InternalHigh = count;
    }
  }
  if (transferred) *transferred = count;
  if (error) return Fail(error);
  return TRUE;
}

std::shared_ptr<DeviceFile> LookupDevice(HANDLE handle) {
  auto file = kb::platform::LookupHandleAs<DeviceFile>(handle);
  if (!file) SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

}  // namespace

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                   DWORD, DWORD dwFlagsAndAttributes, HANDLE) {
  if (!lpFileName) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::wstring name(lpFileName);
  // The program opens only devices this way; its files go through the XML
  // library and the settings-file helper.
  if (!IsDeviceName(name)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return INVALID_HANDLE_VALUE;
  }
  std::string utf8 = kb::WideToUtf8(name);
  kb::sim::Reply reply;
  uint64_t generation = 0;
  bool reached = KbsimClient::Instance().Call(
      kb::sim::MsgType::kOpen,
      [&](kb::sim::WireWriter& w) { w.Str(utf8).U32(dwDesiredAccess).U32(dwShareMode); }, &reply, &generation);
  // No simulated machine: no such device.
  if (!reached) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (reply.error) {
    SetLastError(reply.error == KbsimClient::kLostError ? ERROR_FILE_NOT_FOUND : reply.error);
    return INVALID_HANDLE_VALUE;
  }
  kb::sim::WireReader r(reply.data.data(), reply.data.size());
  auto kind = static_cast<kb::sim::DeviceKind>(r.U8());
  kb::sim::HidCapsWire caps = kb::sim::GetCaps(r);
  auto file = std::make_shared<DeviceFile>(name, reply.info, generation, dwDesiredAccess,
                                           (dwFlagsAndAttributes & FILE_FLAG_OVERLAPPED) != 0, kind, caps);
  SetLastError(ERROR_SUCCESS);
  return kb::platform::InsertHandle(file);
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED lpOverlapped) {
  auto file = LookupDevice(hFile);
  if (!file) return FALSE;
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
  if (!WantsRead(file->Access())) return Fail(ERROR_ACCESS_DENIED);
  if (!lpBuffer && nNumberOfBytesToRead) return Fail(ERROR_NOACCESS);
  // The HID class driver refuses these before any transfer starts.
  if (file->Kind() == kb::sim::DeviceKind::kHidCollection) {
    if (file->Caps().inputLength == 0) return Fail(ERROR_INVALID_FUNCTION);
    if (nNumberOfBytesToRead < file->Caps().inputLength) return Fail(ERROR_INVALID_USER_BUFFER);
  }
  uint32_t session = file->Session();
  Request request{kb::sim::MsgType::kRead,
                  [session, nNumberOfBytesToRead](kb::sim::WireWriter& w) { w.U32(session).U32(nNumberOfBytesToRead); },
                  lpBuffer, nNumberOfBytesToRead};
  return RunRequest(file, request, lpNumberOfBytesRead, lpOverlapped);
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED lpOverlapped) {
  auto file = LookupDevice(hFile);
  if (!file) return FALSE;
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
  if (!WantsWrite(file->Access())) return Fail(ERROR_ACCESS_DENIED);
  if (!lpBuffer && nNumberOfBytesToWrite) return Fail(ERROR_NOACCESS);
  if (file->Kind() == kb::sim::DeviceKind::kHidCollection) {
    if (file->Caps().outputLength == 0) return Fail(ERROR_INVALID_FUNCTION);
    if (nNumberOfBytesToWrite != file->Caps().outputLength) return Fail(ERROR_INVALID_USER_BUFFER);
  }
  uint32_t session = file->Session();
  std::vector<uint8_t> data(static_cast<const uint8_t*>(lpBuffer),
                            static_cast<const uint8_t*>(lpBuffer) + nNumberOfBytesToWrite);
  Request request{kb::sim::MsgType::kWrite, [session, data](kb::sim::WireWriter& w) { w.U32(session).Bytes(data); }};
  return RunRequest(file, request, lpNumberOfBytesWritten, lpOverlapped);
}

BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                     LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned, LPOVERLAPPED lpOverlapped) {
  auto file = LookupDevice(hDevice);
  if (!file) return FALSE;
  if (lpBytesReturned) *lpBytesReturned = 0;
  if ((!lpInBuffer && nInBufferSize) || (!lpOutBuffer && nOutBufferSize)) return Fail(ERROR_NOACCESS);
  uint32_t session = file->Session();
  std::vector<uint8_t> input;
  if (lpInBuffer) input.assign(static_cast<uint8_t*>(lpInBuffer), static_cast<uint8_t*>(lpInBuffer) + nInBufferSize);
  Request request{kb::sim::MsgType::kIoctl,
                  [session, dwIoControlCode, input, nOutBufferSize](kb::sim::WireWriter& w) {
                    w.U32(session).U32(dwIoControlCode).Bytes(input).U32(nOutBufferSize);
                  },
                  lpOutBuffer, nOutBufferSize};
  return RunRequest(file, request, lpBytesReturned, lpOverlapped);
}

BOOL GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped, LPDWORD lpNumberOfBytesTransferred, BOOL bWait) {
  auto file = LookupDevice(hFile);
  if (!file) return FALSE;
  if (!lpOverlapped) return Fail(ERROR_INVALID_PARAMETER);
  ULONG_PTR status;
  std::shared_ptr<DeviceTransfer> transfer;
  {
    std::lock_guard<std::mutex> lock(WaitLock());
    status = lpOverlapped->Internal;
    transfer = file->FindPending(lpOverlapped);
  }
  if (status == static_cast<ULONG_PTR>(STATUS_PENDING)) {
    if (!bWait) return Fail(ERROR_IO_INCOMPLETE);
    // Waiting for this very transfer rather than for the handle: another
    // transfer ending on the same handle must not end this wait.
    if (transfer) {
      kb::platform::WaitForObjects({transfer}, false, INFINITE);
    } else if (WaitForSingleObject(lpOverlapped->hEvent ? lpOverlapped->hEvent : hFile, INFINITE) == WAIT_FAILED) {
      return FALSE;
    }
  }
  DWORD count;
  {
    std::lock_guard<std::mutex> lock(WaitLock());
    status = lpOverlapped->Internal;
    count = static_cast<DWORD>(lpOverlapped->InternalHigh);
  }
  if (lpNumberOfBytesTransferred) *lpNumberOfBytesTransferred = count;
  if (status == static_cast<ULONG_PTR>(STATUS_PENDING)) return Fail(ERROR_IO_INCOMPLETE);
  uint32_t error = kb::platform::StatusToError(status);
  if (error) return Fail(error);
  return TRUE;
}

BOOL CancelIo(HANDLE hFile) {
  auto file = LookupDevice(hFile);
  if (!file) return FALSE;
  DWORD self = GetCurrentThreadId();
  std::vector<std::shared_ptr<DeviceTransfer>> mine;
  {
    std::lock_guard<std::mutex> lock(WaitLock());
    for (const auto& t : file->pending_)
      if (t->thread == self) mine.push_back(t);
  }
  for (const auto& t : mine) kb::platform::CancelTransfer(t, file->Generation());
  return TRUE;
}
