#include "platform/linux/x11_input_method.h"

#include <X11/Xlocale.h>
#include <X11/Xutil.h>

#include <clocale>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/linux/x11_display.h"
#include "platform/text.h"

namespace kb::platform {

namespace {

// Recursive: Xlib may call the destroy callback below from inside a call made
// with the lock held (XSetICFocus reads the server's events too).
std::recursive_mutex imLock;
XIM inputMethod = nullptr;
bool tried = false;
std::map<::Window, XIC>& Contexts() {
  static auto* contexts = new std::map<::Window, XIC>;
  return *contexts;
}

// The input method's server went away (crashed, or restarted by the
// desktop). Xlib has already freed the method and its contexts: they must not
// be used, closed or destroyed again, or Xlib waits forever for a reply from
// the server that is gone. The next focus opens whatever runs then.
void OnInputMethodDestroyed(XIM, XPointer, XPointer) {
  std::lock_guard<std::recursive_mutex> guard(imLock);
  inputMethod = nullptr;
  tried = false;
  Contexts().clear();
}

// Opens the input method named by XMODIFIERS once (lock held). Input methods
// speak in the client's locale: a program left in the "C" locale gets its
// character type from the environment, or UTF-8.
XIM OpenInputMethod(Display* dpy) {
  if (tried) return inputMethod;
  tried = true;
  const char* current = std::setlocale(LC_CTYPE, nullptr);
  if (current && (std::strcmp(current, "C") == 0 || std::strcmp(current, "POSIX") == 0)) {
    if (!std::setlocale(LC_CTYPE, "") || std::strcmp(std::setlocale(LC_CTYPE, nullptr), "C") == 0)
      std::setlocale(LC_CTYPE, "C.UTF-8");
  }
  if (!XSupportsLocale()) return nullptr;
  XSetLocaleModifiers("");
  inputMethod = XOpenIM(dpy, nullptr, nullptr, nullptr);
  if (!inputMethod) {
    // The input method of XMODIFIERS is not running: the built-in one still
    // composes dead keys.
    XSetLocaleModifiers("@im=none");
    inputMethod = XOpenIM(dpy, nullptr, nullptr, nullptr);
  }
  if (inputMethod) {
    XIMCallback destroyed{nullptr, OnInputMethodDestroyed};
    XSetIMValues(inputMethod, XNDestroyCallback, &destroyed, nullptr);
  }
  return inputMethod;
}

XIC ContextOf(::Window xid) {
  auto it = Contexts().find(xid);
  return it == Contexts().end() ? nullptr : it->second;
}

}  // namespace

bool X11FilterInputMethodEvent(XEvent& event) {
  {
    std::lock_guard<std::recursive_mutex> guard(imLock);
    if (!inputMethod) return false;
  }
  X11Display* x = X11Display::Get();
  XLockGuard lock(x);
  return XFilterEvent(&event, None) == True;
}

void X11InputMethodFocus(X11Display* x, ::Window xid, bool focused) {
  XLockGuard lock(x);
  std::lock_guard<std::recursive_mutex> guard(imLock);
  XIC ic = ContextOf(xid);
  if (!ic && focused) {
    XIM im = OpenInputMethod(x->dpy);
    if (!im) return;
    // The input method draws its candidates itself, near the window.
    ic = XCreateIC(im, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, xid, XNFocusWindow, xid,
                   nullptr);
    if (!ic) return;
    Contexts()[xid] = ic;
    long filterMask = 0;
    if (!XGetICValues(ic, XNFilterEvents, &filterMask, nullptr) && filterMask) {
      XWindowAttributes attributes;
      if (XGetWindowAttributes(x->dpy, xid, &attributes))
        XSelectInput(x->dpy, xid, attributes.your_event_mask | filterMask);
    }
  }
  if (!ic) return;
  if (focused)
    XSetICFocus(ic);
  else
    XUnsetICFocus(ic);
}

std::wstring X11LookupKeyText(X11Display* x, XKeyEvent& e, KeySym* typed, bool* fromInputMethod) {
  *fromInputMethod = false;
  XLockGuard lock(x);
  XIC ic;
  {
    std::lock_guard<std::recursive_mutex> guard(imLock);
    ic = ContextOf(e.window);
  }
  std::vector<char> buffer(64);
  int length = 0;
  if (ic && e.type == KeyPress) {
    Status status = 0;
    length = Xutf8LookupString(ic, &e, buffer.data(), static_cast<int>(buffer.size()) - 1, typed, &status);
    if (status == XBufferOverflow) {
      buffer.resize(static_cast<size_t>(length) + 1);
      length = Xutf8LookupString(ic, &e, buffer.data(), length, typed, &status);
    }
    if (status == XLookupChars) *typed = NoSymbol;
    if (status != XLookupChars && status != XLookupBoth) length = 0;
    *fromInputMethod = status == XLookupChars;
  } else {
    length = XLookupString(&e, buffer.data(), static_cast<int>(buffer.size()) - 1, typed, nullptr);
    // Without an input context the bytes are Latin-1; only control
    // characters are taken from them.
    if (length != 1 || (static_cast<unsigned char>(buffer[0]) >= 0x20 && buffer[0] != 0x7F)) length = 0;
  }
  if (length <= 0) return std::wstring();
  return Utf8ToWide(std::string(buffer.data(), static_cast<size_t>(length)));
}

void X11ForgetInputContext(X11Display* x, ::Window xid) {
  XLockGuard lock(x);
  std::lock_guard<std::recursive_mutex> guard(imLock);
  auto it = Contexts().find(xid);
  if (it == Contexts().end()) return;
  XDestroyIC(it->second);
  Contexts().erase(it);
}

}  // namespace kb::platform
