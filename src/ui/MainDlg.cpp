#include "ui/MainDlg.h"

#include <ctime>

#include "app/AppConfig.h"
#include "app/ThreadRunable.h"
#include "hid/HidInterfaceInfo.h"
#include "hid/HidOperationLock.h"
#include "keyfunc/KeyMonitor.h"
#include "keyfunc/VHidev.h"
#include "macro/KeyActionRunner.h"
#include "macro/MacroStore.h"
#include "macro/RecordStore.h"
#include "platform/diag.h"
#include "toolkit/controls/SComboBox.h"
#include "toolkit/controls/SSliderBar.h"
#include "toolkit/controls/STabCtrl.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/menu/SMenuEx.h"
#include "toolkit/window/SMessageBox.h"
#include "ui/AboutBox.h"
#include "ui/common/CoordButtonImage.h"
#include "ui/common/ResourceNames.h"
#include "ui/common/SShellNotifyIcon.h"
#include "ui/macro/KeyAssignment.h"
#include "ui/macro/MacroRecordDlg.h"

using namespace kb::ui;

namespace {
constexpr wchar_t kWarningTitle[] = L"Warning";
constexpr wchar_t kInformationTitle[] = L"Information";
constexpr wchar_t kFirmwareLatest[] = L"The firmware is already the latest version and no upgrade is required.";
constexpr wchar_t kFirmwareOlder[] = L"The keyboard has an older firmware version: ";
constexpr wchar_t kFirmwareNoAnswer[] = L"The keyboard did not answer the firmware request.";
constexpr wchar_t kInsertDeviceAtStart[] = L"Please insert USB device!";
constexpr wchar_t kFactoryResetFailed[] = L"The keyboard could not be reset to its factory settings.";

const wchar_t* const kSpeedBarNames[] = {L"bar_general_speed_0", L"bar_general_speed_1", nullptr,
                                         L"bar_general_speed_3"};
const wchar_t* const kBrightnessBarNames[] = {L"bar_const_brightness_0", L"bar_const_brightness_1",
                                              L"bar_const_brightness_2", L"bar_const_brightness_3"};
const wchar_t* const kDirectionRadios[] = {L"radio_direction_left_0", L"radio_direction_right_0"};
const wchar_t* const kLoaderRadios[] = {L"radio_loader_left_3", L"radio_loader_center_3"};
}  // namespace

CMainDlg::CMainDlg(std::wstring layoutName)
    : SHostWnd(std::move(layoutName)),
      identity_(KeyboardIdentity::FromConfig(AppConfig::Instance())),
      keyMonitor_(std::make_unique<HidUsbFilter::KeyMonitor>()),
      playback_(std::make_unique<KeyActionRunner>()),
      worker_(std::make_unique<RunableThread<0>>()),
      commands_(keyboard_, lastSendTime_, firmwareVersion_),
      lighting_(std::make_unique<LightingSender>(commands_, deviceLock_, *worker_)) {}

CMainDlg::~CMainDlg() {
  ShutDownKeyFunctions();
  playback_.reset();
  keyMonitor_.reset();
  selectedKeys_.clear();
  keyboard_.Close();
}

// Whatever ends the program (the close button, the exit commands, a signal, the
// end of the session) leaves the keyboard as it would be without it: the
// resend worker first, then the key monitor's thread (it calls the
// playback's key handler, and a key it passed on after this could be pressed
// again), then the playback; the filter stops withholding keys; only then are
// all virtual keys released, so nothing pressed in between stays down.
void CMainDlg::ShutDownKeyFunctions() {
  if (keyFunctionsShutDown_) return;
  keyFunctionsShutDown_ = true;
  lighting_->Close();
  worker_.reset();
  keyMonitor_->Stop();
  playback_->StopPlayback();
  keyMonitor_->SendInterceptTable({});
  keyMonitor_->CloseFilter();
  VHidev::Instance().ReleaseAll();
}

std::wstring CMainDlg::ApplicationName() {
  SApplication* app = SApplication::Instance();
  return app ? app->Strings().Get(0) : std::wstring();
}

