#pragma once
// Resources of the executable itself: the toolkit's system resources
// ("SYS_XML_SKIN", "SYS_XML_EDITMENU", "SYS_XML_MSGBOX") and whatever the
// program links in.
#include "toolkit/core/IResProvider.h"
#include "toolkit/core/ModuleResource.h"

namespace kb::ui {

class SResProviderExe final : public IResProvider {
 public:
  // A null module means the executable of the process.
  bool Init(HINSTANCE module) {
    module_ = module;
    return true;
  }

  bool HasResource(std::wstring_view type, std::wstring_view name) const override {
    std::vector<uint8_t> ignored;
    return ReadModuleResource(module_, type, name, ignored);
  }
  bool GetRawBuffer(std::wstring_view type, std::wstring_view name,
                    std::vector<uint8_t>& out) const override {
    return ReadModuleResource(module_, type, name, out);
  }

 private:
  HINSTANCE module_ = nullptr;
};

}  // namespace kb::ui
