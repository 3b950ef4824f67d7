#include "toolkit/controls/SMCListView.h"

#include <cstring>

#include "toolkit/core/AttrParse.h"

namespace kb::ui {

SMCListView::SMCListView() = default;

bool SMCListView::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (name == L"headerHeight") {
    auto v = ParseInt(value);
    if (!v || *v < 0) return false;
    headerHeight_ = *v;
    return true;
  }
  return SListView::OnAttribute(name, value, loading);
}

bool SMCListView::OnChildXml(pugi::xml_node child) {
  if (std::strcmp(child.name(), "header") != 0) return SListView::OnChildXml(child);
  if (header_) DestroyChild(header_);
  header_ = static_cast<SHeaderCtrl*>(InsertChild(std::make_unique<SHeaderCtrl>()));
  header_->InitFromXml(child);
  header_->SubscribeEvent(EventHeaderItemChanged::EventID, [this](EventArgs*) {
    RequestRelayout();
    Invalidate();
    return false;
  });
  return true;
}

void SMCListView::OnCreate() {
  if (!header_) header_ = static_cast<SHeaderCtrl*>(InsertChild(std::make_unique<SHeaderCtrl>()));
}

Rect SMCListView::GetViewRect() const {
  Rect client = GetClientRect();
  client.top = std::min(client.bottom, client.top + headerHeight_);
  return client;
}

void SMCListView::UpdateChildrenPosition() {
  Rect client = GetClientRect();
  if (header_) header_->Move(Rect{client.left, client.top, client.right, std::min(client.bottom, client.top + headerHeight_)});
  SListView::UpdateChildrenPosition();
}

void SMCListView::LayoutItem(SItemPanel* panel) {
  IMcAdapter* adapter = GetMcAdapter();
  if (!adapter || !header_) return;
  const Rect& row = panel->GetWindowRect();
  for (int column = 0; column < header_->GetItemCount(); ++column) {
    SWindow* cell = panel->FindChildByName(adapter->GetColumnName(column), 1);
    if (!cell) continue;
    Rect head = header_->GetItemRect(column);
    cell->Move(Rect{head.left, row.top, head.right, row.bottom});
  }
}

SWindow* SMCListView::HitTest(Point pt) {
  if (header_ && header_->IsVisible() && header_->GetWindowRect().Contains(pt)) {
    if (SWindow* hit = header_->HitTest(pt)) return hit;
  }
  return SListView::HitTest(pt);
}

void SMCListView::PaintChildren(render::Canvas& canvas, const Rect& dirty) {
  SListView::PaintChildren(canvas, dirty);
  // The header is a child like the items but is not scrolled or clipped to them.
  if (header_) header_->PaintTree(canvas, dirty);
}

}  // namespace kb::ui
