#pragma once
// Anti-aliased shapes for the toolkit's own drawn skins (check marks, radio
// dots, arrows, rounded buttons, window-button glyphs). Each pixel's coverage
// is sampled 4 x 4 times, which is plenty for shapes of a few dozen pixels.
#include <vector>

#include "toolkit/core/Types.h"
#include "toolkit/render/Canvas.h"

namespace kb::ui {

struct PointF {
  float x = 0;
  float y = 0;
};

class ShapePainter {
 public:
  explicit ShapePainter(render::Canvas& canvas) : canvas_(canvas) {}

  // A rectangle with rounded corners of `radius` pixels.
  void FillRoundRect(const Rect& rect, float radius, Color color);
  // A border `width` pixels wide inside the rounded rectangle.
  void StrokeRoundRect(const Rect& rect, float radius, float width, Color color);
  void FillEllipse(const Rect& rect, Color color);
  void StrokeEllipse(const Rect& rect, float width, Color color);
  // Non-zero winding.
  void FillPolygon(const std::vector<PointF>& points, Color color);
  // A polyline of the given width with square joins.
  void StrokePolyline(const std::vector<PointF>& points, float width, Color color);

 private:
  template <class Inside>
  void FillCoverage(const Rect& bounds, Color color, Inside inside);

  render::Canvas& canvas_;
};

}  // namespace kb::ui
