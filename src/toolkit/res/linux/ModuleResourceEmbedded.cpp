#include "toolkit/core/AttrParse.h"
#include "toolkit/core/ModuleResource.h"
#include "toolkit/res/EmbeddedResource.h"

namespace kb::ui {

// Every module of the Linux build carries the same embedded table: the
// toolkit's system resources live in the library, not in each executable.
bool ReadModuleResource(HINSTANCE, std::wstring_view type, std::wstring_view name,
                        std::vector<uint8_t>& out) {
  out.clear();
  for (const EmbeddedResource* r = EmbeddedResources(); r->type; ++r) {
    if (EqualsNoCase(r->type, type) && EqualsNoCase(r->name, name)) {
      out.assign(r->data, r->data + r->size);
      return true;
    }
  }
  return false;
}

}  // namespace kb::ui
