#pragma once
// English display names of the keys the program shows by code: macro steps,
// the key captured for a single-key assignment, single-key records. Compiled
// in and never translated.
#include <cstdint>
#include <span>

#include "keyfunc/KeyCode.h"

struct KeyNameRow {
  uint16_t usage;
  uint16_t page;
  const wchar_t* name;
};

class KeyNameTable {
 public:
  // The row of `code`, or the not-found row (usage 0, page 0, empty name).
  static const KeyNameRow& NameOf(KeyCode code);
  static const KeyNameRow& NameOf(uint16_t usage, uint16_t page);

  // Every row, in table order: system controls, keyboard keys by usage,
  // consumer controls, mouse buttons.
  static std::span<const KeyNameRow> Rows();
  static const KeyNameRow& NotFound();
};
