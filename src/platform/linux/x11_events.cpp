// X events turned into what Windows gives a window: input as queued
// messages, exposure as update regions, window-manager changes as the
// messages of the owning thread.
#include <X11/Xutil.h>

#include <cstring>

#include "platform/linux/kernel_object.h"
#include "platform/linux/win32_kernel.h"
#include "platform/linux/window_object.h"
#include "platform/linux/x11_display.h"
#include "platform/linux/x11_input_method.h"
#include "platform/linux/x11_keys.h"
#include "platform/linux/x11_window.h"

namespace kb::platform {

bool TrayHandleXEvent(const XEvent& event);

namespace {

constexpr unsigned int kWheelUp = 4;
constexpr unsigned int kWheelDown = 5;
constexpr unsigned int kWheelLeft = 6;
constexpr unsigned int kWheelRight = 7;
constexpr unsigned int kBackButton = 8;
constexpr unsigned int kForwardButton = 9;
constexpr int kScanCodeOffset = 8;  // X keycodes are the kernel's scan codes plus 8
constexpr LPARAM kExtendedBit = 1 << 24;
constexpr LPARAM kAltBit = 1 << 29;
constexpr LPARAM kPreviousStateBit = 1 << 30;
constexpr LPARAM kTransitionBit = static_cast<LPARAM>(1u << 31);
constexpr size_t kKeyCodes = 256;

// Which keys the display has reported down (event thread only).
bool keyDown[kKeyCodes] = {};

WPARAM MouseKeys(unsigned int state, unsigned int button, bool pressed) {
  WPARAM mk = 0;
  if (state & ShiftMask) mk |= MK_SHIFT;
  if (state & ControlMask) mk |= MK_CONTROL;
  if (state & Button1Mask) mk |= MK_LBUTTON;
  if (state & Button2Mask) mk |= MK_MBUTTON;
  if (state & Button3Mask) mk |= MK_RBUTTON;
  // The state is from before the event.
  WPARAM bit = button == Button1 ? MK_LBUTTON : button == Button2 ? MK_MBUTTON : button == Button3 ? MK_RBUTTON
               : button == kBackButton ? MK_XBUTTON1 : button == kForwardButton ? MK_XBUTTON2 : 0;
  if (pressed)
    mk |= bit;
  else
    mk &= ~bit;
  return mk;
}

void PostInput(const WindowPtr& w, UINT message, WPARAM wParam, LPARAM lParam, POINT screen, bool hitTest,
               std::wstring text = std::wstring()) {
  QueuedMessage qm;
  qm.msg.hwnd = w->hwnd;
  qm.msg.message = message;
  qm.msg.wParam = wParam;
  qm.msg.lParam = lParam;
  qm.msg.time = GetTickCount();
  qm.msg.pt = screen;
  qm.input = true;
  qm.needsHitTest = hitTest;
  qm.text = std::move(text);
  w->queue->Post(std::move(qm));
}

void OnButton(const WindowPtr& w, const XButtonEvent& e, bool pressed) {
  POINT screen{e.x_root, e.y_root};
  SetLastCursorPos(screen);
  LPARAM client = MAKELPARAM(e.x, e.y);
  WPARAM mk = MouseKeys(e.state, e.button, pressed);
  if (e.button >= kWheelUp && e.button <= kWheelRight) {
    if (!pressed) return;
    short delta = (e.button == kWheelUp || e.button == kWheelRight) ? WHEEL_DELTA : -WHEEL_DELTA;
    UINT message = e.button <= kWheelDown ? WM_MOUSEWHEEL : WM_MOUSEHWHEEL;
    PostInput(w, message, MAKEWPARAM(mk, delta), MAKELPARAM(screen.x, screen.y), screen, true);
    return;
  }
  UINT message;
  WPARAM wParam = mk;
  switch (e.button) {
    case Button1: message = pressed ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
    case Button2: message = pressed ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
    case Button3: message = pressed ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
    case kBackButton:
    case kForwardButton:
      message = pressed ? WM_XBUTTONDOWN : WM_XBUTTONUP;
      wParam = MAKEWPARAM(mk, e.button == kBackButton ? 1 : 2);
      break;
    default: return;
  }
  PostInput(w, message, wParam, client, screen, true);
}

void OnKey(X11Display* x, const WindowPtr& w, XKeyEvent e, bool pressed) {
  KeySym typed = 0, base = 0;
  bool fromInputMethod = false;
  std::wstring typedText;
  if (pressed) typedText = X11LookupKeyText(x, e, &typed, &fromInputMethod);
  {
    XLockGuard guard(x);
    if (!pressed) {
      char buffer[16] = {};
      XLookupString(&e, buffer, sizeof buffer, &typed, nullptr);
    }
    base = XLookupKeysym(&e, 0);
  }
  bool extended = false;
  int vk = 0;
  if (fromInputMethod) {
    // Text the input method committed: Windows reports the key as
    // VK_PROCESSKEY and delivers the text as characters.
    vk = VK_PROCESSKEY;
  } else {
    vk = VirtualKeyFromKeySym(base, &extended);
    if (!vk) vk = VirtualKeyFromKeySym(typed, &extended);
    // Keys of other layouts ("ü" on a German keyboard) and the spare keycodes
    // a tool maps to any character have no virtual key of ours; as Windows
    // does for typed characters without one, they come as VK_PACKET, and
    // their character still follows.
    if (!vk && (CharFromKeySym(typed) || !typedText.empty())) vk = VK_PACKET;
  }
  if (!vk) return;
  unsigned int code = e.keycode % kKeyCodes;
  bool wasDown = keyDown[code];
  keyDown[code] = pressed;
  bool alt = (e.state & Mod1Mask) != 0 || (vk == VK_MENU && pressed);
  bool ctrl = (e.state & ControlMask) != 0;
  LPARAM lParam = 1 | (static_cast<LPARAM>((e.keycode - kScanCodeOffset) & 0xFF) << 16);
  if (extended) lParam |= kExtendedBit;
  if (alt && !ctrl) lParam |= kAltBit;
  if (pressed && wasDown) lParam |= kPreviousStateBit;
  if (!pressed) lParam |= kPreviousStateBit | kTransitionBit;
  // As on Windows, Alt makes keys system keys (Ctrl+Alt is AltGr, not Alt).
  bool system = (alt && !ctrl) || vk == VK_F10;
  UINT message = pressed ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  std::wstring text;
  if (pressed) {
    bool control = typedText.size() == 1 && (typedText[0] < 0x20 || typedText[0] == 0x7F);
    if (!typedText.empty() && !(control && vk == VK_DELETE))
      text = std::move(typedText);
    else if (char32_t c = CharFromKeySym(typed); c && !(c < 0x20 || c == 0x7F))
      text.push_back(static_cast<wchar_t>(c));
  }
  PostInput(w, message, static_cast<WPARAM>(vk), lParam, LastCursorPos(), false, std::move(text));
}

void OnLeave(const WindowPtr& w) {
  HWND leave = nullptr;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    HWND track = w->queue->trackLeave;
    if (track && (track == w->hwnd || IsChild(w->hwnd, track))) {
      leave = track;
      w->queue->trackLeave = nullptr;
    }
  }
  if (leave) PostMessageW(leave, WM_MOUSELEAVE, 0, 0);
}

void OnExpose(const WindowPtr& w, const XExposeEvent& e) {
  std::vector<uint32_t> layered;
  int width = 0, height = 0;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    if ((w->exStyle & WS_EX_LAYERED) && !w->layeredPixels.empty()) {
      layered = w->layeredPixels;
      width = w->layeredWidth;
      height = w->layeredHeight;
    }
  }
  if (!layered.empty()) {
    X11PutImage(w->xid, 0, 0, width, height, layered.data(), width);
    return;
  }
  RECT r{e.x, e.y, e.x + e.width, e.y + e.height};
  InvalidateWindow(w, &r, true);
}

