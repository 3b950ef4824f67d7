#pragma once
// "text": a label. Single line by default (multiLines="1" wraps); it takes
// no focus, and mouse buttons on it go to its parent.
#include "toolkit/window/SWindow.h"

namespace kb::ui {

class SStatic : public SWindow {
  KB_CLASS(SStatic, SWindow, L"text")

 public:
  SStatic() = default;
  bool ForwardsMouseToParent() const override { return true; }
};

}  // namespace kb::ui
