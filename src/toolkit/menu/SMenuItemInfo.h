#pragma once
// One entry of a menu as loaded from its resource.
#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

namespace kb::ui {

struct SMenuItemInfo {
  int id = 0;
  std::wstring text;  // as written; translated when shown
  int icon = -1;
  bool checked = false;
  bool disabled = false;
  bool separator = false;
  std::vector<SMenuItemInfo> children;  // a submenu when not empty
  // Extended menus: the item's own element (attributes and child controls).
  std::shared_ptr<pugi::xml_document> layout;
};

// How a menu looks; from the root element's attributes.
struct SMenuStyle {
  int itemHeight = 26;
  int sepHeight = 9;
  int minWidth = 120;
  int iconWidth = 28;
  std::wstring iconSkin;
  std::wstring trContext;
};

}  // namespace kb::ui