void OnConfigure(const WindowPtr& w) {
  RECT r;
  if (!X11WindowRect(w->xid, &r)) return;
  if (X11IsStaleGeometry(w->xid, r)) return;
  ApplyExternalGeometry(w->hwnd, r);
}

void OnClientMessage(X11Display* x, const WindowPtr& w, const XClientMessageEvent& e) {
  if (e.message_type == x->Intern("WM_PROTOCOLS") &&
      static_cast<Atom>(e.data.l[0]) == x->Intern("WM_DELETE_WINDOW")) {
    HWND hwnd = w->hwnd;
    RunOnWindowThread(w, [hwnd] { SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0); });
    return;
  }
  if (e.message_type == x->Intern("WM_PROTOCOLS") && static_cast<Atom>(e.data.l[0]) == x->Intern("_NET_WM_PING")) {
    // Answered by the window's own thread, so a thread stuck in a long call
    // is seen as not responding; the reply goes back to the root window.
    XClientMessageEvent reply = e;
    RunOnWindowThread(w, [reply]() mutable {
      X11Display* display = X11Display::Get();
      if (!display) return;
      XLockGuard guard(display);
      reply.window = RootWindow(display->dpy, display->screen);
      XSendEvent(display->dpy, reply.window, False, SubstructureNotifyMask | SubstructureRedirectMask,
                 reinterpret_cast<XEvent*>(&reply));
      XFlush(display->dpy);
    });
    return;
  }
  if (e.message_type == x->Intern("_KB_REQUEST") && e.data.l[0] == kRequestShowWindow) {
    HWND hwnd = w->hwnd;
    int cmd = static_cast<int>(e.data.l[1]);
    RunOnWindowThread(w, [hwnd, cmd] { ShowWindow(hwnd, cmd); });
  }
  if (e.message_type == x->Intern("_KB_REQUEST") && e.data.l[0] == kRequestCopyData)
    X11ReceiveCopyData(w->hwnd, static_cast<unsigned long>(e.data.l[1]));
}

