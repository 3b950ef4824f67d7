#pragma once
// One picture of every image skin of a package, frame by frame, so the whole
// theme can be looked at at once.
#include <string>
#include <vector>

#include "toolkit/render/Bitmap.h"

namespace kb::art {

// Reads `uiresDir`'s index and skin table; images the index names that are
// not in `uiresDir` are looked for in the `extraDirs` (pictures generated at
// build time). Problems (unresolved or undecodable images, frame counts that
// do not divide the width) are added to `problems`.
render::Bitmap RenderPreview(const std::string& uiresDir, const std::vector<std::string>& extraDirs,
                             std::vector<std::string>& problems);

}  // namespace kb::art
