#include "toolkit/render/Canvas.h"

#include <algorithm>
#include <cstdlib>

#include "platform/diag.h"

namespace kb::render {
namespace {

// Splits a length into start margin, middle and end margin; margins that do
// not fit shrink in proportion.
struct Split {
  int start = 0;
  int end = 0;
};

Split FitMargins(int length, int start, int end) {
  start = std::max(0, start);
  end = std::max(0, end);
  if (start + end <= length) return Split{start, end};
  if (start + end == 0) return Split{};
  int scaledStart = static_cast<int>(int64_t{length} * start / (start + end));
  return Split{scaledStart, length - scaledStart};
}

}  // namespace

Canvas::Canvas(Bitmap& target) : target_(target) { clips_.push_back(target.Bounds()); }

void Canvas::PushClip(const Rect& rect) { clips_.push_back(clips_.back().Intersect(rect)); }

void Canvas::PopClip() {
  if (clips_.size() <= 1) {
    DiagPrintf("canvas: PopClip without PushClip\n");
    return;
  }
  clips_.pop_back();
}

void Canvas::Clear(Color color) { MakeBlitter().Fill(clips_.back(), Premultiply(color), BlendMode::kCopy); }

void Canvas::FillRect(const Rect& rect, Color color, BlendMode mode) {
  MakeBlitter().Fill(rect, Premultiply(color), mode);
}

void Canvas::FrameRect(const Rect& rect, Color color, int thickness) {
  if (rect.IsEmpty() || thickness <= 0) return;
  if (thickness * 2 >= rect.Width() || thickness * 2 >= rect.Height()) {
    FillRect(rect, color);
    return;
  }
  // Four bands that do not overlap, so a translucent frame is even.
  FillRect(Rect{rect.left, rect.top, rect.right, rect.top + thickness}, color);
  FillRect(Rect{rect.left, rect.bottom - thickness, rect.right, rect.bottom}, color);
  FillRect(Rect{rect.left, rect.top + thickness, rect.left + thickness, rect.bottom - thickness}, color);
  FillRect(Rect{rect.right - thickness, rect.top + thickness, rect.right, rect.bottom - thickness}, color);
}

void Canvas::DrawFocusRect(const Rect& rect, Color color) {
  if (rect.IsEmpty()) return;
  const Rect clip = clips_.back();
  const Pixel pixel = Premultiply(color);
  auto dot = [&](int x, int y) {
    if (((x + y) & 1) == 0 && clip.Contains(Point{x, y})) {
      Pixel& p = target_.Row(y)[x];
      p = BlendOver(p, pixel);
    }
  };
  for (int x = rect.left; x < rect.right; ++x) {
    dot(x, rect.top);
    if (rect.bottom - 1 > rect.top) dot(x, rect.bottom - 1);
  }
  for (int y = rect.top + 1; y < rect.bottom - 1; ++y) {
    dot(rect.left, y);
    if (rect.right - 1 > rect.left) dot(rect.right - 1, y);
  }
}

void Canvas::DrawLine(Point from, Point to, Color color) {
  const Rect clip = clips_.back();
  const Pixel pixel = Premultiply(color);
  const int dx = std::abs(to.x - from.x);
  const int dy = -std::abs(to.y - from.y);
  const int stepX = from.x < to.x ? 1 : -1;
  const int stepY = from.y < to.y ? 1 : -1;
  int error = dx + dy;
  Point p = from;
  while (p != to) {
    if (clip.Contains(p)) {
      Pixel& d = target_.Row(p.y)[p.x];
      d = BlendOver(d, pixel);
    }
    int twice = 2 * error;
    if (twice >= dy) error += dy, p.x += stepX;
    if (twice <= dx) error += dx, p.y += stepY;
  }
}

void Canvas::DrawBitmap(const Bitmap& image, Point at, uint8_t alpha) { DrawBitmap(image, image.Bounds(), at, alpha); }

void Canvas::DrawBitmap(const Bitmap& image, const Rect& source, Point at, uint8_t alpha, BlendMode mode) {
  Rect inside = source.Intersect(image.Bounds());
  if (inside.IsEmpty()) return;
  Point shifted{at.x + inside.left - source.left, at.y + inside.top - source.top};
  MakeBlitter().Copy(image, inside, shifted, alpha, mode);
}

void Canvas::StretchBitmap(const Bitmap& image, const Rect& source, const Rect& dest, uint8_t alpha,
                           StretchFilter filter) {
  Rect inside = source.Intersect(image.Bounds());
  if (inside.IsEmpty() || dest.IsEmpty()) return;
  MakeBlitter().Stretch(image, inside, dest, alpha, filter);
}

void Canvas::TileBitmap(const Bitmap& image, const Rect& source, const Rect& dest, uint8_t alpha) {
  if (source.IsEmpty() || dest.IsEmpty()) return;
  ScopedClip clip(*this, dest);
  Blitter blitter = MakeBlitter();
  for (int y = dest.top; y < dest.bottom; y += source.Height()) {
    for (int x = dest.left; x < dest.right; x += source.Width()) {
      blitter.Copy(image, source, Point{x, y}, alpha, BlendMode::kSourceOver);
    }
  }
}

void Canvas::DrawNinePatch(const Bitmap& image, const Rect& source, const Margins& margins, const Rect& dest,
                           uint8_t alpha, NinePatchMode mode) {
  Rect src = source.Intersect(image.Bounds());
  if (src.IsEmpty() || dest.IsEmpty()) return;
  Split srcX = FitMargins(src.Width(), margins.left, margins.right);
  Split srcY = FitMargins(src.Height(), margins.top, margins.bottom);
  Split dstX = FitMargins(dest.Width(), srcX.start, srcX.end);
  Split dstY = FitMargins(dest.Height(), srcY.start, srcY.end);
  const int sx[4] = {src.left, src.left + srcX.start, src.right - srcX.end, src.right};
  const int sy[4] = {src.top, src.top + srcY.start, src.bottom - srcY.end, src.bottom};
  const int dx[4] = {dest.left, dest.left + dstX.start, dest.right - dstX.end, dest.right};
  const int dy[4] = {dest.top, dest.top + dstY.start, dest.bottom - dstY.end, dest.bottom};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      Rect from{sx[column], sy[row], sx[column + 1], sy[row + 1]};
      Rect to{dx[column], dy[row], dx[column + 1], dy[row + 1]};
      if (from.IsEmpty() || to.IsEmpty()) continue;
      bool corner = row != 1 && column != 1;
      if (mode == NinePatchMode::kTile && !corner) {
        TileBitmap(image, from, to, alpha);
      } else {
        MakeBlitter().Stretch(image, from, to, alpha, StretchFilter::kBilinear);
      }
    }
  }
}

