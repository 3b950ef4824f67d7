#include "keyboard/SideModelTable.h"

#include <pugixml.hpp>

#include "app/XmlFile.h"

namespace {

constexpr char kRootName[] = "effect";  // the same root name as ledeffect.xml
constexpr char kItemName[] = "item";

SideModelEntry ReadEntry(const pugi::xml_node& item) {
  // The level is a 4-bit field of the side-light report.
  SideModelEntry entry;
  entry.brightness = static_cast<uint8_t>(item.attribute("brightness").as_int(0) & 0x0f);
  if (entry.brightness > SideModelTable::kMaxLevel) entry.brightness = 0;
  return entry;
}

}  // namespace

SideModelTable& SideModelTable::Instance() {
  static SideModelTable* instance = new SideModelTable();
  return *instance;
}

SideModelTable::SideModelTable() { SetDefaults(); }

void SideModelTable::SetDefaults() {
  for (int i = 0; i < kEntryCount; ++i) {
    entries_[static_cast<size_t>(i)].brightness = i < kSpeedModeCount ? kDefaultSpeedLevel : kDefaultBrightnessLevel;
  }
  sel_ = kDefaultSel;
}

bool SideModelTable::Load(const std::wstring& path) {
  if (path.empty()) return false;
  path_ = path;
  pugi::xml_document doc;
  if (!kb::LoadXmlFile(path_, doc, pugi::encoding_utf8)) {
    ResetDefaults();
    return false;
  }
  pugi::xml_node root = doc.child(kRootName);
  sel_ = root.attribute("sel").as_int(0);
  if (static_cast<uint32_t>(sel_) > static_cast<uint32_t>(kMaxSel)) sel_ = 0;
  pugi::xml_node item = kb::ElementAtOrAfter(root.first_child());
  for (int i = 0; i < kEntryCount && item; ++i, item = kb::ElementAtOrAfter(item.next_sibling())) {
    entries_[static_cast<size_t>(i)] = ReadEntry(item);
  }
  return true;
}

bool SideModelTable::Save() {
  if (path_.empty()) return false;
  pugi::xml_document doc;
  pugi::xml_node root = doc.append_child(kRootName);
  root.append_attribute("sel").set_value(sel_);
  for (const SideModelEntry& entry : entries_) {
    root.append_child(kItemName).append_attribute("brightness").set_value(static_cast<unsigned>(entry.brightness));
  }
  return kb::SaveXmlFile(doc, path_);
}

SideModelEntry* SideModelTable::GetEntry(int index) {
  if (index == -1) index = sel_;
  if (index < 0 || index >= kEntryCount) return nullptr;
  return &entries_[static_cast<size_t>(index)];
}

bool SideModelTable::SetCurrent(int index) {
  sel_ = index;
  return Save();
}

bool SideModelTable::ResetDefaults() {
  SetDefaults();
  return Save();
}
