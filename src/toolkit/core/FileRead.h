#pragma once
// Whole-file reads of resource files by wide path.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kb::ui {

// False when the file cannot be opened or read, or is larger than maxBytes.
bool ReadWholeFile(const std::wstring& path, size_t maxBytes, std::vector<uint8_t>& out);

}  // namespace kb::ui
