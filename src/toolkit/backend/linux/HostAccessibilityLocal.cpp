// No screen-reader bridge on the X11 build: the names are still there
// (SWindow::GetAccessibleName) for tests and a later AT-SPI bridge.
#include "toolkit/window/HostAccessibility.h"

namespace kb::ui {

bool AnswerAccessibilityRequest(SHostWnd&, UINT, WPARAM, LPARAM, LRESULT&) { return false; }
void NotifyAccessibleFocus(SHostWnd&, SWindow*) {}
void DisconnectHostAccessibility(SHostWnd&) {}

}  // namespace kb::ui
