#include "main/StartUp.h"

#include <memory>

#include "app/AppConfig.h"
#include "keyboard/LedEffectTable.h"
#include "keyboard/SideModelTable.h"
#include "keyfunc/VHidev.h"
#include "keyfunc/VirtualKeyboardSetup.h"
#include "main/CommandLine.h"
#include "macro/MacroStore.h"
#include "macro/RecordStore.h"
#include "platform/console.h"
#include "platform/diag.h"
#include "platform/path.h"
#include "platform/save_file.h"
#include "platform/system_message.h"
#include "platform/termination.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/core/SResProviderExe.h"
#include "toolkit/core/SResProviderFiles.h"
#include "toolkit/window/SMessageBox.h"
#include "ui/MainDlg.h"
#include "ui/common/ProgramControls.h"
#include "ui/common/ResourceNames.h"

using namespace kb::ui;

namespace startup {

namespace {

constexpr wchar_t kHiddenSwitch[] = L"-hid";
constexpr DWORD kModulePathChars = MAX_PATH;

// What start-up creates and shutdown releases, in the order it releases them.
struct Toolkit {
  std::shared_ptr<STranslatorMgr> translator;
  std::shared_ptr<SResProviderFiles> files;
  std::shared_ptr<SRenderFactory> render;
  std::shared_ptr<SImgDecoderFactory> decoder;
  std::unique_ptr<SApplication> app;

  void Release() {
    app.reset();
    translator.reset();
    files.reset();
    render.reset();
    decoder.reset();
  }
};

// The executable's folder becomes the current directory: the resource
// folder "uires" is opened relative to it.
void EnterProgramFolder() {
  wchar_t modulePath[kModulePathChars] = {};
  GetModuleFileNameW(nullptr, modulePath, kModulePathChars);
  std::wstring folder = kb::PathFolder(modulePath);
  if (!folder.empty()) SetCurrentDirectoryW(folder.c_str());
}

constexpr wchar_t kInstallationTitle[] = L"KbConfig";

// Start-up cannot go on without the resource folder, the keyboard's identity
// and a folder the settings can be saved in. The user is told in a plain
// system box (the skinned ones need the very resources that may be missing)
// what is wrong and where; nothing is created, repaired or overwritten.
bool TellInstallationFault(const std::wstring& what, const std::wstring& where, const std::wstring& remedy) {
  kb::ShowSystemError(kInstallationTitle, what + L"\n" + where + L"\n\n" + remedy);
  return false;
}

bool ResourcesUsable(const Toolkit& toolkit, bool folderOpened, const std::wstring& folder) {
  std::wstring resources = kb::PathJoin(folder, kb::res::kResourceFolder);
  constexpr wchar_t kReinstall[] = L"Reinstall the program to restore it.";
  if (!folderOpened)
    return TellInstallationFault(L"The program's resource folder is missing or cannot be read:", resources,
                                 kReinstall);
  pugi::xml_document doc;
  for (std::wstring_view name : {std::wstring_view(kb::res::kUiDefInit), std::wstring_view(kb::res::kLayoutMainWnd)})
    if (!toolkit.app->LoadXmlDocument(doc, name))
      return TellInstallationFault(L"The program's resource folder is damaged (" + std::wstring(name) +
                                       L" cannot be read):",
                                   resources, kReinstall);
  return true;
}

bool ConfigPresent(const std::wstring& folder) {
  std::wstring path = kb::PathJoin(folder, AppConfig::kFileName);
  std::string bytes;
  if (kb::ReadFileBytes(path, bytes)) return true;
  return TellInstallationFault(L"The keyboard's configuration file is missing or cannot be read:", path,
                               L"It names the keyboard this program works with. Reinstall the program to "
                               L"restore it.");
}

// The settings are saved beside the program after every change; in a folder
// that cannot be written every change would be lost at the next start.
bool FolderWritable(const std::wstring& folder) {
  std::wstring probe =
      kb::PathJoin(folder, L"kbconfig-write-test-" + std::to_wstring(GetCurrentProcessId()) + L".tmp");
  // Created and deleted without flushing: an atomic save here cost two disk
  // syncs on every start.
  if (kb::CanCreateFile(probe)) return true;
  return TellInstallationFault(L"The program's folder cannot be written:", folder,
                               L"Your settings are saved there. Move the program to a folder you can write to,\n"
                               L"or give yourself write permission for this one.");
}

bool CreateToolkit(Toolkit& toolkit, HINSTANCE instance) {
  toolkit.decoder = SImgDecoderFactory::Create(kb::res::kImageDecoder);
  toolkit.render = std::make_shared<SRenderFactory>();
  toolkit.render->SetImgDecoderFactory(toolkit.decoder);
  toolkit.app = std::make_unique<SApplication>(toolkit.render, instance, kb::res::kHostClassName);
  toolkit.files = std::make_shared<SResProviderFiles>();
  bool opened = toolkit.files->Init(kb::res::kResourceFolder);
  kb::RegisterNamedIds(*toolkit.app);
  toolkit.app->AddResProvider(toolkit.files, kb::res::kUiDefInit);
  SResProviderExe exe;
  exe.Init(instance);
  toolkit.app->LoadSystemNamedResource(exe);
  return ResourcesUsable(toolkit, opened, toolkit.app->GetAppDir());
}

// config.xml, then the language it names.
void LoadConfigAndLanguage(Toolkit& toolkit) {
  toolkit.translator = std::make_shared<STranslatorMgr>();
  toolkit.app->SetTranslator(toolkit.translator);
  AppConfig& config = AppConfig::Instance();
  config.Load(toolkit.app->GetAppDir());
  std::wstring langName = config.isChinese ? kb::res::kLangCn : kb::res::kLangEn;
  pugi::xml_document doc;
  if (!toolkit.app->LoadXmlDocument(doc, langName, kb::res::kTranslatorType)) return;
  auto pack = toolkit.translator->CreateLangPack();
  if (pack->Load(doc.child("language"))) toolkit.translator->InstallLanguage(pack);
}

void LoadDataFiles(const std::wstring& folder) {
  MacroStore::Instance().Load(kb::PathJoin(folder, MacroStore::kFileName));
  RecordStore::Instance().Load(kb::PathJoin(folder, RecordStore::kFileName));
  SideModelTable::Instance().Load(kb::PathJoin(folder, SideModelTable::kFileName));
  LedEffectTable::Instance().Load(kb::PathJoin(folder, LedEffectTable::kFileName));
}

// A kill between writing a settings file's temporary and renaming it leaves
// the temporary behind; nothing ever reads it. Only the instance that runs
// cleans up: a second start must not delete what the first one is saving.
void RemoveLeftoverTemporaries(const std::wstring& folder) {
  int removed = 0;
  for (const wchar_t* name :
       {MacroStore::kFileName, RecordStore::kFileName, SideModelTable::kFileName, LedEffectTable::kFileName})
    removed += kb::RemoveLeftoverSaveTemps(kb::PathJoin(folder, name));
  if (removed) kb::DiagPrintf("kbconfig: removed %d temporary file(s) left by an interrupted save\n", removed);
}

int RunMainDialog(SApplication& app, int showCommand) {
  CMainDlg dialog(kb::res::kLayoutMainWnd);
  HWND hwnd = dialog.Create(GetActiveWindow());
  if (!hwnd) {
    kb::DiagPrintf("kbconfig: the main window cannot be created\n");
    return 1;
  }
  kb::CloseWindowOnTerminationSignals(hwnd);
  ::SendMessageW(hwnd, WM_INITDIALOG, 0, 0);
  // Without the keyboard initialisation has destroyed the window already.
  if (IsWindow(hwnd)) {
    dialog.CenterWindow();
    ::ShowWindow(hwnd, showCommand);
  }
  int result = app.Run(hwnd);
  kb::CloseWindowOnTerminationSignals(nullptr);
  if (IsWindow(hwnd)) ::DestroyWindow(hwnd);
  return result;
}

}  // namespace

int ShowCommandFor(const wchar_t* commandLine) {
  if (commandLine && std::wstring_view(commandLine) == kHiddenSwitch) return SW_HIDE;
  return SW_SHOWNORMAL;
}

int BringRunningInstanceForward(const std::wstring& appName) {
  int found = 0;
  for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); IsWindow(h); h = GetWindow(h, GW_HWNDNEXT)) {
    if (!GetPropW(h, appName.c_str())) continue;
    ++found;
    if (IsIconic(h)) ShowWindow(h, SW_RESTORE);
    if (!IsWindowVisible(h)) ShowWindow(h, SW_SHOW);
    SetForegroundWindow(h);
  }
  return found;
}

