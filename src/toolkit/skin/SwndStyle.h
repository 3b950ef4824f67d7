#pragma once
// What a control's look is made of besides its skins: font and text colour
// per state (normal, hover, pushed, disabled), text alignment, padding,
// background colour and border.
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "toolkit/core/Types.h"
#include "toolkit/render/Font.h"

namespace kb::ui {

class ISkinObj;

enum WndVisualState { kVisualNormal = 0, kVisualHover = 1, kVisualPushed = 2, kVisualDisabled = 3 };

class SwndStyle {
 public:
  SwndStyle();

  // Handles the style's attributes: font, fontHover, fontPush, fontDisable,
  // colorText, colorTextHover, colorTextPush, colorTextDisable, colorBkgnd,
  // colorBorder, align (left|center|right), valign (top|middle|bottom),
  // multiLines, dotted (end ellipsis), padding, skin, focusSkin,
  // drawFocusRect, colorFocus (the focus rectangle's colour). False for
  // other names or bad values.
  bool SetAttribute(const std::wstring& name, const std::wstring& value);

  render::FontSpec GetFontSpec(int state) const;
  std::shared_ptr<const render::Font> GetFont(int state) const;
  Color GetTextColor(int state) const;
  bool HasTextColor(int state) const { return textColors_[Clamp(state)].has_value(); }
  unsigned GetTextFormat() const;

  void SetTextColor(int state, Color color) { textColors_[Clamp(state)] = color; }
  void SetFontSpec(int state, const render::FontSpec& spec) { fonts_[Clamp(state)] = spec; }
  void SetAlign(unsigned horizontal) { align_ = horizontal; }
  void SetVAlign(unsigned vertical) { valign_ = vertical; }
  void SetMultiLines(bool on) { multiLines_ = on; }
  void SetEndEllipsis(bool on) { endEllipsis_ = on; }

  const Margins& GetPadding() const { return padding_; }
  void SetPadding(const Margins& m) { padding_ = m; }
  std::optional<Color> GetBkgndColor() const { return bkgndColor_; }
  void SetBkgndColor(std::optional<Color> c) { bkgndColor_ = c; }
  std::optional<Color> GetBorderColor() const { return borderColor_; }

  // Skins are named here and found in the skin pool when first drawn, so a
  // style may name a skin that a later definition provides.
  void SetSkinName(std::wstring name) { skinName_ = std::move(name); }
  const std::wstring& GetSkinName() const { return skinName_; }
  ISkinObj* GetSkin() const;
  void SetFocusSkinName(std::wstring name) { focusSkinName_ = std::move(name); }
  ISkinObj* GetFocusSkin() const;
  bool GetDrawFocusRect() const { return drawFocusRect_; }
  // The focus rectangle's colour; the toolkit's grey suits light skins only.
  Color GetFocusColor() const { return focusColor_.value_or(kDefaultFocusColor); }
  static constexpr Color kDefaultFocusColor = Color::Rgb(0x50, 0x50, 0x50);
  void SetDrawFocusRect(bool on) { drawFocusRect_ = on; }

 private:
  static int Clamp(int state) { return state < 0 || state > 3 ? 0 : state; }

  std::array<std::optional<render::FontSpec>, 4> fonts_{};
  std::array<std::optional<Color>, 4> textColors_{};
  unsigned align_ = 0;
  unsigned valign_ = 0x4;  // vertically centred
  bool multiLines_ = false;
  bool endEllipsis_ = false;
  Margins padding_;
  std::optional<Color> bkgndColor_;
  std::optional<Color> borderColor_;
  std::optional<Color> focusColor_;
  std::wstring skinName_;
  std::wstring focusSkinName_;
  bool drawFocusRect_ = true;
};

}  // namespace kb::ui
