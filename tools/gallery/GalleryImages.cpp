#include "GalleryImages.h"

#include <cmath>
#include <vector>

#include "toolkit/render/Canvas.h"
#include "toolkit/render/PngEncoder.h"
#include "toolkit/skin/ShapePainter.h"

namespace gallery {

namespace {

using kb::render::Bitmap;
using kb::render::Canvas;
using kb::ui::Color;
using kb::ui::PointF;
using kb::ui::Rect;
using kb::ui::ShapePainter;

Color Mix(Color a, Color b, float t) {
  auto channel = [t](uint8_t x, uint8_t y) { return static_cast<uint8_t>(std::lround(x + (y - x) * t)); };
  return Color::Rgb(channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b));
}

// Four frames (normal, hover, pushed, disabled) of a rounded button with a
// vertical gradient.
Bitmap ButtonImage() {
  constexpr int kWidth = 96;
  constexpr int kHeight = 28;
  const Color tops[4] = {Color::Rgb(0x4a, 0x8a, 0xd4), Color::Rgb(0x5c, 0x9d, 0xe6), Color::Rgb(0x2a, 0x62, 0xa6),
                         Color::Rgb(0xb4, 0xbc, 0xc8)};
  const Color bottoms[4] = {Color::Rgb(0x2c, 0x64, 0xac), Color::Rgb(0x36, 0x78, 0xc4), Color::Rgb(0x20, 0x4e, 0x88),
                            Color::Rgb(0xa0, 0xa8, 0xb4)};
  Bitmap image(kWidth * 4, kHeight);
  for (int frame = 0; frame < 4; ++frame) {
    Bitmap face(kWidth, kHeight);
    Canvas faceCanvas(face);
    for (int y = 0; y < kHeight; ++y)
      faceCanvas.FillRect(Rect{0, y, kWidth, y + 1}, Mix(tops[frame], bottoms[frame], y / float(kHeight - 1)));
    // Cut the corners round by masking with a rounded rectangle.
    Bitmap mask(kWidth, kHeight);
    Canvas maskCanvas(mask);
    ShapePainter(maskCanvas).FillRoundRect(mask.Bounds(), 6, Color::Rgb(255, 255, 255));
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        image.Set(frame * kWidth + x, y, kb::render::ScalePixel(face.At(x, y), kb::render::PixelAlpha(mask.At(x, y))));
  }
  return image;
}

// A white card with a soft border: a nine-patch with 6-pixel margins.
Bitmap CardImage() {
  Bitmap image(24, 24);
  Canvas canvas(image);
  ShapePainter painter(canvas);
  painter.FillRoundRect(image.Bounds(), 6, Color::Rgb(0xd3, 0xda, 0xe4));
  painter.FillRoundRect(image.Bounds().Deflate(1, 1, 1, 1), 5, Color::Rgb(0xff, 0xff, 0xff));
  return image;
}

// Three 16 x 16 icons: a lamp, a keycap and a gear-like circle.
Bitmap IconImage() {
  Bitmap image(48, 16);
  Canvas canvas(image);
  ShapePainter painter(canvas);
  painter.FillEllipse(Rect{2, 1, 14, 13}, Color::Rgb(0xf2, 0xb1, 0x1b));
  painter.FillRoundRect(Rect{5, 12, 11, 15}, 1, Color::Rgb(0x80, 0x80, 0x80));
  painter.FillRoundRect(Rect{18, 2, 30, 14}, 3, Color::Rgb(0x3c, 0x9a, 0x5f));
  painter.FillRoundRect(Rect{21, 4, 27, 10}, 1, Color::Rgb(0xe8, 0xf5, 0xec));
  painter.FillEllipse(Rect{33, 1, 47, 15}, Color::Rgb(0x2a, 0x74, 0xd0));
  painter.FillEllipse(Rect{37, 5, 43, 11}, Color::Rgb(0xff, 0xff, 0xff));
  return image;
}

std::vector<PointF> Star(float cx, float cy, float outer, float inner) {
  std::vector<PointF> points;
  for (int i = 0; i < 10; ++i) {
    constexpr double kPi = 3.14159265358979323846;
    float angle = static_cast<float>(-kPi / 2 + i * kPi / 5);
    float r = (i % 2) ? inner : outer;
    points.push_back(PointF{cx + r * std::cos(angle), cy + r * std::sin(angle)});
  }
  return points;
}

// Three 20 x 20 stars: full, half-tone and empty.
Bitmap StarImage() {
  Bitmap image(60, 20);
  Canvas canvas(image);
  ShapePainter painter(canvas);
  painter.FillPolygon(Star(10, 10.5f, 9.5f, 4), Color::Rgb(0xf2, 0xb1, 0x1b));
  painter.FillPolygon(Star(30, 10.5f, 9.5f, 4), Color::Rgb(0xf5, 0xd4, 0x8a));
  auto outline = Star(50, 10.5f, 9.5f, 4);
  outline.push_back(outline.front());
  painter.StrokePolyline(outline, 1.2f, Color::Rgb(0xb0, 0xb0, 0xb0));
  return image;
}

}  // namespace

void AddGeneratedImages(kb::ui::SResProviderMemory& provider) {
  provider.Add(L"img", L"button4", kb::render::EncodePng(ButtonImage()));
  provider.Add(L"img", L"card", kb::render::EncodePng(CardImage()));
  provider.Add(L"img", L"icons", kb::render::EncodePng(IconImage()));
  provider.Add(L"img", L"stars", kb::render::EncodePng(StarImage()));
}

}  // namespace gallery
