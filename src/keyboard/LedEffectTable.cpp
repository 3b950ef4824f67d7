#include "keyboard/LedEffectTable.h"

#include <pugixml.hpp>

#include "app/XmlFile.h"

namespace {

constexpr char kRootName[] = "effect";
constexpr char kItemName[] = "item";
constexpr int kUnsetSelection = 1;

uint8_t LowByte(const pugi::xml_node& item, const char* name, int missing) {
  return static_cast<uint8_t>(item.attribute(name).as_int(missing) & 0xff);
}

LedEffectEntry ReadEntry(const pugi::xml_node& item) {
  LedEffectEntry entry;
  entry.speed = LowByte(item, "speed", 0);
  if (entry.speed > LedEffectTable::kMaxSpeed) entry.speed = LedEffectTable::kMaxSpeed;
  entry.brightness = LowByte(item, "brightness", 0);
  if (entry.brightness > LedEffectTable::kMaxBrightness) entry.brightness = LedEffectTable::kMaxBrightness;
  entry.deriction = LowByte(item, "deriction", 0);
  if (entry.deriction > LedEffectTable::kMaxDeriction) entry.deriction = 0;
  entry.selection = LowByte(item, "selection", kUnsetSelection);
  if (entry.selection < LedEffectTable::kSelectionLeft || entry.selection > LedEffectTable::kSelectionCentre) {
    entry.selection = kUnsetSelection;
  }
  return entry;
}

}  // namespace

LedEffectTable& LedEffectTable::Instance() {
  static LedEffectTable* instance = new LedEffectTable();
  return *instance;
}

LedEffectTable::LedEffectTable() { SetDefaults(); }

void LedEffectTable::SetDefaults() {
  entries_.fill(LedEffectEntry{});
  sel_ = kDefaultSel;
}

bool LedEffectTable::Load(const std::wstring& path) {
  if (path.empty()) return false;
  path_ = path;
  pugi::xml_document doc;
  if (!kb::LoadXmlFile(path_, doc, pugi::encoding_utf8)) {
    SetDefaults();
    Save();
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

bool LedEffectTable::Save() {
  if (path_.empty()) return false;
  pugi::xml_document doc;
  pugi::xml_node root = doc.append_child(kRootName);
  root.append_attribute("sel").set_value(sel_);
  for (const LedEffectEntry& entry : entries_) {
    pugi::xml_node item = root.append_child(kItemName);
    item.append_attribute("speed").set_value(static_cast<unsigned>(entry.speed));
    item.append_attribute("brightness").set_value(static_cast<unsigned>(entry.brightness));
    item.append_attribute("deriction").set_value(static_cast<unsigned>(entry.deriction));
    item.append_attribute("selection").set_value(static_cast<unsigned>(entry.selection));
  }
  return kb::SaveXmlFile(doc, path_);
}

LedEffectEntry* LedEffectTable::GetEntry(int index) {
  if (index == -1) index = sel_;
  if (index < 0 || index >= kEntryCount) return nullptr;
  return &entries_[static_cast<size_t>(index)];
}

bool LedEffectTable::SetCurrent(int index) {
  sel_ = index;
  return Save();
}

bool LedEffectTable::ResetDefaults() {
  SetDefaults();
  return Save();
}
