#pragma once
// Finding the bytes of an installed font face. Each target has its own
// implementation; the rest of the renderer works on the bytes alone, so both
// targets rasterise the same file the same way.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kb::render {

// The bytes of a font file, shared by every face read from it: a copy in
// memory, or a read-only mapping of the file. A mapping reads only the pages
// the glyphs drawn need, and they belong to the file cache, not to the
// process's own memory (a CJK collection is about 20 MB, mostly never read).
class FontBytes {
 public:
  virtual ~FontBytes() = default;
  virtual const uint8_t* data() const = 0;
  virtual size_t size() const = 0;
  bool empty() const { return size() == 0; }
  uint8_t operator[](size_t at) const { return data()[at]; }
};

class FontByteCopy final : public FontBytes {
 public:
  explicit FontByteCopy(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  const uint8_t* data() const override { return bytes_.data(); }
  size_t size() const override { return bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
};

struct FontFileData {
  // Whole font file; for a collection (.ttc) the whole collection.
  std::shared_ptr<const FontBytes> bytes;
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
