#pragma once
// Where layouts, images, string tables and translations come from. A
// resource is named by a type and a name, both without regard to letter case.
#include <cstdint>
#include <string_view>
#include <vector>

namespace kb::ui {

class IResProvider {
 public:
  virtual ~IResProvider() = default;
  virtual bool HasResource(std::wstring_view type, std::wstring_view name) const = 0;
  // The resource's bytes; false (and `out` emptied) when it is missing or
  // cannot be read.
  virtual bool GetRawBuffer(std::wstring_view type, std::wstring_view name,
                            std::vector<uint8_t>& out) const = 0;
  // The bytes of the resource drawn for another scale ("@2x": twice as many
  // pixels a side); false when the provider has none.
  virtual bool GetScaledVariant(std::wstring_view type, std::wstring_view name, std::wstring_view suffix,
                                std::vector<uint8_t>& out) const {
    out.clear();
    return false;
  }
};

}  // namespace kb::ui
