#include "toolkit/controls/SComboBox.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"
#include "toolkit/controls/SDropDownWnd.h"
#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/render/TextLayout.h"
#include "toolkit/skin/ISkinObj.h"

namespace kb::ui {

namespace {
constexpr Margins kComboPadding{6, 2, 4, 2};
}  // namespace

SComboBox::SComboBox() {
  focusable_ = true;
  style_.SetSkinName(kDefaultSkin);
  style_.SetPadding(kComboPadding);
  style_.SetEndEllipsis(true);
  eventSet_.AddEvent<EventCBSelChange>();
  eventSet_.AddEvent<EventCBDropDown>();
}

bool SComboBox::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  auto number = [&](int& field, int minimum) {
    auto v = ParseInt(value);
    if (!v || *v < minimum) return false;
    field = *v;
    return true;
  };
  if (name == L"curSel") return number(pendingSel_, -1);
  if (name == L"dropHeight") return number(dropHeight_, 1);
  if (name == L"itemHeight") return number(itemHeight_, 1);
  if (name == L"btnSkin") {
    buttonSkin_ = value;
    return true;
  }
  // Only drop-down lists are made; the attribute is accepted for layouts
  // that state it.
  if (name == L"dropDown") return ParseBool(value).has_value();
  return SWindow::OnAttribute(name, value, loading);
}

bool SComboBox::OnChildXml(pugi::xml_node child) {
  if (std::strcmp(child.name(), "items") != 0) return false;
  SApplication* app = SApplication::Instance();
  for (pugi::xml_node item : child.children("item")) {
    std::wstring text = Utf8ToWide(item.attribute("text") ? item.attribute("text").value() : item.text().get());
    text = std::wstring(Trim(text));
    InsertItem(-1, app ? app->ResolveString(text) : text, static_cast<LPARAM>(item.attribute("data").as_llong(0)));
  }
  return true;
}

void SComboBox::OnInitFinished(pugi::xml_node node) {
  // The layout's initial selection is no change anybody listens for.
  if (pendingSel_ >= 0 && pendingSel_ < GetCount()) curSel_ = pendingSel_;
  pendingSel_ = -1;
}

bool SComboBox::SetCurSel(int index) {
  if (index < -1 || index >= GetCount()) return false;
  if (index == curSel_) return true;
  curSel_ = index;
  Invalidate();
  EventCBSelChange e(this, curSel_);
  FireEvent(e);
  return true;
}

void SComboBox::UserSetCurSel(int index) { SetCurSel(index); }

int SComboBox::InsertItem(int index, std::wstring_view text, LPARAM data) {
  if (index < 0 || index > GetCount()) index = GetCount();
  items_.insert(items_.begin() + index, Item{std::wstring(text), Translate(std::wstring(text)), data});
  if (curSel_ >= index) ++curSel_;
  Invalidate();
  return index;
}

bool SComboBox::DeleteString(int index) {
  if (index < 0 || index >= GetCount()) return false;
  items_.erase(items_.begin() + index);
  if (curSel_ == index) curSel_ = -1;
  else if (curSel_ > index) --curSel_;
  Invalidate();
  return true;
}

void SComboBox::ResetContent() {
  items_.clear();
  curSel_ = -1;
  Invalidate();
}

LPARAM SComboBox::GetItemData(int index) const {
  return index >= 0 && index < GetCount() ? items_[static_cast<size_t>(index)].data : 0;
}

bool SComboBox::SetItemData(int index, LPARAM data) {
  if (index < 0 || index >= GetCount()) return false;
  items_[static_cast<size_t>(index)].data = data;
  return true;
}

std::wstring SComboBox::GetLBText(int index, bool raw) const {
  if (index < 0 || index >= GetCount()) return std::wstring();
  const Item& item = items_[static_cast<size_t>(index)];
  return raw ? item.raw : item.text;
}

