#pragma once
// The keyboard's 8-byte report: byte 0 is the report id 7, byte 1 the command.
#include <array>
#include <cstdint>

struct FeatureReport {
  static constexpr uint8_t kReportId = 0x07;
  static constexpr uint8_t kCommandLighting = 0xFF;
  static constexpr uint8_t kCommandFirmwareVersion = 0xF1;
  static constexpr uint8_t kCommandFactoryReset = 0xF0;
  static constexpr uint8_t kLightingMarker = 0xFF;
  static constexpr uint8_t kFactoryResetKey = 0xAA;
  static constexpr uint8_t kSideLightSelector = 0x20;
  static constexpr size_t kLength = 8;

  std::array<uint8_t, kLength> bytes{};

  uint8_t* data() { return bytes.data(); }
  const uint8_t* data() const { return bytes.data(); }
  uint8_t& operator[](size_t i) { return bytes[i]; }
  uint8_t operator[](size_t i) const { return bytes[i]; }
  bool operator==(const FeatureReport&) const = default;
};
