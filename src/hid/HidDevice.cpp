#include "hid/HidDevice.h"

#include <string>
#include <vector>

#include "hid/HidInterfaceInfo.h"
#include "hid/HidOperationLock.h"
#include "platform/diag.h"

namespace {

constexpr wchar_t kTagOpen[] = L"HidDevice::Open";
constexpr wchar_t kTagClose[] = L"HidDevice::Close";
constexpr wchar_t kTagRead[] = L"HidDevice::Read";
constexpr wchar_t kTagWrite[] = L"HidDevice::Write";
constexpr wchar_t kTagGetFeature[] = L"HidDevice::GetFeature";
constexpr wchar_t kTagSetFeature[] = L"HidDevice::SetFeature";
constexpr wchar_t kTagSetOutputReport[] = L"HidDevice::SetOutputReport";
constexpr wchar_t kTagGetInputReport[] = L"HidDevice::GetInputReport";

unsigned Bits(const void* pointer) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(pointer)); }

// Closes a handle that is open and forgets it. A failed open leaves
// INVALID_HANDLE_VALUE, which must never reach CloseHandle: on Windows it is
// the current process's pseudo handle.
void CloseIfOpen(HANDLE& handle) {
  if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  handle = nullptr;
}

uint32_t LimitLength(uint32_t length, USHORT reportLength) {
  return reportLength != 0 && reportLength < length ? reportLength : length;
}

// A transfer still in flight after its time limit is cancelled, and its end
// awaited, before its buffer or OVERLAPPED may be reused or freed.
void AbandonTransfer(HANDLE handle, OVERLAPPED* overlapped) {
  CancelIo(handle);
  DWORD ignored = 0;
  GetOverlappedResult(handle, overlapped, &ignored, TRUE);
}

void DumpBuffer(const uint8_t* buffer, uint32_t length) {
  std::string text;
  char digits[4];
  for (uint32_t i = 0; i < length; ++i) {
    std::snprintf(digits, sizeof digits, "%02x ", buffer[i]);
    text += digits;
  }
  if (!text.empty()) text.pop_back();
  kb::DiagPrintf("%s\n", text.c_str());
}

}  // namespace

HidDevice::HidDevice() = default;

void HidDevice::SetTransferMode(bool overlapped, bool separateHandles) {
  overlapped_ = overlapped ? 1 : 0;
  separateHandles_ = separateHandles ? 1 : 0;
}

int32_t HidDevice::Open(const wchar_t* path, uint32_t access) {
  HidOperationLock lock(kTagOpen);
  return OpenPath(path, access);
}

int32_t HidDevice::OpenPath(const wchar_t* path, uint32_t access) {
  if (!path) return 0;
  const DWORD flags = overlapped_ ? FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_NORMAL;
  const DWORD share = access & kShareMask;
  CloseIfOpen(handle_);
  CloseIfOpen(writeHandle_);
  // Nothing of an interface open before may pass for this one's.
  caps_ = HIDP_CAPS{};
  if (!separateHandles_) {
    handle_ = CreateFileW(path, access & kAccessMask, share, nullptr, OPEN_EXISTING, flags, nullptr);
    kb::DiagPrintfW(L"open dev: %08x\n", Bits(handle_));
    if (handle_ == INVALID_HANDLE_VALUE) return 0;
  } else {
    if ((access & kAccessMask) == 0) return 0;
    handle_ = CreateFileW(path, access & GENERIC_READ, share, nullptr, OPEN_EXISTING, flags, nullptr);
    kb::DiagPrintfW(L"open dev: %08x\n", Bits(handle_));
    if (handle_ == INVALID_HANDLE_VALUE) return 0;
    writeHandle_ = CreateFileW(path, access & GENERIC_WRITE, share, nullptr, OPEN_EXISTING, flags, nullptr);
    kb::DiagPrintfW(L"open dev: %08x\n", Bits(writeHandle_));
    if (writeHandle_ == INVALID_HANDLE_VALUE) {
      // Half open is not open: the read handle goes too.
      CloseIfOpen(writeHandle_);
      CloseIfOpen(handle_);
      handle_ = INVALID_HANDLE_VALUE;
      return 0;
    }
  }
  ReadHidAttributesAndCaps(path, nullptr, &caps_);
  return 1;
}

