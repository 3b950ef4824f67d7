#include "toolkit/controls/STabCtrl.h"

#include <algorithm>

#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/render/TextLayout.h"
#include "toolkit/skin/ISkinObj.h"

namespace kb::ui {

namespace {

constexpr int kHeadTextPadding = 12;
constexpr int kFocusInset = 2;

}  // namespace

// --- STabPage ---

STabPage::STabPage() = default;

void STabPage::SetTitle(std::wstring_view title) {
  rawTitle_ = title;
  title_ = Translate(rawTitle_);
  if (parent_) {
    parent_->Invalidate();
    parent_->RequestRelayout();
  }
}

void STabPage::OnLanguageChanged() {
  SWindow::OnLanguageChanged();
  title_ = Translate(rawTitle_);
  if (parent_) parent_->Invalidate();
}

bool STabPage::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (name == L"title") {
    SApplication* app = SApplication::Instance();
    SetTitle(app ? app->ResolveString(value) : value);
    return true;
  }
  if (name == L"iconIndex") {
    auto v = ParseInt(value);
    if (!v) return false;
    iconIndex_ = *v;
    return true;
  }
  return SWindow::OnAttribute(name, value, loading);
}

// --- STabCtrl ---

STabCtrl::STabCtrl() {
  focusable_ = true;
  style_.SetAlign(render::kTextCenter);
  eventSet_.AddEvent<EventTabSelChanging>();
  eventSet_.AddEvent<EventTabSelChanged>();
  eventSet_.AddEvent<EventTabItemHover>();
  eventSet_.AddEvent<EventTabItemLeave>();
}

bool STabCtrl::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  auto number = [&](int& field, int minimum) {
    auto v = ParseInt(value);
    if (!v || *v < minimum) return false;
    field = *v;
    return true;
  };
  if (name == L"curSel") return number(curSel_, -1);
  if (name == L"tabWidth") return number(tabWidth_, 0);
  if (name == L"tabHeight") return number(tabHeight_, 0);
  if (name == L"tabInterval") return number(tabInterval_, 0);
  if (name == L"tabPos") return number(tabPos_, 0);
  if (name == L"sepSize") return number(sepSize_, 0);
  if (name == L"textX") return number(textX_, kUnset);
  if (name == L"textY") return number(textY_, kUnset);
  if (name == L"tabAlign") {
    if (value == L"top") vertical_ = false;
    else if (value == L"left") vertical_ = true;
    else return false;
    return true;
  }
  if (name == L"iconPos") {
    auto p = ParsePoint(value);
    if (!p) return false;
    iconPos_ = *p;
    return true;
  }
  if (name == L"tabSkin") {
    tabSkin_ = value;
    return true;
  }
  if (name == L"iconSkin") {
    iconSkin_ = value;
    return true;
  }
  if (name == L"sepSkin") {
    sepSkin_ = value;
    return true;
  }
  if (name == L"frameSkin") {
    frameSkin_ = value;
    return true;
  }
  return SWindow::OnAttribute(name, value, loading);
}

ISkinObj* STabCtrl::GetTabSkin() const { return SApplication::SkinNamed(tabSkin_); }
ISkinObj* STabCtrl::GetIconSkin() const { return SApplication::SkinNamed(iconSkin_); }
ISkinObj* STabCtrl::GetSepSkin() const { return SApplication::SkinNamed(sepSkin_); }
ISkinObj* STabCtrl::GetFrameSkin() const { return SApplication::SkinNamed(frameSkin_); }

int STabCtrl::GetItemCount() const {
  int count = 0;
  for (const auto& child : children_)
    if (child->IsClass(STabPage::ClassName())) ++count;
  return count;
}

STabPage* STabCtrl::GetItem(int index) const {
  if (index < 0) return nullptr;
  for (const auto& child : children_) {
    if (!child->IsClass(STabPage::ClassName())) continue;
    if (index-- == 0) return static_cast<STabPage*>(child.get());
  }
  return nullptr;
}

void STabCtrl::OnInitFinished(pugi::xml_node node) {
  int count = GetItemCount();
  int wanted = curSel_;
  curSel_ = -1;
  if (count == 0) return;
  if (wanted < 0 || wanted >= count) wanted = 0;
  curSel_ = wanted;
  for (int i = 0; i < count; ++i) GetItem(i)->SetVisible(i == curSel_, false);
}

bool STabCtrl::SetCurSel(int index, bool notify) {
  int count = GetItemCount();
  if (index < 0 || index >= count) return false;
  if (index == curSel_) return true;
  if (notify) {
    EventTabSelChanging changing(this, curSel_, index);
    FireEvent(changing);
    if (changing.cancel) return false;
  }
  int old = curSel_;
  curSel_ = index;
  for (int i = 0; i < count; ++i) GetItem(i)->SetVisible(i == curSel_, false);
  RequestRelayout();
  Invalidate();
  if (notify) {
    EventTabSelChanged changed(this, old, index);
    FireEvent(changed);
  }
  return true;
}

