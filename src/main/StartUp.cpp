#include "main/StartUp.h"

#include <memory>

#include "app/AppConfig.h"
#include "keyboard/LedEffectTable.h"
#include "keyboard/SideModelTable.h"
#include "keyfunc/VHidev.h"
#include "keyfunc/VirtualKeyboardSetup.h"
#include "macro/MacroStore.h"
#include "macro/RecordStore.h"
#include "platform/diag.h"
#include "platform/path.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/core/SResProviderExe.h"
#include "toolkit/core/SResProviderFiles.h"
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

void CreateToolkit(Toolkit& toolkit, HINSTANCE instance) {
  toolkit.decoder = SImgDecoderFactory::Create(kb::res::kImageDecoder);
  toolkit.render = std::make_shared<SRenderFactory>();
  toolkit.render->SetImgDecoderFactory(toolkit.decoder);
  toolkit.app = std::make_unique<SApplication>(toolkit.render, instance, kb::res::kHostClassName);
  toolkit.files = std::make_shared<SResProviderFiles>();
  if (!toolkit.files->Init(kb::res::kResourceFolder))
    kb::DiagPrintf("kbconfig: the resource folder \"uires\" cannot be read\n");
  kb::RegisterNamedIds(*toolkit.app);
  toolkit.app->AddResProvider(toolkit.files, kb::res::kUiDefInit);
  SResProviderExe exe;
  exe.Init(instance);
  toolkit.app->LoadSystemNamedResource(exe);
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

int RunMainDialog(SApplication& app, int showCommand) {
  CMainDlg dialog(kb::res::kLayoutMainWnd);
  HWND hwnd = dialog.Create(GetActiveWindow());
  if (!hwnd) {
    kb::DiagPrintf("kbconfig: the main window cannot be created\n");
    return 1;
  }
  ::SendMessageW(hwnd, WM_INITDIALOG, 0, 0);
  // Without the keyboard initialisation has destroyed the window already.
  if (IsWindow(hwnd)) {
    dialog.CenterWindow();
    ::ShowWindow(hwnd, showCommand);
  }
  int result = app.Run(hwnd);
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
  OleInitialize(nullptr);
  EnsureVirtualKeyboard(L"");
  EnterProgramFolder();
  Toolkit toolkit;
  CreateToolkit(toolkit, instance);
  LoadConfigAndLanguage(toolkit);
  RegisterProgramControls(*toolkit.app);
  LoadDataFiles(toolkit.app->GetAppDir());

  std::wstring appName = toolkit.app->Strings().Get(0);
  HANDLE single = CreateMutexW(nullptr, TRUE, appName.empty() ? nullptr : appName.c_str());
  if (single && GetLastError() == ERROR_ALREADY_EXISTS) {
    int shown = BringRunningInstanceForward(appName);
    kb::DiagPrintf("kbconfig: already running; %d window(s) brought forward\n", shown);
    toolkit.Release();
    CloseHandle(single);
    OleUninitialize();
    return 0;
  }
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
