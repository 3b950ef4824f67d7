#include "toolkit/controls/SHeaderCtrl.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"
#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/render/TextLayout.h"
#include "toolkit/skin/ISkinObj.h"

namespace kb::ui {

namespace {
constexpr int kBorderGrip = 4;
constexpr int kHeaderTextPadding = 6;
constexpr int kDefaultHeight = 26;
constexpr int kDefaultWidth = 80;
}  // namespace

SHeaderCtrl::SHeaderCtrl() {
  eventSet_.AddEvent<EventHeaderItemChanged>();
  style_.SetEndEllipsis(true);
}

bool SHeaderCtrl::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (name == L"itemSkin") {
    itemSkin_ = value;
    return true;
  }
  if (name == L"resizable") {
    auto v = ParseBool(value);
    if (!v) return false;
    resizable_ = *v;
    return true;
  }
  return SWindow::OnAttribute(name, value, loading);
}

bool SHeaderCtrl::OnChildXml(pugi::xml_node child) {
  if (std::strcmp(child.name(), "items") != 0) return false;
  SApplication* app = SApplication::Instance();
  for (pugi::xml_node item : child.children("item")) {
    std::wstring text = Utf8ToWide(item.attribute("text") ? item.attribute("text").value() : item.text().get());
    text = std::wstring(Trim(text));
    InsertItem(GetItemCount(), app ? app->ResolveString(text) : text, item.attribute("width").as_int(kDefaultWidth));
  }
  return true;
}

int SHeaderCtrl::InsertItem(int index, std::wstring_view text, int width) {
  if (index < 0 || index > GetItemCount()) index = GetItemCount();
  Item item{std::wstring(text), Translate(std::wstring(text)), std::max(kMinColumnWidth, width)};
  items_.insert(items_.begin() + index, std::move(item));
  RequestRelayout();
  Invalidate();
  return index;
}

bool SHeaderCtrl::DeleteItem(int index) {
  if (index < 0 || index >= GetItemCount()) return false;
  items_.erase(items_.begin() + index);
  RequestRelayout();
  Invalidate();
  return true;
}

int SHeaderCtrl::GetItemWidth(int index) const {
  return index >= 0 && index < GetItemCount() ? items_[static_cast<size_t>(index)].width : 0;
}

bool SHeaderCtrl::SetItemWidth(int index, int width) {
  if (index < 0 || index >= GetItemCount()) return false;
  items_[static_cast<size_t>(index)].width = std::max(kMinColumnWidth, width);
  RequestRelayout();
  Invalidate();
  return true;
}

std::wstring SHeaderCtrl::GetItemText(int index) const {
  return index >= 0 && index < GetItemCount() ? items_[static_cast<size_t>(index)].text : std::wstring();
}

int SHeaderCtrl::GetTotalWidth() const {
  int total = 0;
  for (const Item& item : items_) total += item.width;
  return total;
}

Rect SHeaderCtrl::GetItemRect(int index) const {
  if (index < 0 || index >= GetItemCount()) return Rect{};
  int left = rect_.left;
  for (int i = 0; i < index; ++i) left += items_[static_cast<size_t>(i)].width;
  return Rect{left, rect_.top, left + items_[static_cast<size_t>(index)].width, rect_.bottom};
}

int SHeaderCtrl::BorderAt(Point pt) const {
  if (!resizable_ || !rect_.Contains(pt)) return -1;
  for (int i = 0; i < GetItemCount(); ++i)
    if (std::abs(GetItemRect(i).right - pt.x) <= kBorderGrip) return i;
  return -1;
}

int SHeaderCtrl::ItemAt(Point pt) const {
  for (int i = 0; i < GetItemCount(); ++i)
    if (GetItemRect(i).Contains(pt)) return i;
  return -1;
}

void SHeaderCtrl::OnLanguageChanged() {
  for (Item& item : items_) item.text = Translate(item.raw);
  SWindow::OnLanguageChanged();
}

void SHeaderCtrl::OnLButtonDown(UINT flags, Point pt) {
  resizing_ = BorderAt(pt);
  if (resizing_ < 0) return;
  resizeStartX_ = pt.x;
  resizeStartWidth_ = GetItemWidth(resizing_);
}

void SHeaderCtrl::OnMouseMove(UINT flags, Point pt) {
  if (resizing_ >= 0) {
    int width = std::max(kMinColumnWidth, resizeStartWidth_ + pt.x - resizeStartX_);
    if (width != GetItemWidth(resizing_)) {
      SetItemWidth(resizing_, width);
      EventHeaderItemChanged e(this, resizing_, width);
      FireEvent(e);
    }
    return;
  }
  int hover = ItemAt(pt);
  if (hover != hover_) {
    hover_ = hover;
    Invalidate();
  }
}

void SHeaderCtrl::OnLButtonUp(UINT flags, Point pt) { resizing_ = -1; }

void SHeaderCtrl::OnCaptureLost() { resizing_ = -1; }

void SHeaderCtrl::OnMouseLeave() {
  hover_ = -1;
  Invalidate();
  SWindow::OnMouseLeave();
}

LPCWSTR SHeaderCtrl::GetCursorId(Point pt) const {
  return resizing_ >= 0 || BorderAt(pt) >= 0 ? IDC_SIZEWE : SWindow::GetCursorId(pt);
}

Size SHeaderCtrl::GetDesiredSize(int widthHint, int heightHint) { return Size{GetTotalWidth(), kDefaultHeight}; }

void SHeaderCtrl::DrawBkgnd(render::Canvas& canvas) {
  SWindow::DrawBkgnd(canvas);
  SApplication* app = SApplication::Instance();
  ISkinObj* skin = app ? app->GetSkin(itemSkin_) : nullptr;
  if (!skin) return;
  // The space right of the last column looks like an empty head.
  int right = GetItemCount() ? GetItemRect(GetItemCount() - 1).right : rect_.left;
  if (right < rect_.right) skin->Draw(canvas, Rect{right, rect_.top, rect_.right, rect_.bottom}, 0);
  for (int i = 0; i < GetItemCount(); ++i) skin->Draw(canvas, GetItemRect(i), i == hover_ ? 1 : 0);
}

void SHeaderCtrl::OnPaint(render::Canvas& canvas) {
  for (int i = 0; i < GetItemCount(); ++i) {
    Rect box = GetItemRect(i).Deflate(kHeaderTextPadding, 0, kHeaderTextPadding, 0);
    DrawText(canvas, items_[static_cast<size_t>(i)].text, box, style_.GetTextFormat() | render::kTextSingleLine);
  }
}

}  // namespace kb::ui
