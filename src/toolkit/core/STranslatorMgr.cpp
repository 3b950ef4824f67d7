#include "toolkit/core/STranslatorMgr.h"

#include <algorithm>

namespace kb::ui {

bool STranslatorMgr::InstallLanguage(std::shared_ptr<SLangPack> pack) {
  if (!pack || pack->Name().empty()) return false;
  UninstallLanguage(pack->Name());
  packs_.insert(packs_.begin(), std::move(pack));
  return true;
}

bool STranslatorMgr::UninstallLanguage(std::wstring_view name) {
  auto it = std::find_if(packs_.begin(), packs_.end(), [&](const auto& p) { return p->Name() == name; });
  if (it == packs_.end()) return false;
  packs_.erase(it);
  return true;
}

const SLangPack* STranslatorMgr::FindLanguage(std::wstring_view name) const {
  for (const auto& pack : packs_)
    if (pack->Name() == name) return pack.get();
  return nullptr;
}

std::wstring STranslatorMgr::Translate(std::wstring_view source, std::wstring_view context) const {
  if (source.empty()) return std::wstring();
  for (const auto& pack : packs_)
    if (auto text = pack->Translate(source, context)) return *text;
  return std::wstring(source);
}

}  // namespace kb::ui
