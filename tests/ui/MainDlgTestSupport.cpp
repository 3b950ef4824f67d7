#include "support/MessagePump.h"
#include "MainDlgTestSupport.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "app/AppConfig.h"
#include "keyboard/LedEffectTable.h"
#include "keyboard/SideModelTable.h"
#include "macro/MacroStore.h"
#include "macro/RecordStore.h"
#include "platform/path.h"
#include "platform/text.h"
#include "toolkit/controls/SSliderBar.h"
#include "toolkit/core/SResProviderExe.h"
#include "toolkit/core/SResProviderFiles.h"
#include "toolkit/window/SHostDialog.h"
#include "ui/common/ProgramControls.h"
#include "ui/common/ResourceNames.h"

namespace kbtest {

using namespace kb::ui;
using Clock = std::chrono::steady_clock;

SApplication* MainDlgTest::app_ = nullptr;
kb::test::KbsimProcess* MainDlgTest::suiteSim_ = nullptr;


void MainDlgTest::SetUpTestSuite() {
  suiteSim_ = new kb::test::KbsimProcess;
  if (!suiteSim_->Start()) ADD_FAILURE() << "kbsim did not start";
  auto render = std::make_shared<SRenderFactory>();
  render->SetImgDecoderFactory(SImgDecoderFactory::Create(kb::res::kImageDecoder));
  app_ = new SApplication(render, GetModuleHandleW(nullptr), kb::res::kHostClassName);
  auto files = std::make_shared<SResProviderFiles>();
  files->Init(kb::PathJoin(kb::ExecutableFolder(), kb::res::kResourceFolder));
  kb::RegisterNamedIds(*app_);
  app_->AddResProvider(files, kb::res::kUiDefInit);
  SResProviderExe exe;
  exe.Init(nullptr);
  app_->LoadSystemNamedResource(exe);
  app_->SetTranslator(std::make_shared<STranslatorMgr>());
  RegisterProgramControls(*app_);
  AppConfig::Instance().Load(kb::ExecutableFolder());
}

void MainDlgTest::TearDownTestSuite() {
  delete app_;
  app_ = nullptr;
  delete suiteSim_;
  suiteSim_ = nullptr;
}

void MainDlgTest::SetUp() {
  ASSERT_NE(app_, nullptr);
  ASSERT_TRUE(app_->HasResource(L"layout", L"XML_MAINWND")) << "the resource package is not in the output folder";
  std::string pattern = (std::filesystem::temp_directory_path() / "kbmaindlg-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  folder_ = pattern;
  std::wstring folder = kb::Utf8ToWide(folder_);
  MacroStore::Instance().Reset();
  MacroStore::Instance().Load(kb::PathJoin(folder, MacroStore::kFileName));
  RecordStore::Instance().Load(kb::PathJoin(folder, RecordStore::kFileName));
  RecordStore::Instance().Clear();
  SideModelTable::Instance().Load(kb::PathJoin(folder, SideModelTable::kFileName));
  LedEffectTable::Instance().Load(kb::PathJoin(folder, LedEffectTable::kFileName));
  // What earlier tests left: an unplugged keyboard, another firmware, a log.
  sim_.Command({"plug"});
  ASSERT_EQ(sim_.Command({"firmware", "1.0"}).status, 0);
  ResetLog();
  app_->SetModalHook([this](SHostWnd& popup) {
    SWindow* text = popup.FindChildByName(L"msgtext");
    auto* dialog = dynamic_cast<SHostDialog*>(&popup);
    if (!text || !dialog) return;
    SWindow* title = popup.FindChildByName(L"msgtitle");
    boxes_.push_back({title ? title->GetWindowText(true) : L"", text->GetWindowText(true)});
    int answer = IDOK;
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.erase(answers_.begin());
    }
    dialog->EndDialog(answer);
  });
}

void MainDlgTest::TearDown() {
  app_->SetModalHook(nullptr);
  CloseDialog();
  std::filesystem::remove_all(folder_);
}

HWND MainDlgTest::OpenDialog() {
  dlg_ = std::make_unique<CMainDlg>();
  // config.xml is written when the language changes: a copy per test.
  std::wstring config = kb::PathJoin(kb::Utf8ToWide(folder_), AppConfig::kFileName);
  std::filesystem::copy_file(kb::WideToUtf8(kb::PathJoin(kb::ExecutableFolder(), AppConfig::kFileName)),
                             kb::WideToUtf8(config), std::filesystem::copy_options::overwrite_existing);
  dlg_->SetConfigFolder(kb::Utf8ToWide(folder_));
  if (beforeInit_) beforeInit_(*dlg_);
  hwnd_ = dlg_->Create(nullptr);
  if (!hwnd_) return nullptr;
  app_->SetMainWnd(hwnd_);
  ::SendMessageW(hwnd_, WM_INITDIALOG, 0, 0);
  if (!IsWindow(hwnd_)) return nullptr;
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  Pump(50);
  Settle();
  return hwnd_;
}

void MainDlgTest::CloseDialog() {
  if (WindowAlive()) ::DestroyWindow(hwnd_);
  dlg_.reset();
  hwnd_ = nullptr;
  // The destroyed main window posted WM_QUIT; it must not end a later loop.
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

std::vector<std::string> MainDlgTest::Sent(const std::string& kind) const {
  std::vector<std::string> bytes;
  for (const std::string& line : kb::test::LogLines(sim_, kind)) {
    size_t at = line.find(" " + kind + " ");
    if (at == std::string::npos) continue;
    bytes.push_back(line.substr(at + kind.size() + 2, 23));
  }
  return bytes;
}

std::string MainDlgTest::LastSent(const std::string& kind) const {
  std::vector<std::string> all = Sent(kind);
  return all.empty() ? std::string() : all.back();
}

SWindow* MainDlgTest::Find(const wchar_t* name) const { return dlg_ ? dlg_->FindChildByName(name) : nullptr; }

void MainDlgTest::MoveSlider(const wchar_t* name, int value) {
  auto* bar = dlg_ ? dlg_->FindChildByName<SSliderBar>(name) : nullptr;
  ASSERT_NE(bar, nullptr) << kb::WideToUtf8(name);
  bar->SetValue(value);
  EventSliderPos moved(bar, bar->GetValue());
  bar->FireEvent(moved);
  Settle();
}

void MainDlgTest::Click(const wchar_t* name) {
  SWindow* control = Find(name);
  ASSERT_NE(control, nullptr) << kb::WideToUtf8(name);
  control->PerformClick();
  Settle();
}

}  // namespace kbtest

namespace kbtest {
void MainDlgTest::Settle() {
  if (dlg_) PumpUntil([this] { return !dlg_->LightingBusy(); }, 15000);
}
}  // namespace kbtest
