#pragma once
// The key map as the picture generator sees it: the keys exactly as the
// keyboard picture control reads them, plus what only the picture needs (its
// size and the shifted legends printed above some characters).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/common/CoordButton.h"

namespace kbpicture {

struct PictureKey {
  CoordButton button;
  // "shift": the legend printed above the key's name ("!" on the "1" key).
  std::wstring shiftLegend;
};

struct KeyMap {
  int width = 0;
  int height = 0;
  std::vector<PictureKey> keys;
};

// The picture's size comes from the "width" and "height" of "positions";
// without them, the keys' extent with a margin. Null when the text is not a
// key map or the size is not one a picture can have.
std::optional<KeyMap> ReadKeyMap(std::string_view bytes);

}  // namespace kbpicture
