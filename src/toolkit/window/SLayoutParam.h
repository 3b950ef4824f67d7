#pragma once
// Where a control sits in its parent.
//
// pos="x1,y1[,x2,y2]" places it in the parent's client area. Each value is
//   N      N pixels from the parent's left or top edge
//   -N     N pixels from the right or bottom edge ("-0" is the edge itself)
//   %P     P percent of the parent's width or height
//   |N     N pixels from the parent's centre
//   [N     N pixels after the previous visible sibling's right or bottom edge
//   @N     (x2, y2 only) a width or height of N pixels
// With two values the size comes from size="w,h" (or width/height), where -1
// (the default) means the size of the content. offset="fx,fy" moves the
// control by those fractions of its own size (-0.5,-0.5 centres it on x1,y1).
//
// In a parent with layout="hbox" or "vbox" the children are placed one after
// the other (gap "interval"); a child's size along the row is its size, its
// content (-1) or a share of the rest (weight); across the row its size, its
// content (-1) or the whole row (-2, the default), aligned by
// layout_gravity="start|center|end".
#include <cmath>
#include <optional>
#include <string>

#include "toolkit/core/Types.h"

namespace kb::ui {

enum class BoxLayout { kNone, kHorizontal, kVertical };

class SLayoutParam {
 public:
  static constexpr int kSizeContent = -1;
  static constexpr int kSizeFill = -2;
  // Coordinates stay within +-kMaxCoordinate: a layout's numbers may be any
  // float ("1e30") and sizes any int, and nested positions add up, so they
  // are summed as doubles and clamped (a converted or summed int that does
  // not fit is undefined behaviour). Real layouts are far inside the bound.
  static constexpr int kMaxCoordinate = 1 << 24;

  enum class Anchor { kNone, kStart, kEnd, kPercent, kCenter, kPrevEnd, kSize };
  struct PosItem {
    Anchor anchor = Anchor::kNone;
    float value = 0;
  };

  // Handles pos, size, width, height, offset, weight, layout_gravity.
  // False for other names or values that cannot be read.
  bool SetAttribute(const std::wstring& name, const std::wstring& value);

  bool HasPos() const { return count_ > 0; }
  int PosCount() const { return count_; }
  const PosItem& Item(int i) const { return items_[i]; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  float Weight() const { return weight_; }
  int Gravity() const { return gravity_; }  // 0 start, 1 centre, 2 end
  void SetSize(int width, int height) {
    width_ = width;
    height_ = height;
  }
  void SetPos(const PosItem* items, int count);

  // The rectangle in a parent whose client area is `parent`; `previous` is
  // the previous visible sibling's rectangle (null for the first child);
  // `content` is the control's content size, asked only when needed.
  template <class ContentFn>
  Rect Place(const Rect& parent, const Rect* previous, ContentFn content) const;

  static std::optional<PosItem> ParseItem(std::wstring_view text, bool allowSize);

 private:
  static int Resolve(const PosItem& item, int start, int end, int previousEnd);
  static int Clamp(double value);

  PosItem items_[4];
  int count_ = 0;
  int width_ = kSizeContent;
  int height_ = kSizeContent;
  float offsetX_ = 0;
  float offsetY_ = 0;
  float weight_ = 0;
  int gravity_ = 0;
};

template <class ContentFn>
Rect SLayoutParam::Place(const Rect& parent, const Rect* previous, ContentFn content) const {
  int prevRight = previous ? previous->right : parent.left;
  int prevBottom = previous ? previous->bottom : parent.top;
  int x1 = count_ > 0 ? Resolve(items_[0], parent.left, parent.right, prevRight) : parent.left;
  int y1 = count_ > 1 ? Resolve(items_[1], parent.top, parent.bottom, prevBottom) : parent.top;
  int x2 = 0;
  int y2 = 0;
  std::optional<Size> desired;
  auto need = [&]() -> const Size& {
    if (!desired) desired = content();
    return *desired;
  };
  if (count_ == 4 && items_[2].anchor == Anchor::kSize) x2 = Clamp(static_cast<double>(x1) + std::trunc(items_[2].value));
  else if (count_ == 4) x2 = Resolve(items_[2], parent.left, parent.right, prevRight);
  else if (width_ >= 0) x2 = Clamp(static_cast<double>(x1) + width_);
  else if (width_ == kSizeFill) x2 = parent.right;
  else x2 = Clamp(static_cast<double>(x1) + need().cx);
  if (count_ == 4 && items_[3].anchor == Anchor::kSize) y2 = Clamp(static_cast<double>(y1) + std::trunc(items_[3].value));
  else if (count_ == 4) y2 = Resolve(items_[3], parent.top, parent.bottom, prevBottom);
  else if (height_ >= 0) y2 = Clamp(static_cast<double>(y1) + height_);
  else if (height_ == kSizeFill) y2 = parent.bottom;
  else y2 = Clamp(static_cast<double>(y1) + need().cy);
  if (x2 < x1) x2 = x1;
  if (y2 < y1) y2 = y1;
  double dx = std::trunc(double{offsetX_ * static_cast<float>(x2 - x1)});
  double dy = std::trunc(double{offsetY_ * static_cast<float>(y2 - y1)});
  return Rect{Clamp(x1 + dx), Clamp(y1 + dy), Clamp(x2 + dx), Clamp(y2 + dy)};
}

}  // namespace kb::ui
