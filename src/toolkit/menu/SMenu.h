#pragma once
// Popup menus from menu resources, opened at a point. The chosen command
// reaches the owner as WM_COMMAND (high word 0), or is returned with
// TPM_RETURNCMD.
//
// SMenu ("menu" root):
//   <menu itemHeight="26" iconSkin="..." minWidth="120" trCtx="...">
//     <item id="1" icon="0">Check firmware</item>
//     <sep/>
//     <item text="More"> <item id="7" check="1">Sub item</item> </item>
//     <item id="6" disable="1">Exit</item>
//   </menu>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "platform/win32.h"
#include "toolkit/menu/SMenuItemInfo.h"

namespace kb::ui {

class SMenu {
 public:
  SMenu();
  virtual ~SMenu();

  // Loads the menu resource ("SMENU:menu_tray"); false when it is missing
  // or its root element is not this menu kind's.
  bool Load(std::wstring_view resName);
  bool LoadMenuXml(const std::string& xml);
  bool LoadFromNode(pugi::xml_node root);

  // Opens the menu with its top-left corner at x, y (screen; TPM_RIGHTALIGN
  // and TPM_BOTTOMALIGN move the corner), runs it, and delivers the chosen
  // command. With TPM_RETURNCMD the command is returned (0 for none);
  // otherwise it is posted to `owner` and the result is whether one was
  // chosen. The menu is drawn at the owner's dpi; `scale` (percent) makes
  // its items larger still.
  int TrackPopupMenu(UINT flags, int x, int y, HWND owner, const RECT* exclude = nullptr, int scale = 100);

  bool EnableItem(int id, bool enable);
  bool CheckItem(int id, bool checked);
  // Adds an item at the end of the top level.
  void AppendItem(int id, std::wstring_view text);
  const std::vector<SMenuItemInfo>& Items() const { return items_; }
  const SMenuStyle& Style() const { return style_; }

 protected:
  virtual const char* RootName() const { return "menu"; }
  virtual const char* ItemName() const { return "item"; }
  virtual bool KeepsItemLayout() const { return false; }

 private:
  void ParseItems(pugi::xml_node parent, std::vector<SMenuItemInfo>& out) const;
  SMenuItemInfo* FindItem(int id, std::vector<SMenuItemInfo>& items);

  std::vector<SMenuItemInfo> items_;
  SMenuStyle style_;
};

}  // namespace kb::ui
