#pragma once
// Moving a keyboard focus from key to key of the keyboard picture with the
// arrow keys. Rows are not given by the key map, so they are found from the
// rectangles: Left and Right stay among the keys beside the current one
// (those sharing some of its height, so the tall keys of the number pad
// count in both their rows); Up and Down go to the nearest row above or
// below and there to the key nearest horizontally.
#include <vector>

#include "ui/common/CoordButton.h"

namespace keynav {

enum class Move { kLeft, kRight, kUp, kDown, kRowStart, kRowEnd };

// The key to move to from `from` (an index into `keys`), or `from` itself
// when there is none in that direction. With `from` out of range: -1 for an
// empty list, else 0.
int Neighbour(const std::vector<CoordButton>& keys, int from, Move move);

}  // namespace keynav
