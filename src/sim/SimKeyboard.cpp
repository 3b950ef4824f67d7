#include "sim/SimKeyboard.h"

#include <cstdio>

#include "sim/SimKeyNames.h"

namespace kb::sim {

namespace {
constexpr uint8_t kReportId = 0x07;
constexpr uint8_t kCommandLighting = 0xFF;
constexpr uint8_t kCommandVersion = 0xF1;
constexpr uint8_t kCommandFactoryReset = 0xF0;
constexpr uint8_t kLightingMarker = 0xFF;     // byte 2 of a lighting command
constexpr uint8_t kFactoryResetKey = 0xAA;    // byte 2 of the factory reset
constexpr uint8_t kSideLightSelector = 0x20;  // byte 3: the side light instead of an effect
constexpr int kLastEffect = 21;
constexpr uint16_t kReportLength = 8;

constexpr uint16_t kPageVendor = 0xFF00;
constexpr uint16_t kUsageKeyboard = 0x06;
constexpr uint16_t kUsageMouse = 0x02;
constexpr uint16_t kUsageSystemControl = 0x80;
constexpr uint16_t kUsageConsumerControl = 0x01;
constexpr uint16_t kUsageVendorControl = 0x01;
}  // namespace

SimKeyboard::SimKeyboard(SimLog* log) : SimHidDevice("keyboard", kKeyboardVendorId, kKeyboardProductId, kKeyboardVersion, log) {
  // Interface 0: the boot keyboard, one collection without report ids (the
  // HID lengths count the zero id byte).
  SimCollection& boot = AddCollection(0, -1, "7&1c0ffee1&0&0000", kPageGenericDesktop, kUsageKeyboard);
  boot.caps.inputLength = 9;
  boot.caps.outputLength = 2;
  boot.caps.inputButtonCaps = 1;
  boot.caps.outputButtonCaps = 1;
  boot.systemExclusive = true;

  // Interface 1: media keys, system control, full-key rollover, a mouse and
  // the vendor collection.
  SimCollection& consumer = AddCollection(1, 1, "8&2b0ffee2&0&0000", kPageConsumer, kUsageConsumerControl);
  consumer.reportId = 2;
  consumer.caps.inputLength = 3;
  consumer.caps.inputValueCaps = 1;
  SimCollection& system = AddCollection(1, 2, "8&2b0ffee2&0&0001", kPageGenericDesktop, kUsageSystemControl);
  system.reportId = 3;
  system.caps.inputLength = 2;
  system.caps.inputButtonCaps = 1;
  SimCollection& nkro = AddCollection(1, 3, "8&2b0ffee2&0&0002", kPageGenericDesktop, kUsageKeyboard);
  nkro.reportId = 4;
  nkro.caps.inputLength = 33;
  nkro.caps.inputButtonCaps = 1;
  nkro.systemExclusive = true;
  SimCollection& mouse = AddCollection(1, 4, "8&2b0ffee2&0&0003", kPageGenericDesktop, kUsageMouse);
  mouse.reportId = 5;
  mouse.caps.inputLength = 5;
  mouse.caps.inputButtonCaps = 1;
  mouse.caps.inputValueCaps = 3;
  mouse.systemExclusive = true;
  SimCollection& vendor = AddCollection(1, 5, "8&2b0ffee2&0&0004", kPageVendor, kUsageVendorControl);
  vendor.reportId = kReportId;
  vendor.caps.inputLength = kReportLength;
  vendor.caps.outputLength = kReportLength;
  vendor.caps.featureLength = kReportLength;
  vendor.caps.inputValueCaps = 1;
  vendor.caps.outputValueCaps = 1;
  vendor.caps.featureValueCaps = 1;
  controlCollection_ = Collections().size() - 1;
}

void SimKeyboard::SetFirmware(int major, int minor) {
  firmwareMajor_ = major & 0xFF;
  firmwareMinor_ = minor & 0xFF;
}

std::string SimKeyboard::ApplyCommand(const std::vector<uint8_t>& r) {
  if (r[1] == kCommandVersion) {
    versionRequested_ = true;
    return "version requested";
  }
  if (r[1] == kCommandFactoryReset && r[2] == kFactoryResetKey) {
    FactoryReset();
    return "factory reset";
  }
  if (r[1] != kCommandLighting || r[2] != kLightingMarker) return "ignored";
  if (r[3] == kSideLightSelector) {
    lighting_.sideMode = r[6] & 0x0F;
    lighting_.sideLevel = r[6] >> 4;
    return "side mode " + std::to_string(lighting_.sideMode) + " level " + std::to_string(lighting_.sideLevel);
  }
  if (r[3] > kLastEffect) return "ignored";
  lighting_.effect = r[3];
  lighting_.brightness = r[4];
  lighting_.speed = r[5];
  lighting_.variant = r[6];
  lighting_.direction = r[7];
  return "effect " + std::to_string(lighting_.effect);
}

void SimKeyboard::FactoryReset() {
  lighting_ = KeyboardLighting();
  versionRequested_ = false;
  // The firmware restarts: the keyboard leaves the bus and enumerates again.
  RequestReenumeration();
}

ReportResult SimKeyboard::OnSetFeature(size_t collection, const std::vector<uint8_t>& report) {
  if (collection != controlCollection_) return {};
  return {0, {}, ApplyCommand(report)};
}

ReportResult SimKeyboard::OnOutput(size_t collection, const std::vector<uint8_t>& report) {
  if (collection != controlCollection_) return {};
  return {0, {}, ApplyCommand(report)};
}

ReportResult SimKeyboard::OnGetFeature(size_t collection, const std::vector<uint8_t>& request) {
  ReportResult result;
  result.reply.assign(kReportLength, 0);
  result.reply[0] = request[0];
  if (collection == controlCollection_ && versionRequested_) {
    // The version request is answered once, by the next feature read.
    result.reply[1] = static_cast<uint8_t>(firmwareMajor_);
    result.reply[2] = static_cast<uint8_t>(firmwareMinor_);
    versionRequested_ = false;
  }
  return result;
}

std::string SimKeyboard::StatusText() const {
  std::string status = SimHidDevice::StatusText();
  char text[256];
  std::snprintf(text, sizeof text,
                "effect: %d\nbrightness: %d\nspeed: %d\ndirection: %d\nvariant: %d\nside mode: %d\nside level: %d\n"
                "firmware: %d.%d\n",
                lighting_.effect, lighting_.brightness, lighting_.speed, lighting_.direction, lighting_.variant,
                lighting_.sideMode, lighting_.sideLevel, firmwareMajor_, firmwareMinor_);
  return status + text;
}

}  // namespace kb::sim
