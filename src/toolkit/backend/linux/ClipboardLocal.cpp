#include <mutex>

#include "toolkit/window/Clipboard.h"

namespace kb::ui {

// The Linux platform layer has no clipboard yet: cut, copy and paste work
// between the program's own edits.
namespace {
std::mutex gMutex;
std::optional<std::wstring> gText;
}  // namespace

bool SetClipboardText(HWND, const std::wstring& text) {
  std::lock_guard<std::mutex> lock(gMutex);
  gText = text;
  return true;
}

std::optional<std::wstring> GetClipboardText(HWND) {
  std::lock_guard<std::mutex> lock(gMutex);
  return gText;
}

}  // namespace kb::ui
