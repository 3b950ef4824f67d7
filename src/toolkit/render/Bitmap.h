#pragma once
// A 32-bit premultiplied BGRA bitmap, rows top-down without padding: the
// memory layout of a top-down DIB section (negative biHeight), so a window can
// hand Pixels() to SetDIBitsToDevice or UpdateLayeredWindow as it is.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "toolkit/render/Color.h"
#include "toolkit/render/Geometry.h"

namespace kb::render {

class Bitmap {
 public:
  // Larger bitmaps are refused: no window or skin image comes near it, and a
  // corrupt image header must not make us allocate gigabytes.
  static constexpr int kMaxDimension = 16384;
  static constexpr int64_t kMaxPixels = int64_t{1} << 26;

  Bitmap() = default;
  // Fully transparent; an empty bitmap if the size is not acceptable.
  Bitmap(int width, int height);

  static bool IsAcceptableSize(int64_t width, int64_t height);

  // Reallocates to the new size, fully transparent. False (and empty) if the
  // size is not acceptable.
  bool Reset(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  Size GetSize() const { return Size{width_, height_}; }
  Rect Bounds() const { return Rect{0, 0, width_, height_}; }
  bool IsEmpty() const { return width_ == 0 || height_ == 0; }
  int StrideBytes() const { return width_ * 4; }

  // Write access forgets that the bitmap was known to be opaque.
  Pixel* Pixels() {
    knownOpaque_ = false;
    return pixels_.data();
  }
  const Pixel* Pixels() const { return pixels_.data(); }
  Pixel* Row(int y) {
    knownOpaque_ = false;
    return pixels_.data() + static_cast<size_t>(y) * width_;
  }
  const Pixel* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }

  // Out-of-range coordinates read as transparent.
  Pixel At(int x, int y) const;
  Color ColorAt(int x, int y) const { return Unpremultiply(At(x, y)); }
  void Set(int x, int y, Pixel p);

  void Fill(Pixel p);

  // Bytes R, G, B, A per pixel with straight alpha, rows top-down: what image
  // encoders take.
  std::vector<uint8_t> ToStraightRgba() const;
  // The inverse; false if the size is not acceptable or the data too short.
  bool FromStraightRgba(const uint8_t* rgba, int width, int height);

  // True when every pixel is known to have alpha 255 (found while decoding
  // an image; any change since forgets it): drawn over something, such a
  // bitmap replaces it, so a blit can copy rows instead of blending pixels.
  bool KnownOpaque() const { return knownOpaque_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<Pixel> pixels_;
  bool knownOpaque_ = false;
};

}  // namespace kb::render
