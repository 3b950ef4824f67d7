#include "toolkit/controls/SButton.h"

#include <algorithm>

#include "toolkit/core/AttrParse.h"
#include "toolkit/render/TextLayout.h"

namespace kb::ui {

namespace {
constexpr Margins kButtonPadding{10, 4, 10, 4};
constexpr int kMinButtonWidth = 64;
constexpr int kMinButtonHeight = 24;
}  // namespace

SButton::SButton() {
  focusable_ = true;
  eventSet_.AddEvent<EventCmd>();
  style_.SetSkinName(kDefaultSkin);
  style_.SetAlign(render::kTextCenter);
  style_.SetPadding(kButtonPadding);
  style_.SetEndEllipsis(true);
}

bool SButton::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (name == L"default") {
    auto v = ParseBool(value);
    if (!v) return false;
    default_ = *v;
    return true;
  }
  return SWindow::OnAttribute(name, value, loading);
}

bool SButton::OnKeyDown(UINT vk, UINT repeat, UINT flags) {
  if (vk != VK_SPACE && vk != VK_RETURN) return false;
  PerformClick();
  return true;
}

Size SButton::GetDesiredSize(int widthHint, int heightHint) {
  Size size = SWindow::GetDesiredSize(widthHint, heightHint);
  if (style_.GetSkinName() == kDefaultSkin) {
    size.cx = std::max(size.cx, kMinButtonWidth);
    size.cy = std::max(size.cy, kMinButtonHeight);
  }
  return size;
}

SImageButton::SImageButton() {
  style_.SetSkinName(L"");
  style_.SetPadding(Margins{});
}

}  // namespace kb::ui
