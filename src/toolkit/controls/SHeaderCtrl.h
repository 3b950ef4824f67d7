#pragma once
// "header": the column heads of a multi-column list. Items come from
//   <header itemSkin="..."><items><item width="80">Key</item>...</items></header>
// Dragging the border right of a head resizes its column
// (EventHeaderItemChanged).
#include <string>
#include <vector>

#include "toolkit/window/SWindow.h"

namespace kb::ui {

class SHeaderCtrl : public SWindow {
  KB_CLASS(SHeaderCtrl, SWindow, L"header")

 public:
  static constexpr wchar_t kDefaultSkin[] = L"_sys.header";
  static constexpr int kMinColumnWidth = 16;

  SHeaderCtrl();

  int GetItemCount() const { return static_cast<int>(items_.size()); }
  int InsertItem(int index, std::wstring_view text, int width);
  bool DeleteItem(int index);
  int GetItemWidth(int index) const;
  bool SetItemWidth(int index, int width);
  std::wstring GetItemText(int index) const;
  // A column's rectangle in host coordinates (the full height of the header).
  Rect GetItemRect(int index) const;
  int GetTotalWidth() const;

  void OnLButtonDown(UINT flags, Point pt) override;
  void OnLButtonUp(UINT flags, Point pt) override;
  void OnMouseMove(UINT flags, Point pt) override;
  void OnMouseLeave() override;
  void OnCaptureLost() override;
  void OnLanguageChanged() override;
  LPCWSTR GetCursorId(Point pt) const override;
  Size GetDesiredSize(int widthHint, int heightHint) override;

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
  bool OnChildXml(pugi::xml_node child) override;
  void DrawBkgnd(render::Canvas& canvas) override;
  void OnPaint(render::Canvas& canvas) override;

 private:
  struct Item {
    std::wstring raw;
    std::wstring text;
    int width;
  };
  // The column whose right border is under the point, or -1.
  int BorderAt(Point pt) const;
  int ItemAt(Point pt) const;

  std::vector<Item> items_;
  std::wstring itemSkin_ = kDefaultSkin;
  int hover_ = -1;
  int resizing_ = -1;
  int resizeStartX_ = 0;
  int resizeStartWidth_ = 0;
  bool resizable_ = true;
};

}  // namespace kb::ui
