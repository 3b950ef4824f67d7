#pragma once
// Resources held in memory: generated skins, and tests that build layouts
// without touching the disk.
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "toolkit/core/IResProvider.h"

namespace kb::ui {

class SResProviderMemory final : public IResProvider {
 public:
  void Add(std::wstring_view type, std::wstring_view name, std::vector<uint8_t> bytes);
  void AddText(std::wstring_view type, std::wstring_view name, std::string_view utf8);

  bool HasResource(std::wstring_view type, std::wstring_view name) const override;
  bool GetRawBuffer(std::wstring_view type, std::wstring_view name,
                    std::vector<uint8_t>& out) const override;

 private:
  using Key = std::pair<std::wstring, std::wstring>;
  std::map<Key, std::vector<uint8_t>> items_;
};

}  // namespace kb::ui
