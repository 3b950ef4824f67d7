#pragma once
// The user's last level for each of the side light's 12 modes, and the mode in
// use; kept in sidemodel.xml beside the executable and rewritten after every
// change. For modes 0 to 2 the level is the light's speed, for the others its
// brightness. No lock: only the UI thread uses it.
#include <cstdint>
#include <string>

#include "keyboard/SelectionTable.h"

struct SideModelEntry {
  uint8_t brightness = 0;  // the level, 0 to 7

  bool operator==(const SideModelEntry&) const = default;
};

// "sel" may name index 12, which has no entry; 0 after a reset.
class SideModelTable : public SelectionTable<SideModelTable, SideModelEntry, 12, 12, 0> {
 public:
  static constexpr wchar_t kFileName[] = L"sidemodel.xml";
  static constexpr int kSpeedModeCount = 3;  // modes 0 to 2 set a speed
  static constexpr uint8_t kDefaultSpeedLevel = 4;
  static constexpr uint8_t kDefaultBrightnessLevel = 7;
  static constexpr uint8_t kMaxLevel = 7;

 private:
  friend SelectionTable;
  static SideModelEntry ReadEntry(const pugi::xml_node& item);
  static void WriteEntry(pugi::xml_node& item, const SideModelEntry& entry);
  static SideModelEntry DefaultEntry(int index) {
    return SideModelEntry{index < kSpeedModeCount ? kDefaultSpeedLevel : kDefaultBrightnessLevel};
  }
};
