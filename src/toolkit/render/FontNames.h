#pragma once
// Font family names compare the way GDI and fontconfig compare them: without
// regard to ASCII letter case.
#include <string_view>

namespace kb::render {

bool FontNameEquals(std::wstring_view a, std::wstring_view b);

}  // namespace kb::render
