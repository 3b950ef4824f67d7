#pragma once
// Number parsing with the C runtime's string-to-number rules as the Windows C
// runtime applies them: `long` is 32 bits wide there, so the results, and the
// values that saturate, are the same on every build. Leading white space and
// one sign are accepted, base 16 accepts a "0x" prefix, conversion stops at the
// first character that is not a digit of the base, and text without digits
// gives 0.
#include <cstdint>
#include <string_view>

namespace kb {

// strtol: out-of-range values saturate at INT32_MIN / INT32_MAX.
int32_t StrToLong(std::string_view text, int base);

// strtoul: a minus sign negates modulo 2^32 ("-1" is 0xffffffff); an
// out-of-range magnitude gives 0xffffffff whatever the sign.
uint32_t StrToULong(std::string_view text, int base);

// atoi, which the Windows C runtime saturates like strtol.
int32_t AtoI(std::string_view text);

}  // namespace kb
