#pragma once
// The gallery's pictures, drawn when it starts so it needs no image files:
// a four-state button, a nine-patch card, tab icons and stars. They are put
// into a memory provider as PNG files under type "img".
#include "toolkit/core/SResProviderMemory.h"

namespace gallery {

void AddGeneratedImages(kb::ui::SResProviderMemory& provider);

}  // namespace gallery
