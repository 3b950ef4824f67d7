#pragma once
// Skins by name. The application's skins (from its UI definitions) come
// first; the toolkit's system skins ("_sys.*") answer names the program's
// skins do not define.
//
//   <skin>
//     <imglist name="..." src="type:name" states="4"/>
//     <imgframe .../>  <color .../>  <shape .../>
//   </skin>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "toolkit/skin/ISkinObj.h"

namespace kb::ui {

class SSkinPool {
 public:
  // Creates and adds every skin of the table; returns how many were added.
  // A skin whose type or attributes are wrong is skipped with a diagnostic
  // line; one with the name of an existing skin replaces it.
  int LoadSkins(pugi::xml_node table);
  void AddSkin(std::shared_ptr<ISkinObj> skin);
  bool RemoveSkin(std::wstring_view name);
  void Clear() { skins_.clear(); }

  // Null when there is no skin of that name.
  ISkinObj* GetSkin(std::wstring_view name) const;
  std::shared_ptr<ISkinObj> GetSkinShared(std::wstring_view name) const;
  size_t Count() const { return skins_.size(); }

  // A new skin object of the type ("imglist", "imgframe", "color", "shape").
  static std::shared_ptr<ISkinObj> CreateSkin(std::wstring_view type);

 private:
  std::map<std::wstring, std::shared_ptr<ISkinObj>, std::less<>> skins_;
};

}  // namespace kb::ui
