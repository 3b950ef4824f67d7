#pragma once
// "mclistview": a list view with column heads. The <header> child defines
// the columns; in every item, the control the adapter names for column i
// (GetColumnName) is placed under head i and follows its width.
#include "toolkit/controls/SHeaderCtrl.h"
#include "toolkit/controls/SListView.h"

namespace kb::ui {

class SMCListView : public SListView {
  KB_CLASS(SMCListView, SListView, L"mclistview")

 public:
  SMCListView();
  SHeaderCtrl* GetHeader() const { return header_; }
  IMcAdapter* GetMcAdapter() const { return dynamic_cast<IMcAdapter*>(adapter_); }
  void UpdateChildrenPosition() override;
  SWindow* HitTest(Point pt) override;

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
  bool OnChildXml(pugi::xml_node child) override;
  void OnCreate() override;
  Rect GetViewRect() const override;
  void LayoutItem(SItemPanel* panel) override;
  void PaintChildren(render::Canvas& canvas, const Rect& dirty) override;

 private:
  SHeaderCtrl* header_ = nullptr;
  int headerHeight_ = 26;
};

}  // namespace kb::ui
