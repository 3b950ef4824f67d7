#include "ui/common/STabCtrl2.h"

#include "toolkit/core/SApplication.h"
#include "toolkit/skin/ISkinObj.h"

namespace kb::ui {

namespace {

constexpr int kHeadNormal = 0;
constexpr int kHeadHover = 1;
constexpr int kHeadSelected = 2;
constexpr int kHeadDisabled = 3;

}  // namespace

// --- STabPage2 ---

ISkinObj* STabPage2::GetAniIn() const { return SApplication::SkinNamed(aniIn_); }
ISkinObj* STabPage2::GetAniOut() const { return SApplication::SkinNamed(aniOut_); }

bool STabPage2::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (name == L"ani_in" || name == L"ani_out") {
    (name == L"ani_in" ? aniIn_ : aniOut_) = value;
    return true;
  }
  return STabPage::OnAttribute(name, value, loading);
}

void STabPage2::StartAnimation(AnimState state, int frameMs) {
  animState_ = state;
  frame_ = 0;
  timeLeft_ = frameMs;
}

bool STabPage2::Tick(int elapsedMs, int frameMs) {
  if (animState_ == AnimState::kNone) return false;
  timeLeft_ -= elapsedMs;
  if (timeLeft_ > 0) return false;
  if (animState_ == AnimState::kIn) {
    // The hover animation stops on its last frame while the mouse stays.
    ISkinObj* in = GetAniIn();
    if (!in) animState_ = AnimState::kNone;
    else if (frame_ < in->GetStates() - 1) ++frame_;
  } else {
    ISkinObj* out = GetAniOut();
    if (!out || frame_ >= out->GetStates() - 1) animState_ = AnimState::kNone;
    else ++frame_;
  }
  timeLeft_ = frameMs;
  return true;
}

// --- STabCtrl2 ---

STabCtrl2::STabCtrl2() = default;

STabCtrl2::~STabCtrl2() { Unregister(); }

ISkinObj* STabCtrl2::GetHeadBgSkin() const { return SApplication::SkinNamed(headBgSkin_); }

STabPage2* STabCtrl2::GetPage2(int index) const {
  STabPage* page = GetItem(index);
  return page && page->IsClass(STabPage2::ClassName()) ? static_cast<STabPage2*>(page) : nullptr;
}

bool STabCtrl2::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (name == L"tabHeadBgSkin") {
    headBgSkin_ = value;
    if (!loading) Invalidate();
    return true;
  }
  return STabCtrl::OnAttribute(name, value, loading);
}

void STabCtrl2::OnCreate() {
  STabCtrl::OnCreate();
  if (ISwndContainer* host = GetContainer()) {
    host->RegisterTimelineHandler(this);
    timelineHost_ = host;
  }
  eventSet_.SubscribeEvent(EventTabItemHover::EventID, Subscriber(&STabCtrl2::OnItemHover, this));
  eventSet_.SubscribeEvent(EventTabItemLeave::EventID, Subscriber(&STabCtrl2::OnItemLeave, this));
}

void STabCtrl2::OnDestroy() {
  Unregister();
  STabCtrl::OnDestroy();
}

void STabCtrl2::Unregister() {
  if (!timelineHost_) return;
  timelineHost_->UnregisterTimelineHandler(this);
  timelineHost_ = nullptr;
}

// Both handlers leave the event to the other subscribers and the host.
bool STabCtrl2::OnItemHover(EventTabItemHover* e) {
  if (STabPage2* page = GetPage2(e->iHover)) {
    page->StartAnimation(STabPage2::AnimState::kIn, kFrameInterval);
    InvalidateRect(GetItemRect(e->iHover));
  }
  return false;
}

bool STabCtrl2::OnItemLeave(EventTabItemLeave* e) {
  if (STabPage2* page = GetPage2(e->iLeave)) {
    page->StartAnimation(STabPage2::AnimState::kOut, kFrameInterval);
    InvalidateRect(GetItemRect(e->iLeave));
  }
  return false;
}

