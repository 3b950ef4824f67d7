#include "toolkit/render/Blitter.h"

#include <algorithm>
#include <utility>

namespace kb::render {
namespace {

constexpr int kFixedShift = 16;
constexpr int64_t kFixedOne = int64_t{1} << kFixedShift;
constexpr int kWeightBits = 8;
constexpr uint32_t kWeightOne = 1u << kWeightBits;

void Put(Pixel& dst, Pixel src, BlendMode mode) { dst = mode == BlendMode::kCopy ? src : BlendOver(dst, src); }

// Where the centre of destination pixel `d` falls in the source, 16.16 fixed
// point, relative to the first source pixel's centre.
int64_t SourcePosition(int d, int sourceLength, int destLength) {
  return ((2 * int64_t{d} + 1) * sourceLength * kFixedOne) / (2 * int64_t{destLength}) - kFixedOne / 2;
}

struct Tap {
  int first = 0;
  int second = 0;
  uint32_t weight = 0;  // of `second`, out of kWeightOne
};

Tap MakeTap(int64_t position, int length) {
  if (position <= 0) return Tap{0, 0, 0};
  int first = static_cast<int>(position >> kFixedShift);
  if (first >= length - 1) return Tap{length - 1, length - 1, 0};
  uint32_t weight = static_cast<uint32_t>((position >> (kFixedShift - kWeightBits)) & (kWeightOne - 1));
  return Tap{first, first + 1, weight};
}

uint32_t Channel(Pixel p, int shift) { return (p >> shift) & 0xFF; }

Pixel Interpolate(Pixel p00, Pixel p10, Pixel p01, Pixel p11, uint32_t wx, uint32_t wy) {
  const uint32_t w00 = (kWeightOne - wx) * (kWeightOne - wy);
  const uint32_t w10 = wx * (kWeightOne - wy);
  const uint32_t w01 = (kWeightOne - wx) * wy;
  const uint32_t w11 = wx * wy;
  Pixel out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    uint32_t sum =
        Channel(p00, shift) * w00 + Channel(p10, shift) * w10 + Channel(p01, shift) * w01 + Channel(p11, shift) * w11;
    out |= ((sum + (1u << 15)) >> 16) << shift;
  }
  return out;
}

// The source pixels [first, last) that target pixel `d` covers, at least one.
std::pair<int, int> CoveredSpan(int d, int sourceLength, int destLength) {
  int first = static_cast<int>(int64_t{d} * sourceLength / destLength);
  int last = static_cast<int>((int64_t{d + 1} * sourceLength + destLength - 1) / destLength);
  return {first, std::max(first + 1, std::min(last, sourceLength))};
}

}  // namespace

Blitter::Blitter(Bitmap& target, const Rect& clip) : target_(target), clip_(clip) {}

void Blitter::Fill(const Rect& rect, Pixel pixel, BlendMode mode) {
  Rect area = rect.Intersect(clip_);
  if (area.IsEmpty()) return;
  if (mode == BlendMode::kSourceOver && pixel == 0) return;
  // An opaque pixel over anything is that pixel: a plain fill, which the
  // compiler turns into wide stores (most fills of a window are opaque).
  const bool replaces = mode == BlendMode::kCopy || PixelAlpha(pixel) == 255;
  for (int y = area.top; y < area.bottom; ++y) {
    Pixel* row = target_.Row(y);
    if (replaces) {
      std::fill(row + area.left, row + area.right, pixel);
      continue;
    }
    for (int x = area.left; x < area.right; ++x) row[x] = BlendOver(row[x], pixel);
  }
}

void Blitter::Copy(const Bitmap& src, const Rect& source, Point at, uint8_t alpha, BlendMode mode) {
  Rect placed = Rect::FromSize(at.x, at.y, source.Width(), source.Height());
  Rect area = placed.Intersect(clip_);
  if (area.IsEmpty()) return;
  const int width = area.Width();
  // An opaque picture drawn whole over anything replaces it: whole rows are
  // copied (the main window's background is one).
  const bool replaces = alpha == 255 && (mode == BlendMode::kCopy || src.KnownOpaque());
  for (int y = area.top; y < area.bottom; ++y) {
    Pixel* row = target_.Row(y) + area.left;
    const Pixel* from = src.Row(source.top + y - at.y) + source.left + (area.left - at.x);
    if (replaces) {
      std::copy(from, from + width, row);
    } else if (alpha == 255) {
      for (int i = 0; i < width; ++i) row[i] = BlendOver(row[i], from[i]);
    } else {
      for (int i = 0; i < width; ++i) Put(row[i], ScalePixel(from[i], alpha), mode);
    }
  }
}

