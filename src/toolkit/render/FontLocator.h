#pragma once
// Finding the bytes of an installed font face. Each target has its own
// implementation; the rest of the renderer works on the bytes alone, so both
// targets rasterise the same file the same way.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kb::render {

struct FontFileData {
  // Whole font file; for a collection (.ttc) the whole collection.
  std::shared_ptr<const std::vector<uint8_t>> bytes;
  // Which font of a collection; 0 for a single font.
  int faceIndex = 0;
  // Where it came from, for diagnostic lines.
  std::string origin;
};

struct FontQuery {
  std::wstring_view face;
  bool bold = false;
  bool italic = false;
  // Only the named family will do; otherwise the system's substitute is
  // accepted.
  bool exactFamily = true;
};

// The system's font for the query, or nothing.
std::optional<FontFileData> LocateSystemFont(const FontQuery& query);

// Font files larger than this are not loaded (the largest CJK collections are
// about 20 MB).
inline constexpr size_t kMaxFontFileBytes = size_t{128} << 20;

}  // namespace kb::render
