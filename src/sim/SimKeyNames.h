#pragma once
// Keys as people type them at the kbsim client: "PAGE:USAGE" in hex (7:4,
// c:e9) or a name ("a", "enter", "f5", "lshift", "volup").
#include <cstdint>
#include <optional>
#include <string>

namespace kb::sim {

// The HID usage pages the simulated devices speak.
inline constexpr uint16_t kPageGenericDesktop = 0x01;
inline constexpr uint16_t kPageKeyboard = 0x07;
inline constexpr uint16_t kPageConsumer = 0x0C;

// usage page << 16 | usage, or nothing when the text names no key.
std::optional<uint32_t> ParseKey(const std::string& text);
// The name of a key ("" when it has none).
std::string KeyNameOf(uint32_t code);
// "07:0004"
std::string FormatCode(uint32_t code);

}  // namespace kb::sim
