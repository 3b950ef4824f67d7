#pragma once
// The string and colour tables of the UI definitions ("values:string",
// "values:color"): each child element of the table's root is one entry, its
// element name the entry's name and its "value" attribute the value. The
// order is kept: entry 0 of the string table is the application's name.
//
//   <string>
//     <title value="KbConfig"/>
//   </string>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "toolkit/core/Types.h"

namespace kb::ui {

class SNamedString {
 public:
  // Appends the entries of a table; a name already present keeps its value.
  void Load(pugi::xml_node table);
  void Add(std::wstring name, std::wstring value);
  void Clear() { entries_.clear(); }

  size_t Count() const { return entries_.size(); }
  // "" for an index out of range.
  std::wstring Get(size_t index) const;
  std::optional<std::wstring> Find(std::wstring_view name) const;
  const std::vector<std::pair<std::wstring, std::wstring>>& Entries() const { return entries_; }

 private:
  std::vector<std::pair<std::wstring, std::wstring>> entries_;
};

class SNamedColor {
 public:
  // Entries whose value is not a colour are skipped with a diagnostic line.
  void Load(pugi::xml_node table);
  void Add(std::wstring name, Color color);
  void Clear() { entries_.clear(); }

  size_t Count() const { return entries_.size(); }
  std::optional<Color> Find(std::wstring_view name) const;

 private:
  std::vector<std::pair<std::wstring, Color>> entries_;
};

}  // namespace kb::ui
