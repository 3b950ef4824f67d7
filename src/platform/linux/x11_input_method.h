#pragma once
// The X input method (XIM): composed and converted text (Chinese through
// fcitx or ibus, dead keys) for the program's windows, as Windows delivers an
// IME's text. One input context per top-level window, created when the
// window first takes the focus.
#include <X11/Xlib.h>

#include <string>

namespace kb::platform {

class X11Display;

// Lets the input method see an event first (event thread); true when it took
// the event (a key that goes into a composition).
bool X11FilterInputMethodEvent(XEvent& event);
// The window took or lost the keyboard focus (event thread).
void X11InputMethodFocus(X11Display* x, ::Window xid, bool focused);
// The text and key symbol of a key press: through the window's input context
// when it has one (*fromInputMethod: text committed by the input method
// rather than typed by a key), else from the keyboard layout.
std::wstring X11LookupKeyText(X11Display* x, XKeyEvent& e, KeySym* typed, bool* fromInputMethod);
// Before the window goes.
void X11ForgetInputContext(X11Display* x, ::Window xid);

}  // namespace kb::platform
