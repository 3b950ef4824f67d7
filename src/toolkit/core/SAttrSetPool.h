#pragma once
// Named sets of attributes from the UI definitions. Styles ("class" sets)
// are applied to a control that names them in its "class" attribute;
// object defaults ("objattr" sets) to every control of that class, before
// the control's own attributes.
//
//   <style>
//     <class name="title" font="size:16,bold:1" colorText="#203050"/>
//   </style>
//   <objattr>
//     <button colorText="#101010"/>
//   </objattr>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <pugixml.hpp>

namespace kb::ui {

using AttrList = std::vector<std::pair<std::wstring, std::wstring>>;

class SAttrSetPool {
 public:
  // With `byElementName` each element is a set named by its element name
  // (objattr); otherwise each element's "name" attribute names it (styles).
  void Load(pugi::xml_node table, bool byElementName);
  void Add(std::wstring name, AttrList attrs);
  // Null when there is no such set.
  const AttrList* Find(std::wstring_view name) const;
  size_t Count() const { return sets_.size(); }
  void Clear() { sets_.clear(); }

 private:
  std::map<std::wstring, AttrList, std::less<>> sets_;
};

}  // namespace kb::ui
