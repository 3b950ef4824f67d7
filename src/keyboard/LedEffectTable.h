#pragma once
// The user's last choices for each of the backlight's 22 effects, and the
// effect in use; kept in ledeffect.xml beside the executable and rewritten
// after every change. No lock: only the UI thread uses it.
#include <cstdint>
#include <string>

#include "keyboard/SelectionTable.h"

struct LedEffectEntry {
  uint8_t brightness = 5;  // 0 to 5
  uint8_t speed = 2;       // 0 to 2
  uint8_t deriction = 0;   // moving effects: 0 left, 1 right
  uint8_t selection = 0;   // variant of effect 21: 1 left, 2 centre (0 after a reset)

  bool operator==(const LedEffectEntry&) const = default;
};

// "sel" may name index 22, which has no entry (nothing is shown or sent for
// it); 20 after a reset.
class LedEffectTable : public SelectionTable<LedEffectTable, LedEffectEntry, 22, 22, 20> {
 public:
  static constexpr wchar_t kFileName[] = L"ledeffect.xml";
  static constexpr uint8_t kMaxBrightness = 5;
  static constexpr uint8_t kMaxSpeed = 2;
  static constexpr uint8_t kMaxDeriction = 1;
  static constexpr uint8_t kSelectionLeft = 1;
  static constexpr uint8_t kSelectionCentre = 2;

 private:
  friend SelectionTable;
  static LedEffectEntry DefaultEntry(int) { return LedEffectEntry{}; }
  static LedEffectEntry ReadEntry(const pugi::xml_node& item);
  static void WriteEntry(pugi::xml_node& item, const LedEffectEntry& entry);
};
