#pragma once
// The list a combobox drops down: a popup with a list view of the items,
// the current one selected. A click or Enter chooses, Escape or a click
// elsewhere cancels; RunLoop returns the chosen index or -1.
#include <string>
#include <vector>

#include "toolkit/controls/ILvAdapter.h"
#include "toolkit/skin/SwndStyle.h"
#include "toolkit/window/SPopupWnd.h"

namespace kb::ui {

class SListView;

class SDropDownWnd : public SPopupWnd, private ILvAdapter {
 public:
  static constexpr int kBorder = 1;

  SDropDownWnd(std::vector<std::wstring> texts, int curSel, int itemHeight, const SwndStyle& style);
  ~SDropDownWnd() override;

  SListView* GetList() const;

 protected:
  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  int GetCount() override { return static_cast<int>(texts_.size()); }
  void GetView(int position, SWindow* item, pugi::xml_node xmlTemplate) override;
  void Setup();

  std::vector<std::wstring> texts_;
  int curSel_;
  const SwndStyle& style_;
  bool setUp_ = false;
};

}  // namespace kb::ui