bool CMainDlg::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  // Only top-level windows hear that the taskbar was re-created; the tray
  // icon's own window is message-only.
  SShellNotifyIcon::ForwardTaskbarCreated(GetRoot(), msg);
  switch (msg) {
    case WM_INITDIALOG:
      OnInitDialog();
      result = TRUE;
      return true;
    case WM_COMMAND:
      if (HIWORD(wParam) != 0) break;
      OnMenuCommand(LOWORD(wParam));
      result = 0;
      return true;
    case WM_DEVICECHANGE:
      result = OnDeviceChange(wParam, lParam);
      return true;
    case WM_COPYDATA:
      result = OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
      return true;
    case WM_CLOSE:
      CloseMainWindow();
      result = 0;
      return true;
    case WM_QUERYENDSESSION:
      // Log-off or shutdown: nothing the user made is unsaved, so never object.
      result = TRUE;
      return true;
    case WM_ENDSESSION:
      // The process may be ended as soon as this returns: the keys and the
      // filter are put back now, not in the destructor.
      if (wParam) {
        ShutDownKeyFunctions();
        CloseMainWindow();
      }
      result = 0;
      return true;
    case kMsgLightingSent:
      OnLightingSent(static_cast<LightingSender::Light>(wParam), LightingSender::Unpack(lParam));
      result = 0;
      return true;
    case kMsgFirmwareAnswer:
      OnFirmwareAnswer(wParam, static_cast<int32_t>(lParam));
      result = 0;
      return true;
    case kMsgFactoryResetSent:
      OnFactoryResetSent(wParam != 0);
      result = 0;
      return true;
    case WM_TIMER:
      if (wParam == kLightingRetryTimer) {
        RetryFailedLighting();
      } else if (wParam == kTimerFactoryRestore) {
        EndFactoryRestore();
      } else {
        break;
      }
      result = 0;
      return true;
    case WM_SIZE:
    case WM_SHOWWINDOW:
    case WM_ACTIVATE:
      // The dialog's minimise button takes the main window along (it is the
      // dialog's owner, and window managers iconify the pair); the tray icon
      // or a second start restores and activates only the main window, which
      // the dialog keeps disabled.
      if (openDialog_ && ((msg == WM_SIZE && wParam == SIZE_RESTORED) || (msg == WM_SHOWWINDOW && wParam) ||
                          (msg == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE)))
        ::PostMessageW(hwnd, kMsgRaiseOpenDialog, 0, 0);
      break;
    case kMsgRaiseOpenDialog:
      RaiseOpenDialog();
      result = 0;
      return true;
    case WM_DESTROY:
      if (std::wstring name = ApplicationName(); !name.empty()) ::RemovePropW(hwnd, name.c_str());
      if (deviceNotification_) ::UnregisterDeviceNotification(deviceNotification_);
      deviceNotification_ = nullptr;
      break;
    case kMsgLanguageChanged: {
      bool handled = SHostWnd::ProcessWindowMessage(hwnd, msg, wParam, lParam, result);
      // The firmware text and the tray's tip are put together from
      // translated parts.
      ShowConnectionState();
      return handled;
    }
    default:
      break;
  }
  return SHostWnd::ProcessWindowMessage(hwnd, msg, wParam, lParam, result);
}

void CMainDlg::OnInitDialog() {
  HWND hwnd = GetHwnd();
  deviceNotification_ = RegisterHidNotification(hwnd);
  lighting_->SetNotifyWindow(hwnd, kMsgLightingSent);
  LookUpControls();
  SubscribeControlEvents();
  lastSendTime_ = static_cast<int64_t>(std::time(nullptr));
  if (!OpenKeyboardAtStart()) {
    firmwareVersion_ = kFirmwareUnknown;
    UpdateFirmwareText();
    SMessageBox(nullptr, kInsertDeviceAtStart, kWarningTitle, MB_OK | MB_ICONWARNING);
    // The user may have plugged the keyboard in while the box was open:
    // OK then means "go on".
    if (!::IsWindow(hwnd) || !OpenKeyboardAtStart()) {
      if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
      return;
    }
  }
  {
    std::scoped_lock device(deviceLock_);
    commands_.ReadFirmwareVersion();
  }
  ShowConnectionState();
  MarkAssignedKeys();
  ShowEffectControls(true);
  ShowSideControls(true);
  StartWorkers();
  ::SetTimer(hwnd, kLightingRetryTimer, kLightingRetryMs, nullptr);
  initialised_ = true;
  // Marked for a second start only now: shown before, it would bring an
  // empty window forward while this one still asks for the keyboard.
  if (std::wstring name = ApplicationName(); !name.empty())
    ::SetPropW(hwnd, name.c_str(), reinterpret_cast<HANDLE>(static_cast<INT_PTR>(1)));
}

