#pragma once
// Anti-aliased shapes for the toolkit's own drawn skins (check marks, radio
// dots, arrows, rounded buttons, window-button glyphs, panels). A pixel on a
// shape's edge has its coverage sampled 4 x 4 times. Filled rounded
// rectangles and ellipses are convex, so a pixel whose four corners are all
// inside is covered whole, and a stroke's pixel whose corners are all inside
// the inner shape is not covered at all: those are decided from the corners,
// shared by neighbouring pixels, without sampling (the panels' large
// interiors would otherwise cost 16 tests a pixel on every paint).
//
// Shapes are given in logical units and drawn at the canvas's scale, so a
// drawn skin stays smooth at any scale.
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
  Rect Device(const Rect& rect) const;
  float Device(float length) const;
  std::vector<PointF> Device(const std::vector<PointF>& points) const;
  template <class Inside>
  void FillCoverage(const Rect& bounds, Color color, Inside inside);
  // As above, with two convex regions known from the shape: `whole` lies
  // inside it and `hole` outside it. A pixel whose four corners are in
  // `whole` is covered whole, one whose four corners are in `hole` not at
  // all; only the others are sampled.
  template <class Inside, class Whole, class Hole>
  void FillCoverage(const Rect& bounds, Color color, Inside inside, Whole whole, Hole hole);

  render::Canvas& canvas_;
};

}  // namespace kb::ui
