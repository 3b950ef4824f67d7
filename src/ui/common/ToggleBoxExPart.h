#pragma once
// What SCheckBoxEx and SRadioBoxEx (ToggleBoxEx.h) add to their bases: an
// icon skin beside the text, the icon's offset and the text's extra offset, and the
// painting that draws the box skin over the whole control instead of left of
// the text.
//   iconSkin="name" iconPos="x,y" textX="n" textY="n"
#include <optional>
#include <string>

#include "toolkit/controls/SToggleBox.h"

namespace kb::ui {

class ToggleBoxExPart {
 public:
  // Nothing when the name is not one of the four attributes.
  std::optional<bool> OnAttribute(const std::wstring& name, const std::wstring& value);

  ISkinObj* GetIconSkin() const;
  const std::wstring& GetIconSkinName() const { return iconSkin_; }
  Point GetIconPos() const { return iconPos_; }
  int GetTextX() const { return textX_; }
  int GetTextY() const { return textY_; }

  // The box skin's state: pushed 2, hover 1, checked its last state, else 0.
  static int BoxState(const SToggleBox& box, const ISkinObj& skin);
  // Where the text goes: the client rectangle less the icon's offset and
  // width and the text offsets.
  Rect TextRect(const SToggleBox& box) const;
  void Paint(SToggleBox& box, render::Canvas& canvas) const;
  // The box skin's size; without a box skin the plain window's rule.
  Size DesiredSize(SToggleBox& box, int widthHint, int heightHint) const;

 private:
  std::wstring iconSkin_;
  Point iconPos_{0, 0};
  int textX_ = 0;
  int textY_ = 0;
};

}  // namespace kb::ui
