#pragma once
// A vertical scroll bar drawn and driven by the control that scrolls (list
// views): the thumb's size shows the visible part, it can be dragged, and a
// click beside it pages.
#include "toolkit/core/Types.h"
#include "toolkit/render/Canvas.h"

namespace kb::ui {

class SScrollBarPart {
 public:
  static constexpr int kWidth = 12;
  static constexpr wchar_t kTrackSkin[] = L"_sys.scrollbar.track";
  static constexpr wchar_t kThumbSkin[] = L"_sys.scrollbar.thumb";

  // Content and visible heights; the position is clamped to the new range.
  void SetRange(int content, int page);
  int GetPos() const { return pos_; }
  // Clamped; returns whether it changed.
  bool SetPos(int pos);
  int MaxPos() const { return content_ > page_ ? content_ - page_ : 0; }
  bool IsNeeded() const { return content_ > page_; }
  bool IsDragging() const { return dragging_; }

  Rect ThumbRect(const Rect& bar) const;
  void Paint(render::Canvas& canvas, const Rect& bar, bool hover, bool disabled) const;
  // Mouse use; each returns whether the position changed.
  bool OnButtonDown(const Rect& bar, Point pt);
  bool OnMouseMove(const Rect& bar, Point pt);
  void OnButtonUp() { dragging_ = false; }

 private:
  int content_ = 0;
  int page_ = 0;
  int pos_ = 0;
  bool dragging_ = false;
  int dragOffset_ = 0;
};

}  // namespace kb::ui
