#include "toolkit/controls/SRadioBox.h"

#include <algorithm>

namespace kb::ui {

SRadioBox::SRadioBox() { SetBoxSkinName(kDefaultSkin); }

bool SRadioBox::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (name == L"group") {
    group_ = value;
    return true;
  }
  return SToggleBox::OnAttribute(name, value, loading);
}

std::vector<SRadioBox*> SRadioBox::GetGroup() const {
  std::vector<SRadioBox*> group;
  if (!parent_) {
    group.push_back(const_cast<SRadioBox*>(this));
    return group;
  }
  for (size_t i = 0; i < parent_->GetChildCount(); ++i) {
    SWindow* sibling = parent_->GetChild(i);
    if (!sibling->IsClass(ClassName())) continue;
    auto* radio = static_cast<SRadioBox*>(sibling);
    if (radio->group_ == group_) group.push_back(radio);
  }
  return group;
}

void SRadioBox::SetCheck(bool checked) {
  if (checked == IsChecked()) return;
  if (checked) {
    for (SRadioBox* other : GetGroup())
      if (other != this && other->IsChecked()) other->SetCheck(false);
  }
  SToggleBox::SetCheck(checked);
  EventCheckChanged e(this, checked);
  e.bubbleUp = false;
  FireEvent(e);
}

void SRadioBox::OnClick() {
  SetCheck(true);
  FireCommand();
}

bool SRadioBox::IsTabStop() const {
  if (!SToggleBox::IsTabStop()) return false;
  std::vector<SRadioBox*> group = GetGroup();
  auto checked = std::find_if(group.begin(), group.end(), [](SRadioBox* r) { return r->IsChecked() && r->IsFocusable(); });
  if (checked != group.end()) return *checked == this;
  auto first = std::find_if(group.begin(), group.end(), [](SRadioBox* r) { return r->IsFocusable(); });
  return first != group.end() && *first == this;
}

bool SRadioBox::OnKeyDown(UINT vk, UINT repeat, UINT flags) {
  int step = 0;
  if (vk == VK_RIGHT || vk == VK_DOWN) step = 1;
  else if (vk == VK_LEFT || vk == VK_UP) step = -1;
  if (step == 0) return SToggleBox::OnKeyDown(vk, repeat, flags);
  std::vector<SRadioBox*> group = GetGroup();
  auto self = std::find(group.begin(), group.end(), this);
  if (self == group.end()) return false;
  int count = static_cast<int>(group.size());
  int index = static_cast<int>(self - group.begin());
  for (int n = 1; n < count; ++n) {
    SRadioBox* next = group[static_cast<size_t>((index + step * n + count * n) % count)];
    if (!next->IsFocusable()) continue;
    next->SetFocus();
    next->PerformClick();
    break;
  }
  return true;
}

}  // namespace kb::ui
