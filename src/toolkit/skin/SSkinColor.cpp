#include "toolkit/skin/SSkinColor.h"

#include <algorithm>

#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"

namespace kb::ui {

namespace {

constexpr const wchar_t* kStateNames[SSkinColor::kStates] = {
    L"normal", L"hover", L"pushed", L"disabled",
    L"checked", L"checkedHover", L"checkedPushed", L"checkedDisabled"};

std::optional<Color> ResolveColor(const std::wstring& value) {
  if (SApplication* app = SApplication::Instance()) return app->ResolveColor(value);
  return ParseColorText(value);
}

}  // namespace

void SSkinColor::SetColor(int state, Color color) {
  if (state < 0 || state >= kStates) return;
  fill_[state] = color;
  if (state >= 4) states_ = kStates;
}

std::optional<Color> SSkinColor::ColorOf(int state,
                                         const std::array<std::optional<Color>, kStates>& table) const {
  if (state < 0 || state >= kStates) state = 0;
  if (table[state]) return table[state];
  // A checked state without its own colour looks like the unchecked one; a
  // missing hover or pushed colour falls back to normal.
  if (state >= 4 && table[state - 4]) return table[state - 4];
  int base = state >= 4 ? 4 : 0;
  if (table[base]) return table[base];
  return table[0];
}

void SSkinColor::Draw(render::Canvas& canvas, const Rect& dest, int state, uint8_t alpha) const {
  auto applyAlpha = [alpha](Color c) {
    c.a = static_cast<uint8_t>(render::MulDiv255(c.a, alpha));
    return c;
  };
  if (auto fill = ColorOf(state, fill_)) canvas.FillRect(dest, applyAlpha(*fill));
  if (auto border = ColorOf(state, border_)) canvas.FrameRect(dest, applyAlpha(*border), borderWidth_);
}

bool SSkinColor::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  for (int i = 0; i < kStates; ++i) {
    bool isBorder = name.size() > 6 && name.compare(0, 6, L"border") == 0 &&
                    EqualsNoCase(name.substr(6), kStateNames[i]);
    if (name != kStateNames[i] && !isBorder) continue;
    auto color = ResolveColor(value);
    if (!color) return false;
    (isBorder ? border_ : fill_)[i] = *color;
    if (i >= 4) states_ = kStates;
    return true;
  }
  if (name == L"border") {
    auto color = ResolveColor(value);
    if (!color) return false;
    border_[0] = *color;
    return true;
  }
  if (name == L"borderWidth") {
    auto v = ParseInt(value);
    if (!v || *v < 0) return false;
    borderWidth_ = *v;
    return true;
  }
  if (name == L"states") {
    auto v = ParseInt(value);
    if (!v || *v < 1 || *v > kStates) return false;
    states_ = *v;
    return true;
  }
  return ISkinObj::OnAttribute(name, value, loading);
}

}  // namespace kb::ui
