#pragma once
// What the About box says about the program: its name, version and build
// date (one version number for the executable's VERSIONINFO, the packages
// and this box: CMake's project version) and the third-party code it
// contains with their licences. The values are generated at configure time
// (cmake/KbProduct.cmake, ProductInfo.cpp.in).
#include <span>

namespace kb::product {

struct Notice {
  const wchar_t* name;
  const wchar_t* licence;
};

const wchar_t* Name();
const wchar_t* Version();
// The program's own licence, by its short name (the text is LICENSE.txt).
const wchar_t* Licence();
// YYYY-MM-DD: the date of the sources (last commit), not of the compiler run.
const wchar_t* BuildDate();
std::span<const Notice> Notices();

}  // namespace kb::product
