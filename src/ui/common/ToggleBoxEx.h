#pragma once
// SCheckBoxEx and SRadioBoxEx: one template over their bases (SCheckBox,
// SRadioBox). The control paints itself entirely: the box skin ("skin", none
// unless the layout gives one) over the whole control, an icon ("iconSkin" at
// "iconPos") and the text (moved by "textX", "textY"). The focus rectangle is
// the window's, inside the box skin, so that the keyboard user sees which box
// Space toggles.
#include <optional>
#include <string>

#include "ui/common/ToggleBoxExPart.h"

namespace kb::ui {

template <class Base>
class ToggleBoxEx : public Base {
 public:
  // The base installs its default box; this control shows a box only when
  // the layout names one.
  ToggleBoxEx() { this->SetBoxSkinName(L""); }

  const ToggleBoxExPart& Part() const { return part_; }
  Size GetDesiredSize(int widthHint, int heightHint) override {
    return part_.DesiredSize(*this, widthHint, heightHint);
  }

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override {
    if (std::optional<bool> handled = part_.OnAttribute(name, value)) {
      if (*handled && !loading) {
        this->RequestRelayout();
        this->Invalidate();
      }
      return *handled;
    }
    return Base::OnAttribute(name, value, loading);
  }
  void OnPaint(render::Canvas& canvas) override { part_.Paint(*this, canvas); }

 private:
  ToggleBoxExPart part_;
};

}  // namespace kb::ui
