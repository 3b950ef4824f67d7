#include "toolkit/skin/ShapePainter.h"

#include <algorithm>
#include <cmath>

namespace kb::ui {

namespace {

constexpr int kSamples = 4;

bool InRoundRect(float x, float y, float l, float t, float r, float b, float radius) {
  if (x < l || x >= r || y < t || y >= b) return false;
  float cx = std::clamp(x, l + radius, r - radius);
  float cy = std::clamp(y, t + radius, b - radius);
  float dx = x - cx;
  float dy = y - cy;
  return dx * dx + dy * dy <= radius * radius;
}

bool InEllipse(float x, float y, float l, float t, float r, float b) {
  float rx = (r - l) / 2;
  float ry = (b - t) / 2;
  if (rx <= 0 || ry <= 0) return false;
  float dx = (x - (l + rx)) / rx;
  float dy = (y - (t + ry)) / ry;
  return dx * dx + dy * dy <= 1.0f;
}

bool InPolygon(float x, float y, const std::vector<PointF>& pts) {
  int winding = 0;
  for (size_t i = 0, n = pts.size(); i < n; ++i) {
    const PointF& a = pts[i];
    const PointF& b = pts[(i + 1) % n];
    float cross = (b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y);
    if (a.y <= y) {
      if (b.y > y && cross > 0) ++winding;
    } else if (b.y <= y && cross < 0) {
      --winding;
    }
  }
  return winding != 0;
}

Rect BoundsOf(const std::vector<PointF>& pts) {
  float l = 1e9f, t = 1e9f, r = -1e9f, b = -1e9f;
  for (const PointF& p : pts) {
    l = std::min(l, p.x);
    t = std::min(t, p.y);
    r = std::max(r, p.x);
    b = std::max(b, p.y);
  }
  return Rect{static_cast<int>(std::floor(l)), static_cast<int>(std::floor(t)),
              static_cast<int>(std::ceil(r)) + 1, static_cast<int>(std::ceil(b)) + 1};
}

}  // namespace

template <class Inside>
void ShapePainter::FillCoverage(const Rect& bounds, Color color, Inside inside) {
  Rect area = bounds.Intersect(canvas_.ClipBox());
  if (area.IsEmpty() || color.a == 0) return;
  render::Bitmap& target = canvas_.Target();
  render::Pixel full = render::Premultiply(color);
  for (int y = area.top; y < area.bottom; ++y) {
    render::Pixel* row = target.Row(y);
    for (int x = area.left; x < area.right; ++x) {
      int hits = 0;
      for (int sy = 0; sy < kSamples; ++sy)
        for (int sx = 0; sx < kSamples; ++sx)
          if (inside(x + (sx + 0.5f) / kSamples, y + (sy + 0.5f) / kSamples)) ++hits;
      if (hits == 0) continue;
      uint32_t coverage = static_cast<uint32_t>(hits * 255 / (kSamples * kSamples));
      row[x] = render::BlendOver(row[x], render::ScalePixel(full, coverage));
    }
  }
}

void ShapePainter::FillRoundRect(const Rect& rect, float radius, Color color) {
  float l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
  radius = std::min({radius, (r - l) / 2, (b - t) / 2});
  FillCoverage(rect, color, [&](float x, float y) { return InRoundRect(x, y, l, t, r, b, radius); });
}

void ShapePainter::StrokeRoundRect(const Rect& rect, float radius, float width, Color color) {
  float l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
  radius = std::min({radius, (r - l) / 2, (b - t) / 2});
  float inner = std::max(0.0f, radius - width);
  FillCoverage(rect, color, [&](float x, float y) {
    return InRoundRect(x, y, l, t, r, b, radius) &&
           !InRoundRect(x, y, l + width, t + width, r - width, b - width, inner);
  });
}

void ShapePainter::FillEllipse(const Rect& rect, Color color) {
  float l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
  FillCoverage(rect, color, [&](float x, float y) { return InEllipse(x, y, l, t, r, b); });
}

void ShapePainter::StrokeEllipse(const Rect& rect, float width, Color color) {
  float l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
  FillCoverage(rect, color, [&](float x, float y) {
    return InEllipse(x, y, l, t, r, b) && !InEllipse(x, y, l + width, t + width, r - width, b - width);
  });
}

void ShapePainter::FillPolygon(const std::vector<PointF>& points, Color color) {
  if (points.size() < 3) return;
  FillCoverage(BoundsOf(points), color, [&](float x, float y) { return InPolygon(x, y, points); });
}

void ShapePainter::StrokePolyline(const std::vector<PointF>& points, float width, Color color) {
  if (points.size() < 2) return;
  // Each segment becomes a quad, extended by half the width at both ends so
  // neighbouring segments overlap at the joins; coverage is taken over the
  // union so the overlap is not drawn twice.
  std::vector<std::vector<PointF>> quads;
  float half = width / 2;
  for (size_t i = 0; i + 1 < points.size(); ++i) {
    PointF a = points[i];
    PointF b = points[i + 1];
    float dx = b.x - a.x, dy = b.y - a.y;
    float len = std::sqrt(dx * dx + dy * dy);
    if (len <= 0) continue;
    float ux = dx / len * half, uy = dy / len * half;
    quads.push_back({{a.x - ux - uy, a.y - uy + ux},
                     {b.x + ux - uy, b.y + uy + ux},
                     {b.x + ux + uy, b.y + uy - ux},
                     {a.x - ux + uy, a.y - uy - ux}});
  }
  std::vector<PointF> all;
  for (const auto& q : quads) all.insert(all.end(), q.begin(), q.end());
  if (all.empty()) return;
  FillCoverage(BoundsOf(all), color, [&](float x, float y) {
    for (const auto& q : quads)
      if (InPolygon(x, y, q)) return true;
    return false;
  });
}

}  // namespace kb::ui
