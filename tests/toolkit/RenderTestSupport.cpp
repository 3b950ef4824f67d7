#include "RenderTestSupport.h"

#include <algorithm>
#include <cstdio>

namespace kbtest {

Rect InkBox(const Bitmap& bitmap, Pixel background) {
  Rect box{bitmap.Width(), bitmap.Height(), 0, 0};
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      if (bitmap.At(x, y) == background) continue;
      box.left = std::min(box.left, x);
      box.top = std::min(box.top, y);
      box.right = std::max(box.right, x + 1);
      box.bottom = std::max(box.bottom, y + 1);
    }
  }
  return box.IsEmpty() ? Rect{} : box;
}

int InkCountIn(const Bitmap& bitmap, Pixel background, const Rect& area) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) count += bitmap.At(x, y) != background;
  }
  return count;
}

int InkCount(const Bitmap& bitmap, Pixel background) { return InkCountIn(bitmap, background, bitmap.Bounds()); }

bool AllPixelsAre(const Bitmap& bitmap, const Rect& area, Pixel expected) {
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (bitmap.At(x, y) != expected) return false;
    }
  }
  return true;
}

std::string PixelText(Pixel p) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(p));
  return text;
}

}  // namespace kbtest
