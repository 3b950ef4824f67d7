#include "macrodlg/MacroDlgTestSupport.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/path.h"
#include "platform/text.h"
#include "toolkit/core/SResProviderExe.h"
#include "toolkit/window/SHostDialog.h"
#include "ui/common/ProgramControls.h"
#include "ui/common/ResourceNames.h"

namespace macrotest {

namespace {
constexpr char kKeyMapName[] = "macrodlg_test_keymap.xml";
constexpr char kKeyMap[] = R"(<?xml version="1.0" encoding="utf-8"?>
<positions>
  <key id="4" va="7" name="A" rect="10, 10, 40, 40"/>
  <key id="5" va="7" name="B" rect="60, 10, 40, 40"/>
  <key id="57" va="7" name="Caps Lock" rect="110, 10, 60, 40"/>
  <key id="58" va="7" name="F1" rect="180, 10, 40, 40"/>
</positions>
)";

std::string OutputFolder() {
  const char* out = std::getenv("KB_OUTPUT_DIR");
  return out ? out : ".";
}
}  // namespace

std::wstring PackageFolder() {
  // The package as the build copies it beside the program, else the source.
  std::wstring built = kb::Utf8ToWide(OutputFolder() + "/uires");
  if (std::ifstream(kb::WideToUtf8(built) + "/uidef.xml").good()) return built;
  const char* source = std::getenv("KB_SOURCE_DIR");
  return kb::Utf8ToWide(std::string(source ? source : ".") + "/uires");
}

std::string MakeScratchFolder() {
  std::string pattern = "/tmp/kb-macrodlg-XXXXXX";
  return mkdtemp(pattern.data()) ? pattern : std::string();
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void MacroDlgTest::SetUp() {
  auto render = std::make_shared<SRenderFactory>();
  render->SetImgDecoderFactory(SImgDecoderFactory::Create(kb::res::kImageDecoder));
  app_ = std::make_unique<SApplication>(render, nullptr, L"KbMacroDlgTestHost");
  files_ = std::make_shared<SResProviderFiles>();
  ASSERT_TRUE(files_->Init(PackageFolder()));
  kb::RegisterNamedIds(*app_);
  app_->AddResProvider(files_, kb::res::kUiDefInit);
  SResProviderExe exe;
  exe.Init(nullptr);
  ASSERT_TRUE(app_->LoadSystemNamedResource(exe));
  app_->SetTranslator(std::make_shared<STranslatorMgr>());
  RegisterProgramControls(*app_);
  SetModalScript(nullptr);
  scratch_ = MakeScratchFolder();
  ASSERT_FALSE(scratch_.empty());
  macros_.Load(MacroPath());
  records_.Load(RecordPath());
}

void MacroDlgTest::TearDown() {
  pictureHost_.reset();
  app_.reset();
  if (!scratch_.empty()) std::system(("rm -rf '" + scratch_ + "'").c_str());
}

void MacroDlgTest::SetModalScript(std::function<void(SHostWnd&)> script) {
  app_->SetModalHook([this, script](SHostWnd& host) {
    SWindow* text = host.FindChildByName(L"msgtext");
    auto* box = dynamic_cast<SHostDialog*>(&host);
    if (text && box) {
      warnings_.push_back(text->GetWindowText(true));
      box->EndDialog(IDOK);
      return;
    }
    if (script) script(host);
  });
}

std::wstring MacroDlgTest::MacroPath() const { return kb::Utf8ToWide(scratch_ + "/macro.xml"); }
std::wstring MacroDlgTest::RecordPath() const { return kb::Utf8ToWide(scratch_ + "/record.xml"); }

AppConfig MacroDlgTest::TestConfig() {
  AppConfig config;
  config.funKeys = {{L"Volume Up", MakeKeyCode(12, 0xE9), L"", L""}, {L"Mute", MakeKeyCode(12, 0xE2), L"", L""}};
  config.combKeys = {{L"Copy", {{0xE0, 10}, {0x06, 20}}}, {L"Nothing", {}}, {L"Select all", {{0xE0, 5}, {0x04, 5}}}};
  return config;
}

void MacroDlgTest::CreatePicture() {
  // The picture finds its key map under the executable's folder.
  std::string folder = kb::WideToUtf8(kb::ExecutableFolder());
  std::ofstream(folder + "/" + kKeyMapName) << kKeyMap;
  pictureHost_ = std::make_unique<SHostWnd>();
  pictureHost_->SetLayoutXml(std::string(R"(<host size="240,60"><root><cbimg name="img_keyboard" pos="0,0,-0,-0" crdxml=")") +
                             kKeyMapName + R"("/></root></host>)");
  ASSERT_TRUE(pictureHost_->BuildTree());
  picture_ = pictureHost_->FindChildByName<CoordButtonImage>(L"img_keyboard");
  ASSERT_NE(picture_, nullptr);
  ASSERT_TRUE(picture_->GetButton(kKeyA));
}

}  // namespace macrotest
