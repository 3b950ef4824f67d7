#pragma once
// Anti-aliased drawing for the generated skin images: every shape is a
// signed distance function, and a pixel's coverage is how far its centre
// lies inside the edge (one pixel of soft edge). Colours are straight RGBA,
// blended source-over; the result converts to the toolkit's bitmap for PNG
// encoding.
#include <functional>
#include <vector>

#include "toolkit/render/Bitmap.h"

namespace kb::art {

struct Rgba {
  float r = 0, g = 0, b = 0, a = 0;  // 0..1, straight alpha
};

// "#rrggbb" or "#rrggbbaa" written as 0xRRGGBB / alpha 0..1.
Rgba Hex(unsigned rgb, float alpha = 1.0f);
Rgba Mix(const Rgba& a, const Rgba& b, float t);
Rgba WithAlpha(Rgba c, float alpha);

struct Vec {
  float x = 0, y = 0;
};

// The colour of a shape at a point (gradients); a plain colour is a constant.
using Paint = std::function<Rgba(float x, float y)>;
Paint Solid(Rgba c);
Paint VerticalGradient(float y0, Rgba top, float y1, Rgba bottom);
Paint HorizontalGradient(float x0, Rgba left, float x1, Rgba right);
// From `inner` at the centre to `outer` at `radius` and beyond.
Paint RadialGradient(Vec centre, float radius, Rgba inner, Rgba outer);

// Shapes are given in logical units (the 100 % image's pixels); a canvas for
// a higher scale has `scale` pixels to a unit, so the same drawing code makes
// the 150 % and 200 % images, sharp instead of enlarged.
class ArtCanvas {
 public:
  ArtCanvas(int width, int height);
  // `width` and `height` in device pixels.
  ArtCanvas(int width, int height, float scale);

  int Width() const { return width_; }
  int Height() const { return height_; }
  float Scale() const { return scale_; }

  // Drawing is limited to this rectangle (frame of an image list), logical.
  void SetClip(float left, float top, float right, float bottom);
  // The same in device pixels.
  void SetDeviceClip(float left, float top, float right, float bottom);
  void ResetClip();
  // Logical x `logicalX` lands on device pixel x `deviceX` (the start of an
  // image list's frame, whose device width is rounded to whole pixels).
  void SetOrigin(float logicalX, float deviceX);

  void FillRoundRect(float left, float top, float right, float bottom, float radius, const Paint& paint);
  // A border `width` wide lying inside the rounded rectangle.
  void StrokeRoundRect(float left, float top, float right, float bottom, float radius, float width,
                       const Paint& paint);
  void FillCircle(Vec centre, float radius, const Paint& paint);
  void StrokeCircle(Vec centre, float radius, float width, const Paint& paint);
  // A line of the given width with round ends.
  void Line(Vec from, Vec to, float width, const Paint& paint);
  void Polyline(const std::vector<Vec>& points, float width, const Paint& paint);
  // Convex polygon, points in either winding order.
  void FillConvex(const std::vector<Vec>& points, const Paint& paint);
  // An arc of a circle from angle a0 to a1 (radians, clockwise on screen
  // from the positive x axis), round ends.
  void Arc(Vec centre, float radius, float a0, float a1, float width, const Paint& paint);

  // Any shape: `distance` < 0 inside, in pixels.
  void FillDistance(float left, float top, float right, float bottom, const std::function<float(float, float)>& distance,
                    const Paint& paint);

  render::Bitmap ToBitmap() const;
  const Rgba& At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }

 private:
  void Blend(int x, int y, const Rgba& color, float coverage);
  float DeviceX(float x) const {
    if (scale_ == 1.0f && originLogicalX_ == originDeviceX_) return x;
    return (x - originLogicalX_) * scale_ + originDeviceX_;
  }
  float DeviceY(float y) const { return y * scale_; }

  int width_;
  int height_;
  float scale_ = 1.0f;
  float originLogicalX_ = 0;
  float originDeviceX_ = 0;
  float clipLeft_, clipTop_, clipRight_, clipBottom_;
  std::vector<Rgba> pixels_;
};

}  // namespace kb::art
