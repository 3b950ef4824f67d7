// The main dialog's lighting part: showing the remembered backlight effect
// and side-light mode in the controls, storing what the user changes and
// sending it to the keyboard.
#include "toolkit/controls/SComboBox.h"
#include "toolkit/controls/SSliderBar.h"
#include "toolkit/controls/STabCtrl.h"
#include "toolkit/core/SApplication.h"
#include "ui/EffectPages.h"
#include "ui/MainDlg.h"

using namespace kb::ui;

namespace {
int Selection(const SComboBox* combo) { return combo ? combo->GetCurSel() : -1; }
int Value(const SSliderBar* bar) { return bar ? bar->GetValue() : -1; }
void SetValue(SSliderBar* bar, int value) {
  if (bar) bar->SetValue(value);
}
// Checks the radio at a position of its group; SetCheck unchecks the rest
// of the group and raises no event, so nothing is stored or sent.
void CheckInGroup(const std::vector<SWindow*>& group, int position) {
  if (position >= 0 && position < static_cast<int>(group.size()) && group[position]) group[position]->SetCheck(true);
}
}  // namespace

int CMainDlg::GroupValue(const std::vector<SWindow*>& group) {
  for (size_t i = 0; i < group.size(); ++i)
    if (group[i] && group[i]->IsChecked()) return static_cast<int>(i);
  return -1;
}

void CMainDlg::ShowEffectControls(bool selectInCombo) {
  std::lock_guard lock(lightingLock_);
  LedEffectTable& table = LedEffectTable::Instance();
  // A real change of selection runs the selection handler at once, which
  // stores, shows and sends the effect.
  if (selectInCombo && controls_.effectCombo) controls_.effectCombo->SetCurSel(table.GetCurrent());
  int current = table.GetCurrent();
  int page = effect_pages::PageOfEffect(current);
  const LedEffectEntry* entry = table.GetEntry(current);
  if (page == effect_pages::kNoPage || !entry) return;
  if (controls_.tab) controls_.tab->SetCurSel(page);
  if (effect_pages::PageHasSpeed(page)) SetValue(controls_.speedBars[page], entry->speed);
  SetValue(controls_.brightnessBars[page], entry->brightness);
  // The radios are read back with the sliders whenever one of them moves:
  // they must show what is stored, or the next slider move stores the
  // layout's default direction or variant over the user's.
  if (page == effect_pages::kPageMoving) CheckInGroup(controls_.directionGroup, entry->deriction);
  if (page == effect_pages::kPageLoader)
    CheckInGroup(controls_.loaderGroup, effect_pages::LoaderGroupOfSelection(entry->selection));
}

void CMainDlg::ReadEffectControls() {
  std::lock_guard lock(lightingLock_);
  LedEffectTable& table = LedEffectTable::Instance();
  int effect = Selection(controls_.effectCombo);
  if (effect < 0) return;
  table.SetCurrent(effect);
  int page = effect_pages::PageOfEffect(effect);
  LedEffectEntry* entry = table.GetEntry(effect);
  if (page == effect_pages::kNoPage || !entry) return;
  effect_pages::PageValues values;
  if (effect_pages::PageHasSpeed(page)) values.speed = Value(controls_.speedBars[page]);
  values.brightness = Value(controls_.brightnessBars[page]);
  values.directionGroup = GroupValue(controls_.directionGroup);
  values.loaderGroup = GroupValue(controls_.loaderGroup);
  effect_pages::ApplyPageValues(effect, values, *entry);
  table.Save();
}

void CMainDlg::ShowSideControls(bool selectInCombo) {
  std::lock_guard lock(lightingLock_);
  SideModelTable& table = SideModelTable::Instance();
  if (controls_.sideLabel) controls_.sideLabel->SetWindowText(effect_pages::SideLabelOfMode(table.GetCurrent()));
  if (selectInCombo && controls_.sideCombo) controls_.sideCombo->SetCurSel(table.GetCurrent());
  if (const SideModelEntry* entry = table.GetEntry(table.GetCurrent())) SetValue(controls_.sideBar, entry->brightness);
}

