#include "toolkit/core/SResProviderMemory.h"

#include "toolkit/core/AttrParse.h"

namespace kb::ui {

void SResProviderMemory::Add(std::wstring_view type, std::wstring_view name, std::vector<uint8_t> bytes) {
  items_[Key{ToLowerAscii(type), ToLowerAscii(name)}] = std::move(bytes);
}

void SResProviderMemory::AddText(std::wstring_view type, std::wstring_view name, std::string_view utf8) {
  Add(type, name, std::vector<uint8_t>(utf8.begin(), utf8.end()));
}

bool SResProviderMemory::HasResource(std::wstring_view type, std::wstring_view name) const {
  return items_.count(Key{ToLowerAscii(type), ToLowerAscii(name)}) > 0;
}

bool SResProviderMemory::GetRawBuffer(std::wstring_view type, std::wstring_view name,
                                      std::vector<uint8_t>& out) const {
  auto it = items_.find(Key{ToLowerAscii(type), ToLowerAscii(name)});
  if (it == items_.end()) {
    out.clear();
    return false;
  }
  out = it->second;
  return true;
}

}  // namespace kb::ui
