// The main dialog's part of the command line: a request another process
// (kbconfig started with options while this one runs) sends as WM_COPYDATA.
// It is done here as if the window's own controls had been used, so the
// window shows it; the answer is the command line's exit status, negated,
// or for the firmware request the version.
#include "keyfunc/KeyMonitor.h"
#include "macro/SettingsBackup.h"
#include "platform/diag.h"
#include "platform/text.h"
#include "ui/CommandRequest.h"
#include "ui/MainDlg.h"

using namespace command_line;

LRESULT CMainDlg::OnCopyData(const COPYDATASTRUCT* data) {
  if (!data || data->dwData != kCopyDataTag || (data->cbData && !data->lpData)) return -kExitUsage;
  // UTF-8 on the way: wchar_t is 16 bits on Windows and 32 here.
  std::string text(static_cast<const char*>(data->lpData), data->cbData);
  ParseResult parsed = Decode(kb::Utf8ToWide(text));
  if (!parsed.request) {
    kb::DiagPrintf("command line request refused: %s\n", parsed.error.c_str());
    return -kExitUsage;
  }
  return RunRequest(*parsed.request);
}

LRESULT CMainDlg::RunRequest(const Request& request) {
  switch (request.action) {
    case Request::Action::kLighting: {
      if (!keyboard_.HasValidHandle()) return -kExitNoKeyboard;
      {
        std::lock_guard lock(lightingLock_);
        ApplyLighting(request, LedEffectTable::Instance(), SideModelTable::Instance());
        if (!LedEffectTable::Instance().Save() || !SideModelTable::Instance().Save()) return -kExitFailed;
      }
      // Shown as the stored choices are after a keyboard's return; a
      // selection that changes sends at once, the rest is sent here.
      ShowEffectControls(true);
      ShowSideControls(true);
      if (request.effect) SendBacklight(*request.effect);
      if (request.side) SendSideLight(*request.side);
      return kExitOk;
    }
    case Request::Action::kFirmware: {
      if (!keyboard_.HasValidHandle()) return -kExitNoKeyboard;
      bool answered;
      {
        std::scoped_lock device(deviceLock_);
        answered = commands_.ReadFirmwareVersion();
      }
      UpdateFirmwareText();
      return answered ? static_cast<LRESULT>(firmwareVersion_) : -kExitFailed;
    }
    case Request::Action::kExportSettings:
      return ExportSettingsTo(request.file) ? kExitOk : -kExitBadFile;
    case Request::Action::kImportSettings: {
      // The macro editor works on the stores while it is open.
      if (openDialog_) return -kExitFailed;
      SettingsBackup::ReadResult read = SettingsBackup::Read(request.file);
      if (!read.settings) return -kExitBadFile;
      return ApplySettings(*read.settings) ? kExitOk : -kExitFailed;
    }
    case Request::Action::kHelp:
    case Request::Action::kListEffects:
      break;
  }
  return -kExitUsage;
}
