#pragma once
// The program's handle on one HID interface: opening it (by path or by
// identity), feature reports, interrupt transfers with time limits, closing.
// Each operation kind is serialised by its own named mutex, so two different
// operations (a feature report and a read, say) may run at once; at most one
// read and one write are in flight per device.
#include <cstdint>

#include "platform/win32.h"

class HidDevice {
 public:
  // Access word of Open: CreateFileW access bits in the high byte, share
  // mode in the low byte.
  static constexpr uint32_t kAccessMask = 0xFF000000u;
  static constexpr uint32_t kShareMask = 0x000000FFu;
  static constexpr uint32_t kFeatureLength = 8;
  static constexpr uint32_t kWriteTimeoutMs = 3000;

  HidDevice();
  HidDevice(const HidDevice&) = delete;
  HidDevice& operator=(const HidDevice&) = delete;

  int32_t Open(const wchar_t* path, uint32_t access);
  int32_t Open(int32_t vendorId, int32_t productCount, const int32_t* productIds, int32_t interfaceNumber,
               int32_t collectionNumber, uint16_t* versionOut, uint32_t access);
  int32_t Close();

  // 8-byte feature reports; the buffer's first byte is the report id.
  int32_t GetFeature(uint8_t* buffer);
  int32_t SetFeature(const uint8_t* buffer);
  int32_t GetFeature(uint8_t reportId, uint8_t* out, uint32_t length);
  int32_t SetFeature(uint8_t reportId, const uint8_t* data, uint32_t length);

  // Output reports: 8 bytes within 3000 ms, or a block of report id and data.
  int32_t Write(const uint8_t* data);
  int32_t Write(uint8_t reportId, const uint8_t* data, uint32_t length, uint32_t timeoutMs);
  // Input reports; the abort event, when given and set, ends the wait early.
  int32_t Read(uint8_t* buffer, uint32_t length, int32_t timeoutMs, HANDLE abortEvent = nullptr);
  int32_t Read(uint8_t reportId, uint8_t* out, uint32_t length, int32_t timeoutMs);

  // Not used with this keyboard: they take their lock and exchange nothing.
  int32_t SetOutputReport(const uint8_t* buffer);
  int32_t SetOutputReport(uint8_t reportId, const uint8_t* data, uint32_t length);
  int32_t GetInputReport(uint8_t* buffer);
  int32_t GetInputReport(uint8_t reportId, uint8_t* out, uint32_t length);

  HANDLE Handle() const { return handle_; }
  // A handle that is neither null nor the invalid handle left by a failed open.
  bool HasValidHandle() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }
  const HIDP_CAPS& Caps() const { return caps_; }
  // Overlapped single-handle mode is what the program uses; the others are
  // taken by the next Open.
  void SetTransferMode(bool overlapped, bool separateHandles);

 private:
  int32_t OpenPath(const wchar_t* path, uint32_t access);
  int32_t WriteTransfer(HANDLE handle, const uint8_t* data, uint32_t length, uint32_t timeoutMs,
                        OVERLAPPED* overlapped);
  int32_t ReadTransfer(HANDLE handle, HANDLE abortEvent, uint8_t* buffer, uint32_t length, int32_t timeoutMs,
                       OVERLAPPED* overlapped);
  HANDLE WriteTarget() const { return separateHandles_ ? writeHandle_ : handle_; }
  OVERLAPPED* ReadOverlapped() { return overlapped_ ? &readOverlapped_ : nullptr; }
  OVERLAPPED* WriteOverlapped() { return overlapped_ ? &writeOverlapped_ : nullptr; }

  int32_t overlapped_ = 1;
  int32_t separateHandles_ = 0;
  HIDP_CAPS caps_{};
  HANDLE writeHandle_ = nullptr;
  OVERLAPPED readOverlapped_{};
  HANDLE handle_ = nullptr;
  OVERLAPPED writeOverlapped_{};
};
