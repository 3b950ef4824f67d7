#pragma once
// Windows-style file paths to Linux ones: backslashes become slashes. Device
// names (\\?\hid#..., \\.\vhidflt) are not file paths and never come here.
#include <string>

#include "platform/linux/win32_types.h"

namespace kb::platform {

std::string NativePath(LPCWSTR path);
// ERROR_PATH_NOT_FOUND when the folder of `path` is missing, else ERROR_FILE_NOT_FOUND.
DWORD NotFoundError(const std::string& path);

}  // namespace kb::platform
