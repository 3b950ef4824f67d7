#pragma once
// The table of files embedded into the Linux build in place of .rc
// resources. Generated at build time (sysres/EmbedFiles.cmake).
#include <cstddef>

namespace kb::ui {

struct EmbeddedResource {
  const wchar_t* type;
  const wchar_t* name;
  const unsigned char* data;
  size_t size;
};

// Ends with an entry whose type is null.
const EmbeddedResource* EmbeddedResources();

}  // namespace kb::ui
