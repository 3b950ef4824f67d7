#include "ui/common/ToggleBoxExPart.h"

#include <optional>

#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/skin/ISkinObj.h"

namespace kb::ui {

namespace {
constexpr int kBoxNormal = 0;
constexpr int kBoxHover = 1;
constexpr int kBoxPushed = 2;
// What the eight-state index is when there is no box skin: the icon then
// draws its first frame whatever the state.
constexpr int kNoBoxState = -1;
}  // namespace

std::optional<bool> ToggleBoxExPart::OnAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"iconSkin") {
    iconSkin_ = value;
    return true;
  }
  if (name == L"iconPos") {
    std::optional<Point> pos = ParsePoint(value);
    if (!pos) return false;
    iconPos_ = *pos;
    return true;
  }
  if (name == L"textX" || name == L"textY") {
    std::optional<int> v = ParseInt(value);
    if (!v) return false;
    (name == L"textX" ? textX_ : textY_) = *v;
    return true;
  }
  return std::nullopt;
}

ISkinObj* ToggleBoxExPart::GetIconSkin() const {
  SApplication* app = SApplication::Instance();
  return app && !iconSkin_.empty() ? app->GetSkin(iconSkin_) : nullptr;
}

int ToggleBoxExPart::BoxState(const SToggleBox& box, const ISkinObj& skin) {
  unsigned state = box.GetState();
  if (state & kStatePushed) return kBoxPushed;
  if (state & kStateHover) return kBoxHover;
  if (box.IsChecked()) return skin.GetStates() - 1;
  return kBoxNormal;
}

Rect ToggleBoxExPart::TextRect(const SToggleBox& box) const {
  Rect text = box.GetClientRect();
  int iconWidth = 0;
  if (ISkinObj* icon = GetIconSkin()) iconWidth = icon->GetSkinSize().cx;
  text.left += iconPos_.x + iconWidth + textX_;
  text.top += iconPos_.y + textY_;
  if (text.left > text.right) text.left = text.right;
  if (text.top > text.bottom) text.top = text.bottom;
  return text;
}

void ToggleBoxExPart::Paint(SToggleBox& box, render::Canvas& canvas) const {
  Rect client = box.GetClientRect();
  ISkinObj* boxSkin = box.GetBoxSkin();
  if (boxSkin) boxSkin->Draw(canvas, client, BoxState(box, *boxSkin));
  if (ISkinObj* icon = GetIconSkin()) {
    Size size = icon->GetSkinSize();
    int state = boxSkin ? box.GetEightStateIndex() : kNoBoxState;
    icon->Draw(canvas, Rect::FromSize(client.left + iconPos_.x, client.top + iconPos_.y, size.cx, size.cy), state);
  }
  std::wstring text = box.GetWindowText();
  box.DrawText(canvas, text, TextRect(box), box.GetStyle().GetTextFormat());
}

Size ToggleBoxExPart::DesiredSize(SToggleBox& box, int widthHint, int heightHint) const {
  if (ISkinObj* skin = box.GetBoxSkin()) return skin->GetSkinSize();
  return box.SWindow::GetDesiredSize(widthHint, heightHint);
}

}  // namespace kb::ui
