#pragma once
// One key of the keyboard picture: where it lies on the picture, what it is
// called and what state the picture shows it in.
#include <cstdint>
#include <string>

#include "toolkit/core/Types.h"

struct CoordButton {
  // The key's identifier from the key map ("id"); -1 when the map has none.
  // In our key map it is the HID usage id of the key.
  int32_t id = -1;
  // The key's second code ("va"); -1 when missing. In our key map it is the
  // HID usage page, so (va << 16) | id is the key's KeyCode.
  int32_t va = -1;
  // As printed on the keycap; shown as the tooltip while `tip` is empty.
  std::wstring name;
  // Picture coordinates, half-open like a Windows RECT.
  kb::ui::Rect rect;
  // Fill drawn under the background picture.
  kb::ui::Color color = kb::ui::Color::Rgb(0xFF, 0xFF, 0xFF);
  // What the program shows about the key (its assignment); empty at load.
  std::wstring tip;
  uint32_t checked = 0;
  uint32_t hover = 0;
  // The left button went down on this key and has not come up on it yet.
  uint32_t pressed = 0;
};
