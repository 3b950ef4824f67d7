#include "toolkit/render/FontFace.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/diag.h"
#include "platform/text.h"
#include "toolkit/render/FontNames.h"

namespace kb::render {
namespace {

constexpr uint32_t Tag(char a, char b, char c, char d) {
  return (uint32_t(uint8_t(a)) << 24) | (uint32_t(uint8_t(b)) << 16) | (uint32_t(uint8_t(c)) << 8) |
         uint32_t(uint8_t(d));
}

constexpr uint32_t kNameTag = Tag('n', 'a', 'm', 'e');
constexpr uint32_t kOs2Tag = Tag('O', 'S', '/', '2');

// Name table ids that name the face.
constexpr int kNameFamily = 1;
constexpr int kNameFullName = 4;
constexpr int kNameTypographicFamily = 16;

constexpr int kPlatformUnicode = 0;
constexpr int kPlatformMacintosh = 1;
constexpr int kPlatformWindows = 3;

constexpr size_t kOs2WeightClass = 4;
constexpr size_t kOs2FsSelection = 62;
constexpr uint16_t kFsSelectionItalic = 1u << 0;
constexpr uint16_t kFsSelectionBold = 1u << 5;
constexpr uint16_t kFsSelectionOblique = 1u << 9;
constexpr int kBoldWeightClass = 600;
constexpr size_t kHeadUnitsPerEm = 18;
constexpr size_t kHeadMacStyle = 44;
constexpr uint16_t kMacStyleBold = 1u << 0;
constexpr uint16_t kMacStyleItalic = 1u << 1;

// Flatness of curves in pixels, stb_truetype's own choice.
constexpr float kFlatness = 0.35f;
// A glyph wider or taller than this is a broken outline, not a character.
constexpr int kMaxGlyphExtent = 4096;

// Bounds-checked big-endian reads from the font file.
class FontReader {
 public:
  explicit FontReader(const FontBytes& bytes) : bytes_(bytes) {}
  bool Has(size_t at, size_t count) const { return at <= bytes_.size() && count <= bytes_.size() - at; }
  uint16_t U16(size_t at) const { return Has(at, 2) ? static_cast<uint16_t>((bytes_[at] << 8) | bytes_[at + 1]) : 0; }
  uint32_t U32(size_t at) const { return Has(at, 4) ? (uint32_t{U16(at)} << 16) | U16(at + 2) : 0; }
  const uint8_t* Data(size_t at) const { return bytes_.data() + at; }

