#include "app/NumberText.h"

namespace kb {
namespace {

constexpr uint64_t kUInt32Range = 0x100000000ull;

bool IsCrtSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

struct Parsed {
  bool negative = false;
  bool overflow = false;  // the magnitude does not fit in 32 bits
  uint64_t magnitude = 0;
};

Parsed ParseMagnitude(std::string_view text, int base) {
  Parsed out;
  size_t i = 0;
  while (i < text.size() && IsCrtSpace(text[i])) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) out.negative = text[i++] == '-';
  // "0x" counts as a prefix only when a hexadecimal digit follows it;
  // otherwise the subject is the lone "0".
  if (base == 16 && i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
      DigitValue(text[i + 2]) < 16) {
    i += 2;
  }
  for (; i < text.size(); ++i) {
    int digit = DigitValue(text[i]);
    if (digit >= base) break;
    if (out.overflow) continue;
    out.magnitude = out.magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (out.magnitude >= kUInt32Range) out.overflow = true;
  }
  return out;
}

}  // namespace

int32_t StrToLong(std::string_view text, int base) {
  Parsed p = ParseMagnitude(text, base);
  if (p.negative) {
    if (p.overflow || p.magnitude > 0x80000000ull) return INT32_MIN;
    return static_cast<int32_t>(-static_cast<int64_t>(p.magnitude));
  }
  if (p.overflow || p.magnitude > 0x7fffffffull) return INT32_MAX;
  return static_cast<int32_t>(p.magnitude);
}

uint32_t StrToULong(std::string_view text, int base) {
  Parsed p = ParseMagnitude(text, base);
  if (p.overflow) return UINT32_MAX;
  uint32_t value = static_cast<uint32_t>(p.magnitude);
  return p.negative ? static_cast<uint32_t>(0u - value) : value;
}

int32_t AtoI(std::string_view text) { return StrToLong(text, 10); }

}  // namespace kb
