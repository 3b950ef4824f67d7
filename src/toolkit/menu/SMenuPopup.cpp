#include "toolkit/menu/SMenuPopup.h"

#include <algorithm>

#include "toolkit/core/SApplication.h"
#include "toolkit/menu/SMenuItemWnd.h"

namespace kb::ui {

namespace {
constexpr int kMenuPadding = 3;
constexpr wchar_t kMenuBkgnd[] = L"_sys.menu.bg";
}  // namespace

SMenuPopup::SMenuPopup(const std::vector<SMenuItemInfo>& items, const SMenuStyle& style, SMenuPopup* parentLevel)
    : items_(items), style_(style), parentLevel_(parentLevel) {
  SetTranslatorContext(style_.trContext);
}

SMenuPopup::~SMenuPopup() { CloseSubMenu(); }

Size SMenuPopup::BuildItems() {
  auto root = std::make_unique<SWindow>();
  root->SetAttribute(L"layout", L"vbox", true);
  root->SetAttribute(L"skin", kMenuBkgnd, true);
  root->SetAttribute(L"padding", std::to_wstring(kMenuPadding), true);
  SWindow* rootRaw = root.get();
  AdoptRoot(std::move(root));
  rows_.clear();
  int width = style_.minWidth;
  int height = 2 * kMenuPadding;
  for (size_t i = 0; i < items_.size(); ++i) {
    auto row = std::make_unique<SMenuItemWnd>();
    SMenuItemWnd* raw = row.get();
    rootRaw->InsertChild(std::move(row));
    raw->Setup(&items_[i], &style_, static_cast<int>(i));
    Size desired = raw->GetDesiredSize(0, 0);
    int rowHeight = raw->GetLayoutParam().Height() >= 0 ? raw->GetLayoutParam().Height() : desired.cy;
    raw->GetLayoutParam().SetSize(SLayoutParam::kSizeFill, rowHeight);
    width = std::max(width, desired.cx + 2 * kMenuPadding);
    height += rowHeight;
    rows_.push_back(raw);
  }
  return Size{width, height};
}

SMenuItemWnd* SMenuPopup::GetItemWnd(int index) const {
  return index >= 0 && index < static_cast<int>(rows_.size()) ? rows_[static_cast<size_t>(index)] : nullptr;
}

void SMenuPopup::SetHighlight(int index) {
  if (index == highlight_) return;
  if (SMenuItemWnd* old = GetItemWnd(highlight_)) old->SetHighlight(false);
  highlight_ = index;
  if (SMenuItemWnd* row = GetItemWnd(index)) row->SetHighlight(true);
}

int SMenuPopup::NextSelectable(int from, int step) const {
  int count = static_cast<int>(rows_.size());
  for (int n = 1; n <= count; ++n) {
    int i = ((from + step * n) % count + count) % count;
    if (rows_[static_cast<size_t>(i)]->IsSelectable()) return i;
  }
  return -1;
}

void SMenuPopup::OnItemHover(int index) {
  SMenuItemWnd* row = GetItemWnd(index);
  if (!row || row->Info()->separator) return;
  SetHighlight(index);
  if (index == subIndex_) return;
  CloseSubMenu();
  if (row->IsSelectable() && !row->Info()->children.empty()) OpenSubMenu(index, false);
}

void SMenuPopup::OnItemClick(int index) {
  SMenuItemWnd* row = GetItemWnd(index);
  if (!row || !row->IsSelectable()) return;
  if (!row->Info()->children.empty()) {
    if (index != subIndex_) OpenSubMenu(index, false);
    return;
  }
  // Items without a command id are labels.
  if (row->Info()->id == 0) return;
  CloseAll(row->Info()->id);
}

void SMenuPopup::OpenSubMenu(int index, bool highlightFirst) {
  CloseSubMenu();
  SMenuItemWnd* row = GetItemWnd(index);
  if (!row || !GetHwnd()) return;
  sub_ = std::make_unique<SMenuPopup>(row->Info()->children, style_, this);
  Size size = GetScale().ToDevice(sub_->BuildItems());
  Rect item = row->GetWindowRect();
  Rect anchor = LogicalToScreen(Rect{item.left, item.top - kMenuPadding, item.right + kMenuPadding, item.bottom});
  if (!sub_->Open(GetOwner(), PlacePopup(size, anchor, true))) {
    sub_.reset();
    return;
  }
  subIndex_ = index;
  if (highlightFirst) sub_->SetHighlight(sub_->NextSelectable(-1, 1));
}

void SMenuPopup::CloseSubMenu() {
  if (!sub_) return;
  sub_->Close(-1);
  if (sub_->GetHwnd()) ::DestroyWindow(sub_->GetHwnd());
  // The submenu may be closing itself from its own key handler: its object
  // stays until this level goes away.
  retired_.push_back(std::move(sub_));
  subIndex_ = -1;
}

void SMenuPopup::OnClosing() {
  if (sub_) sub_->Close(GetResult());
}

bool SMenuPopup::OnMenuKey(UINT vk) {
  switch (vk) {
    case VK_DOWN:
    case VK_UP:
      SetHighlight(NextSelectable(highlight_ < 0 && vk == VK_UP ? 0 : highlight_, vk == VK_DOWN ? 1 : -1));
      return true;
    case VK_RIGHT:
      if (SMenuItemWnd* row = GetItemWnd(highlight_); row && row->IsSelectable() && !row->Info()->children.empty())
        OpenSubMenu(highlight_, true);
      return true;
    case VK_LEFT:
      if (parentLevel_) {
        parentLevel_->CloseSubMenu();
        return true;
      }
      return true;
    case VK_RETURN:
    case VK_SPACE:
      if (SMenuItemWnd* row = GetItemWnd(highlight_); row && !row->Info()->children.empty()) OpenSubMenu(highlight_, true);
      else OnItemClick(highlight_);
      return true;
    case VK_ESCAPE:
      if (parentLevel_) parentLevel_->CloseSubMenu();
      else Close(-1);
      return true;
    default:
      return false;
  }
}

bool SMenuPopup::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_KEYDOWN && OnMenuKey(static_cast<UINT>(wParam))) {
    result = 0;
    return true;
  }
  return SPopupWnd::ProcessWindowMessage(hwnd, msg, wParam, lParam, result);
}

}  // namespace kb::ui
