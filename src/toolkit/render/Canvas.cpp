#include "toolkit/render/Canvas.h"

#include <algorithm>
#include <cstdlib>

#include "platform/diag.h"
#include "toolkit/render/FontRegistry.h"

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

// A length of an image's pixels at another dpi, rounded half up.
int Rescale(int length, int toDpi, int fromDpi) {
  if (toDpi == fromDpi) return length;
  return static_cast<int>((2 * int64_t{length} * toDpi + fromDpi) / (2 * int64_t{fromDpi}));
}

}  // namespace

Canvas::Canvas(Bitmap& target, DeviceScale scale) : target_(target), scale_(scale) {
  clips_.push_back(target.Bounds());
}

void Canvas::PushClip(const Rect& rect) { clips_.push_back(clips_.back().Intersect(Device(rect))); }

void Canvas::PushDeviceClip(const Rect& deviceRect) { clips_.push_back(clips_.back().Intersect(deviceRect)); }

Rect Canvas::ClipBox() const {
  return scale_.IsIdentity() ? clips_.back() : scale_.ToLogicalOutward(clips_.back());
}

void Canvas::PopClip() {
  if (clips_.size() <= 1) {
    DiagPrintf("canvas: PopClip without PushClip\n");
    return;
  }
  clips_.pop_back();
}

void Canvas::Clear(Color color) { MakeBlitter().Fill(clips_.back(), Premultiply(color), BlendMode::kCopy); }

void Canvas::FillRect(const Rect& rect, Color color, BlendMode mode) {
  MakeBlitter().Fill(Device(rect), Premultiply(color), mode);
}

void Canvas::FrameRect(const Rect& rect, Color color, int thickness) {
  if (rect.IsEmpty() || thickness <= 0) return;
  FrameDeviceRect(Device(rect), Premultiply(color), scale_.LengthToDevice(thickness));
}

void Canvas::FrameDeviceRect(const Rect& rect, Pixel color, int thickness) {
  if (rect.IsEmpty()) return;
  Blitter blitter = MakeBlitter();
  const BlendMode over = BlendMode::kSourceOver;
  if (thickness * 2 >= rect.Width() || thickness * 2 >= rect.Height()) {
    blitter.Fill(rect, color, over);
    return;
  }
  // Four bands that do not overlap, so a translucent frame is even.
  blitter.Fill(Rect{rect.left, rect.top, rect.right, rect.top + thickness}, color, over);
  blitter.Fill(Rect{rect.left, rect.bottom - thickness, rect.right, rect.bottom}, color, over);
  blitter.Fill(Rect{rect.left, rect.top + thickness, rect.left + thickness, rect.bottom - thickness}, color, over);
  blitter.Fill(Rect{rect.right - thickness, rect.top + thickness, rect.right, rect.bottom - thickness}, color, over);
}

void Canvas::DrawFocusRect(const Rect& rect, Color color) {
  if (rect.IsEmpty()) return;
  const Rect device = Device(rect);
  const Pixel pixel = Premultiply(color);
  const int rings = std::max(1, scale_.Dpi() / DeviceScale::kBaseDpi);
  for (int i = 0; i < rings; ++i) {
    Rect ring = device.Deflate(i, i, i, i);
    if (ring.IsEmpty()) break;
    DrawDottedRing(ring, pixel);
  }
}

