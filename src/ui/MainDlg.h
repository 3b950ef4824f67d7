#pragma once
// The program's main window: the keyboard picture, the backlight effect pages,
// the side light, the firmware text, the more-menu, the language buttons and
// the tray icon. It owns the keyboard's HidDevice and sends every keyboard
// command; it runs the delayed effect resend, the key actions and the key
// event monitor; it follows the keyboard's arrival and removal; it restores
// the factory settings.
//
// Start-up creates it on its stack, sends it WM_INITDIALOG and runs the
// message loop until the window is destroyed (which a keyboard still missing
// after the "insert" box, the close button and the exit commands all end
// in; an unplugged keyboard does not: the window waits for its return).
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/RunableThread.h"
#include "hid/HidDevice.h"
#include "keyboard/KeyboardCommands.h"
#include "keyfunc/KeyCode.h"
#include "toolkit/core/SEvents.h"
#include "toolkit/window/SHostWnd.h"
#include "ui/DeviceNotification.h"
#include "ui/LightingSender.h"
#include "ui/common/ICoordButtonClickListener.h"
#include "ui/macro/SelectedKeys.h"

class CoordButtonImage;
class KeyActionRunner;
class MacroRecordDlg;
struct SettingsSnapshot;
namespace command_line {
struct Request;
}

namespace HidUsbFilter {
class KeyMonitor;
}

namespace kb::ui {
class SComboBox;
class SSliderBar;
class STabCtrl;
}  // namespace kb::ui

class CMainDlg : public kb::ui::SHostWnd, public ICoordButtonClickListener {
 public:
  static constexpr wchar_t kLayoutName[] = L"LAYOUT:XML_MAINWND";
  // Commands of the more-menu and the tray menu.
  static constexpr int kCmdCheckFirmware = 1;
  static constexpr int kCmdExit = 6;
  // The more-menu's About entry.
  static constexpr int kCmdAbout = 7;
  // The more-menu's settings backup.
  static constexpr int kCmdExportSettings = 8;
  static constexpr int kCmdImportSettings = 9;
  // The firmware version that needs no upgrade (v1.0).
  static constexpr int32_t kLatestFirmware = 256;
  static constexpr int32_t kFirmwareUnknown = -1;
  // The start-up effect resend, after the keyboard has settled.
  static constexpr DWORD kResendDelayMs = 2000;
  // Read-write access, shared read and write (HidDevice::Open's access word).
  static constexpr uint32_t kKeyboardAccess = 0xC0000003u;
  // After the stores are reset and before the comboboxes show the defaults.
  static constexpr DWORD kFactoryRestorePauseMs = 100;
  // A lighting report that failed is tried again this often until the
  // keyboard takes it.
  static constexpr UINT_PTR kLightingRetryTimer = 0x4B42;
  static constexpr UINT kLightingRetryMs = 1500;
  // A keyboard that has not come back this long after its factory reset is
  // taken as unplugged: the window says it is away until it returns.
  static constexpr UINT kFactoryRestoreLimitMs = 10000;
  static constexpr UINT_PTR kTimerFactoryRestore = 0x6B01;
  // Posted when the main window comes back (restored or shown): the key
  // assignment dialog, minimised with it, comes back on top of it.
  static constexpr UINT kMsgRaiseOpenDialog = WM_APP + 0x4B;
  // A light the keyboard has not taken for this long is shown as failing.
  static constexpr DWORD kLastingFailureMs = 3000;
  // What the worker thread tells the window.
  static constexpr UINT kMsgLightingSent = WM_APP + 0x4B1;
  static constexpr UINT kMsgFirmwareAnswer = WM_APP + 0x4B2;
  static constexpr UINT kMsgFactoryResetSent = WM_APP + 0x4B3;

  explicit CMainDlg(std::wstring layoutName = kLayoutName);
  ~CMainDlg() override;

