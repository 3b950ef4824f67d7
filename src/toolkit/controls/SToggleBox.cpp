#include "toolkit/controls/SToggleBox.h"

#include <algorithm>

#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/render/TextLayout.h"
#include "toolkit/skin/ISkinObj.h"

namespace kb::ui {

namespace {
constexpr int kCheckedOffset = 4;
}  // namespace

SToggleBox::SToggleBox() {
  focusable_ = true;
  eventSet_.AddEvent<EventCmd>();
  eventSet_.AddEvent<EventCheckChanged>();
  style_.SetEndEllipsis(true);
}

int SToggleBox::GetEightStateIndex() const { return GetVisualState() + (IsChecked() ? kCheckedOffset : 0); }

ISkinObj* SToggleBox::GetBoxSkin() const {
  SApplication* app = SApplication::Instance();
  return app && !boxSkinName_.empty() ? app->GetSkin(boxSkinName_) : nullptr;
}

bool SToggleBox::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (name == L"skin") {
    boxSkinName_ = value;
    if (!loading) {
      RequestRelayout();
      Invalidate();
    }
    return true;
  }
  if (name == L"checked") {
    auto v = ParseBool(value);
    if (!v) return false;
    SetCheck(*v);
    return true;
  }
  return SWindow::OnAttribute(name, value, loading);
}

Rect SToggleBox::BoxRect() const {
  ISkinObj* skin = GetBoxSkin();
  Rect client = GetClientRect();
  if (!skin) return Rect{client.left, client.top, client.left, client.top};
  Size s = skin->GetSkinSize();
  if (s.cx <= 0 || s.cy <= 0) s = Size{client.Height(), client.Height()};
  int top = client.top + (client.Height() - s.cy) / 2;
  return Rect::FromSize(client.left, top, s.cx, s.cy);
}

Rect SToggleBox::LabelRect() const {
  Rect client = GetClientRect();
  Rect box = BoxRect();
  if (box.Width() > 0) client.left = box.right + kTextGap;
  if (client.left > client.right) client.left = client.right;
  return client;
}

void SToggleBox::DrawLabel(render::Canvas& canvas, const Rect& box) const {
  DrawText(canvas, text_, box, style_.GetTextFormat());
}

void SToggleBox::OnPaint(render::Canvas& canvas) {
  if (ISkinObj* skin = GetBoxSkin()) skin->Draw(canvas, BoxRect(), GetEightStateIndex());
  DrawLabel(canvas, LabelRect());
}

Size SToggleBox::GetDesiredSize(int widthHint, int heightHint) {
  Size text = TextContentSize(0);
  Size box{};
  if (ISkinObj* skin = GetBoxSkin()) box = skin->GetSkinSize();
  int gap = box.cx > 0 && text.cx > 0 ? kTextGap : 0;
  return Size{box.cx + gap + text.cx, std::max(box.cy, text.cy)};
}

bool SToggleBox::OnKeyDown(UINT vk, UINT repeat, UINT flags) {
  if (vk != VK_SPACE) return false;
  PerformClick();
  return true;
}

}  // namespace kb::ui
