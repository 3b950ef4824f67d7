#pragma once
// "checkex": a check box that paints itself entirely (ToggleBoxEx): its box
// skin fills the whole control, an icon and the text are drawn over it.
#include "toolkit/controls/SCheckBox.h"
#include "ui/common/ToggleBoxEx.h"

namespace kb::ui {

class SCheckBoxEx : public ToggleBoxEx<SCheckBox> {
  KB_CLASS(SCheckBoxEx, SCheckBox, L"checkex")
};

}  // namespace kb::ui
