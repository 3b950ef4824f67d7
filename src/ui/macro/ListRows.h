#pragma once
// What the macro editor's two list adapters share: list items are reused, so
// each item's controls are subscribed once (marked with kSubscribed in their
// user data) and find their row at event time.
#include "toolkit/controls/SListView.h"

namespace macro {

inline constexpr ULONG_PTR kSubscribed = 1;

inline int RowOf(kb::ui::SWindow* control) {
  kb::ui::SItemPanel* panel = kb::ui::FindItemPanel(control);
  return panel ? panel->GetItemIndex() : -1;
}

}  // namespace macro
