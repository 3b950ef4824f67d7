#pragma once
// The filter driver's intercept table: the keys it withholds from the system
// because the program performs them itself.
#include <cstdint>
#include <vector>

#include "keyfunc/KeyCode.h"

namespace HidUsbFilter {

class InterceptTable {
 public:
  // One entry per code in order; codes beyond the table's 256 entries are left out.
  static std::vector<uint8_t> Build(const std::vector<KeyCode>& codes);
};

}  // namespace HidUsbFilter
