#pragma once
// "combobox": a drop-down list to choose one item from. Items have a text
// (translated when shown) and item data:
//   <combobox curSel="0" dropHeight="200" itemHeight="24">
//     <items><item text="Static" data="3"/>...</items>
//   </combobox>
// EventCBSelChange is raised whenever the selection really changes, by the
// user or by SetCurSel, and never when the same item is selected again.
#include <string>
#include <vector>

#include "toolkit/window/SWindow.h"

namespace kb::ui {

class SComboBox : public SWindow {
  KB_CLASS(SComboBox, SWindow, L"combobox")

 public:
  static constexpr wchar_t kDefaultSkin[] = L"_sys.combobox";
  static constexpr wchar_t kDefaultButtonSkin[] = L"_sys.dropbtn";
  static constexpr int kButtonWidth = 20;

  SComboBox();

  int GetCount() const { return static_cast<int>(items_.size()); }
  int GetCurSel() const { return curSel_; }
  // -1 clears the selection. False for an index out of range.
  bool SetCurSel(int index);
  // Inserts at `index` (-1: at the end); returns the item's index.
  int InsertItem(int index, std::wstring_view text, LPARAM data = 0);
  int AddString(std::wstring_view text, LPARAM data = 0) { return InsertItem(-1, text, data); }
  bool DeleteString(int index);
  void ResetContent();
  LPARAM GetItemData(int index) const;
  bool SetItemData(int index, LPARAM data);
  // The item's text as shown (translated) or as given.
  std::wstring GetLBText(int index, bool raw = false) const;
  int FindString(std::wstring_view text, int start = 0) const;
  bool IsDroppedDown() const { return dropped_; }

  // Opens the list below the box and waits until it closes.
  void DropDown();

  void OnLButtonDown(UINT flags, Point pt) override;
  void OnLButtonUp(UINT flags, Point pt) override {}
  bool OnKeyDown(UINT vk, UINT repeat, UINT flags) override;
  void OnLanguageChanged() override;
  Size GetDesiredSize(int widthHint, int heightHint) override;

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
  bool OnChildXml(pugi::xml_node child) override;
  void OnInitFinished(pugi::xml_node node) override;
  void OnPaint(render::Canvas& canvas) override;
  int GetSkinState(const ISkinObj* skin) const override;

 private:
  struct Item {
    std::wstring raw;
    std::wstring text;
    LPARAM data;
  };
  void UserSetCurSel(int index);

  std::vector<Item> items_;
  int curSel_ = -1;
  int pendingSel_ = -1;
  int dropHeight_ = 200;
  int itemHeight_ = 24;
  bool dropped_ = false;
  std::wstring buttonSkin_ = kDefaultButtonSkin;
};

}  // namespace kb::ui
