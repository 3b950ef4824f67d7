#pragma once
// Integer geometry of the renderer. Rectangles are half-open, like the
// Windows RECT: right and bottom lie just outside.
#include <algorithm>

namespace kb::render {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  static constexpr Rect FromSize(int x, int y, int width, int height) { return Rect{x, y, x + width, y + height}; }

  constexpr int Width() const { return right - left; }
  constexpr int Height() const { return bottom - top; }
  constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
  constexpr bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }

  // The common part; an empty rectangle (all zero) when they do not meet.
  constexpr Rect Intersect(const Rect& other) const {
    Rect r{std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
           std::min(bottom, other.bottom)};
    return r.IsEmpty() ? Rect{} : r;
  }

  constexpr Rect Offset(int dx, int dy) const { return Rect{left + dx, top + dy, right + dx, bottom + dy}; }

  // Shrinks by the given amounts on each side (negative values grow it).
  constexpr Rect Deflate(int l, int t, int r, int b) const { return Rect{left + l, top + t, right - r, bottom - b}; }

  friend bool operator==(const Rect&, const Rect&) = default;
};

// Widths of the four borders of a nine-patch image.
struct Margins {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const Margins&, const Margins&) = default;
};

}  // namespace kb::render