  // The window property that marks the main window (and names the
  // single-instance mutex): entry 0 of the string table.
  static std::wstring ApplicationName();

  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool OnFireEvent(kb::ui::EventArgs& e) override;
  bool OnCoordButtonClick(int id, std::wstring name, int action, UINT flags, int x, int y) override;

  // State the tests and the tray look at.
  int32_t FirmwareVersion() const { return firmwareVersion_; }
  bool RestoringFactory() const { return restoringFactory_; }
  bool KeyboardOpen() const { return keyboard_.HasValidHandle(); }
  // A lighting report has failed for kLastingFailureMs and the window says so.
  bool LightingFailureShown() const { return lightingFailureShown_; }
  // The start-up resend has handed its reports to the sender, and nothing
  // is waiting to be sent.
  bool LightingBusy() const { return lighting_->Busy(); }
  bool StartUpResendDone() const { return resendDone_ && !lighting_->Busy(); }
  HidUsbFilter::KeyMonitor* KeyMonitor() const { return keyMonitor_.get(); }
  // Where to search for the keyboard; config.xml's ids unless tests set others.
  void SetKeyboardIdentity(const KeyboardIdentity& identity) { identity_ = identity; }
  // The start-up resend's delay; tests shorten it.
  void SetResendDelay(DWORD milliseconds) { resendDelayMs_ = milliseconds; }
  // Where config.xml is (the program's folder unless tests set another).
  void SetConfigFolder(std::wstring folder) { configFolder_ = std::move(folder); }

  // --- handlers (public so that tests can drive them without a mouse) ---
  void OnInitDialog();
  LRESULT OnDeviceChange(WPARAM event, LPARAM broadcast);
  void OnMenuCommand(int id);
  void CheckFirmware();
  void RestoreFactory();
  bool SwitchLanguage(const wchar_t* langName);
  void ShowMoreMenu();
  // Settings backup (MainDlgSettings.cpp): the menu commands, with their
  // file dialogs and message boxes, and the work without them.
  void OnExportSettings();
  void OnImportSettings();
  bool ExportSettingsTo(const std::wstring& path);
  // Replaces the four stores (false, with nothing changed, when they could
  // not be saved), then shows and sends what they hold.
  bool ApplySettings(const SettingsSnapshot& settings);
  // A command-line request from another process (MainDlgCommands.cpp): 0 or
  // the firmware version when done, else the command line's exit status
  // negated.
  LRESULT OnCopyData(const COPYDATASTRUCT* data);
  LRESULT RunRequest(const command_line::Request& request);

 private:
  struct Controls {
    CoordButtonImage* picture = nullptr;
    kb::ui::STabCtrl* tab = nullptr;
    kb::ui::SComboBox* effectCombo = nullptr;
    kb::ui::SComboBox* listCombo = nullptr;
    kb::ui::SComboBox* sideCombo = nullptr;
    kb::ui::SSliderBar* sideBar = nullptr;
    kb::ui::SWindow* sideLabel = nullptr;
    kb::ui::SWindow* version = nullptr;
    std::array<kb::ui::SSliderBar*, 4> speedBars{};
    std::array<kb::ui::SSliderBar*, 4> brightnessBars{};
    std::vector<kb::ui::SWindow*> directionGroup;
    std::vector<kb::ui::SWindow*> loaderGroup;
    // Every radio whose click stores the effect: the two groups and the right
    // loader radio, which is in no group.
    std::vector<int> effectRadioIds;
    std::vector<int> effectBarIds;
  };

  // Initialisation steps.
  void LookUpControls();
  void SubscribeControlEvents();
  bool OpenKeyboardAtStart();
  void MarkAssignedKeys();
  void StartWorkers();

