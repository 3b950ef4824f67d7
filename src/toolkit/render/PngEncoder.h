#pragma once
// Screenshots and generated images are written as PNG.
#include <cstdint>
#include <vector>

#include "toolkit/render/Bitmap.h"

namespace kb::render {

// The bitmap as PNG file bytes (straight alpha); empty for an empty bitmap.
std::vector<uint8_t> EncodePng(const Bitmap& bitmap);

}  // namespace kb::render
