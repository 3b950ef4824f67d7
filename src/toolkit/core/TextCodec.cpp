#include "toolkit/core/TextCodec.h"

namespace kb::ui {

std::wstring EncodeWide(std::u32string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if constexpr (sizeof(wchar_t) == 2) {
      if (c >= 0x10000) {
        char32_t v = c - 0x10000;
        out += static_cast<wchar_t>(0xD800 + (v >> 10));
        out += static_cast<wchar_t>(0xDC00 + (v & 0x3FF));
        continue;
      }
    }
    out += static_cast<wchar_t>(c);
  }
  return out;
}

}  // namespace kb::ui
