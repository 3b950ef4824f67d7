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

void PackageTest::SetUp() {
  auto render = std::make_shared<kb::ui::SRenderFactory>();
  render->SetImgDecoderFactory(kb::ui::SImgDecoderFactory::Create(kb::res::kImageDecoder));
  app_ = std::make_unique<kb::ui::SApplication>(render, nullptr, kb::res::kHostClassName);
  files_ = std::make_shared<kb::ui::SResProviderFiles>();
  ASSERT_TRUE(files_->Init(PackageFolder())) << kb::WideToUtf8(PackageFolder());
  kb::RegisterNamedIds(*app_);
  app_->AddResProvider(files_, kb::res::kUiDefInit);
  kb::ui::SResProviderExe exe;
  exe.Init(nullptr);
  ASSERT_TRUE(app_->LoadSystemNamedResource(exe));
  translator_ = std::make_shared<kb::ui::STranslatorMgr>();
  app_->SetTranslator(translator_);
}

void PackageTest::TearDown() { app_.reset(); }

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
