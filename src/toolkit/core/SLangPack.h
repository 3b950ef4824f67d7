#pragma once
// One language pack: the translations of the texts of layouts, menus and
// message boxes into one language. Loaded from a "language" element:
//
//   <language name="ui" lang="zh-CN">
//     <item src="Warning" tr="警告"/>            (any window)
//     <context name="main">                       (windows whose trCtx is "main")
//       <item src="Speed" tr="速度"/>
//     </context>
//   </language>
//
// Packs are installed by name; packs of different languages that replace
// each other must carry the same name.
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace kb::ui {

class SLangPack {
 public:
  // Names are kept to this many characters, so the name read back always
  // matches the one the pack was installed under.
  static constexpr size_t kMaxNameLength = 63;

  // False when the element is not a "language" element or has no name.
  bool Load(pugi::xml_node language);

  const std::wstring& Name() const { return name_; }
  const std::wstring& LanguageTag() const { return languageTag_; }
  // Copies the name, cut to fit, always terminated; returns the characters copied.
  size_t GetName(wchar_t* buffer, size_t capacity) const;

  // The translation in the context, else in the global texts.
  std::optional<std::wstring> Translate(std::wstring_view source, std::wstring_view context) const;
  size_t Count() const;

 private:
  void LoadItems(pugi::xml_node parent, const std::wstring& context);

  std::wstring name_;
  std::wstring languageTag_;
  std::map<std::wstring, std::map<std::wstring, std::wstring, std::less<>>, std::less<>> contexts_;
};

}  // namespace kb::ui
