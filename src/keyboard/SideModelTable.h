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

class SideModelTable : public SelectionTable<SideModelTable, SideModelEntry, 12> {
 public:
  static constexpr wchar_t kFileName[] = L"sidemodel.xml";
  // The highest index "sel" keeps on loading; it has no entry.
  static constexpr int kMaxSel = 12;
  static constexpr int kDefaultSel = 0;
  static constexpr int kSpeedModeCount = 3;  // modes 0 to 2 set a speed
  static constexpr uint8_t kDefaultSpeedLevel = 4;
  static constexpr uint8_t kDefaultBrightnessLevel = 7;
  static constexpr uint8_t kMaxLevel = 7;

  static SideModelTable& Instance();

  SideModelTable() = default;

 private:
  friend class SelectionTable<SideModelTable, SideModelEntry, 12>;
  static constexpr char kRootName[] = "effect";  // the same root name as ledeffect.xml

  static SideModelEntry DefaultEntry(int index) {
    return SideModelEntry{index < kSpeedModeCount ? kDefaultSpeedLevel : kDefaultBrightnessLevel};
  }
  static SideModelEntry ReadEntry(const pugi::xml_node& item);
  static void WriteEntry(pugi::xml_node& item, const SideModelEntry& entry);
};
