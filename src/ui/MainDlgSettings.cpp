// The main dialog's settings backup: "Export settings..." and "Import
// settings..." of the more-menu, and the same two done for another process
// (the command line) without any dialog.
#include "keyfunc/KeyMonitor.h"
#include "macro/KeyActionRunner.h"
#include "macro/SettingsBackup.h"
#include "platform/diag.h"
#include "platform/text.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/window/SMessageBox.h"
#include "ui/MainDlg.h"
#include "ui/common/CoordButtonImage.h"
#include "ui/common/FileChooser.h"

using namespace kb::ui;

namespace {
constexpr wchar_t kSettingsWarningTitle[] = L"Warning";
constexpr wchar_t kExportSettingsTitle[] = L"Export settings";
constexpr wchar_t kImportSettingsTitle[] = L"Import settings";
constexpr wchar_t kSettingsFiles[] = L"Settings files (*.xml)";
constexpr wchar_t kAnyFiles[] = L"All files (*.*)";
constexpr wchar_t kSuggestedSettingsName[] = L"kbconfig-settings.xml";
constexpr wchar_t kAskImport[] =
    L"The lighting, the macro groups and the key assignments will be replaced by those of the file. Continue?";
constexpr wchar_t kWarnSettingsNotWritten[] = L"The settings could not be written to this file.";
constexpr wchar_t kWarnSettingsUnreadable[] = L"This file could not be read. Nothing was changed.";
constexpr wchar_t kWarnNotSettingsFile[] = L"This file is not a settings backup or is damaged. Nothing was changed.";
constexpr wchar_t kWarnSettingsNotSaved[] = L"The settings could not be saved. Nothing was changed.";
constexpr wchar_t kWarnFileDialog[] = L"The file dialog could not be opened.";
}  // namespace

std::optional<std::wstring> CMainDlg::ChooseSettingsFile(bool save) {
  FileChoice choice;
  choice.owner = GetHwnd();
  choice.save = save;
  choice.title = TranslateText(save ? kExportSettingsTitle : kImportSettingsTitle);
  choice.xmlFilesText = TranslateText(kSettingsFiles);
  choice.allFilesText = TranslateText(kAnyFiles);
  choice.suggested = save ? kSuggestedSettingsName : L"";
  bool failed = false;
  std::optional<std::wstring> path = ChooseXmlFile(choice, &failed);
  if (failed) SMessageBox(GetHwnd(), kWarnFileDialog, kSettingsWarningTitle, MB_OK | MB_ICONWARNING);
  return path;
}

void CMainDlg::OnExportSettings() {
  std::optional<std::wstring> path = ChooseSettingsFile(true);
  if (!path) return;
  if (!ExportSettingsTo(*path))
    SMessageBox(GetHwnd(), kWarnSettingsNotWritten, kSettingsWarningTitle, MB_OK | MB_ICONWARNING);
}

void CMainDlg::OnImportSettings() {
  std::optional<std::wstring> path = ChooseSettingsFile(false);
  if (!path) return;
  // Read and checked as a whole before anything changes (and before the
  // question, so a wrong file is told at once).
  SettingsBackup::ReadResult read = SettingsBackup::Read(*path);
  if (!read.settings) {
    kb::DiagPrintfW(L"settings backup %ls refused: %ls\n", path->c_str(), kb::Utf8ToWide(read.reason).c_str());
    SMessageBox(GetHwnd(), read.cannotRead ? kWarnSettingsUnreadable : kWarnNotSettingsFile, kSettingsWarningTitle,
                MB_OK | MB_ICONWARNING);
    return;
  }
  int answer = SMessageBox(GetHwnd(), kAskImport, kImportSettingsTitle, MB_OKCANCEL | MB_ICONQUESTION);
  if (answer != IDOK || !::IsWindow(GetHwnd())) return;
  if (!ApplySettings(*read.settings))
    SMessageBox(GetHwnd(), kWarnSettingsNotSaved, kSettingsWarningTitle, MB_OK | MB_ICONWARNING);
}

bool CMainDlg::ExportSettingsTo(const std::wstring& path) {
  SettingsSnapshot settings;
  {
    std::lock_guard lock(lightingLock_);
    settings = SettingsBackup::Capture(SettingsStores::Process());
  }
  return SettingsBackup::Write(path, settings);
}

// The four stores replaced and saved; then everything that shows or uses
// them follows: the lighting controls and the keyboard's lights, the marks
// and tips of the picture, the filter's intercept table.
bool CMainDlg::ApplySettings(const SettingsSnapshot& settings) {
  // A record being played may be one that goes now.
  playback_->StopPlayback();
  {
    std::lock_guard lock(lightingLock_);
    SettingsStores stores = SettingsStores::Process();
    if (!SettingsBackup::Apply(settings, stores)) return false;
  }
  // A combobox whose selection changes sends its light at once; one that
  // does not would leave the keyboard as it was, so both are sent anyway (a
  // newer wish replaces one the worker has not sent yet).
  ShowEffectControls(true);
  ShowSideControls(true);
  if (keyboard_.HasValidHandle()) SendBothLights();
  if (controls_.picture) {
    controls_.picture->SetButtonChecked(CoordButtonImage::kAllButtons, false);
    controls_.picture->SetButtonTip(CoordButtonImage::kAllButtons, L"");
    MarkAssignedKeys();
    controls_.picture->Invalidate();
  }
  if (!keyFunctionsShutDown_) keyMonitor_->SendInterceptTable(RecordStore::Instance().Codes());
  return true;
}
