#pragma once
// Conversion between the program's wide strings and the UTF-8 of its files and
// diagnostic lines. wchar_t is UTF-16 on Windows and UTF-32 on Linux; both are
// handled here so no other code has to care which one it is.
#include <string>
#include <string_view>

namespace kb {

// Invalid sequences (lone surrogates, bad UTF-8 bytes) become U+FFFD.
std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);

}  // namespace kb
