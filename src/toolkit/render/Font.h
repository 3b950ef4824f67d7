#pragma once
// A font as controls use it: a face name, a pixel size and styles, resolved to
// a chain of faces (the chosen one first, then fallbacks for characters it
// lacks, e.g. Chinese in a Latin face). Glyphs are rasterised once and cached.
// Thread-safe; fonts are shared between controls.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/render/FontFace.h"

namespace kb::render {

struct FontSpec {
  std::wstring face;
  // Height of the em in pixels (a GDI font with lfHeight = -pixelSize).
  int pixelSize = 12;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeout = false;
};

// A glyph ready to draw: its image relative to the pen on the baseline, and
// how far it moves the pen, in 1/64 pixel.
struct Glyph {
  GlyphImage image;
  int advance64 = 0;
  // Which face of the chain drew it, and its index there (for kerning).
  int faceSlot = -1;
  int glyphIndex = 0;
};

// A pen position in 1/64 pixel to whole pixels, rounding towards minus
// infinity (glyphs left of the origin keep their offset).
inline int64_t FloorDiv64(int64_t value) { return value >= 0 ? value / 64 : -((-value + 63) / 64); }

class Font {
 public:
  // Hands out the fallback faces on first need; slot 0 is the first fallback.
  // Returns null when the slot's face is not installed.
  using FallbackSource = std::function<std::shared_ptr<const FontFace>(size_t slot)>;

  Font(FontSpec spec, std::shared_ptr<const FontFace> primary, size_t fallbackCount, FallbackSource fallbacks);

  const FontSpec& Spec() const { return spec_; }
  int PixelSize() const { return spec_.pixelSize; }
  // Pixels above and below the baseline, and between baselines.
  int Ascent() const { return ascent_; }
  int Descent() const { return descent_; }
  int LineHeight() const { return lineHeight_; }
  int UnderlineOffset() const { return underlineOffset_; }  // below the baseline
  int LineThickness() const { return lineThickness_; }

  // The face that was found for the request (may differ from the one asked for);
  // null when the system has no usable font at all.
  const FontFace* PrimaryFace() const { return primary_.get(); }
  std::wstring PrimaryFamily() const;

  // Whether any face of the chain has a glyph for the character.
  bool HasGlyph(char32_t codePoint) const;
  // Never null; a character no face has is drawn as the primary face's
  // missing-glyph box.
  std::shared_ptr<const Glyph> GetGlyph(char32_t codePoint) const;
  // Pen adjustment between two neighbours drawn by the same face, 1/64 px.
  int Kerning64(const Glyph& left, const Glyph& right) const;

  // Calls `draw` for every character with the pen position (1/64 px, from 0)
  // at which its glyph is placed; returns the final pen position. Measuring
  // and drawing both go through here, so they cannot disagree.
  int64_t Walk(std::u32string_view text, const std::function<void(const Glyph&, int64_t pen64)>& draw) const;
  // Advance width of a line in whole pixels.
  int MeasureWidth(std::u32string_view text) const;

 private:
  struct Resolved {
    const FontFace* face = nullptr;
    int slot = -1;
    int glyph = 0;
  };
  Resolved Resolve(char32_t codePoint) const;                    // caller holds mutex_
  const FontFace* FaceInSlot(int slot) const;                    // caller holds mutex_
  std::shared_ptr<const Glyph> Build(char32_t codePoint) const;  // caller holds mutex_
  std::shared_ptr<const Glyph> GlyphLocked(char32_t codePoint) const;
  int KerningLocked(const Glyph& left, const Glyph& right) const;
  void ComputeMetrics();

  FontSpec spec_;
  std::shared_ptr<const FontFace> primary_;
  FallbackSource fallbackSource_;
  int ascent_ = 0;
  int descent_ = 0;
  int lineHeight_ = 0;
  int underlineOffset_ = 0;
  int lineThickness_ = 1;

  mutable std::mutex mutex_;
  mutable std::vector<std::shared_ptr<const FontFace>> fallbacks_;
  mutable std::vector<bool> fallbackLooked_;
  mutable std::map<char32_t, std::shared_ptr<const Glyph>> glyphs_;
  mutable std::map<uint64_t, int> kerning_;
};

}  // namespace kb::render
