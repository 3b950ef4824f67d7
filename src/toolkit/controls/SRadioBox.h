#pragma once
// "radio": a radio box. Radio boxes with the same parent and the same
// "group" attribute (empty by default) form a group in which one is checked.
// A click checks it (unchecking the others) and raises EventCmd, also when it
// was checked already. The arrow keys move through the group; Tab stops
// only at the checked one.
#include <string>
#include <vector>

#include "toolkit/controls/SToggleBox.h"

namespace kb::ui {

class SRadioBox : public SToggleBox {
  KB_CLASS(SRadioBox, SToggleBox, L"radio")

 public:
  static constexpr wchar_t kDefaultSkin[] = L"_sys.radio";
  SRadioBox();

  void SetCheck(bool checked) override;
  const std::wstring& GetGroupName() const { return group_; }
  // The radio boxes of this one's group, in tree order (itself included).
  std::vector<SRadioBox*> GetGroup() const;
  bool IsTabStop() const override;
  bool OnKeyDown(UINT vk, UINT repeat, UINT flags) override;

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
  void OnClick() override;

 private:
  std::wstring group_;
};

}  // namespace kb::ui
