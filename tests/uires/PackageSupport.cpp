#include "PackageSupport.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include <pugixml.hpp>

#include "platform/path.h"
#include "platform/text.h"
#include "toolkit/core/SResProviderExe.h"
#include "ui/common/ResourceNames.h"

namespace kbtest {

std::wstring PackageFolder() {
  const char* out = std::getenv("KB_OUTPUT_DIR");
  std::wstring root = out ? kb::Utf8ToWide(out) : std::wstring(L".");
  return kb::PathJoin(root, kb::res::kResourceFolder);
}

bool ReadFileBytes(const std::wstring& path, std::vector<uint8_t>& out) {
  std::ifstream in(kb::WideToUtf8(path), std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool KeyboardPicturesBuilt() {
#ifdef KB_KEYBOARD_PICTURES
  return true;
#else
  return false;
#endif
}

bool IsKeyboardPicture(const std::string& name) { return name.find("img_keboard_") != std::string::npos; }

std::vector<IndexEntry> ReadIndex() {
  std::vector<IndexEntry> entries;
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(kb::PathJoin(PackageFolder(), L"uires.idx"), bytes)) return entries;
  pugi::xml_document doc;
  if (!doc.load_buffer(bytes.data(), bytes.size())) return entries;
  for (pugi::xml_node type : doc.child("resource").children())
    for (pugi::xml_node file : type.children("file"))
      entries.push_back(IndexEntry{type.name(), file.attribute("name").as_string(), file.attribute("path").as_string()});
  return entries;
}

std::unique_ptr<kb::ui::SApplication> PackageTest::sharedApp_;
std::shared_ptr<kb::ui::STranslatorMgr> PackageTest::sharedTranslator_;
bool PackageTest::loaded_ = false;

void PackageTest::SetUpTestSuite() {
  auto render = std::make_shared<kb::ui::SRenderFactory>();
  render->SetImgDecoderFactory(kb::ui::SImgDecoderFactory::Create(kb::res::kImageDecoder));
  sharedApp_ = std::make_unique<kb::ui::SApplication>(render, nullptr, kb::res::kHostClassName);
  auto files = std::make_shared<kb::ui::SResProviderFiles>();
  loaded_ = files->Init(PackageFolder());
  if (!loaded_) return;
  kb::RegisterNamedIds(*sharedApp_);
  sharedApp_->AddResProvider(files, kb::res::kUiDefInit);
  kb::ui::SResProviderExe exe;
  exe.Init(nullptr);
  loaded_ = sharedApp_->LoadSystemNamedResource(exe);
  sharedTranslator_ = std::make_shared<kb::ui::STranslatorMgr>();
  sharedApp_->SetTranslator(sharedTranslator_);
}

void PackageTest::TearDownTestSuite() {
  sharedApp_.reset();
  sharedTranslator_.reset();
}

void PackageTest::SetUp() {
  ASSERT_TRUE(loaded_) << "the package in " << kb::WideToUtf8(PackageFolder()) << " does not load";
  app_ = sharedApp_.get();
  translator_ = sharedTranslator_.get();
}

bool PackageTest::InstallLanguage(const wchar_t* name) {
  pugi::xml_document doc;
  if (!app_->LoadXmlDocument(doc, std::wstring(kb::res::kTranslatorType) + L":" + name, kb::res::kTranslatorType))
    return false;
  auto pack = translator_->CreateLangPack();
  if (!pack->Load(doc.child("language"))) return false;
  translator_->UninstallLanguage(pack->Name());
  return translator_->InstallLanguage(pack);
}

}  // namespace kbtest