int SComboBox::FindString(std::wstring_view text, int start) const {
  for (int i = std::max(0, start); i < GetCount(); ++i) {
    const Item& item = items_[static_cast<size_t>(i)];
    if (item.text == text || item.raw == text) return i;
  }
  return -1;
}

void SComboBox::OnLanguageChanged() {
  for (Item& item : items_) item.text = Translate(item.raw);
  SWindow::OnLanguageChanged();
}

void SComboBox::DropDown() {
  HWND hwnd = GetHostHwnd();
  if (dropped_ || !hwnd || GetCount() == 0) return;
  EventCBDropDown opened(this);
  opened.bubbleUp = false;
  FireEvent(opened);
  Rect anchor = container_ ? container_->LogicalToScreen(rect_) : rect_;
  std::vector<std::wstring> texts;
  for (const Item& item : items_) texts.push_back(item.text);
  SDropDownWnd list(texts, curSel_, itemHeight_, style_);
  int height = std::min(dropHeight_, GetCount() * itemHeight_ + 2 * SDropDownWnd::kBorder);
  // The list is as wide as the box on the screen; its height is logical.
  Size device = SPopupWnd::DeviceSizeFor(hwnd, Size{0, height});
  Rect placed = PlacePopup(Size{anchor.Width(), device.cy}, anchor);
  dropped_ = true;
  ModifyState(kStatePushed, 0);
  int chosen = -1;
  if (list.Open(hwnd, placed)) chosen = list.RunLoop();
  dropped_ = false;
  ModifyState(0, kStatePushed);
  if (chosen >= 0) UserSetCurSel(chosen);
}

void SComboBox::OnLButtonDown(UINT flags, Point pt) {
  SetFocus();
  // The drop-down takes the mouse over; the box gives up its capture first.
  if (container_) container_->ReleaseCaptureWindow(this);
  DropDown();
}

bool SComboBox::OnKeyDown(UINT vk, UINT repeat, UINT flags) {
  bool alt = (::GetKeyState(VK_MENU) & 0x8000) != 0;
  switch (vk) {
    case VK_F4:
    case VK_SPACE:
      DropDown();
      return true;
    case VK_DOWN:
      if (alt) DropDown();
      else if (curSel_ + 1 < GetCount()) UserSetCurSel(curSel_ + 1);
      return true;
    case VK_UP:
      if (curSel_ > 0) UserSetCurSel(curSel_ - 1);
      return true;
    case VK_HOME:
      if (GetCount()) UserSetCurSel(0);
      return true;
    case VK_END:
      if (GetCount()) UserSetCurSel(GetCount() - 1);
      return true;
    default:
      return false;
  }
}

int SComboBox::GetSkinState(const ISkinObj* skin) const {
  if (IsDisabled(true)) return kVisualDisabled;
  if (dropped_) return kVisualPushed;
  return (state_ & kStateHover) ? kVisualHover : kVisualNormal;
}

void SComboBox::OnPaint(render::Canvas& canvas) {
  Rect client = GetClientRect();
  Rect button{rect_.right - kButtonWidth, rect_.top, rect_.right, rect_.bottom};
  Rect textBox{client.left, client.top, std::max(client.left, button.left - 2), client.bottom};
  if (curSel_ >= 0) DrawText(canvas, items_[static_cast<size_t>(curSel_)].text, textBox, style_.GetTextFormat());
  SApplication* app = SApplication::Instance();
  if (ISkinObj* skin = app ? app->GetSkin(buttonSkin_) : nullptr) skin->Draw(canvas, button, GetSkinState(skin));
}

Size SComboBox::GetDesiredSize(int widthHint, int heightHint) {
  int widest = 0;
  auto font = style_.GetFont(kVisualNormal);
  for (const Item& item : items_) widest = std::max(widest, render::MeasureText(*font, item.text).cx);
  const Margins& p = style_.GetPadding();
  return Size{widest + p.left + p.right + kButtonWidth + 4, font->LineHeight() + p.top + p.bottom + 6};
}

}  // namespace kb::ui
