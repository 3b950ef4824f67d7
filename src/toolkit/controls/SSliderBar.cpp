#include "toolkit/controls/SSliderBar.h"

#include <algorithm>

#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/skin/ISkinObj.h"

namespace kb::ui {

namespace {

constexpr Size kDefaultThumb{12, 18};

}  // namespace

SSliderBar::SSliderBar() {
  focusable_ = true;
  style_.SetSkinName(kTrackSkin);
  eventSet_.AddEvent<EventSliderPos>();
}

bool SSliderBar::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (name == L"min" || name == L"max" || name == L"value" || name == L"step" || name == L"pageStep" ||
      name == L"trackSize") {
    auto v = ParseInt(value);
    if (!v) return false;
    if (name == L"min") return SetRange(*v, std::max(*v, max_));
    if (name == L"max") return SetRange(std::min(min_, *v), *v);
    if (name == L"value") {
      // The range may come later in the layout.
      if (loading) pendingValue_ = *v;
      SetValue(*v);
    }
    else if (name == L"step") step_ = std::max(1, *v);
    else if (name == L"pageStep") pageStep_ = std::max(0, *v);
    else trackSize_ = std::max(1, *v);
    return true;
  }
  if (name == L"vertical") {
    auto v = ParseBool(value);
    if (!v) return false;
    vertical_ = *v;
    return true;
  }
  if (name == L"posSkin") {
    posSkin_ = value;
    return true;
  }
  if (name == L"thumbSkin") {
    thumbSkin_ = value;
    return true;
  }
  return SWindow::OnAttribute(name, value, loading);
}

void SSliderBar::OnCreate() {
  if (pendingValue_) SetValue(*pendingValue_);
  pendingValue_.reset();
}

void SSliderBar::SetValue(int value) {
  value = std::clamp(value, min_, max_);
  if (value == value_) return;
  value_ = value;
  Invalidate();
}

bool SSliderBar::SetRange(int minValue, int maxValue) {
  if (maxValue < minValue) return false;
  min_ = minValue;
  max_ = maxValue;
  value_ = std::clamp(value_, min_, max_);
  Invalidate();
  return true;
}

void SSliderBar::UserSetValue(int value) {
  value = std::clamp(value, min_, max_);
  if (value == value_) return;
  value_ = value;
  Invalidate();
  EventSliderPos e(this, value_);
  FireEvent(e);
}

Size SSliderBar::ThumbSize() const {
  ISkinObj* skin = SApplication::SkinNamed(thumbSkin_);
  Size s = skin ? skin->GetSkinSize() : Size{};
  if (s.cx <= 0 || s.cy <= 0) s = kDefaultThumb;
  return vertical_ ? Size{s.cy, s.cx} : s;
}

int SSliderBar::TrackStart() const {
  Rect client = GetClientRect();
  Size thumb = ThumbSize();
  return vertical_ ? client.top + thumb.cy / 2 : client.left + thumb.cx / 2;
}

int SSliderBar::TrackLength() const {
  Rect client = GetClientRect();
  Size thumb = ThumbSize();
  int length = vertical_ ? client.Height() - thumb.cy : client.Width() - thumb.cx;
  return std::max(0, length);
}

Rect SSliderBar::GetThumbRect() const {
  Rect client = GetClientRect();
  Size thumb = ThumbSize();
  int span = max_ - min_;
  // Vertical sliders grow upwards, like a level meter.
  int offset = span > 0 ? static_cast<int>(static_cast<long long>(value_ - min_) * TrackLength() / span) : 0;
  if (vertical_) {
    int centre = TrackStart() + TrackLength() - offset;
    int left = client.left + (client.Width() - thumb.cx) / 2;
    return Rect::FromSize(left, centre - thumb.cy / 2, thumb.cx, thumb.cy);
  }
  int centre = TrackStart() + offset;
  int top = client.top + (client.Height() - thumb.cy) / 2;
  return Rect::FromSize(centre - thumb.cx / 2, top, thumb.cx, thumb.cy);
}

int SSliderBar::ValueFromPoint(Point pt) const {
  int length = TrackLength();
  if (length <= 0) return min_;
  int along = vertical_ ? TrackStart() + length - pt.y : pt.x - TrackStart();
  along = std::clamp(along, 0, length);
  long long span = max_ - min_;
  // Rounded to the nearest value, so the thumb lands where the mouse is.
  return min_ + static_cast<int>((along * span + length / 2) / length);
}

