#pragma once
// The simulated virtual HID keyboard: a root-enumerated device that exists
// only while its driver is installed. The program writes 64-byte blocks to
// its vendor collection; each carries one input report (keyboard bitmap,
// mouse, consumer or system control) that the device turns into what the
// system sees.
#include <array>
#include <cstdint>
#include <string>

#include "sim/SimHidDevice.h"
#include "sim/SimSystemInput.h"

namespace kb::sim {

inline constexpr uint16_t kVirtualKeyboardVendorId = 0xDEED;
inline constexpr uint16_t kVirtualKeyboardProductId = 0xFEED;
inline constexpr uint16_t kVirtualKeyboardUsagePage = 0xFF00;
inline constexpr uint16_t kVirtualKeyboardUsage = 0x01;
inline constexpr uint8_t kVirtualBlockId = 5;
inline constexpr uint16_t kVirtualBlockBytes = 64;

// Report ids inside a block.
inline constexpr uint8_t kVirtualReportKeyboard = 1;
inline constexpr uint8_t kVirtualReportMouse = 2;
inline constexpr uint8_t kVirtualReportConsumer = 3;
inline constexpr uint8_t kVirtualReportSystem = 4;

class SimVirtualKeyboard : public SimHidDevice {
 public:
  SimVirtualKeyboard(const std::string& name, const std::string& instance, SimLog* log, SimSystemInput* system);

  // The driver went away: what the device held goes up, its state is cleared.
  void Reset();
  std::string StatusText() const override;

 protected:
  ReportResult OnOutput(size_t collection, const std::vector<uint8_t>& report) override;

 private:
  std::string DecodeKeyboard(const uint8_t* payload);
  std::string DecodeMouse(const uint8_t* payload);
  std::string DecodeSingleUsage(uint16_t page, uint16_t* held, const uint8_t* payload);

  SimSystemInput* system_;
  std::array<uint8_t, 32> keys_{};
  uint8_t buttons_ = 0;
  uint16_t consumer_ = 0;
  uint16_t systemControl_ = 0;
};

}  // namespace kb::sim
