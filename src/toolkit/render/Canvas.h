#pragma once
// Drawing on a bitmap: fills, frames, lines, images (unscaled, stretched,
// nine-patch, image-list frames) and text, all through a clip-rectangle
// stack. Coordinates are the bitmap's own pixels. A canvas serves one drawing
// pass: the bitmap must keep its size while the canvas lives.
#include <string_view>
#include <vector>

#include "toolkit/render/Bitmap.h"
#include "toolkit/render/Blitter.h"
#include "toolkit/render/Font.h"
#include "toolkit/render/TextLayout.h"

namespace kb::render {

// How the edges and centre of a nine-patch image fill their space.
enum class NinePatchMode { kStretch, kTile };

class Canvas {
 public:
  explicit Canvas(Bitmap& target);

  Bitmap& Target() { return target_; }

  // Clipping: each pushed rectangle narrows the current clip; Pop restores
  // the previous one. The bottom of the stack is the whole bitmap.
  void PushClip(const Rect& rect);
  void PopClip();
  Rect ClipBox() const { return clips_.back(); }
  size_t ClipDepth() const { return clips_.size() - 1; }

  // Pushes a clip for as long as it lives.
  class ScopedClip {
   public:
    ScopedClip(Canvas& canvas, const Rect& rect) : canvas_(canvas) { canvas_.PushClip(rect); }
    ~ScopedClip() { canvas_.PopClip(); }
    ScopedClip(const ScopedClip&) = delete;
    ScopedClip& operator=(const ScopedClip&) = delete;

   private:
    Canvas& canvas_;
  };

  // Every pixel inside the clip replaced by the colour (alpha included).
  void Clear(Color color);
  void FillRect(const Rect& rect, Color color, BlendMode mode = BlendMode::kSourceOver);
  // A border `thickness` pixels wide inside the rectangle.
  void FrameRect(const Rect& rect, Color color, int thickness = 1);
  // A dotted one-pixel border, every other pixel, as keyboard focus is shown.
  void DrawFocusRect(const Rect& rect, Color color);
  // One pixel wide; the end point is not drawn (like LineTo).
  void DrawLine(Point from, Point to, Color color);

  // Unscaled: the whole image or `source` of it with its top-left at `at`.
  void DrawBitmap(const Bitmap& image, Point at, uint8_t alpha = 255);
  void DrawBitmap(const Bitmap& image, const Rect& source, Point at, uint8_t alpha = 255,
                  BlendMode mode = BlendMode::kSourceOver);
  void StretchBitmap(const Bitmap& image, const Rect& source, const Rect& dest, uint8_t alpha = 255,
                     StretchFilter filter = StretchFilter::kBilinear);
  // Corners unscaled, edges and centre stretched or tiled. When `dest` is
  // smaller than the margins, they shrink in proportion.
  void DrawNinePatch(const Bitmap& image, const Rect& source, const Margins& margins, const Rect& dest,
                     uint8_t alpha = 255, NinePatchMode mode = NinePatchMode::kStretch);

  // Frame `index` of an image list of `states` equal frames side by side (or
  // stacked when vertical). An index past the last frame shows frame 0, so a
  // skin with fewer frames than a control has states still shows its image.
  static Rect ImageListFrame(Size imageSize, int states, int index, bool vertical);
  void DrawImageListState(const Bitmap& image, int states, int index, bool vertical, const Rect& dest,
                          const Margins& margins = {}, uint8_t alpha = 255,
                          NinePatchMode mode = NinePatchMode::kStretch);

  // Text in `box` with the TextFormat flags; clipped to the box unless
  // kTextNoClip.
  void DrawString(const Font& font, std::wstring_view text, const Rect& box, Color color,
                  unsigned format = kTextSingleLine | kTextVCenter);

 private:
  Blitter MakeBlitter() { return Blitter(target_, clips_.back()); }
  void DrawTextLine(const Font& font, const TextLine& line, Point origin, Pixel color);
  void TileBitmap(const Bitmap& image, const Rect& source, const Rect& dest, uint8_t alpha);

  Bitmap& target_;
  std::vector<Rect> clips_;
};

}  // namespace kb::render