void SSliderBar::OnLButtonDown(UINT flags, Point pt) {
  SetFocus();
  Rect thumb = GetThumbRect();
  if (thumb.Contains(pt)) {
    Point centre{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
    dragOffset_ = vertical_ ? pt.y - centre.y : pt.x - centre.x;
  } else {
    dragOffset_ = 0;
    UserSetValue(ValueFromPoint(pt));
  }
  dragging_ = true;
  ModifyState(kStatePushed, 0);
}

void SSliderBar::OnMouseMove(UINT flags, Point pt) {
  if (dragging_) {
    Point adjusted = vertical_ ? Point{pt.x, pt.y - dragOffset_} : Point{pt.x - dragOffset_, pt.y};
    UserSetValue(ValueFromPoint(adjusted));
    return;
  }
  bool over = GetThumbRect().Contains(pt);
  if (over != thumbHover_) {
    thumbHover_ = over;
    Invalidate();
  }
}

void SSliderBar::OnLButtonUp(UINT flags, Point pt) {
  dragging_ = false;
  ModifyState(0, kStatePushed);
}

void SSliderBar::OnCaptureLost() {
  dragging_ = false;
  ModifyState(0, kStatePushed);
}

void SSliderBar::OnMouseLeave() {
  thumbHover_ = false;
  SWindow::OnMouseLeave();
}

bool SSliderBar::OnMouseWheel(UINT flags, int delta, Point pt) {
  int notches = delta / WHEEL_DELTA;
  if (notches == 0) notches = delta > 0 ? 1 : -1;
  UserSetValue(value_ + notches * step_);
  return true;
}

bool SSliderBar::OnKeyDown(UINT vk, UINT repeat, UINT flags) {
  int page = pageStep_ > 0 ? pageStep_ : std::max(1, (max_ - min_) / 10);
  switch (vk) {
    case VK_LEFT:
    case VK_DOWN:
      UserSetValue(value_ - step_);
      return true;
    case VK_RIGHT:
    case VK_UP:
      UserSetValue(value_ + step_);
      return true;
    case VK_PRIOR:
      UserSetValue(value_ + page);
      return true;
    case VK_NEXT:
      UserSetValue(value_ - page);
      return true;
    case VK_HOME:
      UserSetValue(min_);
      return true;
    case VK_END:
      UserSetValue(max_);
      return true;
    default:
      return false;
  }
}

void SSliderBar::DrawBkgnd(render::Canvas& canvas) {
  if (auto color = style_.GetBkgndColor()) canvas.FillRect(rect_, *color);
  Rect client = GetClientRect();
  Rect track;
  if (vertical_) {
    int left = client.left + (client.Width() - trackSize_) / 2;
    track = Rect::FromSize(left, TrackStart(), trackSize_, TrackLength());
  } else {
    int top = client.top + (client.Height() - trackSize_) / 2;
    track = Rect::FromSize(TrackStart(), top, TrackLength(), trackSize_);
  }
  int state = IsDisabled(true) ? kVisualDisabled : kVisualNormal;
  if (ISkinObj* skin = GetBkgndSkin()) skin->Draw(canvas, track, state);
  Rect thumb = GetThumbRect();
  Rect filled = track;
  if (vertical_) filled.top = (thumb.top + thumb.bottom) / 2;
  else filled.right = (thumb.left + thumb.right) / 2;
  if (ISkinObj* pos = SApplication::SkinNamed(posSkin_); pos && !filled.IsEmpty()) pos->Draw(canvas, filled, state);
}

void SSliderBar::OnPaint(render::Canvas& canvas) {
  ISkinObj* skin = SApplication::SkinNamed(thumbSkin_);
  if (!skin) return;
  int state = kVisualNormal;
  if (IsDisabled(true)) state = kVisualDisabled;
  else if (dragging_) state = kVisualPushed;
  else if (thumbHover_) state = kVisualHover;
  skin->Draw(canvas, GetThumbRect(), state);
}

Size SSliderBar::GetDesiredSize(int widthHint, int heightHint) {
  Size thumb = ThumbSize();
  return vertical_ ? Size{thumb.cx, 100} : Size{100, thumb.cy};
}

}  // namespace kb::ui