void CMainDlg::ReadSideControls() {
  std::lock_guard lock(lightingLock_);
  int mode = Selection(controls_.sideCombo);
  if (mode < 0) return;
  SideModelTable& table = SideModelTable::Instance();
  table.SetCurrent(mode);
  SideModelEntry* entry = table.GetEntry(mode);
  if (!entry || !controls_.sideBar) return;
  entry->brightness = effect_pages::SideLevelFromSlider(controls_.sideBar->GetValue());
  table.Save();
}

void CMainDlg::OnEffectSelected(int index) {
  if (index < 0) return;
  std::lock_guard lock(lightingLock_);
  LedEffectTable::Instance().SetCurrent(index);
  ShowEffectControls(false);
  commands_.SetBacklightEffect(index);
}

void CMainDlg::OnSideSelected(int index) {
  if (index < 0) return;
  std::lock_guard lock(lightingLock_);
  SideModelTable::Instance().SetCurrent(index);
  ShowSideControls(false);
  commands_.SetSideLight(index);
}

void CMainDlg::OnEffectControlChanged() {
  std::lock_guard lock(lightingLock_);
  int effect = Selection(controls_.effectCombo);
  if (effect < 0) return;
  ReadEffectControls();
  commands_.SetBacklightEffect(effect);
}

void CMainDlg::OnSideBarChanged() {
  std::lock_guard lock(lightingLock_);
  ReadSideControls();
  commands_.SetSideLight(Selection(controls_.sideCombo));
}

int32_t CMainDlg::ResendBacklightEffect(DWORD startEffect, DWORD, const BYTE*, DWORD) {
  std::lock_guard lock(lightingLock_);
  // The resend makes sure the keyboard shows the stored effect once it has
  // settled. An effect the user picked in the meantime is the stored one
  // now; sending the start-up one would undo that choice on the keyboard
  // while the window still shows it.
  // The side light too, first: the keyboard may have come up with another.
  commands_.SetSideLight(SideModelTable::Instance().GetCurrent());
  int current = LedEffectTable::Instance().GetCurrent();
  commands_.ResendBacklightEffect(current >= 0 ? current : static_cast<int>(startEffect));
  return 0;
}

// The keyboard keeps its lighting only while it is powered and a report may
// have failed while it was away: whenever it (re)connects it is given both
// lights as the tables hold them.
void CMainDlg::SendBothLights() {
  std::lock_guard lock(lightingLock_);
  commands_.SetBacklightEffect(LedEffectTable::Instance().GetCurrent());
  commands_.SetSideLight(SideModelTable::Instance().GetCurrent());
}

// Runs on the retry timer: a light whose last report failed is sent again
// (the current state from the tables, not the failed report) until the
// keyboard answers.
void CMainDlg::RetryFailedLighting() {
  std::lock_guard lock(lightingLock_);
  if (!keyboard_.HasValidHandle() || restoringFactory_) return;
  if (commands_.BacklightFailed()) commands_.SetBacklightEffect(LedEffectTable::Instance().GetCurrent());
  if (commands_.SideLightFailed()) commands_.SetSideLight(SideModelTable::Instance().GetCurrent());
}

void CMainDlg::UpdateFirmwareText() {
  if (!controls_.version) return;
  // An unknown version (keyboard gone, reopen failed) is shown as such: the
  // text of the keyboard that was open before would claim a version nobody
  // read.
  if (firmwareVersion_ == kFirmwareUnknown) {
    controls_.version->SetWindowText(TranslateText(L"Firmware") + TranslateText(L": ") + TranslateText(L"Unknown"));
    return;
  }
  controls_.version->SetWindowText(
      FirmwareText(firmwareVersion_, [this](const std::wstring& text) { return TranslateText(text); }));
}

std::wstring CMainDlg::TranslateText(const std::wstring& text) const {
  SApplication* app = SApplication::Instance();
  return app ? app->Translate(text, GetTranslatorContext()) : text;
}
