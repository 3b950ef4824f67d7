#pragma once
// "anmimg": a picture that plays the frames of an image-list skin.
//   interval="50"  milliseconds per frame (decimal or 0x hexadecimal)
//   autorun="-1"   -1: plays "ani_in" while hovered; N >= 0: plays it by
//                  itself, resting N seconds between runs
//   ani_in="skin"  frames played when the mouse enters (and by autorun)
//   ani_out="skin" frames played once after the mouse has left
// Without "autorun", a hover plays "ani_in" once and holds its last frame
// while the mouse stays; after it leaves "ani_out" plays once. At rest the
// first frame of "ani_in" shows.
#include <cstdint>
#include <string>

#include "toolkit/core/ITimelineHandler.h"
#include "toolkit/window/SWindow.h"

namespace kb::ui {

class SAnimImg : public SWindow, public ITimelineHandler {
  KB_CLASS(SAnimImg, SWindow, L"anmimg")

 public:
  enum class AnimState { kIdle = 0, kIn = 1, kOut = 2 };
  static constexpr int kDefaultInterval = 50;
  static constexpr int kHoverOnly = -1;

  SAnimImg();
  ~SAnimImg() override;

  int GetInterval() const { return interval_; }
  int GetAutorun() const { return autorun_; }
  ISkinObj* GetAniIn() const;
  ISkinObj* GetAniOut() const;
  AnimState GetAnimState() const { return animState_; }
  int GetFrame() const { return frame_; }
  int GetHoverCount() const { return hoverCount_; }
  bool IsAutorunPending() const { return autorunPending_; }

  // One 10 ms step of the timeline.
  void OnNextFrame() override;
  void OnMouseHover(UINT flags, Point pt) override;
  void OnMouseLeave() override;
  void OnCreate() override;
  void OnDestroy() override;
  Size GetDesiredSize(int widthHint, int heightHint) override;

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
  void OnPaint(render::Canvas& canvas) override;

 private:
  void Advance();
  void AdvanceIn();
  void AdvanceOut();
  void Unregister();

  int interval_ = kDefaultInterval;
  int autorun_ = kHoverOnly;
  std::wstring aniIn_;
  std::wstring aniOut_;
  AnimState animState_ = AnimState::kIdle;
  int frame_ = 0;
  int frameTime_ = 0;
  int hoverCount_ = 0;
  bool autorunPending_ = false;
  int64_t autorunDelay_ = 0;
  int64_t waited_ = 0;
  ISwndContainer* timelineHost_ = nullptr;
};

}  // namespace kb::ui
