#include "platform/linux/device_file.h"

#include <algorithm>
#include <cstring>

#include "platform/linux/kbsim_client.h"
#include "platform/linux/win32_devices.h"
#include "platform/linux/win32_kernel.h"

namespace kb::platform {

namespace {
struct StatusPair {
  uint32_t status;
  uint32_t error;
};
// NTSTATUS values of the errors a device transfer can end with.
constexpr StatusPair kStatusTable[] = {
    {0xC0000120, ERROR_OPERATION_ABORTED},    // STATUS_CANCELLED
    {0xC000009D, ERROR_DEVICE_NOT_CONNECTED}, // STATUS_DEVICE_NOT_CONNECTED
    {0xC0000206, ERROR_INVALID_USER_BUFFER},  // STATUS_INVALID_BUFFER_SIZE
    {0xC000000D, ERROR_INVALID_PARAMETER},    // STATUS_INVALID_PARAMETER
    {0xC0000010, ERROR_INVALID_FUNCTION},     // STATUS_INVALID_DEVICE_REQUEST
    {0xC0000001, ERROR_GEN_FAILURE},          // STATUS_UNSUCCESSFUL
    {0xC0000022, ERROR_ACCESS_DENIED},        // STATUS_ACCESS_DENIED
    {0xC00000B5, ERROR_SEM_TIMEOUT},          // STATUS_IO_TIMEOUT
    {0xC0000008, ERROR_INVALID_HANDLE},       // STATUS_INVALID_HANDLE
    {0xC0000023, ERROR_INSUFFICIENT_BUFFER},  // STATUS_BUFFER_TOO_SMALL
};
// Errors without a listed status travel as a customer-defined status.
constexpr uint32_t kCustomerStatus = 0xE0000000;

// An NTSTATUS is signed: in a pointer-sized field it is sign-extended, as
// Windows stores it in OVERLAPPED.Internal.
ULONG_PTR Widen(uint32_t status) { return static_cast<ULONG_PTR>(static_cast<intptr_t>(static_cast<int32_t>(status))); }
}  // namespace

ULONG_PTR ErrorToStatus(uint32_t error) {
  if (error == 0) return STATUS_SUCCESS;
  for (const StatusPair& p : kStatusTable)
    if (p.error == error) return Widen(p.status);
  return Widen(kCustomerStatus | (error & 0xFFFF));
}

uint32_t StatusToError(ULONG_PTR wide) {
  uint32_t status = static_cast<uint32_t>(wide);
  if (status == STATUS_SUCCESS) return 0;
  for (const StatusPair& p : kStatusTable)
    if (p.status == status) return p.error;
  if ((status & 0xFFFF0000) == kCustomerStatus) return status & 0xFFFF;
  return ERROR_GEN_FAILURE;
}

std::shared_ptr<DeviceTransfer> DeviceFile::FindPending(const OVERLAPPED* overlapped) const {
  for (const auto& t : pending_)
    if (t->overlapped == overlapped) return t;
  return nullptr;
}

// Closing a device handle ends what is pending on it, as the driver cancels
// a file's requests at cleanup.
void DeviceFile::OnHandleClosed() {
  std::vector<std::shared_ptr<DeviceTransfer>> pending;
  {
    std::lock_guard<std::mutex> lock(WaitLock());
    pending = pending_;
  }
  for (const auto& t : pending) CancelTransfer(t, generation_);
  uint32_t session = session_;
  KbsimClient::Instance().Post(sim::MsgType::kClose, [session](sim::WireWriter& w) { w.U32(session); }, generation_);
}

void CompleteTransfer(const std::shared_ptr<DeviceTransfer>& transfer, uint32_t error, const std::vector<uint8_t>& data,
                      DWORD count) {
  HANDLE event = nullptr;
  {
    std::lock_guard<std::mutex> lock(WaitLock());
    if (transfer->done) return;
    if (error == 0 && transfer->buffer && !data.empty()) {
      size_t n = std::min<size_t>(data.size(), transfer->bufferSize);
      std::memcpy(transfer->buffer, data.data(), n);
      count = static_cast<DWORD>(n);
    }
    if (error != 0) count = 0;
    transfer->error = error;
    transfer->count = count;
    if (transfer->overlapped) {
      transfer->overlapped->Internal = ErrorToStatus(error);
      transfer->overlapped->InternalHigh = count;
    }
    transfer->done = true;
    transfer->NotifyWaiters();
    if (auto file = transfer->file.lock()) {
      auto& list = file->pending_;
      list.erase(std::remove(list.begin(), list.end(), transfer), list.end());
      if (transfer->overlapped && !transfer->event) {
        file->signalled_ = true;
        file->NotifyWaiters();
      }
    }
    event = transfer->event;
  }
  if (event) SetEvent(event);
}

void CancelTransfer(const std::shared_ptr<DeviceTransfer>& transfer, uint64_t generation) {
  uint32_t requestId = 0;
  {
    std::lock_guard<std::mutex> lock(WaitLock());
    if (transfer->done) return;
    requestId = transfer->requestId;
  }
  CompleteTransfer(transfer, ERROR_OPERATION_ABORTED, {}, 0);
  KbsimClient::Instance().Post(sim::MsgType::kCancel, [requestId](sim::WireWriter& w) { w.U32(requestId); },
                               generation);
}

}  // namespace kb::platform
