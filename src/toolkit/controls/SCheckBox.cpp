#include "toolkit/controls/SCheckBox.h"

namespace kb::ui {

SCheckBox::SCheckBox() { SetBoxSkinName(kDefaultSkin); }

void SCheckBox::SetCheck(bool checked) {
  if (checked == IsChecked()) return;
  SToggleBox::SetCheck(checked);
  EventCheckChanged e(this, checked);
  e.bubbleUp = false;
  FireEvent(e);
}

void SCheckBox::OnClick() {
  SetCheck(!IsChecked());
  FireCommand();
}

}  // namespace kb::ui