void STabCtrl2::OnNextFrame() {
  int count = GetItemCount();
  for (int i = 0; i < count; ++i) {
    STabPage2* page = GetPage2(i);
    if (page && page->Tick(kTickMilliseconds, kFrameInterval)) InvalidateRect(GetItemRect(i));
  }
}

// --- painting ---

void STabCtrl2::DrawBkgnd(render::Canvas& canvas) { SWindow::DrawBkgnd(canvas); }

void STabCtrl2::OnPaint(render::Canvas& canvas) {
  DrawHeads(canvas);
  if (ISkinObj* frame = GetFrameSkin()) frame->Draw(canvas, GetFrameRect(), 0);
}

void STabCtrl2::DrawHeads(render::Canvas& canvas) {
  Rect heads = GetHeadsRect();
  render::Canvas::ScopedClip clip(canvas, heads);
  if (ISkinObj* bg = GetHeadBgSkin()) bg->Draw(canvas, heads, 0);
  ISkinObj* sep = GetSepSkin();
  int count = GetItemCount();
  for (int i = 0; i < count; ++i) {
    Rect head = GetItemRect(i);
    int state = i == curSel_ ? kHeadSelected : (i == hover_ ? kHeadHover : kHeadNormal);
    if (sep) {
      if (i > 0 && i != curSel_ && i - 1 != curSel_) {
        Rect prev = GetItemRect(i - 1);
        Rect strip = vertical_ ? Rect{prev.left, prev.bottom, prev.right, prev.bottom + sepSize_}
                               : Rect{prev.right, prev.top, prev.right + sepSize_, prev.bottom};
        sep->Draw(canvas, strip, 0);
      }
      // The current head covers the separators on both of its sides.
      if (i == curSel_) head = vertical_ ? head.Deflate(0, -sepSize_, 0, -sepSize_) : head.Deflate(-sepSize_, 0, -sepSize_, 0);
    }
    DrawItem(canvas, head, i, state);
  }
}

Rect STabCtrl2::GetIconRect(const Rect& head) const {
  ISkinObj* icon = GetIconSkin();
  if (!icon) return Rect::FromSize(head.left + iconPos_.x, head.top + iconPos_.y, 0, 0);
  Size size = icon->GetSkinSize();
  return Rect::FromSize(head.left + iconPos_.x, head.top + iconPos_.y, size.cx, size.cy);
}

void STabCtrl2::DrawItem(render::Canvas& canvas, const Rect& rect, int index, int state) {
  if (rect.IsEmpty()) return;
  if (ISkinObj* skin = GetTabSkin()) skin->Draw(canvas, rect, IsDisabled(true) ? kHeadDisabled : state);
  DrawHeadIcon(canvas, rect, index);
  DrawItemTitle(canvas, rect, index, state);
}

void STabCtrl2::DrawHeadIcon(render::Canvas& canvas, const Rect& head, int index) {
  Rect place = GetIconRect(head);
  if (place.IsEmpty()) return;
  STabPage* page = GetItem(index);
  STabPage2* page2 = GetPage2(index);
  if (page2) {
    ISkinObj* in = page2->GetAniIn();
    ISkinObj* out = page2->GetAniOut();
    if (page2->GetAnimState() == STabPage2::AnimState::kIn && in) {
      in->Draw(canvas, place, page2->GetFrame());
      return;
    }
    if (page2->GetAnimState() == STabPage2::AnimState::kOut && out) {
      out->Draw(canvas, place, page2->GetFrame());
      return;
    }
  }
  ISkinObj* icon = GetIconSkin();
  int iconIndex = page && page->GetIconIndex() >= 0 ? page->GetIconIndex() : index;
  icon->Draw(canvas, place, iconIndex);
}

}  // namespace kb::ui
