#pragma once
// "sliderbar": a value in a range chosen with a thumb on a track.
//   min, max, value, vertical, skin (track), posSkin (the part up to the
//   thumb), thumbSkin, trackSize (track thickness), step, pageStep
// The user's moves (drag, click on the track, keys, wheel) raise
// EventSliderPos; SetValue and SetRange clamp quietly.
#include <optional>

#include "toolkit/window/SWindow.h"

namespace kb::ui {

class SSliderBar : public SWindow {
  KB_CLASS(SSliderBar, SWindow, L"sliderbar")

 public:
  static constexpr wchar_t kTrackSkin[] = L"_sys.slider.track";
  static constexpr wchar_t kPosSkin[] = L"_sys.slider.pos";
  static constexpr wchar_t kThumbSkin[] = L"_sys.slider.thumb";

  SSliderBar();

  int GetValue() const { return value_; }
  // Clamped to the range; raises no event.
  void SetValue(int value);
  int GetMin() const { return min_; }
  int GetMax() const { return max_; }
  // The value is clamped into the new range; raises no event. A range whose
  // maximum lies below its minimum is refused.
  bool SetRange(int minValue, int maxValue);
  bool IsVertical() const { return vertical_; }

  Rect GetThumbRect() const;
  // The value a point on the track stands for.
  int ValueFromPoint(Point pt) const;

  void OnLButtonDown(UINT flags, Point pt) override;
  void OnLButtonUp(UINT flags, Point pt) override;
  void OnMouseMove(UINT flags, Point pt) override;
  void OnMouseLeave() override;
  bool OnMouseWheel(UINT flags, int delta, Point pt) override;
  bool OnKeyDown(UINT vk, UINT repeat, UINT flags) override;
  void OnCaptureLost() override;
  void OnCreate() override;
  Size GetDesiredSize(int widthHint, int heightHint) override;

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
  void DrawBkgnd(render::Canvas& canvas) override;
  void OnPaint(render::Canvas& canvas) override;

 private:
  Size ThumbSize() const;
  // The track's start and length along the slider, thumb centres included.
  int TrackStart() const;
  int TrackLength() const;
  void UserSetValue(int value);

  int min_ = 0;
  int max_ = 100;
  int value_ = 0;
  int step_ = 1;
  int pageStep_ = 0;
  std::optional<int> pendingValue_;
  int trackSize_ = 4;
  bool vertical_ = false;
  bool dragging_ = false;
  bool thumbHover_ = false;
  int dragOffset_ = 0;
  std::wstring posSkin_ = kPosSkin;
  std::wstring thumbSkin_ = kThumbSkin;
};

}  // namespace kb::ui
