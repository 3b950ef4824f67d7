#pragma once
// The macro group list: one item per group of MacroStore, each showing the
// group's name in its "group_name" edit, where the user may rename it.
#include "toolkit/controls/ILvAdapter.h"

class MacroStore;

namespace macro {

class IOnMacroGroupClickedListener;

class MacroGroupAdapter : public kb::ui::ILvAdapter {
 public:
  static constexpr wchar_t kNameEdit[] = L"group_name";

  MacroGroupAdapter(MacroStore& macros, IOnMacroGroupClickedListener* listener)
      : macros_(macros), listener_(listener) {}

  int GetCount() override;
  void GetView(int position, kb::ui::SWindow* item, pugi::xml_node xmlTemplate) override;

 private:
  MacroStore& macros_;
  IOnMacroGroupClickedListener* listener_;
};

}  // namespace macro
