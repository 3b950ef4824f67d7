#include "keyfunc/InterceptTable.h"

#include "keyfunc/FilterIoctl.h"

namespace HidUsbFilter {

std::vector<uint8_t> InterceptTable::Build(const std::vector<KeyCode>& codes) {
  std::vector<uint8_t> table(kInterceptTableBytes, 0);
  size_t entry = 0;
  for (KeyCode code : codes) {
    if (entry >= kInterceptEntries) break;
    uint8_t* bytes = table.data() + entry * kInterceptEntryBytes;
    // The driver's entries carry the usage's low byte only: every key of the
    // keyboard picture has a usage below 0x100.
    bytes[0] = static_cast<uint8_t>(UsageOf(code) & 0xFF);
    bytes[1] = 0;
    bytes[2] = static_cast<uint8_t>(UsagePageOf(code));
    bytes[3] = kInterceptThisKey;
    ++entry;
  }
  return table;
}

}  // namespace HidUsbFilter
