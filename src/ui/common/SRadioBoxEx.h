#pragma once
// "radioex": a radio box that paints itself entirely, like "checkex": the
// box skin ("skin", none unless the layout gives one) over the whole
// control, an icon ("iconSkin" at "iconPos") and the text (moved by "textX",
// "textY"). No focus rectangle. Groups with plain radio boxes of the same
// parent and "group".
#include "toolkit/controls/SRadioBox.h"
#include "ui/common/ToggleBoxExPart.h"

namespace kb::ui {

class SRadioBoxEx : public SRadioBox {
  KB_CLASS(SRadioBoxEx, SRadioBox, L"radioex")

 public:
  SRadioBoxEx();
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
