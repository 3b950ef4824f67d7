#include "keyboard/LedEffectTable.h"

#include "keyboard/SelectionTableFile.h"

template class SelectionTable<LedEffectTable, LedEffectEntry, 22, 22, 20>;

namespace {

constexpr int kUnsetSelection = 1;

uint8_t LowByte(const pugi::xml_node& item, const char* name, int missing) {
  return static_cast<uint8_t>(item.attribute(name).as_int(missing) & 0xff);
}

}  // namespace

LedEffectEntry LedEffectTable::ReadEntry(const pugi::xml_node& item) {
  LedEffectEntry entry;
  entry.speed = LowByte(item, "speed", 0);
  if (entry.speed > kMaxSpeed) entry.speed = kMaxSpeed;
  entry.brightness = LowByte(item, "brightness", 0);
  if (entry.brightness > kMaxBrightness) entry.brightness = kMaxBrightness;
  entry.deriction = LowByte(item, "deriction", 0);
  if (entry.deriction > kMaxDeriction) entry.deriction = 0;
  entry.selection = LowByte(item, "selection", kUnsetSelection);
  if (entry.selection < kSelectionLeft || entry.selection > kSelectionCentre) entry.selection = kUnsetSelection;
  return entry;
}

void LedEffectTable::WriteEntry(pugi::xml_node& item, const LedEffectEntry& entry) {
  item.append_attribute("speed").set_value(static_cast<unsigned>(entry.speed));
  item.append_attribute("brightness").set_value(static_cast<unsigned>(entry.brightness));
  item.append_attribute("deriction").set_value(static_cast<unsigned>(entry.deriction));
  item.append_attribute("selection").set_value(static_cast<unsigned>(entry.selection));
}
