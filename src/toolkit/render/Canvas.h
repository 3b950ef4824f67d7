#pragma once
// Drawing on a bitmap: fills, frames, lines, images (unscaled, stretched,
// nine-patch, image-list frames) and text, all through a clip-rectangle
// stack. A canvas serves one drawing pass: the bitmap must keep its size
// while the canvas lives.
//
// Coordinates are logical units, mapped to the bitmap's pixels by the
// canvas's DeviceScale (at 96 dpi the same numbers). Text is laid out in
// logical units and its glyphs rasterised at the scaled size, and images are drawn from the pixels they have: an image
// made for the canvas's dpi is copied pixel for pixel, any other is
// stretched. An image's dpi says how many of its pixels make a logical unit
// (an image drawn for 150 % has 144).
#include <string_view>
#include <vector>

#include "toolkit/render/Bitmap.h"
#include "toolkit/render/Blitter.h"
#include "toolkit/render/DeviceScale.h"
#include "toolkit/render/Font.h"
#include "toolkit/render/TextLayout.h"

namespace kb::render {

// How the edges and centre of a nine-patch image fill their space.
enum class NinePatchMode { kStretch, kTile };

class Canvas {
 public:
  explicit Canvas(Bitmap& target, DeviceScale scale = DeviceScale());

  Bitmap& Target() { return target_; }
  const DeviceScale& Scale() const { return scale_; }

  // Clipping: each pushed rectangle narrows the current clip; Pop restores
  // the previous one. The bottom of the stack is the whole bitmap.
  void PushClip(const Rect& rect);
  // A clip in the bitmap's own pixels (a window's dirty area).
  void PushDeviceClip(const Rect& deviceRect);
  void PopClip();
  // The current clip in logical units (every unit it touches) and in pixels.
  Rect ClipBox() const;
  Rect DeviceClipBox() const { return clips_.back(); }
  size_t ClipDepth() const { return clips_.size() - 1; }

  // Pushes a clip for as long as it lives.
  enum class Units { kLogical, kDevice };
  class ScopedClip {
   public:
    ScopedClip(Canvas& canvas, const Rect& rect, Units units = Units::kLogical) : canvas_(canvas) {
      if (units == Units::kDevice) canvas_.PushDeviceClip(rect);
      else canvas_.PushClip(rect);
    }
    ~ScopedClip() { canvas_.PopClip(); }
    ScopedClip(const ScopedClip&) = delete;
    ScopedClip& operator=(const ScopedClip&) = delete;

   private:
    Canvas& canvas_;
  };

  // Every pixel inside the clip replaced by the colour (alpha included).
  void Clear(Color color);
  void FillRect(const Rect& rect, Color color, BlendMode mode = BlendMode::kSourceOver);
  // A border `thickness` units wide inside the rectangle.
  void FrameRect(const Rect& rect, Color color, int thickness = 1);
  // A dotted border, every other pixel, as keyboard focus is shown: one
  // pixel wide, one more ring inside it per whole step of scale.
  void DrawFocusRect(const Rect& rect, Color color);
  // One pixel wide; the end point is not drawn (like LineTo).
  void DrawLine(Point from, Point to, Color color);

  // At its natural size: the whole image or `source` (the image's pixels)
  // of it with its top-left at `at`.
  void DrawBitmap(const Bitmap& image, Point at, uint8_t alpha = 255);
  void DrawBitmap(const Bitmap& image, const Rect& source, Point at, uint8_t alpha = 255,
                  BlendMode mode = BlendMode::kSourceOver, int imageDpi = DeviceScale::kBaseDpi);
  // `part` (logical units from the image's top-left) of an image whose
  // top-left is at `origin`: the parts of one picture drawn one by one meet
  // exactly as the whole picture would.
  void DrawImagePart(const Bitmap& image, int imageDpi, Point origin, const Rect& part, uint8_t alpha = 255);
  void StretchBitmap(const Bitmap& image, const Rect& source, const Rect& dest, uint8_t alpha = 255,
                     StretchFilter filter = StretchFilter::kBilinear);
  // Corners at their natural size, edges and centre stretched or tiled.
  // `source` and `margins` are the image's pixels. When `dest` is smaller
  // than the margins, they shrink in proportion.
  void DrawNinePatch(const Bitmap& image, const Rect& source, const Margins& margins, const Rect& dest,
                     uint8_t alpha = 255, NinePatchMode mode = NinePatchMode::kStretch,
                     int imageDpi = DeviceScale::kBaseDpi);

  // Frame `index` of an image list of `states` equal frames side by side (or
  // stacked when vertical). An index past the last frame shows frame 0, so a
  // skin with fewer frames than a control has states still shows its image.
  static Rect ImageListFrame(Size imageSize, int states, int index, bool vertical);
  // `margins` in logical units.
  void DrawImageListState(const Bitmap& image, int states, int index, bool vertical, const Rect& dest,
                          const Margins& margins = {}, uint8_t alpha = 255,
                          NinePatchMode mode = NinePatchMode::kStretch, int imageDpi = DeviceScale::kBaseDpi);

  // Text in `box` with the TextFormat flags; clipped to the box unless
  // kTextNoClip.
  void DrawString(const Font& font, std::wstring_view text, const Rect& box, Color color,
                  unsigned format = kTextSingleLine | kTextVCenter);

 private:
  Blitter MakeBlitter() { return Blitter(target_, clips_.back()); }
  Rect Device(const Rect& logical) const { return scale_.IsIdentity() ? logical : scale_.ToDevice(logical); }
  void FrameDeviceRect(const Rect& rect, Pixel color, int thickness);
  void DrawDottedRing(const Rect& rect, Pixel pixel);
  void DrawTextLine(const Font& font, const TextLine& line, Point origin, Pixel color);
  void DrawScaledTextLine(const Font& font, const Font& device, const TextLine& line, Point origin, Pixel color);
  // Tiles of `tile` device pixels, each the source stretched to it.
  void TileBitmap(const Bitmap& image, const Rect& source, const Rect& dest, Size tile, uint8_t alpha);

  Bitmap& target_;
  DeviceScale scale_;
  std::vector<Rect> clips_;
};

}  // namespace kb::render
