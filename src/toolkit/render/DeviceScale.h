#pragma once
// Logical units (layouts, key maps, controls: the pixels of a 96 dpi screen)
// and device pixels (the window's bitmap, the mouse) at a window's dpi.
//
// Every edge is rounded on its own (half up), never a size: two rectangles
// that share an edge in logical units still share it on the device, so
// neighbouring controls neither overlap nor leave a gap at 150 %.
#include <cstdint>

#include "toolkit/render/Geometry.h"

namespace kb::render {

class DeviceScale {
 public:
  static constexpr int kBaseDpi = 96;
  // Windows offers up to 500 %; beyond that a value is taken for a mistake.
  static constexpr int kMinDpi = 48;
  static constexpr int kMaxDpi = 480;

  constexpr DeviceScale() = default;
  // A dpi outside the range is taken as 96.
  constexpr explicit DeviceScale(int dpi) : dpi_(dpi >= kMinDpi && dpi <= kMaxDpi ? dpi : kBaseDpi) {}

  constexpr int Dpi() const { return dpi_; }
  constexpr int Percent() const { return RoundDiv(int64_t{dpi_} * 100, kBaseDpi); }
  constexpr double Factor() const { return static_cast<double>(dpi_) / kBaseDpi; }
  constexpr bool IsIdentity() const { return dpi_ == kBaseDpi; }

  // A coordinate or an edge, rounded half up.
  constexpr int ToDevice(int logical) const { return RoundDiv(int64_t{logical} * dpi_, kBaseDpi); }
  constexpr Point ToDevice(Point p) const { return Point{ToDevice(p.x), ToDevice(p.y)}; }
  constexpr Rect ToDevice(const Rect& r) const {
    return Rect{ToDevice(r.left), ToDevice(r.top), ToDevice(r.right), ToDevice(r.bottom)};
  }
  constexpr Size ToDevice(Size s) const { return Size{ToDevice(s.cx), ToDevice(s.cy)}; }
  // A thickness (a frame, a line): never thinner than one device pixel.
  constexpr int LengthToDevice(int logical) const {
    int device = ToDevice(logical);
    return logical > 0 && device < 1 ? 1 : device;
  }
  constexpr float ToDevice(float logical) const { return logical * static_cast<float>(dpi_) / kBaseDpi; }

  // The logical unit whose device area holds a pixel (the largest l with
  // ToDevice(l) <= device), as the mouse is mapped: a click lands on the
  // control drawn under it.
  constexpr int ToLogicalFloor(int device) const { return CeilDiv(int64_t{device} * kBaseDpi + kBaseDpi / 2, dpi_) - 1; }
  constexpr Point ToLogical(Point p) const { return Point{ToLogicalFloor(p.x), ToLogicalFloor(p.y)}; }
  // A window's client size in logical units (rounded).
  constexpr Size ToLogical(Size s) const {
    return Size{RoundDiv(int64_t{s.cx} * kBaseDpi, dpi_), RoundDiv(int64_t{s.cy} * kBaseDpi, dpi_)};
  }
  // The smallest logical rectangle whose device area covers `r`.
  constexpr Rect ToLogicalOutward(const Rect& r) const {
    if (r.IsEmpty()) return Rect{};
    return Rect{ToLogicalFloor(r.left), ToLogicalFloor(r.top), ToLogicalFloor(r.right - 1) + 1,
                ToLogicalFloor(r.bottom - 1) + 1};
  }
  // The device pixels a logical rectangle may touch: drawing rounds each
  // edge, so the floor and ceiling of the exact edges hold it.
  constexpr Rect ToDeviceOutward(const Rect& r) const {
    if (r.IsEmpty()) return Rect{};
    return Rect{FloorDiv(int64_t{r.left} * dpi_, kBaseDpi), FloorDiv(int64_t{r.top} * dpi_, kBaseDpi),
                CeilDiv(int64_t{r.right} * dpi_, kBaseDpi), CeilDiv(int64_t{r.bottom} * dpi_, kBaseDpi)};
  }

  friend constexpr bool operator==(const DeviceScale&, const DeviceScale&) = default;

 private:
  static constexpr int FloorDiv(int64_t num, int64_t den) {
    int64_t q = num / den;
    if ((num % den != 0) && ((num < 0) != (den < 0))) --q;
    return static_cast<int>(q);
  }
  static constexpr int CeilDiv(int64_t num, int64_t den) { return -FloorDiv(-num, den); }
  static constexpr int RoundDiv(int64_t num, int64_t den) { return FloorDiv(2 * num + den, 2 * den); }

  int dpi_ = kBaseDpi;
};

}  // namespace kb::render
