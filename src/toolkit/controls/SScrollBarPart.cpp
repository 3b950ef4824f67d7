#include "toolkit/controls/SScrollBarPart.h"

#include <algorithm>

#include "toolkit/core/SApplication.h"
#include "toolkit/skin/ISkinObj.h"

namespace kb::ui {

namespace {

constexpr int kMinThumb = 16;

}  // namespace

void SScrollBarPart::SetRange(int content, int page) {
  content_ = std::max(0, content);
  page_ = std::max(0, page);
  pos_ = std::clamp(pos_, 0, MaxPos());
}

bool SScrollBarPart::SetPos(int pos) {
  pos = std::clamp(pos, 0, MaxPos());
  if (pos == pos_) return false;
  pos_ = pos;
  return true;
}

Rect SScrollBarPart::ThumbRect(const Rect& bar) const {
  if (!IsNeeded() || bar.Height() <= 0) return Rect{};
  int length = std::max(kMinThumb, static_cast<int>(static_cast<long long>(bar.Height()) * page_ / content_));
  length = std::min(length, bar.Height());
  int travel = bar.Height() - length;
  int top = bar.top + (MaxPos() > 0 ? static_cast<int>(static_cast<long long>(travel) * pos_ / MaxPos()) : 0);
  return Rect{bar.left + 2, top, bar.right - 2, top + length};
}

void SScrollBarPart::Paint(render::Canvas& canvas, const Rect& bar, bool hover, bool disabled) const {
  if (!IsNeeded()) return;
  if (ISkinObj* track = SApplication::SkinNamed(kTrackSkin)) track->Draw(canvas, bar, 0);
  int state = disabled ? 3 : (dragging_ ? 2 : (hover ? 1 : 0));
  if (ISkinObj* thumb = SApplication::SkinNamed(kThumbSkin)) thumb->Draw(canvas, ThumbRect(bar), state);
}

bool SScrollBarPart::OnButtonDown(const Rect& bar, Point pt) {
  Rect thumb = ThumbRect(bar);
  if (thumb.IsEmpty()) return false;
  if (thumb.Contains(pt)) {
    dragging_ = true;
    dragOffset_ = pt.y - thumb.top;
    return false;
  }
  return SetPos(pos_ + (pt.y < thumb.top ? -page_ : page_));
}

bool SScrollBarPart::OnMouseMove(const Rect& bar, Point pt) {
  if (!dragging_) return false;
  Rect thumb = ThumbRect(bar);
  int travel = bar.Height() - thumb.Height();
  if (travel <= 0) return false;
  int top = std::clamp(pt.y - dragOffset_ - bar.top, 0, travel);
  return SetPos(static_cast<int>(static_cast<long long>(top) * MaxPos() / travel));
}

}  // namespace kb::ui