int32_t HidDevice::Open(int32_t vendorId, int32_t productCount, const int32_t* productIds, int32_t interfaceNumber,
                        int32_t collectionNumber, uint16_t* versionOut, uint32_t access) {
  HidOperationLock lock(kTagOpen);
  HidInterfaceInfo* list = FindHidInterfaces(vendorId, productCount, productIds, interfaceNumber, collectionNumber);
  if (!list) return 0;
  int32_t result = OpenPath(list->devicePath.c_str(), access);
  if (versionOut) *versionOut = list->versionNumber;
  FreeHidInterfaceList(list);
  return result;
}

int32_t HidDevice::Close() {
  HidOperationLock lock(kTagClose);
  CloseIfOpen(writeHandle_);
  CloseIfOpen(handle_);
  return 1;
}

int32_t HidDevice::GetFeature(uint8_t* buffer) {
  HidOperationLock lock(kTagGetFeature);
  if (!buffer || !handle_) return 0;
  return HidD_GetFeature(handle_, buffer, kFeatureLength) ? 1 : 0;
}

int32_t HidDevice::SetFeature(const uint8_t* buffer) {
  HidOperationLock lock(kTagSetFeature);
  if (!buffer || !handle_) return 0;
  return HidD_SetFeature(handle_, const_cast<uint8_t*>(buffer), kFeatureLength) ? 1 : 0;
}

int32_t HidDevice::GetFeature(uint8_t reportId, uint8_t* out, uint32_t length) {
  HidOperationLock lock(kTagGetFeature);
  if (length == 0 || !handle_ || !out) return 0;
  std::vector<uint8_t> block(length + 1, 0);
  block[0] = reportId;
  BOOLEAN ok = HidD_GetFeature(handle_, block.data(), length + 1);
  std::copy(block.begin() + 1, block.end(), out);
  return ok ? 1 : 0;
}

int32_t HidDevice::SetFeature(uint8_t reportId, const uint8_t* data, uint32_t length) {
  HidOperationLock lock(kTagSetFeature);
  if (length == 0 || !handle_ || !data) return 0;
  std::vector<uint8_t> block(length + 1);
  block[0] = reportId;
  std::copy(data, data + length, block.begin() + 1);
  return HidD_SetFeature(handle_, block.data(), length + 1) ? 1 : 0;
}

int32_t HidDevice::Write(const uint8_t* data) {
  HidOperationLock lock(kTagWrite);
  return WriteTransfer(WriteTarget(), data, kFeatureLength, kWriteTimeoutMs, WriteOverlapped());
}

int32_t HidDevice::Write(uint8_t reportId, const uint8_t* data, uint32_t length, uint32_t timeoutMs) {
  HidOperationLock lock(kTagWrite);
  if (length == 0 || !data) return 0;
  std::vector<uint8_t> block(length + 1);
  block[0] = reportId;
  std::copy(data, data + length, block.begin() + 1);
  return WriteTransfer(WriteTarget(), block.data(), length + 1, timeoutMs, WriteOverlapped());
}

int32_t HidDevice::Read(uint8_t* buffer, uint32_t length, int32_t timeoutMs, HANDLE abortEvent) {
  HidOperationLock lock(kTagRead);
  return ReadTransfer(handle_, abortEvent, buffer, length, timeoutMs, ReadOverlapped());
}

int32_t HidDevice::Read(uint8_t reportId, uint8_t* out, uint32_t length, int32_t timeoutMs) {
  HidOperationLock lock(kTagRead);
  if (length == 0 || !out) return 0;
  std::vector<uint8_t> block(length + 1, 0);
  block[0] = reportId;
  int32_t count = ReadTransfer(handle_, nullptr, block.data(), length + 1, timeoutMs, ReadOverlapped());
  std::copy(block.begin() + 1, block.end(), out);
  return count;
}

int32_t HidDevice::SetOutputReport(const uint8_t*) {
  HidOperationLock lock(kTagSetOutputReport);
  return 0;
}

int32_t HidDevice::SetOutputReport(uint8_t, const uint8_t*, uint32_t) {
  HidOperationLock lock(kTagSetOutputReport);
  return 0;
}

int32_t HidDevice::GetInputReport(uint8_t*) {
  HidOperationLock lock(kTagGetInputReport);
  return 0;
}

int32_t HidDevice::GetInputReport(uint8_t, uint8_t*, uint32_t) {
  HidOperationLock lock(kTagGetInputReport);
  return 0;
}

