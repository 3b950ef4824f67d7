// The main dialog's control events and the keyboard's arrival and removal.
#include <algorithm>
#include <ctime>

#include "app/ThreadRunable.h"
#include "keyfunc/KeyMonitor.h"
#include "macro/RecordStore.h"
#include "platform/termination.h"
#include "toolkit/controls/SSliderBar.h"
#include "toolkit/window/SHostDialog.h"
#include "ui/MainDlg.h"
#include "ui/macro/MacroRecordDlg.h"

using namespace kb::ui;

namespace {
bool Contains(const std::vector<int>& ids, int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }
}  // namespace

bool CMainDlg::OnFireEvent(EventArgs& e) {
  if (e.GetID() == EventCmd::EventID) return OnCommandEvent(e);
  if (e.GetID() != EventSliderPos::EventID) return false;
  SWindow* sender = e.Sender();
  if (!sender || !sender->IsClass(SSliderBar::ClassName())) return false;
  if (e.NameFrom() == L"bar_side_brightness") {
    OnSideBarChanged();
    return true;
  }
  if (!Contains(controls_.effectBarIds, e.IdFrom())) return false;
  OnEffectControlChanged();
  return true;
}

bool CMainDlg::OnCommandEvent(EventArgs& e) {
  const std::wstring& name = e.NameFrom();
  if (name == L"btn_more") {
    ShowMoreMenu();
    return true;
  }
  if (name == L"btn_close") {
    CloseMainWindow();
    return true;
  }
  if (name == L"btn_min") {
    // Hidden, not minimised: the tray icon brings it back.
    ::ShowWindow(GetHwnd(), SW_HIDE);
    return true;
  }
  if (name == L"btn_max" || name == L"btn_restore") {
    ::SendMessageW(GetHwnd(), WM_SYSCOMMAND, name == L"btn_max" ? SC_MAXIMIZE : SC_RESTORE, 0);
    return true;
  }
  if (name == L"zh_cn") {
    SwitchLanguage(L"translator:lang_cn");
    return true;
  }
  if (name == L"btn_restore_factory") {
    RestoreFactory();
    return true;
  }
  if (name == L"jp") {
    SwitchLanguage(L"translator:lang_en");
    return true;
  }
  if (!Contains(controls_.effectRadioIds, e.IdFrom())) return false;
  OnEffectControlChanged();
  return true;
}

void CMainDlg::CloseMainWindow() {
  HWND hwnd = GetHwnd();
  if (!hwnd) return;
  // The assignment dialog runs a modal loop inside the picture's click
  // handler (and message boxes and file dialogs run theirs inside it or
  // inside a handler of this window); destroying the window under them would
  // leave those handlers working on freed controls. They are all ended first
  // (a file dialog too, or its loop would never return and the close would
  // come back for ever), and the close comes back once their loops have
  // returned.
  bool fileDialogs = kb::CancelFileDialogs();
  bool modals = kb::ui::SHostDialog::EndAllModal(IDCANCEL);
  if (openDialog_ || fileDialogs || modals) {
    if (openDialog_) openDialog_->EndDialog(IDCANCEL);
    ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
    return;
  }
  ::DestroyWindow(hwnd);
}

LRESULT CMainDlg::OnDeviceChange(WPARAM event, LPARAM broadcast) {
  if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return 0;
  // Initialisation opens the keyboard itself (also after its "insert the
  // keyboard" box) and the filter after it.
  if (!initialised_) return 0;
  const wchar_t* path = DeviceInterfacePath(broadcast);
  DevicePathKind kind = ClassifyDevicePath(path, identity_);
  if (kind == DevicePathKind::Unparsable) return 0;
  if (event == DBT_DEVICEREMOVECOMPLETE) {
    if (kind == DevicePathKind::Keyboard) OnKeyboardRemoved();
    return 0;
  }
  if (kind == DevicePathKind::Keyboard) OnKeyboardArrived(path);
  RefreshFilter(path);
  return 0;
}

// Closing the filter's handles under the monitor's pending read loses the
// key events of that moment (and a lost release leaves the key down), so an
// arrival touches them only when it has to: the filter is not open yet (its
// driver may just have come), or the keyboard's own key interface arrived,
// whose filter device is a new one. The monitor stops around that reopen.
void CMainDlg::RefreshFilter(const wchar_t* arrivedPath) {
  if (keyFunctionsShutDown_) return;
  bool filterCameBack = IsKeyboardFilterInterface(arrivedPath, identity_);
  if (keyMonitor_->FilterOpen() && !filterCameBack) return;
  keyMonitor_->ReopenFilter();
  // A new filter device starts with an empty table.
  keyMonitor_->SendInterceptTable(RecordStore::Instance().Codes());
}

// The keyboard came (back): it shows nothing of what the tables say until it
// is told, and a new filter device under it withholds nothing yet.
void CMainDlg::OnKeyboardArrived(const wchar_t* path) {
  bool opened;
  {
    std::scoped_lock device(deviceLock_);
    opened = keyboard_.Open(path, kKeyboardAccess) != 0;
    firmwareVersion_ = kFirmwareUnknown;
    lastSendTime_ = static_cast<int64_t>(std::time(nullptr));
  }
  ++connection_;
  ShowConnectionState();
  if (!opened) return;
  // Its version is read on the worker, ahead of the lights: a keyboard that
  // stalls its transfers holds each one for seconds, and the window must
  // answer meanwhile.
  worker_->Post(std::make_unique<ThreadRunable<CMainDlg>>(this, &CMainDlg::AskFirmwareVersion, 1, connection_));
  failingSince_ = {};
  ShowEffectControls(true);
  ShowSideControls(true);
  MarkAssignedKeys();
  if (restoringFactory_) ::KillTimer(GetHwnd(), kTimerFactoryRestore);
  restoringFactory_ = false;
  SendBothLights();
  if (!keyFunctionsShutDown_) keyMonitor_->SendInterceptTable(RecordStore::Instance().Codes());
}

// A keyboard that leaves (a KVM switch, a loose cable) usually comes back:
// the program keeps running, with its key functions and its tray icon, and
// says that the keyboard is away.
void CMainDlg::OnKeyboardRemoved() {
  {
    // A transfer in flight fails as the device leaves, so this is short.
    std::scoped_lock device(deviceLock_);
    keyboard_.Close();
  }
  firmwareVersion_ = kFirmwareUnknown;
  lighting_->Drop();
  failingSince_ = {};
  lightingFailureShown_ = false;
  ShowConnectionState();
}

void CMainDlg::RaiseOpenDialog() {
  if (!openDialog_) return;
  HWND dialog = openDialog_->GetHwnd();
  if (!dialog || !::IsWindow(dialog)) return;
  if (::IsIconic(dialog)) ::ShowWindow(dialog, SW_RESTORE);
  else if (!::IsWindowVisible(dialog)) ::ShowWindow(dialog, SW_SHOW);
  // The main window is disabled while the dialog runs; the dialog is where
  // the user can act, so it comes to the front.
  ::SetForegroundWindow(dialog);
}
