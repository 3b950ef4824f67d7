#include "ArtCanvas.h"

#include <algorithm>
#include <cmath>

namespace kb::art {

namespace {

float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

float Length(float x, float y) { return std::sqrt(x * x + y * y); }

float RoundRectDistance(float px, float py, float left, float top, float right, float bottom, float radius) {
  float cx = (left + right) / 2, cy = (top + bottom) / 2;
  float hx = (right - left) / 2, hy = (bottom - top) / 2;
  radius = std::min({radius, hx, hy});
  float qx = std::fabs(px - cx) - (hx - radius);
  float qy = std::fabs(py - cy) - (hy - radius);
  return Length(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - radius;
}

float SegmentDistance(float px, float py, Vec a, Vec b) {
  float dx = b.x - a.x, dy = b.y - a.y;
  float len2 = dx * dx + dy * dy;
  float t = len2 > 0 ? Clamp01(((px - a.x) * dx + (py - a.y) * dy) / len2) : 0.0f;
  return Length(px - (a.x + t * dx), py - (a.y + t * dy));
}

}  // namespace

Rgba Hex(unsigned rgb, float alpha) {
  return Rgba{((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f, alpha};
}

Rgba Mix(const Rgba& a, const Rgba& b, float t) {
  t = Clamp01(t);
  return Rgba{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Rgba WithAlpha(Rgba c, float alpha) {
  c.a = alpha;
  return c;
}

Paint Solid(Rgba c) {
  return [c](float, float) { return c; };
}

Paint VerticalGradient(float y0, Rgba top, float y1, Rgba bottom) {
  return [=](float, float y) { return Mix(top, bottom, y1 > y0 ? (y - y0) / (y1 - y0) : 0.0f); };
}

Paint HorizontalGradient(float x0, Rgba left, float x1, Rgba right) {
  return [=](float x, float) { return Mix(left, right, x1 > x0 ? (x - x0) / (x1 - x0) : 0.0f); };
}

Paint RadialGradient(Vec centre, float radius, Rgba inner, Rgba outer) {
  return [=](float x, float y) { return Mix(inner, outer, Length(x - centre.x, y - centre.y) / radius); };
}

ArtCanvas::ArtCanvas(int width, int height) : ArtCanvas(width, height, 1.0f) {}

ArtCanvas::ArtCanvas(int width, int height, float scale)
    : width_(width), height_(height), scale_(scale), pixels_(static_cast<size_t>(width) * height) {
  ResetClip();
}

void ArtCanvas::SetOrigin(float logicalX, float deviceX) {
  originLogicalX_ = logicalX;
  originDeviceX_ = deviceX;
}

void ArtCanvas::SetClip(float left, float top, float right, float bottom) {
  SetDeviceClip(DeviceX(left), DeviceY(top), DeviceX(right), DeviceY(bottom));
}

void ArtCanvas::SetDeviceClip(float left, float top, float right, float bottom) {
  clipLeft_ = std::max(0.0f, left);
  clipTop_ = std::max(0.0f, top);
  clipRight_ = std::min(static_cast<float>(width_), right);
  clipBottom_ = std::min(static_cast<float>(height_), bottom);
}

void ArtCanvas::ResetClip() { SetDeviceClip(0, 0, static_cast<float>(width_), static_cast<float>(height_)); }

void ArtCanvas::Blend(int x, int y, const Rgba& color, float coverage) {
  float a = color.a * coverage;
  if (a <= 0) return;
  Rgba& d = pixels_[static_cast<size_t>(y) * width_ + x];
  float outA = a + d.a * (1 - a);
  if (outA <= 0) return;
  d.r = (color.r * a + d.r * d.a * (1 - a)) / outA;
  d.g = (color.g * a + d.g * d.a * (1 - a)) / outA;
  d.b = (color.b * a + d.b * d.a * (1 - a)) / outA;
  d.a = outA;
}

void ArtCanvas::FillDistance(float left, float top, float right, float bottom,
                             const std::function<float(float, float)>& distance, const Paint& paint) {
  int x0 = static_cast<int>(std::floor(std::max(DeviceX(left) - 1, clipLeft_)));
  int y0 = static_cast<int>(std::floor(std::max(DeviceY(top) - 1, clipTop_)));
  int x1 = static_cast<int>(std::ceil(std::min(DeviceX(right) + 1, clipRight_)));
  int y1 = static_cast<int>(std::ceil(std::min(DeviceY(bottom) + 1, clipBottom_)));
  const bool unscaled = scale_ == 1.0f && originLogicalX_ == originDeviceX_;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      float px = x + 0.5f, py = y + 0.5f;
      if (!unscaled) {
        // The pixel's centre in logical units; the distance back in pixels,
        // so edges stay one device pixel soft.
        px = (px - originDeviceX_) / scale_ + originLogicalX_;
        py = py / scale_;
      }
      float coverage = Clamp01(0.5f - distance(px, py) * scale_);
      if (coverage > 0) Blend(x, y, paint(px, py), coverage);
    }
  }
}

void ArtCanvas::FillRoundRect(float left, float top, float right, float bottom, float radius, const Paint& paint) {
  FillDistance(left, top, right, bottom,
               [=](float x, float y) { return RoundRectDistance(x, y, left, top, right, bottom, radius); }, paint);
}

void ArtCanvas::StrokeRoundRect(float left, float top, float right, float bottom, float radius, float width,
                                const Paint& paint) {
  FillDistance(left, top, right, bottom,
               [=](float x, float y) {
                 float outer = RoundRectDistance(x, y, left, top, right, bottom, radius);
                 return std::max(outer, -outer - width);
               },
               paint);
}

void ArtCanvas::FillCircle(Vec c, float radius, const Paint& paint) {
  FillDistance(c.x - radius, c.y - radius, c.x + radius, c.y + radius,
               [=](float x, float y) { return Length(x - c.x, y - c.y) - radius; }, paint);
}

void ArtCanvas::StrokeCircle(Vec c, float radius, float width, const Paint& paint) {
  float reach = radius + width / 2;
  FillDistance(c.x - reach, c.y - reach, c.x + reach, c.y + reach,
               [=](float x, float y) { return std::fabs(Length(x - c.x, y - c.y) - radius) - width / 2; }, paint);
}

void ArtCanvas::Line(Vec a, Vec b, float width, const Paint& paint) {
  float reach = width / 2;
  FillDistance(std::min(a.x, b.x) - reach, std::min(a.y, b.y) - reach, std::max(a.x, b.x) + reach,
               std::max(a.y, b.y) + reach, [=](float x, float y) { return SegmentDistance(x, y, a, b) - reach; },
               paint);
}

void ArtCanvas::Polyline(const std::vector<Vec>& points, float width, const Paint& paint) {
  if (points.size() < 2) return;
  float left = points[0].x, right = left, top = points[0].y, bottom = top;
  for (const Vec& p : points) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  float reach = width / 2;
  // One pass over the union, so the joins are not blended twice.
  FillDistance(left - reach, top - reach, right + reach, bottom + reach,
               [&points, reach](float x, float y) {
                 float d = 1e9f;
                 for (size_t i = 1; i < points.size(); ++i) d = std::min(d, SegmentDistance(x, y, points[i - 1], points[i]));
                 return d - reach;
               },
               paint);
}

void ArtCanvas::FillConvex(const std::vector<Vec>& points, const Paint& paint) {
  if (points.size() < 3) return;
  float area = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    const Vec& a = points[i];
    const Vec& b = points[(i + 1) % points.size()];
    area += a.x * b.y - b.x * a.y;
  }
  float sign = area > 0 ? 1.0f : -1.0f;
  float left = points[0].x, right = left, top = points[0].y, bottom = top;
  for (const Vec& p : points) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  FillDistance(left, top, right, bottom,
               [&points, sign](float x, float y) {
                 float d = -1e9f;
                 for (size_t i = 0; i < points.size(); ++i) {
                   const Vec& a = points[i];
                   const Vec& b = points[(i + 1) % points.size()];
                   float ex = b.x - a.x, ey = b.y - a.y;
                   float len = Length(ex, ey);
                   if (len <= 0) continue;
                   // Outward normal for the polygon's winding.
                   float nx = sign * ey / len, ny = -sign * ex / len;
                   d = std::max(d, (x - a.x) * nx + (y - a.y) * ny);
                 }
                 return d;
               },
               paint);
}

void ArtCanvas::Arc(Vec c, float radius, float a0, float a1, float width, const Paint& paint) {
  std::vector<Vec> points;
  int steps = std::max(8, static_cast<int>(std::fabs(a1 - a0) * radius / 2));
  for (int i = 0; i <= steps; ++i) {
    float a = a0 + (a1 - a0) * static_cast<float>(i) / static_cast<float>(steps);
    points.push_back(Vec{c.x + radius * std::cos(a), c.y + radius * std::sin(a)});
  }
  Polyline(points, width, paint);
}

render::Bitmap ArtCanvas::ToBitmap() const {
  std::vector<uint8_t> rgba(pixels_.size() * 4);
  auto byte = [](float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f)); };
  for (size_t i = 0; i < pixels_.size(); ++i) {
    rgba[i * 4 + 0] = byte(pixels_[i].r);
    rgba[i * 4 + 1] = byte(pixels_[i].g);
    rgba[i * 4 + 2] = byte(pixels_[i].b);
    rgba[i * 4 + 3] = byte(pixels_[i].a);
  }
  render::Bitmap bitmap;
  bitmap.FromStraightRgba(rgba.data(), width_, height_);
  return bitmap;
}

}  // namespace kb::art
