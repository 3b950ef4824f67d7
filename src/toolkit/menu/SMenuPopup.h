#pragma once
// One open level of a menu: a popup with a row per item. Hovering a row
// with a submenu opens it to the side; a click on a command row closes the
// whole chain with the command's id.
#include <memory>
#include <vector>

#include "toolkit/menu/SMenuItemInfo.h"
#include "toolkit/window/SPopupWnd.h"

namespace kb::ui {

class SMenuItemWnd;

class SMenuPopup : public SPopupWnd {
 public:
  SMenuPopup(const std::vector<SMenuItemInfo>& items, const SMenuStyle& style, SMenuPopup* parentLevel);
  ~SMenuPopup() override;

  // Builds the rows; returns the popup's size.
  Size BuildItems();
  int GetHighlight() const { return highlight_; }
  void SetHighlight(int index);
  SMenuItemWnd* GetItemWnd(int index) const;
  SMenuPopup* GetSubMenu() const { return sub_.get(); }

  // A row was hovered or clicked.
  void OnItemHover(int index);
  void OnItemClick(int index);

 protected:
  void OnClosing() override;
  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  bool OnMenuKey(UINT vk);
  void OpenSubMenu(int index, bool highlightFirst);
  void CloseSubMenu();
  int NextSelectable(int from, int step) const;

  const std::vector<SMenuItemInfo>& items_;
  SMenuStyle style_;
  SMenuPopup* parentLevel_;
  std::vector<SMenuItemWnd*> rows_;
  int highlight_ = -1;
  int subIndex_ = -1;
  std::unique_ptr<SMenuPopup> sub_;
  std::vector<std::unique_ptr<SMenuPopup>> retired_;
};

}  // namespace kb::ui
