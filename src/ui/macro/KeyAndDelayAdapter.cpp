#include "ui/macro/KeyAndDelayAdapter.h"

#include <cwchar>

#include "macro/MacroStore.h"
#include "toolkit/controls/SListView.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/core/SEvents.h"
#include "toolkit/window/SWindow.h"
#include "ui/common/SEditEx.h"
#include "ui/macro/ListRows.h"

namespace macro {

namespace {
constexpr wchar_t kColumnFormat[] = L"col%d";

void SetCell(kb::ui::SWindow* item, const wchar_t* name, const std::wstring& text) {
  if (kb::ui::SWindow* cell = item->FindChildByName(name)) cell->SetWindowText(text);
}
}  // namespace

int KeyAndDelayAdapter::GetCount() { return group_ ? static_cast<int>(group_->steps.size()) : 0; }

std::wstring KeyAndDelayAdapter::CodeText(uint32_t code) {
  wchar_t text[16];
  std::swprintf(text, 16, L"%x", code);
  return text;
}

std::wstring KeyAndDelayAdapter::StateText(int32_t state) { return state == 1 ? kStateDown : kStateOther; }

std::wstring KeyAndDelayAdapter::GetColumnName(int column) const {
  wchar_t name[16];
  std::swprintf(name, 16, kColumnFormat, column + 1);
  return name;
}

void KeyAndDelayAdapter::GetView(int position, kb::ui::SWindow* item, pugi::xml_node) {
  if (!group_ || position < 0 || position >= GetCount()) return;
  const KeyStep& step = group_->steps[static_cast<size_t>(position)];
  SetCell(item, kCodeCell, CodeText(step.code));
  SetCell(item, kNameCell, step.name);
  // The state texts are the dialog's own words, translated like its layout.
  kb::ui::SApplication* app = kb::ui::SApplication::Instance();
  std::wstring state = StateText(step.state);
  SetCell(item, kStateCell, app ? app->Translate(state, L"macro") : state);
  kb::ui::SWindow* delay = item->FindChildByName(kDelayCell);
  if (!delay) return;
  delay->SetWindowText(std::to_wstring(step.delay));
  if (delay->GetUserData() == kSubscribed) return;
  delay->SetUserData(kSubscribed);
  auto edited = [this, delay](kb::ui::EventArgs*) {
    int row = RowOf(delay);
    if (row >= 0 && delayEdited_) delayEdited_(row, delay);
    return false;
  };
  delay->SubscribeEvent(kb::ui::EventKillFocus::EventID, edited);
  delay->SubscribeEvent(kb::ui::EventKeyEnter::EventID, edited);
}

}  // namespace macro