void Canvas::DrawDottedRing(const Rect& rect, Pixel pixel) {
  const Rect clip = clips_.back();
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
  if (!scale_.IsIdentity()) {
    from = scale_.ToDevice(from);
    to = scale_.ToDevice(to);
  }
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

void Canvas::DrawBitmap(const Bitmap& image, const Rect& source, Point at, uint8_t alpha, BlendMode mode,
                        int imageDpi) {
  Rect inside = source.Intersect(image.Bounds());
  if (inside.IsEmpty()) return;
  if (imageDpi == scale_.Dpi()) {
    // Made for this scale: pixel for pixel.
    Point origin = scale_.IsIdentity() ? at : scale_.ToDevice(at);
    Point shifted{origin.x + inside.left - source.left, origin.y + inside.top - source.top};
    MakeBlitter().Copy(image, inside, shifted, alpha, mode);
    return;
  }
  // The logical rectangle the image's pixels cover, on the device.
  const DeviceScale own(imageDpi);
  Rect logical{at.x + own.ToLogicalFloor(inside.left - source.left), at.y + own.ToLogicalFloor(inside.top - source.top),
               at.x + own.ToLogicalFloor(inside.right - source.left), at.y + own.ToLogicalFloor(inside.bottom - source.top)};
  MakeBlitter().Stretch(image, inside, Device(logical), alpha, StretchFilter::kBilinear);
}

void Canvas::DrawImagePart(const Bitmap& image, int imageDpi, Point origin, const Rect& part, uint8_t alpha) {
  if (part.IsEmpty()) return;
  const DeviceScale own(imageDpi);
  Rect source = own.ToDevice(part).Intersect(image.Bounds());
  if (source.IsEmpty()) return;
  if (own.Dpi() == scale_.Dpi()) {
    // The parts are placed from the picture's own origin, so a part lands
    // where it lies in the whole picture whatever the rounding of its edges.
    Point at = scale_.ToDevice(origin);
    MakeBlitter().Copy(image, source, Point{at.x + source.left, at.y + source.top}, alpha, BlendMode::kSourceOver);
    return;
  }
  MakeBlitter().Stretch(image, source, Device(part.Offset(origin.x, origin.y)), alpha, StretchFilter::kBilinear);
}

void Canvas::StretchBitmap(const Bitmap& image, const Rect& source, const Rect& dest, uint8_t alpha,
                           StretchFilter filter) {
  Rect inside = source.Intersect(image.Bounds());
  Rect device = Device(dest);
  if (inside.IsEmpty() || device.IsEmpty()) return;
  MakeBlitter().Stretch(image, inside, device, alpha, filter);
}

void Canvas::TileBitmap(const Bitmap& image, const Rect& source, const Rect& dest, Size tile, uint8_t alpha) {
  if (source.IsEmpty() || dest.IsEmpty() || tile.cx <= 0 || tile.cy <= 0) return;
  PushDeviceClip(dest);
  Blitter blitter = MakeBlitter();
  const bool natural = tile.cx == source.Width() && tile.cy == source.Height();
  for (int y = dest.top; y < dest.bottom; y += tile.cy) {
    for (int x = dest.left; x < dest.right; x += tile.cx) {
      if (natural) blitter.Copy(image, source, Point{x, y}, alpha, BlendMode::kSourceOver);
      else blitter.Stretch(image, source, Rect::FromSize(x, y, tile.cx, tile.cy), alpha, StretchFilter::kBilinear);
    }
  }
  PopClip();
}

void Canvas::DrawNinePatch(const Bitmap& image, const Rect& source, const Margins& margins, const Rect& dest,
                           uint8_t alpha, NinePatchMode mode, int imageDpi) {
  Rect src = source.Intersect(image.Bounds());
  Rect device = Device(dest);
  if (src.IsEmpty() || device.IsEmpty()) return;
  const int toDpi = scale_.Dpi();
  Split srcX = FitMargins(src.Width(), margins.left, margins.right);
  Split srcY = FitMargins(src.Height(), margins.top, margins.bottom);
  Split dstX = FitMargins(device.Width(), Rescale(srcX.start, toDpi, imageDpi), Rescale(srcX.end, toDpi, imageDpi));
  Split dstY = FitMargins(device.Height(), Rescale(srcY.start, toDpi, imageDpi), Rescale(srcY.end, toDpi, imageDpi));
  const int sx[4] = {src.left, src.left + srcX.start, src.right - srcX.end, src.right};
  const int sy[4] = {src.top, src.top + srcY.start, src.bottom - srcY.end, src.bottom};
  const int dx[4] = {device.left, device.left + dstX.start, device.right - dstX.end, device.right};
  const int dy[4] = {device.top, device.top + dstY.start, device.bottom - dstY.end, device.bottom};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      Rect from{sx[column], sy[row], sx[column + 1], sy[row + 1]};
      Rect to{dx[column], dy[row], dx[column + 1], dy[row + 1]};
      if (from.IsEmpty() || to.IsEmpty()) continue;
      bool corner = row != 1 && column != 1;
      if (mode == NinePatchMode::kTile && !corner) {
        Size tile{std::max(1, Rescale(from.Width(), toDpi, imageDpi)), std::max(1, Rescale(from.Height(), toDpi, imageDpi))};
        TileBitmap(image, from, to, tile, alpha);
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
                                const Margins& margins, uint8_t alpha, NinePatchMode mode, int imageDpi) {
  Rect frame = ImageListFrame(image.GetSize(), states, index, vertical);
  if (frame.IsEmpty()) return;
  if (margins == Margins{}) {
    StretchBitmap(image, frame, dest, alpha);
    return;
  }
  const int base = DeviceScale::kBaseDpi;
  Margins own{Rescale(margins.left, imageDpi, base), Rescale(margins.top, imageDpi, base),
              Rescale(margins.right, imageDpi, base), Rescale(margins.bottom, imageDpi, base)};
  DrawNinePatch(image, frame, own, dest, alpha, mode, imageDpi);
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

// Scaled text keeps the logical layout (line breaks, each character's pen
// position, the line's width: what controls measured and placed carets and
// selections by) and draws each character with its glyph rasterised at the
// scaled size, so it is sharp and still exactly where the control expects.
void Canvas::DrawScaledTextLine(const Font& font, const Font& device, const TextLine& line, Point origin,
                                Pixel color) {
  Blitter blitter = MakeBlitter();
  const Point top = scale_.ToDevice(origin);
  const int baseline = top.y + scale_.ToDevice(font.Ascent());
  const int64_t dpi = scale_.Dpi();
  size_t index = 0;
  font.Walk(line.text, [&](const Glyph&, int64_t pen64) {
    const char32_t c = line.text[index++];
    std::shared_ptr<const Glyph> glyph = device.GetGlyph(c);
    const GlyphImage& image = glyph->image;
    if (image.width == 0) return;
    const int64_t devicePen64 = pen64 * dpi / DeviceScale::kBaseDpi;
    int x = top.x + static_cast<int>(FloorDiv64(devicePen64 + 32)) + image.left;
    blitter.Mask(image.coverage.data(), image.width, image.height, Point{x, baseline + image.top}, color);
  });
  const FontSpec& spec = font.Spec();
  const int thickness = device.LineThickness();
  const int width = scale_.ToDevice(origin.x + line.width) - top.x;
  if (spec.underline) {
    int lineTop = baseline + scale_.ToDevice(font.UnderlineOffset());
    blitter.Fill(Rect::FromSize(top.x, lineTop, width, thickness), color, BlendMode::kSourceOver);
  }
  if (spec.strikeout) {
    int lineTop = baseline - device.PixelSize() * 3 / 10;
    blitter.Fill(Rect::FromSize(top.x, lineTop, width, thickness), color, BlendMode::kSourceOver);
  }
}

void Canvas::DrawString(const Font& font, std::wstring_view text, const Rect& box, Color color, unsigned format) {
  if (text.empty() || color.a == 0) return;
  TextLayout layout(font, text, Size{box.Width(), box.Height()}, format);
  // The glyphs of a scaled canvas come from the font at the scaled size.
  std::shared_ptr<const Font> device;
  if (!scale_.IsIdentity()) {
    FontSpec spec = font.Spec();
    spec.pixelSize = std::max(1, scale_.ToDevice(spec.pixelSize));
    device = FontRegistry::Instance().GetFont(spec);
  }
  const bool clipToBox = (format & kTextNoClip) == 0;
  if (clipToBox) PushClip(box);
  const Pixel pixel = Premultiply(color);
  for (size_t i = 0; i < layout.Lines().size(); ++i) {
    if (device) DrawScaledTextLine(font, *device, layout.Lines()[i], layout.LineOrigin(i, box), pixel);
    else DrawTextLine(font, layout.Lines()[i], layout.LineOrigin(i, box), pixel);
  }
  if (clipToBox) PopClip();
}

}  // namespace kb::render
