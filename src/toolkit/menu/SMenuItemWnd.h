#pragma once
// One row of an open menu ("menuItem"): icon or check mark, text and a
// submenu arrow, highlighted while chosen. Separators are rows too.
#include "toolkit/menu/SMenuItemInfo.h"
#include "toolkit/window/SWindow.h"

namespace kb::ui {

class SMenuItemWnd : public SWindow {
  KB_CLASS(SMenuItemWnd, SWindow, L"menuItem")

 public:
  static constexpr wchar_t kItemSkin[] = L"_sys.menu.item";
  static constexpr wchar_t kSepSkin[] = L"_sys.menu.sep";
  static constexpr wchar_t kCheckSkin[] = L"_sys.menu.check";
  static constexpr wchar_t kArrowSkin[] = L"_sys.menu.arrow";

  SMenuItemWnd();
  void Setup(const SMenuItemInfo* info, const SMenuStyle* style, int index);

  const SMenuItemInfo* Info() const { return info_; }
  int Index() const { return index_; }
  bool IsSelectable() const { return info_ && !info_->separator && !info_->disabled; }
  void SetHighlight(bool on);
  bool IsHighlighted() const { return highlight_; }
  Size GetDesiredSize(int widthHint, int heightHint) override;

  void OnMouseHover(UINT flags, Point pt) override;
  void OnLButtonDown(UINT flags, Point pt) override {}
  void OnLButtonUp(UINT flags, Point pt) override;
  void OnChildLButtonDown(SWindow* target) override {}

 protected:
  void DrawBkgnd(render::Canvas& canvas) override;
  void OnPaint(render::Canvas& canvas) override;
  // Extended items keep their own child controls; the rest is ours.
  bool OnChildXml(pugi::xml_node child) override;

 private:
  const SMenuItemInfo* info_ = nullptr;
  const SMenuStyle* menuStyle_ = nullptr;
  int index_ = -1;
  bool highlight_ = false;
};

}  // namespace kb::ui