void Blitter::Stretch(const Bitmap& src, const Rect& source, const Rect& dest, uint8_t alpha, StretchFilter filter) {
  if (source.IsEmpty() || dest.IsEmpty()) return;
  if (source.Width() == dest.Width() && source.Height() == dest.Height()) {
    Copy(src, source, Point{dest.left, dest.top}, alpha, BlendMode::kSourceOver);
    return;
  }
  Rect area = dest.Intersect(clip_);
  if (area.IsEmpty()) return;
  const bool shrinking = dest.Width() * 2 < source.Width() || dest.Height() * 2 < source.Height();
  if (filter == StretchFilter::kNearest) {
    StretchNearest(src, source, dest, area, alpha);
  } else if (shrinking) {
    ShrinkAveraging(src, source, dest, area, alpha);
  } else {
    StretchBilinear(src, source, dest, area, alpha);
  }
}

void Blitter::StretchNearest(const Bitmap& src, const Rect& source, const Rect& dest, const Rect& area, uint8_t alpha) {
  const int sw = source.Width();
  const int sh = source.Height();
  for (int y = area.top; y < area.bottom; ++y) {
    int64_t sy = (2 * int64_t{y - dest.top} + 1) * sh / (2 * int64_t{dest.Height()});
    const Pixel* from = src.Row(source.top + static_cast<int>(sy)) + source.left;
    Pixel* row = target_.Row(y);
    for (int x = area.left; x < area.right; ++x) {
      int64_t sx = (2 * int64_t{x - dest.left} + 1) * sw / (2 * int64_t{dest.Width()});
      row[x] = BlendOver(row[x], ScalePixel(from[sx], alpha));
    }
  }
}

void Blitter::StretchBilinear(const Bitmap& src, const Rect& source, const Rect& dest, const Rect& area,
                              uint8_t alpha) {
  const int sw = source.Width();
  const int sh = source.Height();
  std::vector<Tap> columns(static_cast<size_t>(area.Width()));
  for (int x = area.left; x < area.right; ++x) {
    columns[x - area.left] = MakeTap(SourcePosition(x - dest.left, sw, dest.Width()), sw);
  }
  for (int y = area.top; y < area.bottom; ++y) {
    Tap row = MakeTap(SourcePosition(y - dest.top, sh, dest.Height()), sh);
    const Pixel* upper = src.Row(source.top + row.first) + source.left;
    const Pixel* lower = src.Row(source.top + row.second) + source.left;
    Pixel* out = target_.Row(y);
    for (int x = area.left; x < area.right; ++x) {
      const Tap& c = columns[x - area.left];
      Pixel p = Interpolate(upper[c.first], upper[c.second], lower[c.first], lower[c.second], c.weight, row.weight);
      out[x] = BlendOver(out[x], ScalePixel(p, alpha));
    }
  }
}

void Blitter::ShrinkAveraging(const Bitmap& src, const Rect& source, const Rect& dest, const Rect& area,
                              uint8_t alpha) {
  for (int y = area.top; y < area.bottom; ++y) {
    auto [top, bottom] = CoveredSpan(y - dest.top, source.Height(), dest.Height());
    Pixel* out = target_.Row(y);
    for (int x = area.left; x < area.right; ++x) {
      auto [left, right] = CoveredSpan(x - dest.left, source.Width(), dest.Width());
      uint64_t sums[4] = {0, 0, 0, 0};
      for (int sy = top; sy < bottom; ++sy) {
        const Pixel* row = src.Row(source.top + sy) + source.left;
        for (int sx = left; sx < right; ++sx) {
          for (int c = 0; c < 4; ++c) sums[c] += Channel(row[sx], c * 8);
        }
      }
      const uint64_t count = static_cast<uint64_t>(bottom - top) * static_cast<uint64_t>(right - left);
      Pixel p = 0;
      for (int c = 0; c < 4; ++c) p |= static_cast<Pixel>((sums[c] + count / 2) / count) << (c * 8);
      out[x] = BlendOver(out[x], ScalePixel(p, alpha));
    }
  }
}

void Blitter::Mask(const uint8_t* coverage, int width, int height, Point at, Pixel color) {
  Rect area = Rect::FromSize(at.x, at.y, width, height).Intersect(clip_);
  if (area.IsEmpty() || coverage == nullptr) return;
  for (int y = area.top; y < area.bottom; ++y) {
    const uint8_t* mask = coverage + static_cast<size_t>(y - at.y) * width + (area.left - at.x);
    Pixel* row = target_.Row(y) + area.left;
    for (int i = 0; i < area.Width(); ++i) {
      if (mask[i] != 0) row[i] = BlendOver(row[i], ScalePixel(color, mask[i]));
    }
  }
}

}  // namespace kb::render
