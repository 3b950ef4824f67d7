#include "keyboard/KeyboardCommands.h"

#include <chrono>
#include <thread>

namespace {
constexpr uint8_t kSideLevelMask = 0xF0;
constexpr uint8_t kSideModeMask = 0x0F;
constexpr int kSideLevelShift = 4;
constexpr int64_t kPacingWindowSeconds = 100;

int64_t WallClockSeconds() {
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

void SleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

FeatureReport Start(uint8_t command, uint8_t second) {
  FeatureReport report;
  report[0] = FeatureReport::kReportId;
  report[1] = command;
  report[2] = second;
  return report;
}
}  // namespace

KeyboardCommands::KeyboardCommands(HidDevice& device, int64_t& lastSendTime, int32_t& firmwareVersion,
                                   LedEffectTable& effects, SideModelTable& sides)
    : device_(device), lastSendTime_(lastSendTime), firmwareVersion_(firmwareVersion), effects_(effects),
      sides_(sides), clock_(WallClockSeconds), sleeper_(SleepMs) {}

void KeyboardCommands::SetClock(Clock clock, Sleeper sleeper) {
  clock_ = std::move(clock);
  sleeper_ = std::move(sleeper);
}

uint8_t KeyboardCommands::MapSelection(uint8_t selection) {
  if (selection >= 1 && selection <= 3) return static_cast<uint8_t>(selection - 1);
  return selection;
}

uint32_t KeyboardCommands::PacingDelayMs(int64_t now, int64_t last) {
  int64_t d = now - last;
  // A clock set back since the last command gives no measure; the full pause
  // keeps commands apart.
  if (d < 0) return kPacingMs;
  if (d < kPacingWindowSeconds) return static_cast<uint32_t>(kPacingMs - d);
  return 0;
}

FeatureReport KeyboardCommands::BacklightEffectReport(int index, const LedEffectEntry& entry) {
  FeatureReport report = Start(FeatureReport::kCommandLighting, FeatureReport::kLightingMarker);
  report[3] = static_cast<uint8_t>(index);
  report[4] = entry.brightness;
  report[5] = entry.speed;
  report[6] = MapSelection(entry.selection);
  report[7] = entry.deriction;
  return report;
}

FeatureReport KeyboardCommands::SideLightReport(int mode, const SideModelEntry& entry) {
  FeatureReport report = Start(FeatureReport::kCommandLighting, FeatureReport::kLightingMarker);
  report[3] = FeatureReport::kSideLightSelector;
  report[6] = static_cast<uint8_t>((entry.brightness << kSideLevelShift & kSideLevelMask) | (mode & kSideModeMask));
  return report;
}

FeatureReport KeyboardCommands::FirmwareVersionRequest() { return Start(FeatureReport::kCommandFirmwareVersion, 0); }

FeatureReport KeyboardCommands::FactoryResetReport() {
  return Start(FeatureReport::kCommandFactoryReset, FeatureReport::kFactoryResetKey);
}

int32_t KeyboardCommands::VersionFromReply(const FeatureReport& reply) { return reply[1] * 256 + reply[2]; }

void KeyboardCommands::Pace() {
  uint32_t delay = PacingDelayMs(clock_(), lastSendTime_);
  if (delay) sleeper_(delay);
}

void KeyboardCommands::Stamp() { lastSendTime_ = clock_(); }

void KeyboardCommands::SetBacklightEffect(int index) {
  if (index < 0 || index >= kEffectCount) return;
  const LedEffectEntry* entry = effects_.GetEntry(index);
  if (!entry) return;
  Pace();
  backlightFailed_ = !device_.SetFeature(BacklightEffectReport(index, *entry).data());
  Stamp();
}

void KeyboardCommands::ResendBacklightEffect(int index) {
  if (index < 0 || index >= kEffectCount) return;
  const LedEffectEntry* entry = effects_.GetEntry(index);
  if (!entry) return;
  backlightFailed_ = !device_.SetFeature(BacklightEffectReport(index, *entry).data());
}

bool KeyboardCommands::SendLightingReport(const FeatureReport& report, bool paced) {
  if (paced) Pace();
  bool sent = device_.SetFeature(report.data()) != 0;
  if (paced) Stamp();
  return sent;
}

void KeyboardCommands::SetSideLight(int mode) {
  if (mode < 0 || mode >= kSideModeCount) return;
  const SideModelEntry* entry = sides_.GetEntry(mode);
  if (!entry) return;
  Pace();
  sideFailed_ = !device_.SetFeature(SideLightReport(mode, *entry).data());
  Stamp();
}

bool KeyboardCommands::ReadFirmwareVersion() {
  if (!device_.HasValidHandle()) return false;
  FeatureReport report = FirmwareVersionRequest();
  if (!device_.SetFeature(report.data())) return false;
  if (!device_.GetFeature(report.data())) return false;
  firmwareVersion_ = VersionFromReply(report);
  return true;
}

bool KeyboardCommands::RestoreFactorySettings() { return device_.Write(FactoryResetReport().data()) != 0; }

std::wstring FirmwareText(int32_t firmwareVersion, const std::function<std::wstring(const std::wstring&)>& translate) {
  if (firmwareVersion == -1) return L"";
  if (firmwareVersion == 0) return translate(L"Firmware") + translate(L": ") + translate(L"Early version");
  return translate(L"Firmware") + L": v" + std::to_wstring((firmwareVersion >> 8) & 0xFF) + L"." +
         std::to_wstring(firmwareVersion & 0xFF);
}
