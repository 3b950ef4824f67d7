#include "sim/SimKeyNames.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace kb::sim {

namespace {

constexpr uint32_t kUsageA = 0x04;
constexpr uint32_t kUsage1 = 0x1E;  // 1..9 then 0
constexpr uint32_t kUsageF1 = 0x3A;

struct NamedKey {
  const char* name;
  uint32_t code;
};

constexpr uint32_t Code(uint32_t page, uint32_t usage) { return page << 16 | usage; }

constexpr NamedKey kNamedKeys[] = {
    {"enter", Code(7, 0x28)},      {"esc", Code(7, 0x29)},        {"backspace", Code(7, 0x2A)},
    {"tab", Code(7, 0x2B)},        {"space", Code(7, 0x2C)},      {"minus", Code(7, 0x2D)},
    {"equal", Code(7, 0x2E)},      {"capslock", Code(7, 0x39)},   {"printscreen", Code(7, 0x46)},
    {"scrolllock", Code(7, 0x47)}, {"pause", Code(7, 0x48)},      {"insert", Code(7, 0x49)},
    {"home", Code(7, 0x4A)},       {"pageup", Code(7, 0x4B)},     {"delete", Code(7, 0x4C)},
    {"end", Code(7, 0x4D)},        {"pagedown", Code(7, 0x4E)},   {"right", Code(7, 0x4F)},
    {"left", Code(7, 0x50)},       {"down", Code(7, 0x51)},       {"up", Code(7, 0x52)},
    {"lctrl", Code(7, 0xE0)},      {"lshift", Code(7, 0xE1)},     {"lalt", Code(7, 0xE2)},
    {"lwin", Code(7, 0xE3)},       {"rctrl", Code(7, 0xE4)},      {"rshift", Code(7, 0xE5)},
    {"ralt", Code(7, 0xE6)},       {"rwin", Code(7, 0xE7)},       {"power", Code(1, 0x81)},
    {"sleep", Code(1, 0x82)},      {"wake", Code(1, 0x83)},       {"play", Code(0xC, 0xCD)},
    {"next", Code(0xC, 0xB5)},     {"prev", Code(0xC, 0xB6)},     {"stop", Code(0xC, 0xB7)},
    {"mute", Code(0xC, 0xE2)},     {"volup", Code(0xC, 0xE9)},    {"voldown", Code(0xC, 0xEA)},
};

std::string Lower(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool ParseHex(const std::string& text, uint32_t limit, uint32_t* out) {
  if (text.empty() || text.size() > 4) return false;
  char* end = nullptr;
  unsigned long value = std::strtoul(text.c_str(), &end, 16);
  if (!end || *end != '\0' || value > limit) return false;
  *out = static_cast<uint32_t>(value);
  return true;
}

}  // namespace

std::optional<uint32_t> ParseKey(const std::string& text) {
  std::string key = Lower(text);
  size_t colon = key.find(':');
  if (colon != std::string::npos) {
    uint32_t page = 0;
    uint32_t usage = 0;
    if (!ParseHex(key.substr(0, colon), 0xFFFF, &page) || !ParseHex(key.substr(colon + 1), 0xFFFF, &usage) ||
        page == 0)
      return std::nullopt;
    return Code(page, usage);
  }
  if (key.size() == 1 && key[0] >= 'a' && key[0] <= 'z') return Code(kPageKeyboard, kUsageA + (key[0] - 'a'));
  if (key.size() == 1 && key[0] >= '1' && key[0] <= '9') return Code(kPageKeyboard, kUsage1 + (key[0] - '1'));
  if (key == "0") return Code(kPageKeyboard, kUsage1 + 9);
  if (key.size() >= 2 && key.size() <= 3 && key[0] == 'f') {
    int n = std::atoi(key.c_str() + 1);
    if (n >= 1 && n <= 12 && std::to_string(n) == key.substr(1)) return Code(kPageKeyboard, kUsageF1 + n - 1);
  }
  for (const NamedKey& named : kNamedKeys)
    if (key == named.name) return named.code;
  return std::nullopt;
}

std::string KeyNameOf(uint32_t code) {
  uint32_t page = code >> 16;
  uint32_t usage = code & 0xFFFF;
  if (page == kPageKeyboard && usage >= kUsageA && usage < kUsageA + 26)
    return std::string(1, static_cast<char>('A' + usage - kUsageA));
  if (page == kPageKeyboard && usage >= kUsage1 && usage < kUsage1 + 10)
    return std::string(1, usage == kUsage1 + 9 ? '0' : static_cast<char>('1' + usage - kUsage1));
  if (page == kPageKeyboard && usage >= kUsageF1 && usage < kUsageF1 + 12) return "F" + std::to_string(usage - kUsageF1 + 1);
  for (const NamedKey& named : kNamedKeys)
    if (named.code == code) return named.name;
  return "";
}

std::string FormatCode(uint32_t code) {
  char text[16];
  std::snprintf(text, sizeof text, "%02x:%04x", code >> 16, code & 0xFFFF);
  return text;
}

}  // namespace kb::sim
