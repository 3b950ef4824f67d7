#pragma once
// Reading a key map: the XML file that says where each key lies on the
// keyboard picture.
//
//   <positions>
//     <key id="41" va="7" name="Esc" rect="10, 12, 48, 48" color="#303030"/>
//   </positions>
//
// Every element under the first "positions" element is one key, whatever its
// name, in file order. "rect" is x, y, width and height; "color" is
// hexadecimal digits, "#" and spaces allowed, read as 0xRRGGBB (opaque) or,
// with seven or eight digits, 0xAARRGGBB.
//
// Kept free of the platform and the toolkit's windows, so the picture
// generator (a build-time tool) reads the key map exactly as the control does.
#include <optional>
#include <string_view>
#include <vector>

#include "ui/common/CoordButton.h"

namespace coordmap {

// The keys of a key map file's bytes (any encoding pugixml detects). Null
// when the text is not XML; an XML file without "positions" has no keys.
std::optional<std::vector<CoordButton>> ParseCoordButtons(std::string_view bytes, kb::ui::Color defaultColor);

// A "color" value; null when no hexadecimal number can be read.
std::optional<kb::ui::Color> ParseKeyColor(std::string_view text);

// A "rect" value; numbers that cannot be read stay 0.
kb::ui::Rect ParseKeyRect(std::string_view text);

// Coordinates are kept within this distance of 0, so moving a key to the
// control's place on the window can never overflow.
inline constexpr int kCoordLimit = 1 << 24;

}  // namespace coordmap