STabPage* STabCtrl::InsertItem(std::wstring_view title, int index) {
  int count = GetItemCount();
  if (index < 0 || index > count) index = count;
  size_t position = children_.size();
  if (STabPage* before = GetItem(index)) position = static_cast<size_t>(IndexOfChild(before));
  auto page = std::make_unique<STabPage>();
  STabPage* raw = page.get();
  InsertChild(std::move(page), position);
  raw->SetTitle(title);
  if (curSel_ < 0) {
    curSel_ = 0;
  } else if (index <= curSel_) {
    ++curSel_;
  }
  raw->SetVisible(GetItem(curSel_) == raw, false);
  Invalidate();
  return raw;
}

bool STabCtrl::RemoveItem(int index) {
  STabPage* page = GetItem(index);
  if (!page) return false;
  DestroyChild(page);
  int count = GetItemCount();
  if (count == 0) {
    curSel_ = -1;
  } else if (index < curSel_ || curSel_ >= count) {
    curSel_ = std::max(0, curSel_ - 1);
  }
  for (int i = 0; i < count; ++i) GetItem(i)->SetVisible(i == curSel_, false);
  if (hover_ >= count) hover_ = -1;
  Invalidate();
  return true;
}

// --- geometry ---

int STabCtrl::HeadWidth(int index) const {
  if (tabWidth_ > 0) return tabWidth_;
  STabPage* page = GetItem(index);
  int text = page ? render::MeasureText(*style_.GetFont(kVisualNormal), page->GetTitle()).cx : 0;
  int icon = 0;
  if (ISkinObj* skin = GetIconSkin()) icon = skin->GetSkinSize().cx + iconPos_.x;
  return text + icon + 2 * kHeadTextPadding;
}

Rect STabCtrl::GetHeadsRect() const {
  Rect client = GetClientRect();
  if (tabHeight_ == 0) return Rect{client.left, client.top, client.left, client.top};
  if (!vertical_) return Rect{client.left, client.top, client.right, std::min(client.bottom, client.top + tabHeight_)};
  int width = tabWidth_;
  if (width == 0)
    for (int i = 0; i < GetItemCount(); ++i) width = std::max(width, HeadWidth(i));
  return Rect{client.left, client.top, std::min(client.right, client.left + width), client.bottom};
}

Rect STabCtrl::GetFrameRect() const {
  Rect client = GetClientRect();
  Rect heads = GetHeadsRect();
  if (vertical_) client.left = heads.right;
  else client.top = heads.bottom;
  return client;
}

Rect STabCtrl::GetItemRect(int index) const {
  if (index < 0 || index >= GetItemCount() || tabHeight_ == 0) return Rect{};
  Rect heads = GetHeadsRect();
  if (vertical_) {
    int top = heads.top + tabPos_ + index * (tabHeight_ + tabInterval_);
    return Rect{heads.left, top, heads.right, top + tabHeight_};
  }
  int left = heads.left + tabPos_;
  for (int i = 0; i < index; ++i) left += HeadWidth(i) + tabInterval_;
  return Rect{left, heads.top, left + HeadWidth(index), heads.bottom};
}

int STabCtrl::HeadAt(Point pt) const {
  for (int i = 0; i < GetItemCount(); ++i)
    if (GetItemRect(i).Contains(pt)) return i;
  return -1;
}

void STabCtrl::UpdateChildrenPosition() {
  Rect frame = GetFrameRect();
  for (auto& child : children_) {
    if (child->IsClass(STabPage::ClassName())) child->Move(frame);
  }
}

// --- painting ---

void STabCtrl::DrawBkgnd(render::Canvas& canvas) {
  SWindow::DrawBkgnd(canvas);
  if (ISkinObj* frame = GetFrameSkin()) frame->Draw(canvas, GetFrameRect(), 0);
}

void STabCtrl::OnPaint(render::Canvas& canvas) {
  int count = GetItemCount();
  ISkinObj* sep = GetSepSkin();
  for (int i = 0; i < count; ++i) {
    Rect head = GetItemRect(i);
    if (head.IsEmpty()) continue;
    if (sep && sepSize_ > 0 && i > 0 && i != curSel_ && i - 1 != curSel_) {
      Rect prev = GetItemRect(i - 1);
      Rect strip = vertical_ ? Rect{prev.left, prev.bottom, prev.right, prev.bottom + sepSize_}
                             : Rect{prev.right, prev.top, prev.right + sepSize_, prev.bottom};
      sep->Draw(canvas, strip, 0);
    }
    int state = i == curSel_ ? 2 : (i == hover_ ? 1 : 0);
    DrawItem(canvas, head, i, state);
  }
}

