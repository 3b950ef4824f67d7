#pragma once
// The installed language packs. The pack installed last is asked first;
// a text that no pack knows stays as it is.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/core/SLangPack.h"

namespace kb::ui {

class STranslatorMgr {
 public:
  std::shared_ptr<SLangPack> CreateLangPack() const { return std::make_shared<SLangPack>(); }

  // A pack with the same name as an installed one replaces it. False for a
  // null or unnamed pack.
  bool InstallLanguage(std::shared_ptr<SLangPack> pack);
  bool UninstallLanguage(std::wstring_view name);
  size_t LanguageCount() const { return packs_.size(); }
  const SLangPack* FindLanguage(std::wstring_view name) const;

  std::wstring Translate(std::wstring_view source, std::wstring_view context) const;

 private:
  std::vector<std::shared_ptr<SLangPack>> packs_;  // newest first
};

}  // namespace kb::ui
