#pragma once
// The object behind a device handle: a session on a device of the simulated
// machine, and the transfers in flight on it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/kbsim_protocol.h"
#include "platform/linux/kernel_object.h"

namespace kb::platform {

class DeviceFile;

// One request in flight. Signalled when it has ended; its result is then in
// `error` and `count` (and in the OVERLAPPED, if it has one).
class DeviceTransfer : public KernelObject {
 public:
  bool IsWaitable() const override { return true; }
  bool TryAcquire(DWORD, bool*) override { return done; }

  // Every field is guarded by WaitLock().
  bool done = false;
  uint32_t error = 0;
  DWORD count = 0;
  LPOVERLAPPED overlapped = nullptr;
  HANDLE event = nullptr;
  void* buffer = nullptr;  // where the reply's data goes
  DWORD bufferSize = 0;
  DWORD thread = 0;        // the thread that started it (CancelIo cancels only its own)
  uint32_t requestId = 0;
  std::weak_ptr<DeviceFile> file;
};

class DeviceFile : public KernelObject {
 public:
  DeviceFile(std::wstring path, uint32_t session, uint64_t generation, DWORD access, bool overlapped,
             sim::DeviceKind kind, const sim::HidCapsWire& caps)
      : path_(std::move(path)), session_(session), generation_(generation), access_(access),
        overlapped_(overlapped), kind_(kind), caps_(caps) {}

  bool IsWaitable() const override { return true; }
  // A file is signalled from the end of a transfer until the next one
  // starts; a wait does not consume it.
  bool TryAcquire(DWORD, bool*) override { return signalled_; }
  void OnHandleClosed() override;

  const std::wstring& Path() const { return path_; }
  uint32_t Session() const { return session_; }
  uint64_t Generation() const { return generation_; }
  DWORD Access() const { return access_; }
  bool Overlapped() const { return overlapped_; }
  sim::DeviceKind Kind() const { return kind_; }
  const sim::HidCapsWire& Caps() const { return caps_; }

  // Under WaitLock().
  bool signalled_ = false;
  std::vector<std::shared_ptr<DeviceTransfer>> pending_;
  std::shared_ptr<DeviceTransfer> FindPending(const OVERLAPPED* overlapped) const;

 private:
  std::wstring path_;
  uint32_t session_;
  uint64_t generation_;
  DWORD access_;
  bool overlapped_;
  sim::DeviceKind kind_;
  sim::HidCapsWire caps_;
};

// Ends a transfer with a result, unless it has ended already (a cancelled
// transfer keeps its cancellation). Data goes to the transfer's buffer.
void CompleteTransfer(const std::shared_ptr<DeviceTransfer>& transfer, uint32_t error, const std::vector<uint8_t>& data,
                      DWORD count);
// Cancels a transfer here and tells the daemon to forget it.
void CancelTransfer(const std::shared_ptr<DeviceTransfer>& transfer, uint64_t generation);

// OVERLAPPED.Internal holds an NTSTATUS; these translate the Win32 errors the
// daemon answers with.
ULONG_PTR ErrorToStatus(uint32_t error);
uint32_t StatusToError(ULONG_PTR status);

}  // namespace kb::platform
