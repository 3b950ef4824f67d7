#pragma once
// What check boxes and radio boxes share: a box skin of eight states drawn
// left of the text (normal, hover, pushed, disabled, then the same four when
// checked), keyboard use and the click.
#include <string>

#include "toolkit/window/SWindow.h"

namespace kb::ui {

class SToggleBox : public SWindow {
 public:
  static constexpr int kTextGap = 5;

  // 0 normal, 1 hover, 2 pushed, 3 disabled; 4 to 7 the same when checked.
  int GetEightStateIndex() const;
  ISkinObj* GetBoxSkin() const;
  void SetBoxSkinName(std::wstring name) { boxSkinName_ = std::move(name); }
  const std::wstring& GetBoxSkinName() const { return boxSkinName_; }
  Size GetDesiredSize(int widthHint, int heightHint) override;
  bool OnKeyDown(UINT vk, UINT repeat, UINT flags) override;

 protected:
  SToggleBox();
  // "skin" names the box skin; "checked" the initial state.
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
  void OnPaint(render::Canvas& canvas) override;
  // The text in `box` with the style's format and the current state's colour.
  void DrawLabel(render::Canvas& canvas, const Rect& box) const;
  Rect BoxRect() const;
  Rect LabelRect() const;

 private:
  std::wstring boxSkinName_;
};

}  // namespace kb::ui
