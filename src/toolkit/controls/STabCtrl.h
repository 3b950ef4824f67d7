#pragma once
// "tabctrl" with "page" children: one page shows at a time, chosen by the
// heads above (tabAlign="top") or beside (tabAlign="left") the pages.
//   curSel, tabAlign, tabWidth (0: as wide as the title), tabHeight (0: no
//   heads), tabInterval, tabPos (offset of the first head), tabSkin (head
//   states normal, hover, selected, disabled), iconSkin, iconPos="x,y",
//   textX, textY (title position in the head; unset: aligned by the style),
//   sepSkin, sepSize (separator between heads), frameSkin (around the pages)
// Events: EventTabSelChanging (may cancel), EventTabSelChanged,
// EventTabItemHover and EventTabItemLeave when the head under the mouse
// changes.
#include <string>

#include "toolkit/window/SWindow.h"

namespace kb::ui {

class ISkinObj;

// "page": one page of a tab control; its head shows "title" and the icon
// "iconIndex" (-1: the page's index) of the tab control's icon skin.
class STabPage : public SWindow {
  KB_CLASS(STabPage, SWindow, L"page")

 public:
  STabPage();
  void SetTitle(std::wstring_view title);
  const std::wstring& GetTitle() const { return title_; }
  const std::wstring& GetRawTitle() const { return rawTitle_; }
  int GetIconIndex() const { return iconIndex_; }
  void SetIconIndex(int index) { iconIndex_ = index; }
  void OnLanguageChanged() override;
  // The page's tip shows over its head, not over the page itself.
  std::wstring GetToolTipText(Point pt) const override { return std::wstring(); }
  const std::wstring& GetHeadTip() const { return tip_; }

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;

 private:
  std::wstring rawTitle_;
  std::wstring title_;
  int iconIndex_ = -1;
};

class STabCtrl : public SWindow {
  KB_CLASS(STabCtrl, SWindow, L"tabctrl")

 public:
  static constexpr wchar_t kDefaultTabSkin[] = L"_sys.tab.head";
  static constexpr wchar_t kDefaultFrameSkin[] = L"_sys.tab.frame";
  static constexpr int kUnset = -10000;

  STabCtrl();

  int GetCurSel() const { return curSel_; }
  // Shows page `index`; with `notify` raises the changing and changed
  // events (only when the page really changes). False for a bad index or a
  // cancelled change.
  bool SetCurSel(int index, bool notify = true);
  int GetItemCount() const;
  STabPage* GetItem(int index) const;
  // "accName", else the shown page's title.
  std::wstring GetAccessibleName() const override;
  // Adds a page with that title at `index` (the end for -1).
  STabPage* InsertItem(std::wstring_view title, int index = -1);
  bool RemoveItem(int index);
  int GetHoverIndex() const { return hover_; }

  bool IsVertical() const { return vertical_; }
  // The heads' area, one head, and the pages' area.
  Rect GetHeadsRect() const;
  Rect GetItemRect(int index) const;
  Rect GetFrameRect() const;
  int HeadAt(Point pt) const;

  ISkinObj* GetTabSkin() const;
  ISkinObj* GetIconSkin() const;
  ISkinObj* GetSepSkin() const;
  ISkinObj* GetFrameSkin() const;
  int GetSepSize() const { return sepSize_; }
  Point GetIconPos() const { return iconPos_; }
  int GetTextX() const { return textX_; }
  int GetTextY() const { return textY_; }

  std::wstring GetToolTipText(Point pt) const override;
  void UpdateChildrenPosition() override;
  void OnLButtonDown(UINT flags, Point pt) override;
  void OnMouseMove(UINT flags, Point pt) override;
  void OnMouseLeave() override;
  bool OnKeyDown(UINT vk, UINT repeat, UINT flags) override;
  void OnInitFinished(pugi::xml_node node) override;

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
  void DrawBkgnd(render::Canvas& canvas) override;
  void OnPaint(render::Canvas& canvas) override;
  void DrawFocus(render::Canvas& canvas) override;
  // One head: skin state 0 normal, 1 hover, 2 selected.
  virtual void DrawItem(render::Canvas& canvas, const Rect& rect, int index, int state);
  void DrawItemTitle(render::Canvas& canvas, const Rect& rect, int index, int state);
  int HeadWidth(int index) const;
  void SetHover(int index);

  int curSel_ = -1;
  int hover_ = -1;
  bool vertical_ = false;
  int tabWidth_ = 0;
  int tabHeight_ = 28;
  int tabInterval_ = 0;
  int tabPos_ = 0;
  Point iconPos_{4, 4};
  int textX_ = kUnset;
  int textY_ = kUnset;
  int sepSize_ = 0;
  std::wstring tabSkin_ = kDefaultTabSkin;
  std::wstring iconSkin_;
  std::wstring sepSkin_;
  std::wstring frameSkin_ = kDefaultFrameSkin;
};

}  // namespace kb::ui
