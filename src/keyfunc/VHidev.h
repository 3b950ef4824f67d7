#pragma once
// The writer to the virtual HID keyboard. It keeps the state of four input
// reports (keyboard bitmap, mouse, consumer control, system control), changes
// one usage at a time and sends the whole changed report.
//
// The key action thread, the monitor thread (direct keys) and the UI thread
// all send through the one instance; one lock covers each report's change and
// its write, so two threads never interleave a change with another's write.
#include <cstdint>

#include "keyfunc/IVHidevProxy.h"
#include "keyfunc/ReportSection.h"
#include "platform/win32.h"

class VHidev : public IVHidevProxy {
 public:
  static constexpr uint32_t kBlockBytes = 64;
  static constexpr uint8_t kBlockId = 5;
  static constexpr uint8_t kKeyboardReportId = 1;
  static constexpr uint8_t kMouseReportId = 2;
  static constexpr uint8_t kConsumerReportId = 3;
  static constexpr uint8_t kSystemReportId = 4;
  static constexpr uint32_t kKeyboardPayloadBytes = 33;
  static constexpr uint32_t kMousePayloadBytes = 4;
  static constexpr uint32_t kUsagePayloadBytes = 2;

  static VHidev& Instance();

  // Tests make their own; the program uses Instance().
  VHidev();
  virtual ~VHidev();
  VHidev(const VHidev&) = delete;
  VHidev& operator=(const VHidev&) = delete;

  // The block Write sends: byte 0 the block id, then the report id (unless
  // 0) and as much of the data as fits; the rest zero.
  static void BuildBlock(const uint8_t* data, uint32_t length, uint8_t reportId, uint8_t (&block)[kBlockBytes]);
  int32_t Write(const uint8_t* data, uint32_t length, uint8_t reportId) override;
  // Presses or releases one usage and sends the report it belongs to; the
  // write's result, or 0 when the usage belongs to no report.
  int32_t SendUsage(uint16_t usagePage, uint16_t usage, bool pressed);
  // Every usage up: the four reports zeroed and sent.
  void ReleaseAll();

  HANDLE Device();
  // Takes ownership of an open handle (INVALID_HANDLE_VALUE for none).
  void SetDevice(HANDLE handle);
  void CloseDevice();

  // Copies of the current payloads.
  ReportSection Keyboard();
  ReportSection Mouse();

 private:
  int32_t ChangeKeyboard(uint16_t usage, bool pressed);
  int32_t ChangeMouseButton(uint16_t usage, bool pressed);
  int32_t ChangeMovement(uint16_t usage);
  static int32_t ChangeSingleUsage(ReportSection& section, uint16_t usage, bool pressed);

  HANDLE lock = nullptr;
  HANDLE device = INVALID_HANDLE_VALUE;
  ReportSection keyboard;
  ReportSection mouse;
  ReportSection consumer;
  ReportSection system;
};
