#pragma once
// What one physical key does in software.
#include <cstdint>
#include <string>
#include <vector>

#include "macro/KeyStep.h"

// AssignType: the type field of a key record, the page it was made on.
inline constexpr int32_t kTypeMacro = 0;
inline constexpr int32_t kTypeSingleKey = 1;
inline constexpr int32_t kTypeMediaKey = 2;
inline constexpr int32_t kTypeFunctionKey = 3;
// PlayMode: the play field of a key record.
inline constexpr int32_t kPlayDirectKey = 1;
inline constexpr int32_t kPlayCount = 2;
inline constexpr int32_t kPlayWhileHeld = 3;
inline constexpr int32_t kPlayToggle = 4;
inline constexpr int32_t kPlayUntilAnotherKey = 5;
inline constexpr int32_t kPlayUntilAnyKey = 6;
// Accepted as a trigger (it stops what plays) but plays nothing.
inline constexpr int32_t kPlayTriggerOnly = 8;

struct KeyRecord {
  KeyCode code = 0;     // the trigger key
  int32_t type = 0;     // AssignType it was made from: 0 macro, 1 single key, 2 media key, 3 function key
  int32_t play = 0;     // PlayMode: 1 direct key, 2 repeat times, 3 while held, 4 toggle,
                        // 5 until another key, 6 until any key
  int32_t repeat = 0;   // repeat count for play mode 2
  std::wstring name;    // display name of the trigger key
  std::wstring group;   // display name of what is assigned
  std::vector<KeyStep> steps;  // copied at assignment time

  bool operator==(const KeyRecord&) const = default;
};
