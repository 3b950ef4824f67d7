#pragma once
// Support for the toolkit's fuzz targets: an application set up as the
// program sets up its own (stb images, the toolkit's system resources, a
// translator), with the shipped uires folder as its files.
#include <memory>
#include <string>

#include "fuzz/FuzzScratch.h"
#include "platform/text.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/core/SRenderFactory.h"
#include "toolkit/core/SResProviderExe.h"
#include "toolkit/core/SResProviderFiles.h"
#include "toolkit/core/STranslatorMgr.h"
#include "toolkit/render/Bitmap.h"
#include "toolkit/window/SHostWnd.h"

namespace kbfuzz {

// `uidef` names the files' UI definitions, or is empty to leave them out;
// `language` installs the Chinese translation.
inline std::unique_ptr<kb::ui::SApplication> MakeFuzzApplication(std::wstring_view uidef, bool language) {
  using namespace kb::ui;
  auto render = std::make_shared<SRenderFactory>();
  render->SetImgDecoderFactory(SImgDecoderFactory::Create(L"imgdecoder-stb"));
  auto app = std::make_unique<SApplication>(render, nullptr, L"KbFuzzHost");
  auto files = std::make_shared<SResProviderFiles>();
  FUZZ_CHECK(files->Init(kb::Utf8ToWide(KB_FUZZ_UIRES)));
  app->AddResProvider(files, uidef);
  SResProviderExe exe;
  exe.Init(nullptr);
  FUZZ_CHECK(app->LoadSystemNamedResource(exe));
  auto translator = std::make_shared<STranslatorMgr>();
  app->SetTranslator(translator);
  // Texts of layouts go through the translator: with a language installed,
  // that path runs too.
  pugi::xml_document lang;
  if (language && app->LoadXmlDocument(lang, L"translator:lang_cn", L"translator")) {
    auto pack = translator->CreateLangPack();
    if (pack->Load(lang.child("language"))) translator->InstallLanguage(pack);
  }
  return app;
}

// Builds, lays out and paints a host. Painting is bounded: the bitmap's own
// limits allow 64 M pixels, which would spend the run on filling pixels.
inline void BuildAndPaint(kb::ui::SHostWnd& host) {
  if (!host.BuildTree()) return;
  kb::ui::Size size = host.GetLayoutSize();
  if (size.cx <= 0 || size.cy <= 0 || size.cx > 2048 || size.cy > 2048) {
    host.LayoutTo(kb::ui::Size{640, 480});
    return;
  }
  kb::render::Bitmap bitmap;
  FUZZ_CHECK(host.RenderTo(bitmap));
  FUZZ_CHECK(bitmap.Width() == size.cx && bitmap.Height() == size.cy);
}

}  // namespace kbfuzz
