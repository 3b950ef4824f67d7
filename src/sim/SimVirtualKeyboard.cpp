#include "sim/SimVirtualKeyboard.h"

#include <cstdio>

#include "sim/SimKeyNames.h"

namespace kb::sim {

namespace {
constexpr uint16_t kPageButton = 0x09;
constexpr size_t kBitmapOffset = 1;  // keyboard payload: a zero byte, then the bitmap
constexpr size_t kHeaderBytes = 2;   // block id, report id
constexpr uint16_t kVersion = 0x0100;

uint32_t Code(uint16_t page, uint16_t usage) { return static_cast<uint32_t>(page) << 16 | usage; }
}  // namespace

SimVirtualKeyboard::SimVirtualKeyboard(const std::string& name, const std::string& instance, SimLog* log,
                                       SimSystemInput* system)
    : SimHidDevice(name, kVirtualKeyboardVendorId, kVirtualKeyboardProductId, kVersion, log), system_(system) {
  SimCollection& vendor = AddCollection(-1, -1, instance, kVirtualKeyboardUsagePage, kVirtualKeyboardUsage);
  vendor.reportId = kVirtualBlockId;
  vendor.caps.outputLength = kVirtualBlockBytes;
  vendor.caps.outputValueCaps = 1;
  SetPlugged(false);
  SetListedWhenAbsent(false);
}

void SimVirtualKeyboard::Reset() {
  system_->ReleaseSource(Name());
  keys_.fill(0);
  buttons_ = 0;
  consumer_ = 0;
  systemControl_ = 0;
}

ReportResult SimVirtualKeyboard::OnOutput(size_t, const std::vector<uint8_t>& report) {
  ReportResult result;
  const uint8_t* payload = report.data() + kHeaderBytes;
  switch (report[1]) {
    case kVirtualReportKeyboard: result.note = DecodeKeyboard(payload); break;
    case kVirtualReportMouse: result.note = DecodeMouse(payload); break;
    case kVirtualReportConsumer: result.note = DecodeSingleUsage(kPageConsumer, &consumer_, payload); break;
    case kVirtualReportSystem: result.note = DecodeSingleUsage(kPageGenericDesktop, &systemControl_, payload); break;
    default: result.note = "no such report, ignored"; break;
  }
  return result;
}

// Releases are reported before presses, so a block that swaps one key for
// another never shows both down.
std::string SimVirtualKeyboard::DecodeKeyboard(const uint8_t* payload) {
  std::string note = "keyboard";
  for (int pass = 0; pass < 2; ++pass) {
    bool pressing = pass == 1;
    for (uint16_t usage = 0; usage < 256; ++usage) {
      uint8_t mask = static_cast<uint8_t>(1u << (usage % 8));
      bool was = keys_[usage / 8] & mask;
      bool now = payload[kBitmapOffset + usage / 8] & mask;
      if (was == now || now != pressing) continue;
      system_->Key(Name(), Code(kPageKeyboard, usage), now);
      note += (now ? " +" : " -") + FormatCode(Code(kPageKeyboard, usage));
    }
  }
  for (size_t i = 0; i < keys_.size(); ++i) keys_[i] = payload[kBitmapOffset + i];
  return note;
}

std::string SimVirtualKeyboard::DecodeMouse(const uint8_t* payload) {
  std::string note = "mouse";
  for (int bit = 0; bit < 8; ++bit) {
    uint8_t mask = static_cast<uint8_t>(1u << bit);
    if ((buttons_ & mask) == (payload[0] & mask)) continue;
    bool down = payload[0] & mask;
    system_->Key(Name(), Code(kPageButton, static_cast<uint16_t>(bit + 1)), down);
    note += (down ? " +" : " -") + FormatCode(Code(kPageButton, static_cast<uint16_t>(bit + 1)));
  }
  buttons_ = payload[0];
  int x = static_cast<int8_t>(payload[1]);
  int y = static_cast<int8_t>(payload[2]);
  int wheel = static_cast<int8_t>(payload[3]);
  if (x || y || wheel) {
    system_->Move(Name(), x, y, wheel);
    char move[64];
    std::snprintf(move, sizeof move, " move %d %d %d", x, y, wheel);
    note += move;
  }
  return note;
}

std::string SimVirtualKeyboard::DecodeSingleUsage(uint16_t page, uint16_t* held, const uint8_t* payload) {
  uint16_t usage = static_cast<uint16_t>(payload[0] | payload[1] << 8);
  std::string note = page == kPageConsumer ? "consumer" : "system";
  if (usage == *held) return note;
  if (*held) {
    system_->Key(Name(), Code(page, *held), false);
    note += " -" + FormatCode(Code(page, *held));
  }
  if (usage) {
    system_->Key(Name(), Code(page, usage), true);
    note += " +" + FormatCode(Code(page, usage));
  }
  *held = usage;
  return note;
}

std::string SimVirtualKeyboard::StatusText() const {
  std::string text = Name() + (Plugged() ? " present\n" : " absent\n");
  return text;
}

}  // namespace kb::sim
