#pragma once
// The program's wide strings as code points: UTF-16 on Windows (surrogate
// pairs joined), UTF-32 on Linux. Broken sequences become U+FFFD.
#include <string>
#include <string_view>

namespace kb::render {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

std::u32string DecodeWide(std::wstring_view text);

}  // namespace kb::render