void STabCtrl::DrawItem(render::Canvas& canvas, const Rect& rect, int index, int state) {
  if (ISkinObj* skin = GetTabSkin()) skin->Draw(canvas, rect, IsDisabled(true) ? 3 : state);
  if (ISkinObj* icon = GetIconSkin()) {
    Size s = icon->GetSkinSize();
    STabPage* page = GetItem(index);
    int iconIndex = page && page->GetIconIndex() >= 0 ? page->GetIconIndex() : index;
    icon->Draw(canvas, Rect::FromSize(rect.left + iconPos_.x, rect.top + iconPos_.y, s.cx, s.cy), iconIndex);
  }
  DrawItemTitle(canvas, rect, index, state);
}

void STabCtrl::DrawItemTitle(render::Canvas& canvas, const Rect& rect, int index, int state) {
  STabPage* page = GetItem(index);
  if (!page || page->GetTitle().empty()) return;
  // Head states map to the style's text states: selected shows as pushed.
  int visual = IsDisabled(true) ? kVisualDisabled : (state == 2 ? kVisualPushed : (state == 1 ? kVisualHover : kVisualNormal));
  auto font = style_.GetFont(visual);
  Color color = style_.GetTextColor(visual);
  unsigned format = style_.GetTextFormat();
  unsigned horizontal = format & (render::kTextCenter | render::kTextRight);
  unsigned vertical = format & (render::kTextVCenter | render::kTextBottom);
  const std::wstring& title = page->GetTitle();
  if (textX_ != kUnset && textY_ != kUnset) {
    Rect box{rect.left + textX_, rect.top + textY_, rect.right, rect.bottom};
    canvas.DrawString(*font, title, box, color, render::kTextSingleLine | render::kTextEndEllipsis);
  } else if (textY_ != kUnset) {
    Rect box{rect.left, rect.top + textY_, rect.right, rect.bottom};
    canvas.DrawString(*font, title, box, color, horizontal | render::kTextSingleLine | render::kTextEndEllipsis);
  } else if (textX_ != kUnset) {
    Rect box{rect.left + textX_, rect.top, rect.right, rect.bottom};
    canvas.DrawString(*font, title, box, color, vertical | render::kTextSingleLine | render::kTextEndEllipsis);
  } else {
    canvas.DrawString(*font, title, rect, color, format | render::kTextSingleLine | render::kTextEndEllipsis);
  }
}

std::wstring STabCtrl::GetAccessibleName() const {
  std::wstring own = SWindow::GetAccessibleName();
  if (!own.empty()) return own;
  const STabPage* page = GetItem(curSel_);
  return page ? page->GetTitle() : std::wstring();
}

void STabCtrl::DrawFocus(render::Canvas& canvas) {
  Rect head = GetItemRect(curSel_);
  if (head.IsEmpty()) return;
  canvas.DrawFocusRect(head.Deflate(kFocusInset, kFocusInset, kFocusInset, kFocusInset), style_.GetFocusColor());
}

// --- input ---

void STabCtrl::SetHover(int index) {
  if (index == hover_) return;
  int old = hover_;
  hover_ = index;
  if (old >= 0) {
    InvalidateRect(GetItemRect(old));
    EventTabItemLeave leave(this, old);
    FireEvent(leave);
  }
  if (index >= 0 && hover_ == index) {
    InvalidateRect(GetItemRect(index));
    EventTabItemHover hover(this, index);
    FireEvent(hover);
  }
}

void STabCtrl::OnLButtonDown(UINT flags, Point pt) {
  SetFocus();
  int head = HeadAt(pt);
  if (head >= 0) SetCurSel(head);
}

void STabCtrl::OnMouseMove(UINT flags, Point pt) { SetHover(HeadAt(pt)); }

void STabCtrl::OnMouseLeave() {
  SetHover(-1);
  SWindow::OnMouseLeave();
}

bool STabCtrl::OnKeyDown(UINT vk, UINT repeat, UINT flags) {
  int step = 0;
  if (vk == (vertical_ ? VK_DOWN : VK_RIGHT)) step = 1;
  else if (vk == (vertical_ ? VK_UP : VK_LEFT)) step = -1;
  if (step == 0 || tabHeight_ == 0) return false;
  int target = curSel_ + step;
  if (target >= 0 && target < GetItemCount()) SetCurSel(target);
  return true;
}

std::wstring STabCtrl::GetToolTipText(Point pt) const {
  int head = HeadAt(pt);
  if (head >= 0) {
    STabPage* page = GetItem(head);
    return page ? page->GetHeadTip() : std::wstring();
  }
  return SWindow::GetToolTipText(pt);
}

}  // namespace kb::ui
