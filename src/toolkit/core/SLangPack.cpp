#include "toolkit/core/SLangPack.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

namespace kb::ui {

bool SLangPack::Load(pugi::xml_node language) {
  contexts_.clear();
  name_.clear();
  if (!language || std::strcmp(language.name(), "language") != 0) return false;
  name_ = Utf8ToWide(language.attribute("name").as_string());
  if (name_.size() > kMaxNameLength) name_.resize(kMaxNameLength);
  languageTag_ = Utf8ToWide(language.attribute("lang").as_string());
  LoadItems(language, L"");
  for (pugi::xml_node context : language.children("context"))
    LoadItems(context, Utf8ToWide(context.attribute("name").as_string()));
  return !name_.empty();
}

void SLangPack::LoadItems(pugi::xml_node parent, const std::wstring& context) {
  auto& items = contexts_[context];
  for (pugi::xml_node item : parent.children("item")) {
    std::wstring source = Utf8ToWide(item.attribute("src").as_string());
    if (source.empty()) continue;
    items.emplace(std::move(source), Utf8ToWide(item.attribute("tr").as_string()));
  }
}

size_t SLangPack::GetName(wchar_t* buffer, size_t capacity) const {
  if (!buffer || capacity == 0) return 0;
  size_t n = std::min(name_.size(), capacity - 1);
  std::copy_n(name_.data(), n, buffer);
  buffer[n] = L'\0';
  return n;
}

std::optional<std::wstring> SLangPack::Translate(std::wstring_view source, std::wstring_view context) const {
  auto lookIn = [&](std::wstring_view ctx) -> std::optional<std::wstring> {
    auto c = contexts_.find(ctx);
    if (c == contexts_.end()) return std::nullopt;
    auto item = c->second.find(source);
    if (item == c->second.end()) return std::nullopt;
    return item->second;
  };
  if (!context.empty())
    if (auto found = lookIn(context)) return found;
  return lookIn(L"");
}

size_t SLangPack::Count() const {
  size_t n = 0;
  for (const auto& context : contexts_) n += context.second.size();
  return n;
}

}  // namespace kb::ui
