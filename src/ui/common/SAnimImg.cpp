#include "ui/common/SAnimImg.h"

#include <limits>

#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/skin/ISkinObj.h"

namespace kb::ui {

namespace {

constexpr int64_t kMillisecondsPerSecond = 1000;

}  // namespace

SAnimImg::SAnimImg() = default;

SAnimImg::~SAnimImg() { Unregister(); }

ISkinObj* SAnimImg::GetAniIn() const { return SApplication::SkinNamed(aniIn_); }
ISkinObj* SAnimImg::GetAniOut() const { return SApplication::SkinNamed(aniOut_); }

bool SAnimImg::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (name == L"interval" || name == L"autorun") {
    std::optional<int> v = ParseInt(value);
    if (!v) return false;
    if (name == L"interval") {
      if (*v < 0) return false;
      interval_ = *v;
    } else {
      // Any negative value means "on hover only", as -1 does.
      autorun_ = *v < 0 ? kHoverOnly : *v;
    }
    return true;
  }
  if (name == L"ani_in" || name == L"ani_out") {
    (name == L"ani_in" ? aniIn_ : aniOut_) = value;
    if (!loading) {
      RequestRelayout();
      Invalidate();
    }
    return true;
  }
  return SWindow::OnAttribute(name, value, loading);
}

void SAnimImg::OnCreate() {
  SWindow::OnCreate();
  if (ISwndContainer* host = GetContainer()) {
    host->RegisterTimelineHandler(this);
    timelineHost_ = host;
  }
  if (autorun_ >= 0) {
    autorunDelay_ = static_cast<int64_t>(autorun_) * kMillisecondsPerSecond;
    autorunPending_ = true;
  }
}

void SAnimImg::OnDestroy() {
  Unregister();
  SWindow::OnDestroy();
}

void SAnimImg::Unregister() {
  if (!timelineHost_) return;
  timelineHost_->UnregisterTimelineHandler(this);
  timelineHost_ = nullptr;
}

void SAnimImg::OnMouseHover(UINT flags, Point pt) {
  ++hoverCount_;
  animState_ = AnimState::kIn;
  frame_ = 0;
  frameTime_ = 0;
  waited_ = 0;
  Invalidate();
  SWindow::OnMouseHover(flags, pt);
}

void SAnimImg::OnMouseLeave() {
  --hoverCount_;
  SWindow::OnMouseLeave();
}

void SAnimImg::OnNextFrame() {
  if (animState_ != AnimState::kIdle) {
    frameTime_ += kTickMilliseconds;
    if (frameTime_ >= interval_) {
      Advance();
      frameTime_ = 0;
    }
  }
  if (autorunPending_) {
    waited_ += kTickMilliseconds;
    if (waited_ >= autorunDelay_) {
      waited_ = 0;
      frame_ = 0;
      autorunPending_ = false;
      animState_ = AnimState::kIn;
    }
  }
}

void SAnimImg::Advance() {
  if (animState_ == AnimState::kIn) AdvanceIn();
  else if (animState_ == AnimState::kOut) AdvanceOut();
}

void SAnimImg::AdvanceIn() {
  ISkinObj* in = GetAniIn();
  if (!in) return;
  ++frame_;
  if (frame_ >= in->GetStates()) {
    if (autorun_ == kHoverOnly) {
      frame_ = in->GetStates() - 1;
      if (hoverCount_ <= 0 && GetAniOut()) {
        animState_ = AnimState::kOut;
        frame_ = 0;
      }
    } else {
      // The run is over: back to the first frame, and the next run comes
      // after the rest.
      frame_ = 0;
      animState_ = AnimState::kIdle;
      autorunPending_ = true;
    }
  }
  Invalidate();
}

void SAnimImg::AdvanceOut() {
  ISkinObj* out = GetAniOut();
  if (!out) return;
  if (frame_ >= out->GetStates() - 1) {
    animState_ = AnimState::kIdle;
    return;
  }
  ++frame_;
  Invalidate();
}

void SAnimImg::OnPaint(render::Canvas& canvas) {
  Rect client = GetClientRect();
  ISkinObj* in = GetAniIn();
  ISkinObj* out = GetAniOut();
  if (animState_ == AnimState::kIn && in) {
    in->Draw(canvas, client, frame_);
  } else if (animState_ == AnimState::kOut && out) {
    out->Draw(canvas, client, frame_);
  } else if (in) {
    in->Draw(canvas, client, 0);
  }
}

Size SAnimImg::GetDesiredSize(int widthHint, int heightHint) {
  ISkinObj* in = GetAniIn();
  if (!in) return Size{};
  Size skin = in->GetSkinSize();
  const SLayoutParam& layout = GetLayoutParam();
  return Size{layout.Width() >= 0 ? layout.Width() : skin.cx, layout.Height() >= 0 ? layout.Height() : skin.cy};
}

}  // namespace kb::ui
