#pragma once
// Readable test failure messages for the macro and record models.
#include <ostream>

#include "macro/KeyRecord.h"
#include "macro/MacroStore.h"
#include "platform/text.h"

inline void PrintTo(const KeyStep& step, std::ostream* os) {
  *os << "{code " << std::hex << step.code << std::dec << ", state " << step.state << ", delay " << step.delay
      << ", \"" << kb::WideToUtf8(step.name) << "\"}";
}

inline void PrintTo(const KeyRecord& record, std::ostream* os) {
  *os << "{code " << std::hex << record.code << std::dec << ", type " << record.type << ", play " << record.play
      << ", repeat " << record.repeat << ", \"" << kb::WideToUtf8(record.name) << "\", \""
      << kb::WideToUtf8(record.group) << "\", " << record.steps.size() << " steps}";
}

inline void PrintTo(const MacroGroup& group, std::ostream* os) {
  *os << "{\"" << kb::WideToUtf8(group.name) << "\", " << group.steps.size() << " steps}";
}