Rect Canvas::ImageListFrame(Size imageSize, int states, int index, bool vertical) {
  if (states <= 0 || imageSize.cx <= 0 || imageSize.cy <= 0) return Rect{};
  if (index < 0 || index >= states) index = 0;
  if (vertical) {
    int height = imageSize.cy / states;
    return Rect::FromSize(0, index * height, imageSize.cx, height);
  }
  int width = imageSize.cx / states;
  return Rect::FromSize(index * width, 0, width, imageSize.cy);
}

void Canvas::DrawImageListState(const Bitmap& image, int states, int index, bool vertical, const Rect& dest,
                                const Margins& margins, uint8_t alpha, NinePatchMode mode) {
  Rect frame = ImageListFrame(image.GetSize(), states, index, vertical);
  if (frame.IsEmpty()) return;
  if (margins == Margins{}) {
    StretchBitmap(image, frame, dest, alpha);
  } else {
    DrawNinePatch(image, frame, margins, dest, alpha, mode);
  }
}

void Canvas::DrawTextLine(const Font& font, const TextLine& line, Point origin, Pixel color) {
  Blitter blitter = MakeBlitter();
  const int baseline = origin.y + font.Ascent();
  font.Walk(line.text, [&](const Glyph& glyph, int64_t pen64) {
    const GlyphImage& image = glyph.image;
    if (image.width == 0) return;
    int x = origin.x + static_cast<int>(FloorDiv64(pen64 + 32)) + image.left;
    blitter.Mask(image.coverage.data(), image.width, image.height, Point{x, baseline + image.top}, color);
  });
  const FontSpec& spec = font.Spec();
  const int thickness = font.LineThickness();
  if (spec.underline) {
    int top = baseline + font.UnderlineOffset();
    blitter.Fill(Rect::FromSize(origin.x, top, line.width, thickness), color, BlendMode::kSourceOver);
  }
  if (spec.strikeout) {
    int top = baseline - font.PixelSize() * 3 / 10;
    blitter.Fill(Rect::FromSize(origin.x, top, line.width, thickness), color, BlendMode::kSourceOver);
  }
}

void Canvas::DrawString(const Font& font, std::wstring_view text, const Rect& box, Color color, unsigned format) {
  if (text.empty() || color.a == 0) return;
  TextLayout layout(font, text, Size{box.Width(), box.Height()}, format);
  const bool clipToBox = (format & kTextNoClip) == 0;
  if (clipToBox) PushClip(box);
  const Pixel pixel = Premultiply(color);
  for (size_t i = 0; i < layout.Lines().size(); ++i) {
    DrawTextLine(font, layout.Lines()[i], layout.LineOrigin(i, box), pixel);
  }
  if (clipToBox) PopClip();
}

}  // namespace kb::render
