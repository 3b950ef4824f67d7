#pragma once
// What screen readers learn about a host window's controls. The controls are
// drawn, not windows, so on Windows the host answers WM_GETOBJECT with an
// IAccessible whose children are the controls that take the focus, named by
// SWindow::GetAccessibleName(), and tells the readers when the focus moves.
// Elsewhere these calls do nothing.
#include "platform/win32.h"

namespace kb::ui {

class SHostWnd;
class SWindow;

// True when the message was a request for the host's accessible object and
// `result` holds the answer.
bool AnswerAccessibilityRequest(SHostWnd& host, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
// The focus moved to `control`, or what it is called changed while it has it.
void NotifyAccessibleFocus(SHostWnd& host, SWindow* control);
// The host window is going: objects handed out answer nothing afterwards.
void DisconnectHostAccessibility(SHostWnd& host);

}  // namespace kb::ui
