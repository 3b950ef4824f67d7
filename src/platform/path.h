#pragma once
// File paths are joined in one place, with the platform's separator.
#include <string>
#include <string_view>

namespace kb {

#ifdef _WIN32
inline constexpr wchar_t kPathSeparator = L'\\';
#else
inline constexpr wchar_t kPathSeparator = L'/';
#endif

// Joins a folder and a name with exactly one separator. The name may start with
// either separator (the program's file names are written "\\macro.xml").
std::wstring PathJoin(std::wstring_view folder, std::wstring_view name);

// The folder part of a path (without its trailing separator), or "" if none.
std::wstring PathFolder(std::wstring_view path);

// The folder that holds the running executable.
std::wstring ExecutableFolder();

}  // namespace kb
