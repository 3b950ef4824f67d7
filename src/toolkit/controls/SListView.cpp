#include "toolkit/controls/SListView.h"

#include <algorithm>
#include <cstring>

#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/skin/ISkinObj.h"

namespace kb::ui {

namespace {

constexpr int kDefaultItemHeight = 24;
constexpr int kItemsPerNotch = 3;
constexpr Color kDefaultHover = Color::Rgb(0xe5, 0xf1, 0xfb);
constexpr Color kDefaultSelected = Color::Rgb(0xcc, 0xe4, 0xf7);

}  // namespace

// --- SItemPanel ---

SItemPanel* FindItemPanel(SWindow* window) {
  for (SWindow* w = window; w; w = w->GetParent())
    if (w->IsClass(SItemPanel::ClassName())) return static_cast<SItemPanel*>(w);
  return nullptr;
}

bool SItemPanel::IsSelected() const { return list_ && list_->GetSel() == index_; }

bool SItemPanel::IsHot() const {
  SWindow* hover = container_ ? container_->GetHoverWindow() : nullptr;
  return hover && hover->IsDescendantOf(this);
}

bool SItemPanel::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (name == L"colorHover" || name == L"colorSelected") {
    SApplication* app = SApplication::Instance();
    auto color = app ? app->ResolveColor(value) : ParseColorText(value);
    if (!color) return false;
    (name == L"colorHover" ? hoverColor_ : selectedColor_) = *color;
    return true;
  }
  // The template's height is the list's item height.
  if (name == L"height" || name == L"itemHeight") return ParseInt(value).has_value();
  return SWindow::OnAttribute(name, value, loading);
}

int SItemPanel::GetSkinState(const ISkinObj* skin) const {
  if (IsSelected()) return kVisualPushed;
  return IsHot() ? kVisualHover : kVisualNormal;
}

void SItemPanel::DrawBkgnd(render::Canvas& canvas) {
  if (!GetBkgndSkin()) {
    if (IsSelected()) canvas.FillRect(rect_, selectedColor_.value_or(kDefaultSelected));
    else if (IsHot()) canvas.FillRect(rect_, hoverColor_.value_or(kDefaultHover));
    else if (auto color = style_.GetBkgndColor()) canvas.FillRect(rect_, *color);
    return;
  }
  SWindow::DrawBkgnd(canvas);
}

void SItemPanel::OnLButtonDown(UINT flags, Point pt) {
  if (list_) list_->OnItemClicked(index_);
}

void SItemPanel::OnChildLButtonDown(SWindow* target) {
  if (list_) list_->OnItemClicked(index_);
}

// --- SListView ---

SListView::SListView() {
  focusable_ = true;
  eventSet_.AddEvent<EventLVSelChanged>();
  eventSet_.AddEvent<EventLVItemClick>();
}

SListView::~SListView() {
  if (adapter_) adapter_->UnregisterObserver(this);
}

void SListView::OnDestroy() {
  if (adapter_) adapter_->UnregisterObserver(this);
  adapter_ = nullptr;
}

bool SListView::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (name == L"itemHeight") {
    auto v = ParseInt(value);
    if (!v || *v <= 0) return false;
    itemHeight_ = *v;
    return true;
  }
  return SWindow::OnAttribute(name, value, loading);
}

bool SListView::OnChildXml(pugi::xml_node child) {
  if (std::strcmp(child.name(), "template") != 0) return false;
  template_.reset();
  template_.append_copy(child);
  if (itemHeight_ <= 0) {
    int h = child.attribute("height").as_int(child.attribute("itemHeight").as_int(0));
    if (h > 0) itemHeight_ = h;
  }
  return true;
}

void SListView::SetAdapter(ILvAdapter* adapter) {
  if (adapter_ == adapter) return;
  if (adapter_) adapter_->UnregisterObserver(this);
  adapter_ = adapter;
  if (adapter_) adapter_->RegisterObserver(this);
  sel_ = -1;
  scroll_.SetPos(0);
  Rebuild();
}

void SListView::OnAdapterDestroyed() {
  adapter_ = nullptr;
  Rebuild();
}

void SListView::OnDataSetChanged() { Rebuild(); }

void SListView::Rebuild() {
  if (itemHeight_ <= 0) itemHeight_ = kDefaultItemHeight;
  int count = adapter_ ? std::max(0, adapter_->GetCount()) : 0;
  // Existing panels are reused for the first items; the rest are made or
  // destroyed (after the current message, so a panel may rebuild its own list).
  while (static_cast<int>(panels_.size()) > count) {
    SItemPanel* last = panels_.back();
    panels_.pop_back();
    DestroyChild(last);
  }
  pugi::xml_node tmpl = template_.document_element();
  while (static_cast<int>(panels_.size()) < count) {
    auto panel = std::make_unique<SItemPanel>(this, static_cast<int>(panels_.size()));
    SItemPanel* raw = static_cast<SItemPanel*>(InsertChild(std::move(panel)));
    if (tmpl) raw->InitFromXml(tmpl);
    panels_.push_back(raw);
  }
  for (int i = 0; i < count; ++i) {
    panels_[static_cast<size_t>(i)]->SetItemIndex(i);
    adapter_->GetView(i, panels_[static_cast<size_t>(i)], tmpl);
  }
  if (sel_ >= count) sel_ = -1;
  RequestRelayout();
  Invalidate();
}

SItemPanel* SListView::GetItemPanel(int index) const {
  return index >= 0 && index < GetItemCount() ? panels_[static_cast<size_t>(index)] : nullptr;
}

Rect SListView::GetViewRect() const { return GetClientRect(); }

