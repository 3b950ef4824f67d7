#pragma once
// The simulated keyboard: a composite USB device with a boot keyboard
// interface and a second interface of several collections, one of which is the
// vendor collection that takes the lighting and firmware commands (8-byte
// reports with report id 7).
#include <cstdint>
#include <string>

#include "sim/SimHidDevice.h"

namespace kb::sim {

// Made-up ids; no real vendor uses them.
inline constexpr uint16_t kKeyboardVendorId = 0xE7A1;
inline constexpr uint16_t kKeyboardProductId = 0x5B0D;
inline constexpr uint16_t kKeyboardVersion = 0x0110;
inline constexpr int kKeyboardControlInterface = 1;
inline constexpr int kKeyboardControlCollection = 5;

// What the keyboard shows.
struct KeyboardLighting {
  int effect = 20;
  int brightness = 5;
  int speed = 2;
  int direction = 0;
  int variant = 0;
  int sideMode = 0;
  int sideLevel = 4;
  bool operator==(const KeyboardLighting&) const = default;
};

class SimKeyboard : public SimHidDevice {
 public:
  explicit SimKeyboard(SimLog* log);

  const KeyboardLighting& Lighting() const { return lighting_; }
  int FirmwareMajor() const { return firmwareMajor_; }
  int FirmwareMinor() const { return firmwareMinor_; }
  void SetFirmware(int major, int minor);
  // The index of the vendor collection.
  size_t ControlCollection() const { return controlCollection_; }

  std::string StatusText() const override;

 protected:
  ReportResult OnSetFeature(size_t collection, const std::vector<uint8_t>& report) override;
  ReportResult OnGetFeature(size_t collection, const std::vector<uint8_t>& request) override;
  ReportResult OnOutput(size_t collection, const std::vector<uint8_t>& report) override;

 private:
  // Applies one vendor command; returns what the firmware made of it.
  std::string ApplyCommand(const std::vector<uint8_t>& report);
  void FactoryReset();

  KeyboardLighting lighting_;
  int firmwareMajor_ = 1;
  int firmwareMinor_ = 0;
  bool versionRequested_ = false;
  size_t controlCollection_ = 0;
};

}  // namespace kb::sim
