#include "toolkit/render/Bitmap.h"

#include <algorithm>

namespace kb::render {

Bitmap::Bitmap(int width, int height) { Reset(width, height); }

bool Bitmap::IsAcceptableSize(int64_t width, int64_t height) {
  if (width < 0 || height < 0) return false;
  if (width > kMaxDimension || height > kMaxDimension) return false;
  return width * height <= kMaxPixels;
}

bool Bitmap::Reset(int width, int height) {
  knownOpaque_ = false;
  if (!IsAcceptableSize(width, height)) {
    width_ = height_ = 0;
    pixels_.clear();
    return false;
  }
  width_ = width;
  height_ = height;
  pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  if (width_ == 0 || height_ == 0) width_ = height_ = 0;
  return true;
}

Pixel Bitmap::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return Row(y)[x];
}

void Bitmap::Set(int x, int y, Pixel p) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  Row(y)[x] = p;
}

void Bitmap::Fill(Pixel p) {
  knownOpaque_ = false;
  std::fill(pixels_.begin(), pixels_.end(), p);
}

std::vector<uint8_t> Bitmap::ToStraightRgba() const {
  std::vector<uint8_t> out(pixels_.size() * 4);
  for (size_t i = 0; i < pixels_.size(); ++i) {
    Color c = Unpremultiply(pixels_[i]);
    out[i * 4 + 0] = c.r;
    out[i * 4 + 1] = c.g;
    out[i * 4 + 2] = c.b;
    out[i * 4 + 3] = c.a;
  }
  return out;
}

bool Bitmap::FromStraightRgba(const uint8_t* rgba, int width, int height) {
  if (rgba == nullptr || !Reset(width, height)) return false;
  uint8_t minAlpha = 255;
  for (size_t i = 0; i < pixels_.size(); ++i) {
    const uint8_t* p = rgba + i * 4;
    minAlpha = std::min(minAlpha, p[3]);
    pixels_[i] = Premultiply(Color::Rgba(p[0], p[1], p[2], p[3]));
  }
  knownOpaque_ = !pixels_.empty() && minAlpha == 255;
  return true;
}

}  // namespace kb::render
