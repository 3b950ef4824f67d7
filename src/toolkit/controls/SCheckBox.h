#pragma once
// "check": a check box. A click toggles it, then raises EventCheckChanged
// and EventCmd.
#include "toolkit/controls/SToggleBox.h"

namespace kb::ui {

class SCheckBox : public SToggleBox {
  KB_CLASS(SCheckBox, SToggleBox, L"check")

 public:
  static constexpr wchar_t kDefaultSkin[] = L"_sys.checkbox";
  SCheckBox();
  void SetCheck(bool checked) override;

 protected:
  void OnClick() override;
};

}  // namespace kb::ui
