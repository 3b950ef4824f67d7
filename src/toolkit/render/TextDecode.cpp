#include "toolkit/render/TextDecode.h"

namespace kb::render {
namespace {

constexpr char32_t kHighFirst = 0xD800;
constexpr char32_t kHighLast = 0xDBFF;
constexpr char32_t kLowFirst = 0xDC00;
constexpr char32_t kLowLast = 0xDFFF;
constexpr char32_t kLastCodePoint = 0x10FFFF;

bool IsSurrogate(char32_t c) { return c >= kHighFirst && c <= kLowLast; }

}  // namespace

std::u32string DecodeWide(std::wstring_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      c &= 0xFFFF;
      if (c >= kHighFirst && c <= kHighLast && i + 1 < text.size()) {
        char32_t low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
        if (low >= kLowFirst && low <= kLowLast) {
          out.push_back(0x10000 + ((c - kHighFirst) << 10) + (low - kLowFirst));
          ++i;
          continue;
        }
      }
    }
    out.push_back(IsSurrogate(c) || c > kLastCodePoint ? kReplacementCharacter : c);
  }
  return out;
}

}  // namespace kb::render
