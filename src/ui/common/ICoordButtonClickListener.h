#pragma once
// Who is told when a key of the keyboard picture is pressed or released.
#include <string>

#include "platform/win32.h"

inline constexpr int kCoordButtonPress = 0;
inline constexpr int kCoordButtonRelease = 1;

class ICoordButtonClickListener {
 public:
  // `id` and `name` are the key's; `action` is kCoordButtonPress or
  // kCoordButtonRelease; `flags` are the mouse message's MK_* flags; (x, y)
  // is the point in the control's own coordinates. Returning true on a press
  // means the click was handled: the picture then changes no checked state.
  // The result of a release is not used.
  virtual bool OnCoordButtonClick(int id, std::wstring name, int action, UINT flags, int x, int y) = 0;

 protected:
  // Listeners are never deleted through this interface (the picture does not
  // own its listener).
  ~ICoordButtonClickListener() = default;
};
