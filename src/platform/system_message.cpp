#include "platform/system_message.h"

#ifdef _WIN32
#include <windows.h>

namespace kb {

void ShowSystemError(const std::wstring& title, const std::wstring& text) {
  MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
}

}  // namespace kb
#endif
