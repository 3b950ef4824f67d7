#pragma once
// The step list of the selected macro group: one row per KeyStep with the
// code (lower-case hexadecimal), the key name, the state and the delay,
// which the user may edit in place.
#include <functional>
#include <string>

#include "toolkit/controls/ILvAdapter.h"

struct MacroGroup;

namespace macro {

class KeyAndDelayAdapter : public kb::ui::IMcAdapter {
 public:
  static constexpr wchar_t kCodeCell[] = L"key_code";
  static constexpr wchar_t kNameCell[] = L"key_name";
  static constexpr wchar_t kStateCell[] = L"key_state";
  static constexpr wchar_t kDelayCell[] = L"key_delay";
  static constexpr wchar_t kStateDown[] = L"key down";
  static constexpr wchar_t kStateOther[] = L"replace";

  // Called when a delay cell's text was edited: row and the cell.
  using DelayEdited = std::function<void(int row, kb::ui::SWindow* cell)>;

  void SetGroup(MacroGroup* group) { group_ = group; }
  MacroGroup* GetGroup() const { return group_; }
  void SetDelayEdited(DelayEdited handler) { delayEdited_ = std::move(handler); }

  int GetCount() override;
  void GetView(int position, kb::ui::SWindow* item, pugi::xml_node xmlTemplate) override;
  // "col1" to "col4".
  std::wstring GetColumnName(int column) const override;

  static std::wstring CodeText(uint32_t code);
  static std::wstring StateText(int32_t state);

 private:
  MacroGroup* group_ = nullptr;
  DelayEdited delayEdited_;
};

}  // namespace macro
