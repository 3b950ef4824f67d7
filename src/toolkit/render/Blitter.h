#pragma once
// Pixel loops behind the canvas: every function writes only inside `clip`,
// which the caller has already limited to the target bitmap.
#include <cstdint>

#include "toolkit/render/Bitmap.h"

namespace kb::render {

enum class BlendMode {
  kSourceOver,  // blended over what is there
  kCopy,        // replaces what is there, alpha included
};

enum class StretchFilter {
  kNearest,
  // Bilinear when enlarging; when shrinking to less than half, each target
  // pixel averages the source pixels it covers, so thin lines do not vanish.
  kBilinear,
};

class Blitter {
 public:
  Blitter(Bitmap& target, const Rect& clip);

  void Fill(const Rect& rect, Pixel pixel, BlendMode mode);
  // `source` (already limited to the source bitmap) copied unscaled with its
  // top-left corner at `at`, its pixels scaled by alpha/255.
  void Copy(const Bitmap& src, const Rect& source, Point at, uint8_t alpha, BlendMode mode);
  // `source` scaled to `dest`. Samples never come from outside `source`, so
  // neighbouring frames of an image list cannot bleed in.
  void Stretch(const Bitmap& src, const Rect& source, const Rect& dest, uint8_t alpha, StretchFilter filter);
  // An 8-bit coverage mask (glyphs) painted in a premultiplied colour.
  void Mask(const uint8_t* coverage, int width, int height, Point at, Pixel color);

 private:
  void StretchNearest(const Bitmap& src, const Rect& source, const Rect& dest, const Rect& area, uint8_t alpha);
  void StretchBilinear(const Bitmap& src, const Rect& source, const Rect& dest, const Rect& area, uint8_t alpha);
  void ShrinkAveraging(const Bitmap& src, const Rect& source, const Rect& dest, const Rect& area, uint8_t alpha);

  Bitmap& target_;
  Rect clip_;
};

}  // namespace kb::render
