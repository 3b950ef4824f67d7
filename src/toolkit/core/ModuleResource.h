#pragma once
// Resources linked into the executable itself. On Windows they are the
// module's .rc resources; on Linux the same files are embedded at build time.
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace kb::ui {

// False when the module has no such resource.
bool ReadModuleResource(HINSTANCE module, std::wstring_view type, std::wstring_view name,
                        std::vector<uint8_t>& out);

}  // namespace kb::ui