  // Lighting (MainDlgLighting.cpp).
  void ShowEffectControls(bool selectInCombo);
  void ReadEffectControls();
  void ShowSideControls(bool selectInCombo);
  void ReadSideControls();
  void OnEffectSelected(int index);
  void OnSideSelected(int index);
  void OnEffectControlChanged();
  void OnSideBarChanged();
  void UpdateFirmwareText();
  int32_t ResendBacklightEffect(DWORD effect, DWORD unused, const BYTE* data, DWORD size);
  // The lights go to the keyboard through the worker (LightingSender).
  void SendBacklight(int index, bool paced = true);
  void SendSideLight(int mode, bool paced = true);
  void OnLightingSent(LightingSender::Light light, LightingSender::Outcome outcome);
  // Enables the lighting controls and says in the window and the tray
  // whether the keyboard is there.
  void ShowConnectionState();
  static int GroupValue(const std::vector<kb::ui::SWindow*>& group);

  // Events and device changes (MainDlgEvents.cpp).
  bool OnCommandEvent(kb::ui::EventArgs& e);
  void OnKeyboardArrived(const wchar_t* path);
  void OnKeyboardRemoved();
  void RefreshFilter(const wchar_t* arrivedPath);
  void EndFactoryRestore();
  void OnFactoryResetSent(bool sent);
  int32_t SendFactoryReset(DWORD, DWORD, const BYTE*, DWORD);
  // Worker task of the firmware check and of the read after the keyboard's
  // return: asks the keyboard, posts the answer (kMsgFirmwareAnswer, wParam
  // from PackFirmwareAnswer). `quiet`: nobody asked, so no message box.
  int32_t AskFirmwareVersion(DWORD quiet, DWORD connection, const BYTE*, DWORD);
  static WPARAM PackFirmwareAnswer(bool answered, bool quiet, DWORD connection) {
    return (answered ? 1 : 0) | (quiet ? 2 : 0) | (static_cast<WPARAM>(connection & 0xFFFF) << 2);
  }
  void OnFirmwareAnswer(WPARAM packed, int32_t version);
  // Stops the playback of `trigger` (0: any, and releases every key).
  void StopKeyActions(KeyCode trigger);
  // How many product ids of identity_ a search names (0: any product).
  int32_t ProductCount() const;
  void CloseMainWindow();
  void RaiseOpenDialog();
  void ShutDownKeyFunctions();
  void SendBothLights();
  void RetryFailedLighting();
  std::wstring TranslateText(const std::wstring& text) const;
  std::optional<std::wstring> ChooseSettingsFile(bool save);

  HidDevice keyboard_;
  Controls controls_;
  KeyboardIdentity identity_;
  HDEVNOTIFY deviceNotification_ = nullptr;
  std::unique_ptr<HidUsbFilter::KeyMonitor> keyMonitor_;
  std::unique_ptr<KeyActionRunner> playback_;
  std::unique_ptr<RunableThread<0>> worker_;
  SelectedKeys selectedKeys_;
  MacroRecordDlg* openDialog_ = nullptr;
  bool restoringFactory_ = false;
  // Device changes before the end of initialisation are its own business.
  bool initialised_ = false;
  DWORD resendDelayMs_ = kResendDelayMs;
  std::atomic<bool> resendDone_{false};
  std::wstring configFolder_;
  bool firmwareCheckPending_ = false;
  // Counts the keyboard's arrivals: a version read for an earlier
  // connection that answers late is not this keyboard's.
  DWORD connection_ = 0;
  bool lightingFailureShown_ = false;
  // When each light's failing reports began (tick count | 1), 0 when it is
  // not failing.
  std::array<DWORD, LightingSender::kLightCount> failingSince_{};
  bool keyFunctionsShutDown_ = false;
  int64_t lastSendTime_ = 0;
  int32_t firmwareVersion_ = kFirmwareUnknown;
  KeyboardCommands commands_;
  // The lighting tables are read by the resend task on the worker thread
  // while the UI thread changes them.
  std::recursive_mutex lightingLock_;
  // Held around every transfer and around opening and closing the keyboard:
  // transfers run on the worker, opening and closing on the UI thread.
  std::mutex deviceLock_;
  std::unique_ptr<LightingSender> lighting_;
};
