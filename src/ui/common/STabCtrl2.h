#pragma once
// "tabctrl2" with "page2" pages: a tab control whose heads animate. While
// the mouse is over a head, the page's "ani_in" frames play in the head's
// icon place and stop on the last one; when it leaves, "ani_out" plays once.
// "tabHeadBgSkin" is drawn behind all heads. The current head is widened by
// the separator size on both sides. Frames change every 50 ms.
#include <string>

#include "toolkit/controls/STabCtrl.h"
#include "toolkit/core/ITimelineHandler.h"

namespace kb::ui {

// "page2": a tab page with head animations.
//   ani_in="skin"   frames shown while the mouse is over the page's head
//   ani_out="skin"  frames shown once after the mouse has left the head
class STabPage2 : public STabPage {
  KB_CLASS(STabPage2, STabPage, L"page2")

 public:
  enum class AnimState { kNone = 0, kIn = 1, kOut = 2 };

  ISkinObj* GetAniIn() const;
  ISkinObj* GetAniOut() const;
  AnimState GetAnimState() const { return animState_; }
  int GetFrame() const { return frame_; }
  int GetTimeLeft() const { return timeLeft_; }

  void StartAnimation(AnimState state, int frameMs);
  // One tick of `elapsedMs`; true when the head must be redrawn.
  bool Tick(int elapsedMs, int frameMs);

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;

 private:
  std::wstring aniIn_;
  std::wstring aniOut_;
  AnimState animState_ = AnimState::kNone;
  int frame_ = 0;
  int timeLeft_ = 0;
};

class STabCtrl2 : public STabCtrl, public ITimelineHandler {
  KB_CLASS(STabCtrl2, STabCtrl, L"tabctrl2")

 public:
  static constexpr int kFrameInterval = 50;

  STabCtrl2();
  ~STabCtrl2() override;

  ISkinObj* GetHeadBgSkin() const;
  STabPage2* GetPage2(int index) const;
  // The rectangle of a head's icon place (empty without an icon skin).
  Rect GetIconRect(const Rect& head) const;

  void OnNextFrame() override;
  void OnCreate() override;
  void OnDestroy() override;

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
  void DrawBkgnd(render::Canvas& canvas) override;
  void OnPaint(render::Canvas& canvas) override;
  void DrawItem(render::Canvas& canvas, const Rect& rect, int index, int state) override;

 private:
  bool OnItemHover(EventTabItemHover* e);
  bool OnItemLeave(EventTabItemLeave* e);
  void DrawHeadIcon(render::Canvas& canvas, const Rect& head, int index);
  void DrawHeads(render::Canvas& canvas);
  void Unregister();

  std::wstring headBgSkin_;
  ISwndContainer* timelineHost_ = nullptr;
};

}  // namespace kb::ui