Rect SListView::ScrollBarRect() const {
  Rect view = GetViewRect();
  return Rect{view.right - SScrollBarPart::kWidth, view.top, view.right, view.bottom};
}

void SListView::UpdateChildrenPosition() {
  Rect view = GetViewRect();
  scroll_.SetRange(GetItemCount() * itemHeight_, view.Height());
  if (scroll_.IsNeeded()) view.right -= SScrollBarPart::kWidth;
  for (int i = 0; i < GetItemCount(); ++i) {
    SItemPanel* panel = panels_[static_cast<size_t>(i)];
    int top = view.top + i * itemHeight_ - scroll_.GetPos();
    panel->Move(Rect{view.left, top, view.right, top + itemHeight_});
    LayoutItem(panel);
  }
}

void SListView::PaintChildren(render::Canvas& canvas, const Rect& dirty) {
  Rect view = GetViewRect();
  {
    render::Canvas::ScopedClip clip(canvas, view);
    for (size_t i = 0; i < children_.size(); ++i) {
      SWindow* child = children_[i].get();
      if (child->IsClass(SItemPanel::ClassName()) && child->GetWindowRect().Intersect(view).IsEmpty()) continue;
      child->PaintTree(canvas, dirty);
    }
  }
  scroll_.Paint(canvas, ScrollBarRect(), scrollHover_, IsDisabled(true));
}

SWindow* SListView::HitTest(Point pt) {
  if (!IsVisible() || !rect_.Contains(pt)) return nullptr;
  if (scroll_.IsNeeded() && ScrollBarRect().Contains(pt)) return this;
  Rect view = GetViewRect();
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
    SWindow* child = it->get();
    if (child->IsClass(SItemPanel::ClassName()) && !view.Contains(pt)) continue;
    if (SWindow* hit = child->HitTest(pt)) return hit;
  }
  return msgTransparent_ ? nullptr : this;
}

void SListView::SetScrollPos(int pos) {
  if (!scroll_.SetPos(pos)) return;
  UpdateChildrenPosition();
  Invalidate();
  if (container_) container_->UpdateToolTip();
}

void SListView::EnsureVisible(int index) {
  if (index < 0 || index >= GetItemCount()) return;
  Rect view = GetViewRect();
  int top = index * itemHeight_;
  if (top < scroll_.GetPos()) SetScrollPos(top);
  else if (top + itemHeight_ > scroll_.GetPos() + view.Height()) SetScrollPos(top + itemHeight_ - view.Height());
}

void SListView::SetSel(int index, bool notify) {
  if (index < -1 || index >= GetItemCount()) return;
  if (index == sel_) return;
  int old = sel_;
  sel_ = index;
  if (SItemPanel* p = GetItemPanel(old)) p->Invalidate();
  if (SItemPanel* p = GetItemPanel(index)) p->Invalidate();
  EnsureVisible(index);
  if (!notify) return;
  EventLVSelChanged e(this, old, index);
  FireEvent(e);
}

void SListView::UserSelect(int index) { SetSel(index, true); }

void SListView::OnItemClicked(int index) {
  SetFocus();
  UserSelect(index);
  EventLVItemClick e(this, index);
  FireEvent(e);
}

void SListView::OnLButtonDown(UINT flags, Point pt) {
  SetFocus();
  if (scroll_.IsNeeded() && ScrollBarRect().Contains(pt) && scroll_.OnButtonDown(ScrollBarRect(), pt)) {
    UpdateChildrenPosition();
    Invalidate();
  }
}

void SListView::OnMouseMove(UINT flags, Point pt) {
  bool over = scroll_.IsNeeded() && ScrollBarRect().Contains(pt);
  if (over != scrollHover_) {
    scrollHover_ = over;
    InvalidateRect(ScrollBarRect());
  }
  if (scroll_.OnMouseMove(ScrollBarRect(), pt)) {
    UpdateChildrenPosition();
    Invalidate();
  }
}

void SListView::OnLButtonUp(UINT flags, Point pt) {
  scroll_.OnButtonUp();
  InvalidateRect(ScrollBarRect());
}

void SListView::OnCaptureLost() { scroll_.OnButtonUp(); }

void SListView::OnMouseLeave() {
  scrollHover_ = false;
  InvalidateRect(ScrollBarRect());
  SWindow::OnMouseLeave();
}

bool SListView::OnMouseWheel(UINT flags, int delta, Point pt) {
  if (!scroll_.IsNeeded()) return false;
  int notches = delta / WHEEL_DELTA;
  if (notches == 0) notches = delta > 0 ? 1 : -1;
  SetScrollPos(scroll_.GetPos() - notches * kItemsPerNotch * itemHeight_);
  return true;
}

bool SListView::OnKeyDown(UINT vk, UINT repeat, UINT flags) {
  int count = GetItemCount();
  if (count == 0) return false;
  int page = std::max(1, GetViewRect().Height() / std::max(1, itemHeight_));
  int target = sel_;
  switch (vk) {
    case VK_UP:
      target = sel_ <= 0 ? 0 : sel_ - 1;
      break;
    case VK_DOWN:
      target = std::min(count - 1, sel_ + 1);
      break;
    case VK_HOME:
      target = 0;
      break;
    case VK_END:
      target = count - 1;
      break;
    case VK_PRIOR:
      target = std::max(0, sel_ - page);
      break;
    case VK_NEXT:
      target = std::min(count - 1, sel_ + page);
      break;
    case VK_RETURN:
      if (sel_ < 0) return false;
      {
        EventLVItemClick e(this, sel_);
        FireEvent(e);
      }
      return true;
    default:
      return false;
  }
  UserSelect(target);
  return true;
}

}  // namespace kb::ui
