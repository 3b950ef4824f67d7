#pragma once
// One face of a font file (a member of a collection, or the whole file),
// parsed by stb_truetype. Immutable once created and safe to share between
// threads.
#include <stb_truetype.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/render/FontLocator.h"

namespace kb::render {

// A rasterised glyph: 8-bit coverage, placed relative to the pen position on
// the baseline (top is usually negative: above the baseline).
struct GlyphImage {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> coverage;
};

struct FaceMetrics {
  int ascent = 0;   // font units, above the baseline
  int descent = 0;  // font units, below the baseline (positive)
  int lineGap = 0;
  int unitsPerEm = 0;
};

class FontFace {
 public:
  // Null if the data is not a font stb_truetype can read.
  static std::shared_ptr<const FontFace> Create(FontFileData file);

  // Whether the face carries this name as family, typographic family or full
  // name, in any language of its name table.
  bool HasName(std::wstring_view name) const;
  std::wstring FamilyName() const;
  const std::string& Origin() const { return file_.origin; }
  const FontFileData& File() const { return file_; }

  // As the font file declares itself, not as it was asked for: a regular
  // file handed over for a bold request is emboldened by the caller.
  bool IsBold() const { return bold_; }
  bool IsItalic() const { return italic_; }

  const FaceMetrics& Metrics() const { return metrics_; }
  // Font units to pixels for a font whose em is `pixels` high.
  float ScaleForEm(int pixels) const;

  // 0 if the face has no glyph for the code point.
  int GlyphIndex(char32_t codePoint) const;
  int AdvanceUnits(int glyph) const;
  int KerningUnits(int leftGlyph, int rightGlyph) const;

  // The glyph outline scaled, sheared by `shear` (x grows by shear * y, for
  // a slanted face made from an upright one) and rasterised.
  GlyphImage Rasterize(int glyph, float scale, float shear) const;

 private:
  FontFace() = default;
  bool ReadStyle();
  std::vector<std::wstring> NameStrings() const;

  FontFileData file_;
  stbtt_fontinfo info_{};
  FaceMetrics metrics_;
  bool bold_ = false;
  bool italic_ = false;
};

}  // namespace kb::render
