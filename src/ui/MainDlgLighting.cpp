// The main dialog's lighting part: showing the remembered backlight effect
// and side-light mode in the controls, storing what the user changes and
// sending it to the keyboard.
#include "toolkit/controls/SComboBox.h"
#include "toolkit/controls/SSliderBar.h"
#include "toolkit/controls/STabCtrl.h"
#include "toolkit/core/SApplication.h"
#include "ui/EffectPages.h"
#include "ui/MainDlg.h"
#include "ui/common/SShellNotifyIcon.h"

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
  SendBacklight(index);
}

void CMainDlg::OnSideSelected(int index) {
  if (index < 0) return;
  std::lock_guard lock(lightingLock_);
  SideModelTable::Instance().SetCurrent(index);
  ShowSideControls(false);
  SendSideLight(index);
}

void CMainDlg::OnEffectControlChanged() {
  std::lock_guard lock(lightingLock_);
  int effect = Selection(controls_.effectCombo);
  if (effect < 0) return;
  ReadEffectControls();
  SendBacklight(effect);
}

void CMainDlg::OnSideBarChanged() {
  std::lock_guard lock(lightingLock_);
  ReadSideControls();
  SendSideLight(Selection(controls_.sideCombo));
}

// Runs once on the worker, two seconds after start-up, when the keyboard has
// settled: it is given the side light and the effect again, the effect
// exactly as setting it sends it.
int32_t CMainDlg::ResendBacklightEffect(DWORD startEffect, DWORD, const BYTE*, DWORD) {
  std::lock_guard lock(lightingLock_);
  // An effect the user picked in the meantime is the stored one now;
  // sending the start-up one would undo that choice on the keyboard while
  // the window still shows it.
  SendSideLight(SideModelTable::Instance().GetCurrent());
  int current = LedEffectTable::Instance().GetCurrent();
  SendBacklight(current >= 0 ? current : static_cast<int>(startEffect), false);
  resendDone_ = true;
  return 0;
}

void CMainDlg::SendBacklight(int index, bool paced) {
  std::lock_guard lock(lightingLock_);
  const LedEffectEntry* entry = LedEffectTable::Instance().GetEntry(index);
  if (index < 0 || index >= KeyboardCommands::kEffectCount || !entry) return;
  lighting_->Want(LightingSender::kBacklight, KeyboardCommands::BacklightEffectReport(index, *entry), paced);
}

void CMainDlg::SendSideLight(int mode, bool paced) {
  std::lock_guard lock(lightingLock_);
  const SideModelEntry* entry = SideModelTable::Instance().GetEntry(mode);
  if (mode < 0 || mode >= KeyboardCommands::kSideModeCount || !entry) return;
  lighting_->Want(LightingSender::kSideLight, KeyboardCommands::SideLightReport(mode, *entry), paced);
}

// The keyboard keeps its lighting only while it is powered and a report may
// have failed while it was away: whenever it (re)connects it is given both
// lights as the tables hold them.
void CMainDlg::SendBothLights() {
  SendSideLight(SideModelTable::Instance().GetCurrent());
  SendBacklight(LedEffectTable::Instance().GetCurrent());
}

// What the worker says after each lighting transfer. A failure while the
// keyboard is away or resetting itself is no news: its return sends both
// lights. Otherwise the light is sent again from the retry timer, and once
// it has failed for a while the window says so where the firmware is shown.
void CMainDlg::OnLightingSent(LightingSender::Light light, LightingSender::Outcome outcome) {
  if (light >= LightingSender::kLightCount) return;
  if (outcome.sent) {
    failingSince_[light] = 0;
    bool anyFailing = false;
    for (DWORD since : failingSince_) anyFailing = anyFailing || since != 0;
    if (lightingFailureShown_ && !anyFailing) {
      lightingFailureShown_ = false;
      UpdateFirmwareText();
    }
    return;
  }
  if (!keyboard_.HasValidHandle() || restoringFactory_) return;
  DWORD now = ::GetTickCount();
  if (failingSince_[light] == 0) failingSince_[light] = (now - outcome.milliseconds) | 1;
  if (now - failingSince_[light] >= kLastingFailureMs && !lightingFailureShown_) {
    lightingFailureShown_ = true;
    UpdateFirmwareText();
  }
}

// Runs on the retry timer: a light whose last report failed is sent again
// (the current state from the tables, not the failed report) until the
// keyboard answers.
void CMainDlg::RetryFailedLighting() {
  if (!keyboard_.HasValidHandle() || restoringFactory_ || lighting_->Busy()) return;
  if (failingSince_[LightingSender::kSideLight]) SendSideLight(SideModelTable::Instance().GetCurrent());
  if (failingSince_[LightingSender::kBacklight]) SendBacklight(LedEffectTable::Instance().GetCurrent());
}

void CMainDlg::ShowConnectionState() {
  bool connected = keyboard_.HasValidHandle();
  Controls& c = controls_;
  std::vector<SWindow*> lighting = {c.effectCombo, c.sideCombo, c.sideBar, FindChildByName(L"btn_restore_factory")};
  for (SWindow* bar : c.speedBars) lighting.push_back(bar);
  for (SWindow* bar : c.brightnessBars) lighting.push_back(bar);
  for (SWindow* radio : c.directionGroup) lighting.push_back(radio);
  for (SWindow* radio : c.loaderGroup) lighting.push_back(radio);
  for (SWindow* control : lighting)
    if (control && control->IsDisabled() == connected) control->EnableWindow(connected);
  if (auto* tray = FindChildByName<SShellNotifyIcon>(L"tray_icon")) {
    std::wstring tip = ApplicationName();
    if (!connected) tip += L" - " + TranslateText(L"Keyboard disconnected");
    if (tray->GetTip() != tip) tray->SetTip(tip);
  }
  UpdateFirmwareText();
}

void CMainDlg::UpdateFirmwareText() {
  if (!controls_.version) return;
  if (initialised_ && !keyboard_.HasValidHandle()) {
    controls_.version->SetWindowText(TranslateText(L"Keyboard disconnected"));
    return;
  }
  if (lightingFailureShown_) {
    controls_.version->SetWindowText(TranslateText(L"Keyboard not answering"));
    return;
  }
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
