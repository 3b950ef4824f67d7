#include "toolkit/core/ModuleResource.h"

#include <string>

namespace kb::ui {

bool ReadModuleResource(HINSTANCE module, std::wstring_view type, std::wstring_view name,
                        std::vector<uint8_t>& out) {
  out.clear();
  if (!module) module = GetModuleHandleW(nullptr);
  std::wstring typeText(type);
  std::wstring nameText(name);
  // FindResourceW compares string names without letter case, as our other
  // providers do.
  HRSRC info = FindResourceW(module, nameText.c_str(), typeText.c_str());
  if (!info) return false;
  DWORD size = SizeofResource(module, info);
  HGLOBAL loaded = LoadResource(module, info);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return false;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  out.assign(bytes, bytes + size);
  return true;
}

}  // namespace kb::ui
