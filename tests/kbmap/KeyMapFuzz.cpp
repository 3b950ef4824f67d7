// libFuzzer target: key map files as the keyboard picture control and the
// picture generator read them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "KeyMapFile.h"
#include "ui/common/CoordMapParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto buttons = coordmap::ParseCoordButtons(bytes, kb::ui::Color::Rgb(0xFF, 0xFF, 0xFF));
  if (buttons) {
    for (const CoordButton& button : *buttons) {
      // Moved to any place on a window without overflowing.
      kb::ui::Rect moved = button.rect.Offset(30000, -30000);
      if (moved.left < button.rect.left) __builtin_trap();
    }
  }
  coordmap::ParseKeyColor(bytes);
  coordmap::ParseKeyRect(bytes);
  auto map = kbpicture::ReadKeyMap(bytes);
  if (map && (map->width <= 0 || map->height <= 0)) __builtin_trap();
  return 0;
}
