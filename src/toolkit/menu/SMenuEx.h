#pragma once
// The extended menu ("menuRoot" root): each "menuItem" is a control that may
// hold other controls of its own; a nested "menuRoot" makes a submenu.
//
//   <menuRoot itemHeight="30" iconSkin="...">
//     <menuItem id="1" icon="0" text="Check firmware"/>
//     <sep/>
//     <menuItem id="6" text="Exit"><text pos="-60,0,-8,-0" colorText="#888">Alt+F4</text></menuItem>
//   </menuRoot>
#include "toolkit/menu/SMenu.h"

namespace kb::ui {

class SMenuEx : public SMenu {
 protected:
  const char* RootName() const override { return "menuRoot"; }
  const char* ItemName() const override { return "menuItem"; }
  bool KeepsItemLayout() const override { return true; }
};

}  // namespace kb::ui
