#pragma once
// The start and the end of a test application's set-up, as the program makes
// its own: the renderer with the stb image decoder, and after the test's
// resources the toolkit's system resources and a translator.
#include <gtest/gtest.h>

#include <memory>

#include "toolkit/core/SApplication.h"
#include "toolkit/core/SRenderFactory.h"
#include "toolkit/core/SResProviderExe.h"

namespace kbtest {

inline std::unique_ptr<kb::ui::SApplication> MakeTestApplication(const wchar_t* hostClass) {
  auto render = std::make_shared<kb::ui::SRenderFactory>();
  render->SetImgDecoderFactory(kb::ui::SImgDecoderFactory::Create(L"imgdecoder-stb"));
  return std::make_unique<kb::ui::SApplication>(render, nullptr, hostClass);
}

inline void InstallSystemResources(kb::ui::SApplication& app, std::shared_ptr<kb::ui::STranslatorMgr>& translator) {
  kb::ui::SResProviderExe exe;
  exe.Init(nullptr);
  ASSERT_TRUE(app.LoadSystemNamedResource(exe));
  translator = std::make_shared<kb::ui::STranslatorMgr>();
  app.SetTranslator(translator);
}

}  // namespace kbtest
