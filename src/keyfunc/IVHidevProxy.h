#pragma once
// What a report is written through: one 64-byte block to the virtual keyboard.
#include <cstdint>

class IVHidevProxy {
 public:
  // Nonzero when the block was written.
  virtual int32_t Write(const uint8_t* data, uint32_t length, uint8_t reportId) = 0;

 protected:
  ~IVHidevProxy() = default;
};
