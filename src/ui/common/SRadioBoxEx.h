#pragma once
// "radioex": a radio box that paints itself entirely, like "checkex"
// (ToggleBoxEx). Groups with plain radio boxes of the same parent and "group".
#include "toolkit/controls/SRadioBox.h"
#include "ui/common/ToggleBoxEx.h"

namespace kb::ui {

class SRadioBoxEx : public ToggleBoxEx<SRadioBox> {
  KB_CLASS(SRadioBoxEx, SRadioBox, L"radioex")
};

}  // namespace kb::ui
