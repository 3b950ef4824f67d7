#pragma once
// Reading attribute values of layouts, skins and UI definitions. Every parser
// rejects what it cannot read completely instead of guessing, so a typo in a
// skin shows up as a diagnostic line rather than as a silently wrong value.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/core/Types.h"

namespace kb::ui {

std::wstring_view Trim(std::wstring_view text);
std::wstring ToLowerAscii(std::wstring_view text);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);

// Splits at `separator` and trims each piece; an empty text gives no pieces.
std::vector<std::wstring> SplitList(std::wstring_view text, wchar_t separator);

// Decimal with an optional sign, or hexadecimal with "0x".
std::optional<int> ParseInt(std::wstring_view text);
// "1", "true", "yes" and "0", "false", "no" (any letter case).
std::optional<bool> ParseBool(std::wstring_view text);
// Exactly `count` integers separated by commas.
std::optional<std::vector<int>> ParseIntList(std::wstring_view text, size_t count);
std::optional<Point> ParsePoint(std::wstring_view text);
std::optional<Size> ParseSize(std::wstring_view text);
// One value for all four sides, two for horizontal and vertical, or four
// (left, top, right, bottom).
std::optional<Margins> ParseMargins(std::wstring_view text);
// "#rgb", "#rrggbb", "#rrggbbaa", "rgb(r,g,b)", "rgba(r,g,b,a)".
std::optional<Color> ParseColorText(std::wstring_view text);

// Resource names are "type:name"; both halves compare without letter case.
struct ResName {
  std::wstring type;
  std::wstring name;
};
// A name without a colon gets `defaultType`.
ResName SplitResName(std::wstring_view full, std::wstring_view defaultType = L"");

}  // namespace kb::ui