void CMainDlg::LookUpControls() {
  Controls& c = controls_;
  c.picture = FindChildByName<CoordButtonImage>(L"img_keyboard");
  c.tab = FindChildByName<STabCtrl>(L"tab_color_effect");
  c.effectCombo = FindChildByName<SComboBox>(L"cbx_color_effect");
  c.listCombo = FindChildByName<SComboBox>(L"cbx_in_lv");
  c.sideCombo = FindChildByName<SComboBox>(L"cbx_side_color_effect");
  c.sideBar = FindChildByName<SSliderBar>(L"bar_side_brightness");
  c.sideLabel = FindChildByName(L"text_side_brightness");
  c.version = FindChildByName(L"version");
  c.effectBarIds.clear();
  for (size_t i = 0; i < c.speedBars.size(); ++i) {
    c.speedBars[i] = kSpeedBarNames[i] ? FindChildByName<SSliderBar>(kSpeedBarNames[i]) : nullptr;
    c.brightnessBars[i] = FindChildByName<SSliderBar>(kBrightnessBarNames[i]);
    if (c.speedBars[i]) c.effectBarIds.push_back(c.speedBars[i]->GetID());
    if (c.brightnessBars[i]) c.effectBarIds.push_back(c.brightnessBars[i]->GetID());
  }
  c.directionGroup.clear();
  c.loaderGroup.clear();
  c.effectRadioIds.clear();
  for (const wchar_t* name : kDirectionRadios) c.directionGroup.push_back(FindChildByName(name));
  for (const wchar_t* name : kLoaderRadios) c.loaderGroup.push_back(FindChildByName(name));
  for (SWindow* radio : c.directionGroup)
    if (radio) c.effectRadioIds.push_back(radio->GetID());
  for (SWindow* radio : c.loaderGroup)
    if (radio) c.effectRadioIds.push_back(radio->GetID());
}

void CMainDlg::SubscribeControlEvents() {
  Controls& c = controls_;
  if (c.listCombo) {
    c.listCombo->SetCurSel(0);
    c.listCombo->SubscribeEvent(EventCBSelChange::EventID, [](EventArgs*) { return true; });
  }
  if (c.effectCombo)
    c.effectCombo->SubscribeEvent(EventCBSelChange::EventID, [this](EventArgs* e) {
      OnEffectSelected(static_cast<EventCBSelChange*>(e)->nCurSel);
      return true;
    });
  if (c.sideCombo)
    c.sideCombo->SubscribeEvent(EventCBSelChange::EventID, [this](EventArgs* e) {
      OnSideSelected(static_cast<EventCBSelChange*>(e)->nCurSel);
      return true;
    });
  if (c.picture) c.picture->SetClickListener(this);
}

// Product id 0 in config.xml stands for any product of the vendor: an empty
// product list, not a list holding product 0.
int32_t CMainDlg::ProductCount() const { return identity_.pid != 0 ? 1 : 0; }

bool CMainDlg::OpenKeyboardAtStart() {
  HidOperationLock lock(L"HidDevice::Open");
  int32_t product = identity_.pid;
  HidInterfaceInfo* found =
      FindHidInterfaces(identity_.vid, ProductCount(), &product, identity_.usbInterface, identity_.subdevice);
  std::scoped_lock device(deviceLock_);
  bool opened = found && keyboard_.Open(found->devicePath.c_str(), kKeyboardAccess);
  FreeHidInterfaceList(found);
  return opened;
}

void CMainDlg::MarkAssignedKeys() {
  if (!controls_.picture) return;
  for (const KeyRecord& record : RecordStore::Instance().Records()) {
    int id = static_cast<int>(record.code & 0xFFFF);
    controls_.picture->SetButtonChecked(id, true);
    controls_.picture->SetButtonTip(id, KeyAssignment::TipText(record));
  }
}

void CMainDlg::StartWorkers() {
  auto resend = std::make_unique<ThreadRunable<CMainDlg>>(this, &CMainDlg::ResendBacklightEffect,
                                                          static_cast<DWORD>(LedEffectTable::Instance().GetCurrent()));
  resend->SetInterval(resendDelayMs_);
  resend->SetRepeat(1);
  worker_->Post(std::move(resend));
  worker_->StartThreads(this);
  keyMonitor_->AddProxy(playback_.get(), &KeyActionRunner::OnKeyEvent);
  keyMonitor_->OpenFilter();
  keyMonitor_->Start();
  keyMonitor_->SendInterceptTable(RecordStore::Instance().Codes());
}