int32_t HidDevice::WriteTransfer(HANDLE handle, const uint8_t* data, uint32_t length, uint32_t timeoutMs,
                                 OVERLAPPED* overlapped) {
  if (length == 0 || !data || !handle) return 0;
  DWORD count = 0;
  if (!overlapped) {
    kb::DiagPrintfW(L"写(同步)USB设备 handle=%08x, data=%08x, len=%d, timeout=%d\n", Bits(handle), Bits(data),
                    static_cast<int>(length), static_cast<int>(timeoutMs));
    length = LimitLength(length, caps_.OutputReportByteLength);
    DWORD written = 0;
    count = WriteFile(handle, data, length, &written, nullptr) ? length : 0;
  } else if (timeoutMs != 0) {
    kb::DiagPrintfW(L"写(异步)USB设备 handle=%08x, data=%08x, len=%d, timeout=%d\n", Bits(handle), Bits(data),
                    static_cast<int>(length), static_cast<int>(timeoutMs));
    length = LimitLength(length, caps_.OutputReportByteLength);
    kb::DiagPrintfW(L"正在写入... %d\n", static_cast<int>(length));
    *overlapped = OVERLAPPED{};
    if (WriteFile(handle, data, length, nullptr, overlapped)) {
      GetOverlappedResult(handle, overlapped, &count, TRUE);
    } else {
      DWORD error = GetLastError();
      kb::DiagPrintfW(L"写文件错误(%04x,%d)\n", Bits(handle), static_cast<int>(error));
      if (error == ERROR_IO_PENDING) {
        DWORD wait = WaitForMultipleObjects(1, &handle, FALSE, timeoutMs);
        if (wait == WAIT_OBJECT_0) {
          kb::DiagPrintfW(L"asynchronous write succeed : %d\n", static_cast<int>(wait));
          if (!GetOverlappedResult(handle, overlapped, &count, TRUE)) count = 0;
        } else {
          kb::DiagPrintfW(L"超时索引错误\n");
          AbandonTransfer(handle, overlapped);
        }
      }
    }
  }
  kb::DiagPrintfW(L"已写长度为 %d\n", static_cast<int>(count));
  return static_cast<int32_t>(count);
}

int32_t HidDevice::ReadTransfer(HANDLE handle, HANDLE abortEvent, uint8_t* buffer, uint32_t length,
                                int32_t timeoutMs, OVERLAPPED* overlapped) {
  if (length == 0 || !buffer || !handle) return 0;
  DWORD count = 0;
  if (overlapped) {
    kb::DiagPrintfW(L"读(异步)USB设备 handle=%08x, data=%08x, len=%d, timeout=%d\n", Bits(handle), Bits(buffer),
                    static_cast<int>(length), static_cast<int>(timeoutMs));
    if (timeoutMs <= 0) return 0;
    length = LimitLength(length, caps_.InputReportByteLength);
    *overlapped = OVERLAPPED{};
    if (ReadFile(handle, buffer, length, nullptr, overlapped)) {
      GetOverlappedResult(handle, overlapped, &count, TRUE);
    } else if (GetLastError() == ERROR_IO_PENDING) {
      HANDLE handles[2] = {handle, abortEvent};
      DWORD wait = WaitForMultipleObjects(abortEvent ? 2 : 1, handles, FALSE, static_cast<DWORD>(timeoutMs));
      if (wait == WAIT_OBJECT_0) {
        kb::DiagPrintfW(L"asynchronous read succeed : %d\n", static_cast<int>(wait));
        if (!GetOverlappedResult(handle, overlapped, &count, TRUE)) count = 0;
      } else if (abortEvent && wait == WAIT_OBJECT_0 + 1) {
        ResetEvent(abortEvent);
        kb::DiagPrintfW(L"read abort : %04x", Bits(abortEvent));
        AbandonTransfer(handle, overlapped);
      } else {
        kb::DiagPrintfW(L"超时索引错误(%d)\n", static_cast<int>(ERROR_IO_PENDING));
        AbandonTransfer(handle, overlapped);
      }
    } else {
      kb::DiagPrintfW(L"读取文件错误(%d)\n", static_cast<int>(GetLastError()));
    }
  } else {
    kb::DiagPrintfW(L"读(同步)USB设备 handle=%08x, data=%08x, len=%d, timeout=%d\n", Bits(handle), Bits(buffer),
                    static_cast<int>(length), static_cast<int>(timeoutMs));
    length = LimitLength(length, caps_.InputReportByteLength);
    if (!ReadFile(handle, buffer, length, &count, nullptr)) count = 0;
  }
  DumpBuffer(buffer, length);
  kb::DiagPrintfW(L"已读长度为 %d\n", static_cast<int>(count));
  return static_cast<int32_t>(count);
}
