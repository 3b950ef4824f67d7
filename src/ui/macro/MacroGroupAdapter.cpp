#include "ui/macro/MacroGroupAdapter.h"

#include "macro/MacroStore.h"
#include "toolkit/controls/SListView.h"
#include "toolkit/core/SEvents.h"
#include "toolkit/window/SWindow.h"
#include "ui/common/SEditEx.h"
#include "ui/macro/IOnMacroGroupClickedListener.h"
#include "ui/macro/ListRows.h"

namespace macro {

int MacroGroupAdapter::GetCount() { return macros_.GroupCount(); }

void MacroGroupAdapter::GetView(int position, kb::ui::SWindow* item, pugi::xml_node) {
  const MacroGroup* group = macros_.GroupAt(position);
  kb::ui::SWindow* edit = item->FindChildByName(kNameEdit);
  if (!group || !edit) return;
  edit->SetWindowText(group->name);
  if (edit->GetUserData() == kSubscribed || !listener_) return;
  edit->SetUserData(kSubscribed);
  IOnMacroGroupClickedListener* listener = listener_;
  edit->SubscribeEvent(kb::ui::EventEditChange::EventID, [listener, edit](kb::ui::EventArgs*) {
    int row = RowOf(edit);
    if (row >= 0) listener->OnMacroGroupRenamed(row, edit->GetWindowText(true));
    return false;
  });
  // Enter ends the rename (the edit is an "editex", so Enter is not the
  // dialog's OK): the name is taken and the edit lets go of the focus.
  edit->SubscribeEvent(kb::ui::EventKeyEnter::EventID, [listener, edit](kb::ui::EventArgs*) {
    int row = RowOf(edit);
    if (row >= 0) listener->OnMacroGroupRenamed(row, edit->GetWindowText(true));
    edit->KillFocus();
    return true;
  });
  // A click into the name edit selects the group too.
  edit->SubscribeEvent(kb::ui::EventSetFocus::EventID, [listener, edit](kb::ui::EventArgs*) {
    int row = RowOf(edit);
    if (row >= 0) listener->OnMacroGroupClicked(row);
    return false;
  });
}

}  // namespace macro
