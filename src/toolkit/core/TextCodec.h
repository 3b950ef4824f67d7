#pragma once
// Code points to the program's wide strings: UTF-16 with surrogate pairs on
// Windows, UTF-32 on Linux. (The other direction is render::DecodeWide.)
#include <string>
#include <string_view>

namespace kb::ui {

std::wstring EncodeWide(std::u32string_view text);

}  // namespace kb::ui
