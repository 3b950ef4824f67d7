#include "toolkit/skin/ShapePainter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

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
  auto never = [](float, float) { return false; };
  FillCoverage(bounds, color, inside, never, never);
}

template <class Inside, class Whole, class Hole>
void ShapePainter::FillCoverage(const Rect& bounds, Color color, Inside inside, Whole whole, Hole hole) {
  Rect area = bounds.Intersect(canvas_.DeviceClipBox());
  if (area.IsEmpty() || color.a == 0) return;
  render::Bitmap& target = canvas_.Target();
  render::Pixel full = render::Premultiply(color);
  // Which pixel corners lie in `whole` and in `hole`, along the top and the
  // bottom edge of the current row of pixels (neighbours share corners).
  const size_t corners = static_cast<size_t>(area.Width()) + 1;
  std::vector<uint8_t> upper(corners), lower(corners);
  constexpr uint8_t kInWhole = 1, kInHole = 2;
  auto classify = [&](std::vector<uint8_t>& line, int y) {
    for (size_t i = 0; i < corners; ++i) {
      const float x = static_cast<float>(area.left + static_cast<int>(i));
      line[i] = static_cast<uint8_t>((whole(x, static_cast<float>(y)) ? kInWhole : 0) |
                                     (hole(x, static_cast<float>(y)) ? kInHole : 0));
    }
  };
  classify(upper, area.top);
  for (int y = area.top; y < area.bottom; ++y) {
    classify(lower, y + 1);
    render::Pixel* row = target.Row(y);
    for (int x = area.left; x < area.right; ++x) {
      const size_t i = static_cast<size_t>(x - area.left);
      const uint8_t all = upper[i] & upper[i + 1] & lower[i] & lower[i + 1];
      if (all & kInHole) continue;
      int hits = kSamples * kSamples;
      if (!(all & kInWhole)) {
        hits = 0;
        for (int sy = 0; sy < kSamples; ++sy)
          for (int sx = 0; sx < kSamples; ++sx)
            if (inside(x + (sx + 0.5f) / kSamples, y + (sy + 0.5f) / kSamples)) ++hits;
        if (hits == 0) continue;
      }
      uint32_t coverage = static_cast<uint32_t>(hits * 255 / (kSamples * kSamples));
      row[x] = render::BlendOver(row[x], render::ScalePixel(full, coverage));
    }
    std::swap(upper, lower);
  }
}

Rect ShapePainter::Device(const Rect& rect) const {
  const render::DeviceScale& scale = canvas_.Scale();
  return scale.IsIdentity() ? rect : scale.ToDevice(rect);
}

float ShapePainter::Device(float length) const {
  const render::DeviceScale& scale = canvas_.Scale();
  return scale.IsIdentity() ? length : scale.ToDevice(length);
}

std::vector<PointF> ShapePainter::Device(const std::vector<PointF>& points) const {
  if (canvas_.Scale().IsIdentity()) return points;
  std::vector<PointF> out;
  out.reserve(points.size());
  for (const PointF& p : points) out.push_back(PointF{Device(p.x), Device(p.y)});
  return out;
}

void ShapePainter::FillRoundRect(const Rect& logical, float radius, Color color) {
  const Rect rect = Device(logical);
  radius = Device(radius);
  float l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
  radius = std::min({radius, (r - l) / 2, (b - t) / 2});
  auto inside = [&](float x, float y) { return InRoundRect(x, y, l, t, r, b, radius); };
  FillCoverage(rect, color, inside, inside, [](float, float) { return false; });
}

void ShapePainter::StrokeRoundRect(const Rect& logical, float radius, float width, Color color) {
  const Rect rect = Device(logical);
  radius = Device(radius);
  width = Device(width);
  float l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
  radius = std::min({radius, (r - l) / 2, (b - t) / 2});
  float inner = std::max(0.0f, radius - width);
  auto inHole = [&](float x, float y) { return InRoundRect(x, y, l + width, t + width, r - width, b - width, inner); };
  FillCoverage(
      rect, color, [&](float x, float y) { return InRoundRect(x, y, l, t, r, b, radius) && !inHole(x, y); },
      [](float, float) { return false; }, inHole);
}

void ShapePainter::FillEllipse(const Rect& logical, Color color) {
  const Rect rect = Device(logical);
  float l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
  auto inside = [&](float x, float y) { return InEllipse(x, y, l, t, r, b); };
  FillCoverage(rect, color, inside, inside, [](float, float) { return false; });
}

void ShapePainter::StrokeEllipse(const Rect& logical, float width, Color color) {
  const Rect rect = Device(logical);
  width = Device(width);
  float l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
  auto inHole = [&](float x, float y) { return InEllipse(x, y, l + width, t + width, r - width, b - width); };
  FillCoverage(
      rect, color, [&](float x, float y) { return InEllipse(x, y, l, t, r, b) && !inHole(x, y); },
      [](float, float) { return false; }, inHole);
}

void ShapePainter::FillPolygon(const std::vector<PointF>& logical, Color color) {
  if (logical.size() < 3) return;
  const std::vector<PointF> points = Device(logical);
  FillCoverage(BoundsOf(points), color, [&](float x, float y) { return InPolygon(x, y, points); });
}

void ShapePainter::StrokePolyline(const std::vector<PointF>& logical, float width, Color color) {
  if (logical.size() < 2) return;
  const std::vector<PointF> points = Device(logical);
  width = Device(width);
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
