#pragma once
// "listview": a scrolling list of items. Each item is an "itempanel" built
// from the list's <template> element (its attributes style the panel:
// height, skin with states normal/hover/selected, colorHover,
// colorSelected); the adapter fills it. Clicking an item (or a control in
// it) selects it: EventLVSelChanged when the selection changes, then
// EventLVItemClick. Up, Down, Home, End, PageUp, PageDown move the
// selection; the wheel and the scroll bar scroll.
#include <memory>
#include <optional>
#include <vector>

#include "toolkit/controls/ILvAdapter.h"
#include "toolkit/controls/SScrollBarPart.h"
#include "toolkit/window/SWindow.h"

namespace kb::ui {

class SListView;

class SItemPanel : public SWindow {
  KB_CLASS(SItemPanel, SWindow, L"itempanel")

 public:
  SItemPanel() = default;
  SItemPanel(SListView* list, int index) : list_(list), index_(index) {}

  int GetItemIndex() const { return index_; }
  void SetItemIndex(int index) { index_ = index; }
  SListView* GetList() const { return list_; }
  bool IsSelected() const;
  bool IsHot() const;
  bool TracksSubtreeHover() const override { return true; }

  void OnLButtonDown(UINT flags, Point pt) override;
  void OnChildLButtonDown(SWindow* target) override;

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
  void DrawBkgnd(render::Canvas& canvas) override;
  int GetSkinState(const ISkinObj* skin) const override;

 private:
  SListView* list_ = nullptr;
  int index_ = -1;
  std::optional<Color> hoverColor_;
  std::optional<Color> selectedColor_;
};

// The item panel a control belongs to, or null.
SItemPanel* FindItemPanel(SWindow* window);

class SListView : public SWindow, public ILvDataSetObserver {
  KB_CLASS(SListView, SWindow, L"listview")

 public:
  SListView();
  ~SListView() override;

  // The adapter is not owned; null detaches it.
  void SetAdapter(ILvAdapter* adapter);
  ILvAdapter* GetAdapter() const { return adapter_; }
  int GetItemCount() const { return static_cast<int>(panels_.size()); }
  SItemPanel* GetItemPanel(int index) const;
  int GetSel() const { return sel_; }
  // Selects (-1 for none) without raising events; scrolls it into view.
  void SetSel(int index, bool notify = false);
  void EnsureVisible(int index);
  int GetItemHeight() const { return itemHeight_; }
  int GetScrollPos() const { return scroll_.GetPos(); }
  void SetScrollPos(int pos);
  pugi::xml_node GetTemplate() const { return template_.document_element(); }

  // Item panels report clicks.
  void OnItemClicked(int index);

  void OnDataSetChanged() override;
  void OnAdapterDestroyed() override;
  void UpdateChildrenPosition() override;
  SWindow* HitTest(Point pt) override;
  void OnLButtonDown(UINT flags, Point pt) override;
  void OnLButtonUp(UINT flags, Point pt) override;
  void OnMouseMove(UINT flags, Point pt) override;
  void OnMouseLeave() override;
  bool OnMouseWheel(UINT flags, int delta, Point pt) override;
  bool OnKeyDown(UINT vk, UINT repeat, UINT flags) override;
  void OnCaptureLost() override;
  void OnDestroy() override;

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
  bool OnChildXml(pugi::xml_node child) override;
  void PaintChildren(render::Canvas& canvas, const Rect& dirty) override;
  // Where the items are shown (without scroll bar, header, ...).
  virtual Rect GetViewRect() const;
  // Places the controls of one item after the panel was moved.
  virtual void LayoutItem(SItemPanel* panel) {}
  Rect ScrollBarRect() const;
  void UserSelect(int index);
  void Rebuild();

  ILvAdapter* adapter_ = nullptr;
  pugi::xml_document template_;
  std::vector<SItemPanel*> panels_;
  int sel_ = -1;
  int itemHeight_ = 0;
  SScrollBarPart scroll_;
  bool scrollHover_ = false;
};

}  // namespace kb::ui