 private:
  const FontBytes& bytes_;
};

// Offset of a table of the face starting at `faceStart`, 0 if absent.
size_t FindTable(const FontReader& font, size_t faceStart, uint32_t tag, size_t* length) {
  uint16_t tables = font.U16(faceStart + 4);
  for (size_t i = 0; i < tables; ++i) {
    size_t record = faceStart + 12 + 16 * i;
    if (!font.Has(record, 16)) return 0;
    if (font.U32(record) != tag) continue;
    size_t offset = font.U32(record + 8);
    size_t size = font.U32(record + 12);
    if (!font.Has(offset, size)) return 0;
    *length = size;
    return offset;
  }
  return 0;
}

std::wstring DecodeName(const FontReader& font, size_t at, size_t length, int platform) {
  std::string utf8;
  if (platform == kPlatformMacintosh) {
    // Mac Roman; only its ASCII half matters for matching family names.
    for (size_t i = 0; i < length; ++i) {
      uint8_t c = *font.Data(at + i);
      utf8.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return Utf8ToWide(utf8);
  }
  std::wstring out;
  for (size_t i = 0; i + 1 < length; i += 2) {
    char32_t unit = font.U16(at + i);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < length) {
      char32_t low = font.U16(at + i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if constexpr (sizeof(wchar_t) == 2) {
      if (unit >= 0x10000) {
        out.push_back(static_cast<wchar_t>(0xD800 + ((unit - 0x10000) >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + ((unit - 0x10000) & 0x3FF)));
        continue;
      }
    }
    out.push_back(static_cast<wchar_t>(unit));
  }
  return out;
}

}  // namespace

std::shared_ptr<const FontFace> FontFace::Create(FontFileData file) {
  if (!file.bytes || file.bytes->empty()) return nullptr;
  const unsigned char* data = file.bytes->data();
  int offset = stbtt_GetFontOffsetForIndex(data, file.faceIndex);
  if (offset < 0 || static_cast<size_t>(offset) + 12 > file.bytes->size()) return nullptr;
  std::shared_ptr<FontFace> face(new FontFace());
  face->file_ = std::move(file);
  if (!stbtt_InitFont(&face->info_, data, offset)) {
    DiagPrintf("font: unreadable font data from %s\n", face->file_.origin.c_str());
    return nullptr;
  }
  face->ReadStyle();
  return face;
}

bool FontFace::ReadStyle() {
  FontReader font(*file_.bytes);
  stbtt_GetFontVMetrics(&info_, &metrics_.ascent, &metrics_.descent, &metrics_.lineGap);
  metrics_.descent = -metrics_.descent;
  metrics_.unitsPerEm = font.U16(static_cast<size_t>(info_.head) + kHeadUnitsPerEm);
  if (metrics_.unitsPerEm == 0) metrics_.unitsPerEm = 1000;

  uint16_t macStyle = font.U16(static_cast<size_t>(info_.head) + kHeadMacStyle);
  bold_ = (macStyle & kMacStyleBold) != 0;
  italic_ = (macStyle & kMacStyleItalic) != 0;
  size_t length = 0;
  size_t os2 = FindTable(font, static_cast<size_t>(info_.fontstart), kOs2Tag, &length);
  if (os2 != 0 && length >= kOs2FsSelection + 2) {
    uint16_t selection = font.U16(os2 + kOs2FsSelection);
    bold_ = bold_ || (selection & kFsSelectionBold) != 0 || font.U16(os2 + kOs2WeightClass) >= kBoldWeightClass;
    italic_ = italic_ || (selection & (kFsSelectionItalic | kFsSelectionOblique)) != 0;
  }
  return true;
}

std::vector<std::wstring> FontFace::NameStrings() const {
  std::vector<std::wstring> names;
  FontReader font(*file_.bytes);
  size_t length = 0;
  size_t table = FindTable(font, static_cast<size_t>(info_.fontstart), kNameTag, &length);
  if (table == 0 || length < 6) return names;
  size_t count = font.U16(table + 2);
  size_t strings = table + font.U16(table + 4);
  for (size_t i = 0; i < count; ++i) {
    size_t record = table + 6 + 12 * i;
    if (record + 12 > table + length) break;
    int platform = font.U16(record);
    int nameId = font.U16(record + 6);
    if (nameId != kNameFamily && nameId != kNameFullName && nameId != kNameTypographicFamily) {
      continue;
    }
    if (platform != kPlatformUnicode && platform != kPlatformWindows && platform != kPlatformMacintosh) {
      continue;
    }
    size_t size = font.U16(record + 8);
    size_t at = strings + font.U16(record + 10);
    if (!font.Has(at, size)) continue;
    names.push_back(DecodeName(font, at, size, platform));
  }
  return names;
}

bool FontFace::HasName(std::wstring_view name) const {
  for (const std::wstring& candidate : NameStrings()) {
    if (FontNameEquals(candidate, name)) return true;
  }
  return false;
}

std::wstring FontFace::FamilyName() const {
  std::vector<std::wstring> names = NameStrings();
  return names.empty() ? std::wstring() : names.front();
}

float FontFace::ScaleForEm(int pixels) const {
  return static_cast<float>(pixels) / static_cast<float>(metrics_.unitsPerEm);
}

int FontFace::GlyphIndex(char32_t codePoint) const {
  if (codePoint > 0x10FFFF) return 0;
  return stbtt_FindGlyphIndex(&info_, static_cast<int>(codePoint));
}

int FontFace::AdvanceUnits(int glyph) const {
  int advance = 0;
  int bearing = 0;
  stbtt_GetGlyphHMetrics(&info_, glyph, &advance, &bearing);
  return advance;
}

int FontFace::KerningUnits(int leftGlyph, int rightGlyph) const {
  if (info_.kern == 0 && info_.gpos == 0) return 0;
  return stbtt_GetGlyphKernAdvance(&info_, leftGlyph, rightGlyph);
}

GlyphImage FontFace::Rasterize(int glyph, float scale, float shear) const {
  GlyphImage image;
  stbtt_vertex* vertices = nullptr;
  int count = stbtt_GetGlyphShape(&info_, glyph, &vertices);
  if (count <= 0 || vertices == nullptr) return image;
  auto freeShape = [this](stbtt_vertex* v) { stbtt_FreeShape(&info_, v); };
  std::unique_ptr<stbtt_vertex, decltype(freeShape)> owned(vertices, freeShape);

  auto slant = [shear](stbtt_vertex_type& x, stbtt_vertex_type y) {
    long moved = std::lround(x + shear * y);
    x = static_cast<stbtt_vertex_type>(std::clamp<long>(moved, SHRT_MIN, SHRT_MAX));
  };
  float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
  auto extend = [&](float x, float y) {
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  };
  for (int i = 0; i < count; ++i) {
    stbtt_vertex& v = vertices[i];
    if (shear != 0.0f) {
      slant(v.x, v.y);
      slant(v.cx, v.cy);
      slant(v.cx1, v.cy1);
    }
    extend(v.x, v.y);
    if (v.type == STBTT_vcurve || v.type == STBTT_vcubic) extend(v.cx, v.cy);
    if (v.type == STBTT_vcubic) extend(v.cx1, v.cy1);
  }
  // Pixel rows grow downwards, font units upwards.
  int x0 = static_cast<int>(std::floor(minX * scale));
  int y0 = static_cast<int>(std::floor(-maxY * scale));
  int x1 = static_cast<int>(std::ceil(maxX * scale));
  int y1 = static_cast<int>(std::ceil(-minY * scale));
  int width = x1 - x0;
  int height = y1 - y0;
  if (width <= 0 || height <= 0 || width > kMaxGlyphExtent || height > kMaxGlyphExtent) {
    return image;
  }
  image.left = x0;
  image.top = y0;
  image.width = width;
  image.height = height;
  image.coverage.assign(static_cast<size_t>(width) * height, 0);
  stbtt__bitmap target{width, height, width, image.coverage.data()};
  stbtt_Rasterize(&target, kFlatness, vertices, count, scale, scale, 0.0f, 0.0f, x0, y0, 1, nullptr);
  return image;
}

}  // namespace kb::render