bool CMainDlg::OnCoordButtonClick(int id, std::wstring name, int action, UINT flags, int x, int y) {
  KeyAssignmentContext context;
  context.owner = GetHwnd();
  context.monitor = keyMonitor_.get();
  context.picture = controls_.picture;
  context.selectedKeys = &selectedKeys_;
  context.openDialog = &openDialog_;
  context.keyboardConnected = keyboard_.HasValidHandle();
  context.stopKeyActions = [this](KeyCode trigger) { StopKeyActions(trigger); };
  return KeyAssignment::OnKeyClicked(context, id, name, action);
}

void CMainDlg::StopKeyActions(KeyCode trigger) {
  if (trigger == 0 || playback_->CurrentRecord().code == trigger) playback_->StopPlayback();
  // A direct key mirrors its replacement while the trigger is held; the
  // editor would swallow the trigger's release and leave it down.
  if (trigger == 0) VHidev::Instance().ReleaseAll();
}

void CMainDlg::OnMenuCommand(int id) {
  if (id == kCmdCheckFirmware) CheckFirmware();
  else if (id == kCmdExit) ::PostMessageW(GetHwnd(), WM_CLOSE, 0, 0);
  else if (id == kCmdAbout)
    kb::ui::ShowAboutBox(GetHwnd(), [this](const std::wstring& text) { return TranslateText(text); });
  else if (id == kCmdExportSettings) OnExportSettings();
  else if (id == kCmdImportSettings) OnImportSettings();
}

// The keyboard is asked every time (its firmware may have been updated by
// another tool since the version was read), on the worker: a keyboard that
// does not answer holds the transfer for seconds.
void CMainDlg::CheckFirmware() {
  if (!keyboard_.HasValidHandle()) {
    SMessageBox(nullptr, L"Please insert USB device", kWarningTitle, MB_OK | MB_ICONWARNING);
    return;
  }
  if (firmwareCheckPending_) return;
  firmwareCheckPending_ = true;
  worker_->Post(std::make_unique<ThreadRunable<CMainDlg>>(this, &CMainDlg::AskFirmwareVersion, 0, connection_));
}

int32_t CMainDlg::AskFirmwareVersion(DWORD quiet, DWORD connection, const BYTE*, DWORD) {
  FeatureReport report = KeyboardCommands::FirmwareVersionRequest();
  bool answered;
  {
    std::scoped_lock device(deviceLock_);
    answered = keyboard_.SetFeature(report.data()) && keyboard_.GetFeature(report.data());
  }
  ::PostMessageW(GetHwnd(), kMsgFirmwareAnswer, PackFirmwareAnswer(answered, quiet != 0, connection),
                 answered ? KeyboardCommands::VersionFromReply(report) : kFirmwareUnknown);
  return 0;
}

void CMainDlg::OnFirmwareAnswer(WPARAM packed, int32_t version) {
  bool answered = (packed & 1) != 0;
  bool quiet = (packed & 2) != 0;
  bool current = (packed >> 2) == (connection_ & 0xFFFF) && keyboard_.HasValidHandle();
  if (!quiet) firmwareCheckPending_ = false;
  if (answered && current) firmwareVersion_ = version;
  UpdateFirmwareText();
  if (quiet) return;
  std::wstring text;
  if (!answered) {
    text = kFirmwareNoAnswer;
  } else if (version >= kLatestFirmware) {
    text = kFirmwareLatest;
  } else {
    SApplication* app = SApplication::Instance();
    auto inBox = [app](const std::wstring& t) { return app ? app->Translate(t, L"msgbox") : t; };
    std::wstring number = version == 0 ? TranslateText(L"Early version")
                                       : L"v" + std::to_wstring((version >> 8) & 0xFF) + L"." +
                                             std::to_wstring(version & 0xFF);
    text = inBox(kFirmwareOlder) + number;
  }
  SMessageBox(GetHwnd(), text.c_str(), kInformationTitle, MB_OK | MB_ICONINFORMATION);
}

