#pragma once
// The current state of one input report of the virtual keyboard, and the
// proxy it is written through.
#include <cstdint>
#include <vector>

#include "keyfunc/IVHidevProxy.h"

struct ReportSection {
  uint8_t id = 0;
  std::vector<uint8_t> payload;
  IVHidevProxy* proxy = nullptr;

  int32_t Send() const { return proxy->Write(payload.data(), static_cast<uint32_t>(payload.size()), id); }
  void Clear() { payload.assign(payload.size(), 0); }
};
