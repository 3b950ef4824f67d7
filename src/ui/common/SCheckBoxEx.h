#pragma once
// "checkex": a check box that paints itself entirely. Its box skin ("skin",
// none unless the layout gives one) fills the whole control; an icon
// ("iconSkin" at "iconPos") and the text (moved by "textX", "textY") are
// drawn over it. No focus rectangle.
#include "toolkit/controls/SCheckBox.h"
#include "ui/common/ToggleBoxExPart.h"

namespace kb::ui {

class SCheckBoxEx : public SCheckBox {
  KB_CLASS(SCheckBoxEx, SCheckBox, L"checkex")

 public:
  SCheckBoxEx();
  const ToggleBoxExPart& Part() const { return part_; }
  Size GetDesiredSize(int widthHint, int heightHint) override;

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
  void OnPaint(render::Canvas& canvas) override;
  void DrawFocus(render::Canvas& canvas) override {}

 private:
  ToggleBoxExPart part_;
};

}  // namespace kb::ui