bool CMainDlg::SwitchLanguage(const wchar_t* langName) {
  SApplication* app = SApplication::Instance();
  STranslatorMgr* translator = app ? app->GetTranslator() : nullptr;
  pugi::xml_document doc;
  if (!translator || !app->LoadXmlDocument(doc, langName, L"translator")) return false;
  auto pack = translator->CreateLangPack();
  if (!pack->Load(doc.child("language"))) return false;
  wchar_t name[64] = {};
  pack->GetName(name, 64);
  translator->UninstallLanguage(name);
  translator->InstallLanguage(pack);
  if (GetHwnd()) ::SendMessageW(GetHwnd(), kMsgLanguageChanged, 0, 0);
  // The next start opens in the language chosen last.
  bool chinese = std::wstring_view(langName).ends_with(kb::res::kLangCn);
  AppConfig::Instance().isChinese = chinese;
  if (!AppConfig::SaveLanguage(configFolder_.empty() ? app->GetAppDir() : configFolder_, chinese))
    kb::DiagPrintfW(L"config.xml: the language could not be remembered\n");
  return true;
}

void CMainDlg::ShowMoreMenu() {
  SWindow* button = FindChildByName(L"btn_more");
  if (!button || !GetHwnd()) return;
  Rect screen = LogicalToScreen(button->GetWindowRect());
  POINT corner{screen.left, screen.bottom};
  SMenuEx menu;
  if (menu.Load(L"smenuex:menu_more")) menu.TrackPopupMenu(0, corner.x, corner.y, GetHwnd());
}

void CMainDlg::RestoreFactory() {
  int answer = SMessageBox(GetHwnd(), L"All settings will be restored, are you sure you want to continue?",
                           kWarningTitle, MB_OKCANCEL | MB_ICONWARNING);
  // The keyboard may have been unplugged while the question was open.
  if (answer != IDOK || !::IsWindow(GetHwnd())) return;
  restoringFactory_ = true;
  // The file is reset with the macros in memory: a reset in memory only
  // brought them back at the next start, or lost them for good at the
  // editor's next save.
  MacroStore::Instance().Reset();
  if (!MacroStore::Instance().Save()) kb::DiagPrintfW(L"macro.xml could not be saved\n");
  RecordStore::Instance().Clear();
  {
    std::lock_guard lock(lightingLock_);
    LedEffectTable::Instance().ResetDefaults();
    SideModelTable::Instance().ResetDefaults();
  }
  playback_->StopPlayback();
  keyMonitor_->SendInterceptTable(RecordStore::Instance().Codes());
  ::Sleep(kFactoryRestorePauseMs);
  ShowSideControls(true);
  ShowEffectControls(true);
  if (controls_.picture) {
    controls_.picture->SetButtonChecked(CoordButtonImage::kAllButtons, false);
    // The tips named the assignments that are gone now.
    controls_.picture->SetButtonTip(CoordButtonImage::kAllButtons, L"");
    controls_.picture->Invalidate();
  }
  RecordStore::Instance().Clear();
  // After the defaults' lighting reports, on the same worker: tasks run in
  // the order they were posted.
  worker_->Post(std::make_unique<ThreadRunable<CMainDlg>>(this, &CMainDlg::SendFactoryReset));
}

int32_t CMainDlg::SendFactoryReset(DWORD, DWORD, const BYTE*, DWORD) {
  bool sent;
  {
    std::scoped_lock device(deviceLock_);
    sent = commands_.RestoreFactorySettings();
  }
  ::PostMessageW(GetHwnd(), kMsgFactoryResetSent, sent ? 1 : 0, 0);
  return 0;
}

void CMainDlg::OnFactoryResetSent(bool sent) {
  if (!restoringFactory_) return;
  if (!sent) {
    // The keyboard will not restart; waiting for it would leave the program
    // blind to its removal.
    restoringFactory_ = false;
    SMessageBox(GetHwnd(), kFactoryResetFailed, kWarningTitle, MB_OK | MB_ICONWARNING);
    return;
  }
  ::SetTimer(GetHwnd(), kTimerFactoryRestore, kFactoryRestoreLimitMs, nullptr);
}

void CMainDlg::EndFactoryRestore() {
  if (HWND hwnd = GetHwnd()) ::KillTimer(hwnd, kTimerFactoryRestore);
  restoringFactory_ = false;
  // Gone and not back: the window says so, as after an unplug, and the
  // keyboard's return brings everything back.
  ShowConnectionState();
}
