#include "toolkit/core/SNamedValues.h"

#include "platform/diag.h"
#include "platform/text.h"
#include "toolkit/core/AttrParse.h"

namespace kb::ui {

namespace {

std::wstring EntryValue(pugi::xml_node entry) {
  pugi::xml_attribute value = entry.attribute("value");
  return Utf8ToWide(value ? value.as_string() : entry.text().as_string());
}

}  // namespace

void SNamedString::Load(pugi::xml_node table) {
  for (pugi::xml_node entry : table.children()) {
    if (entry.type() != pugi::node_element) continue;
    Add(Utf8ToWide(entry.name()), EntryValue(entry));
  }
}

void SNamedString::Add(std::wstring name, std::wstring value) {
  if (Find(name)) return;
  entries_.emplace_back(std::move(name), std::move(value));
}

std::wstring SNamedString::Get(size_t index) const {
  return index < entries_.size() ? entries_[index].second : std::wstring();
}

std::optional<std::wstring> SNamedString::Find(std::wstring_view name) const {
  for (const auto& entry : entries_)
    if (entry.first == name) return entry.second;
  return std::nullopt;
}

void SNamedColor::Load(pugi::xml_node table) {
  for (pugi::xml_node entry : table.children()) {
    if (entry.type() != pugi::node_element) continue;
    std::wstring name = Utf8ToWide(entry.name());
    std::wstring text = EntryValue(entry);
    std::optional<Color> color = ParseColorText(text);
    if (!color) {
      DiagPrintfW(L"colour %ls: \"%ls\" is not a colour\n", name.c_str(), text.c_str());
      continue;
    }
    Add(std::move(name), *color);
  }
}

void SNamedColor::Add(std::wstring name, Color color) {
  if (Find(name)) return;
  entries_.emplace_back(std::move(name), color);
}

std::optional<Color> SNamedColor::Find(std::wstring_view name) const {
  for (const auto& entry : entries_)
    if (entry.first == name) return entry.second;
  return std::nullopt;
}

}  // namespace kb::ui