int RunKbConfig(HINSTANCE instance, const wchar_t* commandLine) {
  // Options ask for one thing and end; they need no window (nor a display).
  if (IsCommandLineRequest(commandLine)) return RunCommandLine(commandLine);
  if (!kb::DesktopAvailable()) return 1;
  OleInitialize(nullptr);
  EnsureVirtualKeyboard(L"");
  EnterProgramFolder();
  Toolkit toolkit;
  if (!CreateToolkit(toolkit, instance) || !ConfigPresent(toolkit.app->GetAppDir()) ||
      !FolderWritable(toolkit.app->GetAppDir())) {
    toolkit.Release();
    OleUninitialize();
    return 1;
  }
  LoadConfigAndLanguage(toolkit);
  RegisterProgramControls(*toolkit.app);
  LoadDataFiles(toolkit.app->GetAppDir());

  std::wstring appName = toolkit.app->Strings().Get(0);
  HANDLE single = CreateMutexW(nullptr, TRUE, appName.empty() ? nullptr : appName.c_str());
  if (single && GetLastError() == ERROR_ALREADY_EXISTS) {
    int shown = BringRunningInstanceForward(appName);
    kb::DiagPrintf("kbconfig: already running; %d window(s) brought forward\n", shown);
    // The first instance has no window to show yet (it is starting, or asks
    // for the keyboard): without a word the second start would look like
    // a program that does not start.
    if (shown == 0)
      SMessageBox(nullptr, L"The program is already running, but its window cannot be shown yet.", L"Information",
                  MB_OK | MB_ICONINFORMATION);
    toolkit.Release();
    CloseHandle(single);
    OleUninitialize();
    return 0;
  }
  RemoveLeftoverTemporaries(toolkit.app->GetAppDir());
  // Only the instance that runs clears the virtual keyboard's keys: a second
  // start would release keys the first one's playback holds down.
  VHidev::Instance().ReleaseAll();
  int result = RunMainDialog(*toolkit.app, ShowCommandFor(commandLine));
  toolkit.Release();
  if (single) CloseHandle(single);
  OleUninitialize();
  return result;
}

}  // namespace startup
