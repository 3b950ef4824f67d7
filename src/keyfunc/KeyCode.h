#pragma once
// Keys are named by HID usage: the usage page in the high 16 bits, the usage
// id in the low 16 bits. The filter driver's events, key records, macro steps
// and the intercept table all use this form.
#include <cstdint>

using KeyCode = uint32_t;

inline constexpr uint16_t kUsagePageGenericDesktop = 0x01;  // system controls, mouse buttons
inline constexpr uint16_t kUsagePageKeyboard = 0x07;
inline constexpr uint16_t kUsagePageConsumer = 0x0c;  // media keys

constexpr KeyCode MakeKeyCode(uint16_t page, uint16_t usage) {
  return (static_cast<KeyCode>(page) << 16) | usage;
}
constexpr uint16_t UsagePageOf(KeyCode code) { return static_cast<uint16_t>(code >> 16); }
constexpr uint16_t UsageOf(KeyCode code) { return static_cast<uint16_t>(code & 0xffff); }
