#include "toolkit/render/Font.h"

#include <algorithm>
#include <cmath>

namespace kb::render {
namespace {

// Slant of a synthesised italic (about 11 degrees), as x per unit of y.
constexpr float kSyntheticShear = 0.2f;
constexpr char32_t kFirstPrintable = 0x20;


// How many pixels a synthesised bold widens each stroke.
int EmboldenPixels(int pixelSize) { return std::max(1, (pixelSize + 12) / 24); }

// Widens every stroke to the right by `extra` pixels: each pixel takes the
// strongest coverage of itself and its `extra` left neighbours.
void Embolden(GlyphImage& image, int extra) {
  if (image.width == 0 || image.height == 0) return;
  int width = image.width + extra;
  std::vector<uint8_t> out(static_cast<size_t>(width) * image.height, 0);
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* src = image.coverage.data() + static_cast<size_t>(y) * image.width;
    uint8_t* dst = out.data() + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      uint8_t best = 0;
      for (int k = 0; k <= extra; ++k) {
        int sx = x - k;
        if (sx >= 0 && sx < image.width) best = std::max(best, src[sx]);
      }
      dst[x] = best;
    }
  }
  image.width = width;
  image.coverage = std::move(out);
}

}  // namespace

Font::Font(FontSpec spec, std::shared_ptr<const FontFace> primary, size_t fallbackCount, FallbackSource fallbacks)
    : spec_(std::move(spec)),
      primary_(std::move(primary)),
      fallbackSource_(std::move(fallbacks)),
      fallbacks_(fallbackCount),
      fallbackLooked_(fallbackCount, false) {
  spec_.pixelSize = std::max(1, spec_.pixelSize);
  ComputeMetrics();
}

void Font::ComputeMetrics() {
  const int size = spec_.pixelSize;
  if (primary_) {
    const FaceMetrics& m = primary_->Metrics();
    float scale = primary_->ScaleForEm(size);
    ascent_ = static_cast<int>(std::lround(m.ascent * scale));
    descent_ = static_cast<int>(std::lround(m.descent * scale));
  } else {
    ascent_ = static_cast<int>(std::lround(size * 0.8));
    descent_ = size - ascent_;
  }
  lineHeight_ = std::max(1, ascent_ + descent_);
  lineThickness_ = std::max(1, static_cast<int>(std::lround(size / 14.0)));
  underlineOffset_ = std::max(1, static_cast<int>(std::lround(size * 0.1)));
}

std::wstring Font::PrimaryFamily() const { return primary_ ? primary_->FamilyName() : std::wstring(); }

const FontFace* Font::FaceInSlot(int slot) const {
  if (slot == 0) return primary_.get();
  size_t index = static_cast<size_t>(slot - 1);
  if (index >= fallbacks_.size()) return nullptr;
  if (!fallbackLooked_[index]) {
    fallbackLooked_[index] = true;
    if (fallbackSource_) fallbacks_[index] = fallbackSource_(index);
  }
  return fallbacks_[index].get();
}

Font::Resolved Font::Resolve(char32_t codePoint) const {
  for (int slot = 0; slot <= static_cast<int>(fallbacks_.size()); ++slot) {
    const FontFace* face = FaceInSlot(slot);
    if (face == nullptr) continue;
    int glyph = face->GlyphIndex(codePoint);
    if (glyph != 0) return Resolved{face, slot, glyph};
  }
  return Resolved{primary_.get(), primary_ ? 0 : -1, 0};
}

std::shared_ptr<const Glyph> Font::Build(char32_t codePoint) const {
  auto glyph = std::make_shared<Glyph>();
  if (codePoint < kFirstPrintable) return glyph;
  Resolved found = Resolve(codePoint);
  if (found.face == nullptr) {
    glyph->advance64 = spec_.pixelSize * 32;
    return glyph;
  }
  const FontFace& face = *found.face;
  const bool fakeBold = spec_.bold && !face.IsBold();
  const bool fakeItalic = spec_.italic && !face.IsItalic();
  const float scale = face.ScaleForEm(spec_.pixelSize);
  glyph->faceSlot = found.slot;
  glyph->glyphIndex = found.glyph;
  glyph->advance64 = static_cast<int>(std::lround(face.AdvanceUnits(found.glyph) * scale * 64.0f));
  glyph->image = face.Rasterize(found.glyph, scale, fakeItalic ? kSyntheticShear : 0.0f);
  if (fakeBold) {
    int extra = EmboldenPixels(spec_.pixelSize);
    Embolden(glyph->image, extra);
    glyph->advance64 += extra * 64;
  }
  return glyph;
}

std::shared_ptr<const Glyph> Font::GlyphLocked(char32_t codePoint) const {
  auto it = glyphs_.find(codePoint);
  if (it != glyphs_.end()) return it->second;
  auto glyph = Build(codePoint);
  glyphs_.emplace(codePoint, glyph);
  return glyph;
}

std::shared_ptr<const Glyph> Font::GetGlyph(char32_t codePoint) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return GlyphLocked(codePoint);
}

bool Font::HasGlyph(char32_t codePoint) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return Resolve(codePoint).glyph != 0;
}

int Font::KerningLocked(const Glyph& left, const Glyph& right) const {
  if (left.faceSlot < 0 || left.faceSlot != right.faceSlot) return 0;
  uint64_t key = (uint64_t(uint32_t(left.faceSlot)) << 48) | (uint64_t(uint32_t(left.glyphIndex) & 0xFFFFFF) << 24) |
                 (uint32_t(right.glyphIndex) & 0xFFFFFF);
  auto it = kerning_.find(key);
  if (it != kerning_.end()) return it->second;
  const FontFace* face = FaceInSlot(left.faceSlot);
  int value = 0;
  if (face != nullptr) {
    float scale = face->ScaleForEm(spec_.pixelSize);
    int units = face->KerningUnits(left.glyphIndex, right.glyphIndex);
    value = static_cast<int>(std::lround(units * scale * 64.0f));
  }
  kerning_.emplace(key, value);
  return value;
}

int Font::Kerning64(const Glyph& left, const Glyph& right) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return KerningLocked(left, right);
}

int64_t Font::Walk(std::u32string_view text, const std::function<void(const Glyph&, int64_t pen64)>& draw) const {
  std::vector<std::pair<std::shared_ptr<const Glyph>, int64_t>> placed;
  placed.reserve(text.size());
  int64_t pen = 0;
  {
    // One lock for the line; the callbacks run without it so they may use
    // the font again.
    std::lock_guard<std::mutex> lock(mutex_);
    const Glyph* previous = nullptr;
    for (char32_t c : text) {
      auto glyph = GlyphLocked(c);
      if (previous != nullptr) pen += KerningLocked(*previous, *glyph);
      placed.emplace_back(glyph, pen);
      pen += glyph->advance64;
      previous = glyph.get();
    }
  }
  if (draw) {
    for (const auto& [glyph, at] : placed) draw(*glyph, at);
  }
  return pen;
}

int Font::MeasureWidth(std::u32string_view text) const {
  return static_cast<int>(FloorDiv64(Walk(text, nullptr) + 32));
}

}  // namespace kb::render
