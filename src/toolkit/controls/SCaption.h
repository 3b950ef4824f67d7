#pragma once
// "caption": the area by which the user drags the window (its title bar).
// Controls inside it (window buttons) keep their own clicks.
#include "toolkit/window/SWindow.h"

namespace kb::ui {

class SCaption : public SWindow {
  KB_CLASS(SCaption, SWindow, L"caption")

 public:
  void OnLButtonDown(UINT flags, Point pt) override;
  void OnMouseMove(UINT flags, Point pt) override;
  void OnLButtonUp(UINT flags, Point pt) override;
  void OnCaptureLost() override;

 private:
  bool dragging_ = false;
  POINT cursorStart_{};
  RECT windowStart_{};
};

}  // namespace kb::ui
