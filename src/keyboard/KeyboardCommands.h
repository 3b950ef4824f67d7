#pragma once
// The five commands the program sends to the keyboard's vendor collection:
// backlight effect (and its start-up resend), side light, firmware version,
// factory reset. The main dialog owns the device and the two fields this
// class works on (the pacing time stamp and the firmware version).
#include <cstdint>
#include <functional>
#include <string>

#include "hid/HidDevice.h"
#include "keyboard/FeatureReport.h"
#include "keyboard/LedEffectTable.h"
#include "keyboard/SideModelTable.h"

class KeyboardCommands {
 public:
  static constexpr int kEffectCount = 22;
  static constexpr int kSideModeCount = 12;
  // Lighting commands sent within the same second are this far apart.
  static constexpr uint32_t kPacingMs = 100;

  // Wall-clock seconds since 1970, and a pause; replaceable for tests.
  using Clock = std::function<int64_t()>;
  using Sleeper = std::function<void(uint32_t milliseconds)>;

  KeyboardCommands(HidDevice& device, int64_t& lastSendTime, int32_t& firmwareVersion,
                   LedEffectTable& effects = LedEffectTable::Instance(),
                   SideModelTable& sides = SideModelTable::Instance());

  void SetClock(Clock clock, Sleeper sleeper);

  void SetBacklightEffect(int index);
  // The effect sent again once the keyboard has settled after start-up: the
  // very report SetBacklightEffect sends (the firmware reads one layout for
  // these command bytes), without the pacing and without stamping the time.
  void ResendBacklightEffect(int index);
  // Sends a lighting report built before (on another thread than the one
  // that sends it); paced and stamped when asked. True when the keyboard
  // took it.
  bool SendLightingReport(const FeatureReport& report, bool paced);
  void SetSideLight(int mode);
  // A lighting report the keyboard did not take (a stall, a transfer that
  // timed out, the keyboard leaving) would leave it showing something else
  // than the tables say until the user changes that light again. Each light
  // remembers its failure until a report of it gets through.
  bool BacklightFailed() const { return backlightFailed_; }
  bool SideLightFailed() const { return sideFailed_; }
  // True when the keyboard answered (the version is then updated).
  bool ReadFirmwareVersion();
  // False when the report could not be written.
  bool RestoreFactorySettings();

  // The reports, byte for byte.
  static FeatureReport BacklightEffectReport(int index, const LedEffectEntry& entry);
  static FeatureReport SideLightReport(int mode, const SideModelEntry& entry);
  static FeatureReport FirmwareVersionRequest();
  static FeatureReport FactoryResetReport();
  // Selection 1, 2, 3 are sent as 0, 1, 2; anything else unchanged.
  static uint8_t MapSelection(uint8_t selection);
  // The pause before a lighting command at `now` after one at `last`.
  static uint32_t PacingDelayMs(int64_t now, int64_t last);
  static int32_t VersionFromReply(const FeatureReport& reply);

 private:
  void Pace();
  void Stamp();

  HidDevice& device_;
  int64_t& lastSendTime_;
  int32_t& firmwareVersion_;
  LedEffectTable& effects_;
  SideModelTable& sides_;
  Clock clock_;
  Sleeper sleeper_;
  bool backlightFailed_ = false;
  bool sideFailed_ = false;
};

// The text of the control "version": empty while the version is unknown
// (-1), the early-version text for 0, else "Firmware: v<major>.<minor>".
// `translate` gives the current language's text for an English one.
std::wstring FirmwareText(int32_t firmwareVersion, const std::function<std::wstring(const std::wstring&)>& translate);
