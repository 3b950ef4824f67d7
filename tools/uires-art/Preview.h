#pragma once
// One picture of every skin of a package, state by state, drawn by the
// toolkit the way the windows draw them, so the whole theme can be looked at
// at once.
#include <string>
#include <vector>

#include "toolkit/render/Bitmap.h"

namespace kb::art {

// `uiresDir` is a complete package (the built one, with the keyboard
// pictures). Skins that do not load are added to `problems`.
render::Bitmap RenderPreview(const std::string& uiresDir, std::vector<std::string>& problems);

}  // namespace kb::art
