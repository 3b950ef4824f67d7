#include "toolkit/core/SAttrSetPool.h"

#include "platform/text.h"

namespace kb::ui {

void SAttrSetPool::Load(pugi::xml_node table, bool byElementName) {
  for (pugi::xml_node node : table.children()) {
    if (node.type() != pugi::node_element) continue;
    std::wstring name = Utf8ToWide(byElementName ? node.name() : node.attribute("name").as_string());
    if (name.empty()) continue;
    AttrList attrs;
    for (pugi::xml_attribute attr : node.attributes()) {
      if (!byElementName && std::string_view(attr.name()) == "name") continue;
      attrs.emplace_back(Utf8ToWide(attr.name()), Utf8ToWide(attr.value()));
    }
    Add(std::move(name), std::move(attrs));
  }
}

void SAttrSetPool::Add(std::wstring name, AttrList attrs) {
  AttrList& set = sets_[std::move(name)];
  // A later definition overrides the attributes it names and keeps the rest.
  for (auto& [key, value] : attrs) {
    bool replaced = false;
    for (auto& existing : set) {
      if (existing.first == key) {
        existing.second = value;
        replaced = true;
      }
    }
    if (!replaced) set.emplace_back(key, value);
  }
}

const AttrList* SAttrSetPool::Find(std::wstring_view name) const {
  auto it = sets_.find(name);
  return it == sets_.end() ? nullptr : &it->second;
}

}  // namespace kb::ui
