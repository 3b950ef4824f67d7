#include "PictureShapes.h"

#include <algorithm>
#include <cstdint>

namespace kbpicture {
namespace {

using kb::render::Bitmap;
using kb::render::Color;
using kb::render::Rect;

// Samples per pixel side for the corner coverage.
constexpr int kSubsamples = 4;
constexpr int kFullCoverage = kSubsamples * kSubsamples;

uint8_t Channel(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

// How many of the pixel's subsamples lie inside the rounded rectangle. All
// in integer sixteenths of a pixel (doubled), so every build draws the same.
int Coverage(const Rect& rect, int radius, int x, int y) {
  if (radius <= 0) return kFullCoverage;
  int inside = 0;
  for (int sy = 0; sy < kSubsamples; ++sy) {
    for (int sx = 0; sx < kSubsamples; ++sx) {
      // Sample centres, in units of 1/(2*kSubsamples) pixel.
      const int scale = 2 * kSubsamples;
      int px = x * scale + 2 * sx + 1;
      int py = y * scale + 2 * sy + 1;
      int left = (rect.left + radius) * scale;
      int right = (rect.right - radius) * scale;
      int top = (rect.top + radius) * scale;
      int bottom = (rect.bottom - radius) * scale;
      int dx = px < left ? left - px : (px > right ? px - right : 0);
      int dy = py < top ? top - py : (py > bottom ? py - bottom : 0);
      int64_t r = int64_t{radius} * scale;
      if (int64_t{dx} * dx + int64_t{dy} * dy <= r * r) ++inside;
    }
  }
  return inside;
}

void BlendPixel(Bitmap& target, int x, int y, Color color, int coverage) {
  if (coverage <= 0) return;
  Color c = color;
  c.a = static_cast<uint8_t>(color.a * coverage / kFullCoverage);
  target.Set(x, y, kb::render::BlendOver(target.At(x, y), kb::render::Premultiply(c)));
}

Rect Visible(const Bitmap& target, const Rect& rect) { return rect.Intersect(target.Bounds()); }

}  // namespace

Color Mix(Color a, Color b, int amount) {
  auto lerp = [amount](int from, int to) { return Channel(from + (to - from) * amount / 255); };
  return Color{lerp(a.r, b.r), lerp(a.g, b.g), lerp(a.b, b.b), lerp(a.a, b.a)};
}

Color Shade(Color color, int percent) {
  return Color{Channel(color.r * percent / 100), Channel(color.g * percent / 100), Channel(color.b * percent / 100),
               color.a};
}

void FillRoundRect(Bitmap& target, const Rect& rect, int radius, Color color) {
  radius = std::clamp(radius, 0, std::min(rect.Width(), rect.Height()) / 2);
  Rect area = Visible(target, rect);
  for (int y = area.top; y < area.bottom; ++y) {
    bool nearRow = y < rect.top + radius || y >= rect.bottom - radius;
    for (int x = area.left; x < area.right; ++x) {
      bool nearCorner = nearRow && (x < rect.left + radius || x >= rect.right - radius);
      BlendPixel(target, x, y, color, nearCorner ? Coverage(rect, radius, x, y) : kFullCoverage);
    }
  }
}

void FrameRoundRect(Bitmap& target, const Rect& rect, int radius, int thickness, Color color) {
  radius = std::clamp(radius, 0, std::min(rect.Width(), rect.Height()) / 2);
  Rect inner = rect.Deflate(thickness, thickness, thickness, thickness);
  int innerRadius = std::max(0, radius - thickness);
  Rect area = Visible(target, rect);
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      int outer = Coverage(rect, radius, x, y);
      bool inInner = !inner.IsEmpty() && inner.Contains({x, y});
      int hole = inInner ? Coverage(inner, innerRadius, x, y) : 0;
      BlendPixel(target, x, y, color, outer - hole);
    }
  }
}

void FillVerticalGradient(Bitmap& target, const Rect& rect, Color top, Color bottom) {
  Rect area = Visible(target, rect);
  int span = std::max(1, rect.Height() - 1);
  for (int y = area.top; y < area.bottom; ++y) {
    Color row = Mix(top, bottom, (y - rect.top) * 255 / span);
    kb::render::Pixel pixel = kb::render::Premultiply(row);
    for (int x = area.left; x < area.right; ++x) target.Set(x, y, kb::render::BlendOver(target.At(x, y), pixel));
  }
}

}  // namespace kbpicture
