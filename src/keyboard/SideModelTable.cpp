#include "keyboard/SideModelTable.h"

#include "keyboard/SelectionTableFile.h"

template class SelectionTable<SideModelTable, SideModelEntry, 12, 12, 0>;

SideModelEntry SideModelTable::ReadEntry(const pugi::xml_node& item) {
  // The level is a 4-bit field of the side-light report.
  SideModelEntry entry;
  entry.brightness = static_cast<uint8_t>(item.attribute("brightness").as_int(0) & 0x0f);
  if (entry.brightness > kMaxLevel) entry.brightness = 0;
  return entry;
}

void SideModelTable::WriteEntry(pugi::xml_node& item, const SideModelEntry& entry) {
  item.append_attribute("brightness").set_value(static_cast<unsigned>(entry.brightness));
}
