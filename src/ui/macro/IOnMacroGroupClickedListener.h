#pragma once
#include <string>

// Told when the user clicks an item of the macro group list.
namespace macro {

class IOnMacroGroupClickedListener {
 public:
  static constexpr const wchar_t* ClassName() { return L"macro::Grouplg"; }

  virtual ~IOnMacroGroupClickedListener() = default;
  virtual void OnMacroGroupClicked(int index) = 0;
  // The user finished editing the name of group `index` (the item's
  // "group_name" edit lost the focus or Enter was pressed).
  virtual void OnMacroGroupRenamed(int index, const std::wstring& name) = 0;
};

}  // namespace macro
