#include "toolkit/core/AttrParse.h"

#include <cwctype>
#include <limits>

#include "platform/text.h"

namespace kb::ui {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

wchar_t LowerAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  c = LowerAscii(c);
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  return -1;
}

}  // namespace

std::wstring_view Trim(std::wstring_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::wstring ToLowerAscii(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = LowerAscii(c);
  return out;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

std::vector<std::wstring> SplitList(std::wstring_view text, wchar_t separator) {
  std::vector<std::wstring> parts;
  if (Trim(text).empty()) return parts;
  size_t start = 0;
  while (true) {
    size_t end = text.find(separator, start);
    std::wstring_view piece = text.substr(start, end == std::wstring_view::npos ? text.npos : end - start);
    parts.emplace_back(Trim(piece));
    if (end == std::wstring_view::npos) break;
    start = end + 1;
  }
  return parts;
}

std::optional<int> ParseInt(std::wstring_view text) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == L'-' || text.front() == L'+')) {
    negative = text.front() == L'-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  int base = 10;
  if (text.size() > 2 && text[0] == L'0' && LowerAscii(text[1]) == L'x') {
    base = 16;
    text.remove_prefix(2);
  }
  long long value = 0;
  for (wchar_t c : text) {
    int digit = HexDigit(c);
    if (digit < 0 || digit >= base) return std::nullopt;
    value = value * base + digit;
    // Hexadecimal takes the full 32 bits (colours, flags written as 0xFFFFFFFF).
    long long limit = base == 16 ? 0xFFFFFFFFll : std::numeric_limits<int>::max() + 1ll;
    if (value > limit) return std::nullopt;
  }
  if (negative) value = -value;
  if (base == 10 && value > std::numeric_limits<int>::max()) return std::nullopt;
  if (base == 16 && value > std::numeric_limits<int>::max()) value -= 0x100000000ll;
  return static_cast<int>(value);
}

std::optional<bool> ParseBool(std::wstring_view text) {
  std::wstring lower = ToLowerAscii(Trim(text));
  if (lower == L"1" || lower == L"true" || lower == L"yes") return true;
  if (lower == L"0" || lower == L"false" || lower == L"no") return false;
  return std::nullopt;
}

std::optional<std::vector<int>> ParseIntList(std::wstring_view text, size_t count) {
  std::vector<std::wstring> parts = SplitList(text, L',');
  if (parts.size() != count) return std::nullopt;
  std::vector<int> values;
  for (const std::wstring& part : parts) {
    std::optional<int> v = ParseInt(part);
    if (!v) return std::nullopt;
    values.push_back(*v);
  }
  return values;
}

std::optional<Point> ParsePoint(std::wstring_view text) {
  auto v = ParseIntList(text, 2);
  if (!v) return std::nullopt;
  return Point{(*v)[0], (*v)[1]};
}

std::optional<Size> ParseSize(std::wstring_view text) {
  auto v = ParseIntList(text, 2);
  if (!v) return std::nullopt;
  return Size{(*v)[0], (*v)[1]};
}

std::optional<Margins> ParseMargins(std::wstring_view text) {
  size_t count = SplitList(text, L',').size();
  auto v = ParseIntList(text, count);
  if (!v) return std::nullopt;
  const std::vector<int>& m = *v;
  if (count == 1) return Margins{m[0], m[0], m[0], m[0]};
  if (count == 2) return Margins{m[0], m[1], m[0], m[1]};
  if (count == 4) return Margins{m[0], m[1], m[2], m[3]};
  return std::nullopt;
}

std::optional<Color> ParseColorText(std::wstring_view text) {
  return render::ParseColor(WideToUtf8(Trim(text)));
}

ResName SplitResName(std::wstring_view full, std::wstring_view defaultType) {
  size_t colon = full.find(L':');
  if (colon == std::wstring_view::npos) return ResName{std::wstring(defaultType), std::wstring(Trim(full))};
  return ResName{std::wstring(Trim(full.substr(0, colon))), std::wstring(Trim(full.substr(colon + 1)))};
}

}  // namespace kb::ui
