#include "toolkit/menu/SMenuItemWnd.h"

#include <algorithm>
#include <cstring>

#include "toolkit/core/SApplication.h"
#include "toolkit/menu/SMenuPopup.h"
#include "toolkit/render/TextLayout.h"
#include "toolkit/skin/ISkinObj.h"

namespace kb::ui {

namespace {

constexpr int kMenuTextPadding = 8;
constexpr int kArrowWidth = 18;
constexpr int kSepLine = 1;

SMenuPopup* PopupOf(ISwndContainer* container) { return dynamic_cast<SMenuPopup*>(container); }

}  // namespace

SMenuItemWnd::SMenuItemWnd() { style_.SetEndEllipsis(true); }

void SMenuItemWnd::Setup(const SMenuItemInfo* info, const SMenuStyle* style, int index) {
  info_ = info;
  menuStyle_ = style;
  index_ = index;
  // A plain menu's rows have no XML of their own; they still take the
  // theme's defaults for their class (its text colours above all).
  if (info->layout) InitFromXml(info->layout->document_element());
  else ApplyAttributes(pugi::xml_node());
  // The item's own attributes are handled above or by the menu itself.
  SetWindowText(info->text);
  if (info->disabled) ModifyState(kStateDisabled, 0, false);
}

bool SMenuItemWnd::OnChildXml(pugi::xml_node child) { return std::strcmp(child.name(), "menuRoot") == 0; }

void SMenuItemWnd::SetHighlight(bool on) {
  if (highlight_ == on) return;
  highlight_ = on;
  Invalidate();
}

Size SMenuItemWnd::GetDesiredSize(int widthHint, int heightHint) {
  if (!info_ || !menuStyle_) return Size{};
  if (info_->separator) return Size{0, menuStyle_->sepHeight};
  int text = render::MeasureText(*GetStyle().GetFont(kVisualNormal), text_).cx;
  return Size{menuStyle_->iconWidth + text + 2 * kMenuTextPadding + kArrowWidth, menuStyle_->itemHeight};
}

void SMenuItemWnd::OnMouseHover(UINT flags, Point pt) {
  if (SMenuPopup* popup = PopupOf(container_)) popup->OnItemHover(index_);
}

void SMenuItemWnd::OnLButtonUp(UINT flags, Point pt) {
  if (!rect_.Contains(pt)) return;
  if (SMenuPopup* popup = PopupOf(container_)) popup->OnItemClick(index_);
}

void SMenuItemWnd::DrawBkgnd(render::Canvas& canvas) {
  if (!info_) return;
  if (info_->separator) {
    int y = rect_.top + (rect_.Height() - kSepLine) / 2;
    Rect line{rect_.left + 4, y, rect_.right - 4, y + kSepLine};
    if (ISkinObj* sep = SApplication::SkinNamed(kSepSkin)) sep->Draw(canvas, line, 0);
    else canvas.FillRect(line, Color::Rgb(0xd0, 0xd0, 0xd0));
    return;
  }
  int state = info_->disabled ? kVisualDisabled : (highlight_ ? kVisualHover : kVisualNormal);
  if (ISkinObj* skin = GetBkgndSkin() ? GetBkgndSkin() : SApplication::SkinNamed(kItemSkin)) skin->Draw(canvas, rect_, state);
}

void SMenuItemWnd::OnPaint(render::Canvas& canvas) {
  if (!info_ || !menuStyle_ || info_->separator) return;
  Rect iconBox = Rect::FromSize(rect_.left, rect_.top, menuStyle_->iconWidth, rect_.Height());
  ISkinObj* icons = SApplication::SkinNamed(menuStyle_->iconSkin);
  if (icons && info_->icon >= 0) {
    Size s = icons->GetSkinSize();
    Rect r = Rect::FromSize(iconBox.left + (iconBox.Width() - s.cx) / 2, iconBox.top + (iconBox.Height() - s.cy) / 2,
                            s.cx, s.cy);
    icons->Draw(canvas, r, info_->icon);
  } else if (info_->checked) {
    if (ISkinObj* check = SApplication::SkinNamed(kCheckSkin)) check->Draw(canvas, iconBox, info_->disabled ? 3 : 0);
  }
  Rect textBox{iconBox.right + kMenuTextPadding, rect_.top, rect_.right - kArrowWidth, rect_.bottom};
  if (!text_.empty()) DrawText(canvas, text_, textBox, render::kTextSingleLine | render::kTextVCenter | render::kTextEndEllipsis);
  if (!info_->children.empty()) {
    if (ISkinObj* arrow = SApplication::SkinNamed(kArrowSkin))
      arrow->Draw(canvas, Rect{rect_.right - kArrowWidth, rect_.top, rect_.right, rect_.bottom}, info_->disabled ? 3 : 0);
  }
}

}  // namespace kb::ui
