#pragma once
// One step of a macro or of a key record.
#include <cstdint>
#include <string>

#include "keyfunc/KeyCode.h"

struct KeyStep {
  static constexpr int32_t kUp = 0;
  static constexpr int32_t kDown = 1;

  KeyCode code = 0;
  int32_t state = kUp;
  int32_t delay = 0;  // milliseconds to wait after the step is sent
  std::wstring name;  // display name of the key

  bool operator==(const KeyStep&) const = default;
};
