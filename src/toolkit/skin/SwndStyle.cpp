#include "toolkit/skin/SwndStyle.h"

#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/render/TextLayout.h"

namespace kb::ui {

namespace {

constexpr Color kDefaultText = Color::Rgb(0x1e, 0x1e, 0x1e);
constexpr Color kDefaultDisabledText = Color::Rgb(0x9a, 0x9a, 0x9a);

std::optional<Color> Resolve(const std::wstring& value) {
  if (SApplication* app = SApplication::Instance()) return app->ResolveColor(value);
  return ParseColorText(value);
}

const wchar_t* const kFontNames[4] = {L"font", L"fontHover", L"fontPush", L"fontDisable"};
const wchar_t* const kColorNames[4] = {L"colorText", L"colorTextHover", L"colorTextPush", L"colorTextDisable"};

}  // namespace

SwndStyle::SwndStyle() = default;

bool SwndStyle::SetAttribute(const std::wstring& name, const std::wstring& value) {
  for (int i = 0; i < 4; ++i) {
    if (name == kFontNames[i]) {
      SApplication* app = SApplication::Instance();
      render::FontSpec base = fonts_[0] ? *fonts_[0] : (app ? app->Fonts().DefaultFont() : render::FontSpec{});
      auto spec = SFontPool::ParseFont(value, base);
      if (!spec) return false;
      fonts_[i] = *spec;
      return true;
    }
    if (name == kColorNames[i]) {
      auto color = Resolve(value);
      if (!color) return false;
      textColors_[i] = *color;
      return true;
    }
  }
  if (name == L"colorBkgnd" || name == L"colorBorder" || name == L"colorFocus") {
    auto color = Resolve(value);
    if (!color) return false;
    (name == L"colorBkgnd" ? bkgndColor_ : name == L"colorBorder" ? borderColor_ : focusColor_) = *color;
    return true;
  }
  if (name == L"align") {
    if (value == L"left") align_ = render::kTextLeft;
    else if (value == L"center") align_ = render::kTextCenter;
    else if (value == L"right") align_ = render::kTextRight;
    else return false;
    return true;
  }
  if (name == L"valign") {
    if (value == L"top") valign_ = render::kTextTop;
    else if (value == L"middle" || value == L"center") valign_ = render::kTextVCenter;
    else if (value == L"bottom") valign_ = render::kTextBottom;
    else return false;
    return true;
  }
  if (name == L"multiLines" || name == L"dotted" || name == L"drawFocusRect") {
    auto on = ParseBool(value);
    if (!on) return false;
    if (name == L"multiLines") multiLines_ = *on;
    else if (name == L"dotted") endEllipsis_ = *on;
    else drawFocusRect_ = *on;
    return true;
  }
  if (name == L"padding") {
    auto m = ParseMargins(value);
    if (!m) return false;
    padding_ = *m;
    return true;
  }
  if (name == L"skin") {
    skinName_ = value;
    return true;
  }
  if (name == L"focusSkin") {
    focusSkinName_ = value;
    return true;
  }
  return false;
}

render::FontSpec SwndStyle::GetFontSpec(int state) const {
  state = Clamp(state);
  if (fonts_[state]) return *fonts_[state];
  if (fonts_[0]) return *fonts_[0];
  SApplication* app = SApplication::Instance();
  return app ? app->Fonts().DefaultFont() : render::FontSpec{};
}

std::shared_ptr<const render::Font> SwndStyle::GetFont(int state) const {
  SApplication* app = SApplication::Instance();
  render::FontSpec spec = GetFontSpec(state);
  return app ? app->Fonts().GetFont(spec) : SFontPool().GetFont(spec);
}

Color SwndStyle::GetTextColor(int state) const {
  state = Clamp(state);
  if (textColors_[state]) return *textColors_[state];
  if (state == kVisualDisabled) return kDefaultDisabledText;
  return textColors_[0].value_or(kDefaultText);
}

unsigned SwndStyle::GetTextFormat() const {
  unsigned format = align_ | valign_;
  format |= multiLines_ ? render::kTextWordBreak : render::kTextSingleLine;
  if (endEllipsis_) format |= render::kTextEndEllipsis;
  return format;
}

ISkinObj* SwndStyle::GetSkin() const {
  SApplication* app = SApplication::Instance();
  return app && !skinName_.empty() ? app->GetSkin(skinName_) : nullptr;
}

ISkinObj* SwndStyle::GetFocusSkin() const {
  SApplication* app = SApplication::Instance();
  return app && !focusSkinName_.empty() ? app->GetSkin(focusSkinName_) : nullptr;
}

}  // namespace kb::ui