bool Grabbing(int mode) { return mode == NotifyGrab || mode == NotifyUngrab; }

}  // namespace

void DispatchXEvent(const XEvent& incoming) {
  XEvent event = incoming;
  if (X11FilterInputMethodEvent(event)) return;
  if (TrayHandleXEvent(event)) return;
  X11Display* x = X11Display::Get();
  if (event.type == PropertyNotify && event.xproperty.window == x->root &&
      event.xproperty.atom == x->Intern("_NET_ACTIVE_WINDOW")) {
    SyncActivationOfAllThreads();
    return;
  }
  WindowPtr w = FindWindowByXid(event.xany.window);
  if (!w) return;
  switch (event.type) {
    case Expose:
      X11FirstFrameExposed(w->xid);
      OnExpose(w, event.xexpose);
      break;
    case ConfigureNotify: OnConfigure(w); break;
    case ButtonPress: OnButton(w, event.xbutton, true); break;
    case ButtonRelease: OnButton(w, event.xbutton, false); break;
    case MotionNotify: {
      POINT screen{event.xmotion.x_root, event.xmotion.y_root};
      SetLastCursorPos(screen);
      PostInput(w, WM_MOUSEMOVE, MouseKeys(event.xmotion.state, 0, false),
                MAKELPARAM(event.xmotion.x, event.xmotion.y), screen, true);
      break;
    }
    case EnterNotify: SetLastCursorPos(POINT{event.xcrossing.x_root, event.xcrossing.y_root}); break;
    case LeaveNotify:
      if (event.xcrossing.mode == NotifyNormal) OnLeave(w);
      break;
    case KeyPress: OnKey(x, w, event.xkey, true); break;
    case KeyRelease: OnKey(x, w, event.xkey, false); break;
    case FocusIn:
      if (event.xfocus.detail != NotifyPointer) X11InputMethodFocus(x, w->xid, true);
      if (!Grabbing(event.xfocus.mode) && event.xfocus.detail != NotifyPointer &&
          event.xfocus.detail != NotifyInferior)
        ApplyActivation(w->hwnd, true);
      break;
    case FocusOut:
      if (event.xfocus.detail != NotifyPointer) X11InputMethodFocus(x, w->xid, false);
      if (!Grabbing(event.xfocus.mode) && event.xfocus.detail != NotifyPointer &&
          event.xfocus.detail != NotifyInferior)
        ApplyActivation(w->hwnd, false);
      break;
    case PropertyNotify:
      if (event.xproperty.atom == x->Intern("WM_STATE")) {
        bool iconic = false;
        if (X11WmStateIconic(w->xid, &iconic)) ApplyExternalIconic(w->hwnd, iconic);
      }
      break;
    case ClientMessage: OnClientMessage(x, w, event.xclient); break;
    default: break;
  }
}

}  // namespace kb::platform
