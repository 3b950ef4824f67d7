// Shell_NotifyIconW through the freedesktop system tray: each icon is a small
// X window that the tray manager embeds (XEmbed). Clicks on it reach the
// icon's window as the callback message, the mouse message in lParam, as the
// Windows shell sends them. When a tray manager appears (the shell's
// taskbar "restarting"), the icons it held are gone and top-level windows get
// the "TaskbarCreated" message, so programs add their icons again.
#include <X11/Xatom.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/linux/gdi_object.h"
#include "platform/linux/win32_kernel.h"
#include "platform/linux/window_object.h"
#include "platform/linux/x11_display.h"
#include "platform/linux/x11_window.h"
#include "platform/text.h"

namespace kb::platform {

namespace {

constexpr long kSystemTrayRequestDock = 0;
constexpr unsigned long kXembedVersion = 0;
constexpr unsigned long kXembedMapped = 1;
constexpr int kInitialIconSize = 24;
constexpr int kTipLength = 128;
constexpr uint32_t kFallbackBackground = 0xFFD0D0D0u;

struct TrayIcon {
  HWND hwnd = nullptr;
  UINT id = 0;
  UINT callback = 0;
  std::wstring tip;
  int iconWidth = 0;
  int iconHeight = 0;
  std::vector<uint32_t> pixels;  // the shell keeps its own copy of the icon
  bool hidden = false;
  ::Window xid = 0;
  int width = kInitialIconSize;
  int height = kInitialIconSize;
  UINT lastDown = 0;
  DWORD lastDownTime = 0;
};

struct Tray {
  std::mutex lock;
  std::vector<std::shared_ptr<TrayIcon>> icons;
  ::Window manager = 0;
};

Tray& Trays() {
  static auto* tray = new Tray;
  return *tray;
}

Atom SelectionAtom(X11Display* x) {
  std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(x->screen);
  return x->Intern(name.c_str());
}

// The current manager, watched for its end. Display lock held.
::Window FindManager(X11Display* x) {
  ::Window manager = XGetSelectionOwner(x->dpy, SelectionAtom(x));
  if (manager) {
    x->BeginTrap();
    XSelectInput(x->dpy, manager, StructureNotifyMask);
    if (x->EndTrap()) manager = 0;
  }
  return manager;
}

void SetXembedInfo(X11Display* x, ::Window w, bool mapped) {
  x->SetCardinals(w, x->Intern("_XEMBED_INFO"), {kXembedVersion, mapped ? kXembedMapped : 0});
}

void Draw(X11Display* x, const TrayIcon& icon) {
  if (!icon.xid || icon.width <= 0 || icon.height <= 0) return;
  GdiIcon source;
  source.width = icon.iconWidth;
  source.height = icon.iconHeight;
  source.pixels = icon.pixels;
  int size = std::min(icon.width, icon.height);
  std::vector<uint32_t> scaled = IconPixels(source, size, size);
  std::vector<uint32_t> out(static_cast<size_t>(icon.width) * icon.height, kFallbackBackground);
  {
    // The tray's own background shows through the icon's transparent parts.
    XLockGuard guard(x);
    x->BeginTrap();
    XClearWindow(x->dpy, icon.xid);
    XImage* back = XGetImage(x->dpy, icon.xid, 0, 0, static_cast<unsigned>(icon.width),
                             static_cast<unsigned>(icon.height), AllPlanes, ZPixmap);
    bool failed = x->EndTrap();
    if (!failed && back && back->bits_per_pixel == 32)
      for (int y = 0; y < icon.height; ++y)
        for (int xx = 0; xx < icon.width; ++xx)
          out[static_cast<size_t>(y) * icon.width + xx] = static_cast<uint32_t>(XGetPixel(back, xx, y)) | 0xFF000000u;
    if (back) XDestroyImage(back);
  }
  int ox = (icon.width - size) / 2, oy = (icon.height - size) / 2;
  for (int y = 0; y < size; ++y)
    for (int xx = 0; xx < size; ++xx) {
      uint32_t s = scaled[static_cast<size_t>(y) * size + xx];
      uint32_t a = s >> 24;
      uint32_t& d = out[static_cast<size_t>(y + oy) * icon.width + xx + ox];
      auto mix = [a](uint32_t sc, uint32_t dc) { return (sc * a + dc * (255 - a)) / 255; };
      d = 0xFF000000u | (mix((s >> 16) & 0xFF, (d >> 16) & 0xFF) << 16) | (mix((s >> 8) & 0xFF, (d >> 8) & 0xFF) << 8) |
          mix(s & 0xFF, d & 0xFF);
    }
  X11PutImage(icon.xid, 0, 0, icon.width, icon.height, out.data(), icon.width);
}

bool TakeIconPixels(HICON handle, TrayIcon* icon) {
  auto source = LookupGdi<GdiIcon>(handle);
  if (!source) return false;
  icon->iconWidth = source->width;
  icon->iconHeight = source->height;
  icon->pixels = source->pixels;
  return true;
}

std::wstring TipOf(const NOTIFYICONDATAW& data) {
  size_t n = 0;
  while (n < kTipLength && data.szTip[n]) ++n;
  return std::wstring(data.szTip, n);
}

std::shared_ptr<TrayIcon> Find(HWND hwnd, UINT id) {
  for (auto& icon : Trays().icons)
    if (icon->hwnd == hwnd && icon->id == id) return icon;
  return nullptr;
}

std::shared_ptr<TrayIcon> FindByXid(::Window xid) {
  std::lock_guard<std::mutex> guard(Trays().lock);
  for (auto& icon : Trays().icons)
    if (icon->xid == xid) return icon;
  return nullptr;
}

BOOL Add(X11Display* x, const NOTIFYICONDATAW& data) {
  auto icon = std::make_shared<TrayIcon>();
  icon->hwnd = data.hWnd;
  icon->id = data.uID;
  if (data.uFlags & NIF_MESSAGE) icon->callback = data.uCallbackMessage;
  if (data.uFlags & NIF_TIP) icon->tip = TipOf(data);
  if (data.uFlags & NIF_ICON) TakeIconPixels(data.hIcon, icon.get());
  if (data.uFlags & NIF_STATE) icon->hidden = (data.dwState & data.dwStateMask & NIS_HIDDEN) != 0;
  {
    std::lock_guard<std::mutex> guard(Trays().lock);
    if (Find(data.hWnd, data.uID)) return FALSE;
  }
  XLockGuard guard(x);
  ::Window manager = FindManager(x);
  if (!manager) return FALSE;  // no taskbar: Windows fails NIM_ADD too
  XSetWindowAttributes attributes;
  std::memset(&attributes, 0, sizeof attributes);
  attributes.background_pixmap = ParentRelative;
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | StructureNotifyMask;
  icon->xid = XCreateWindow(x->dpy, x->root, 0, 0, kInitialIconSize, kInitialIconSize, 0, CopyFromParent,
                            InputOutput, CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
  SetXembedInfo(x, icon->xid, !icon->hidden);
  // Trays size an embedded icon by its hints; without them it gets a sliver.
  XSizeHints* hints = XAllocSizeHints();
  hints->flags = PMinSize | PBaseSize;
  hints->min_width = hints->base_width = kInitialIconSize;
  hints->min_height = hints->base_height = kInitialIconSize;
  XSetWMNormalHints(x->dpy, icon->xid, hints);
  XFree(hints);
  x->SetUtf8Name(icon->xid, WideToUtf8(icon->tip));
  XClassHint hint;
  char name[] = "kb-tray-icon";
  hint.res_name = name;
  hint.res_class = name;
  XSetClassHint(x->dpy, icon->xid, &hint);
  x->SetCardinals(icon->xid, x->Intern("_KB_TRAY_ICON"), {icon->id});
  XEvent event;
  std::memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = manager;
  event.xclient.message_type = x->Intern("_NET_SYSTEM_TRAY_OPCODE");
  event.xclient.format = 32;
  event.xclient.data.l[0] = CurrentTime;
  event.xclient.data.l[1] = kSystemTrayRequestDock;
  event.xclient.data.l[2] = static_cast<long>(icon->xid);
  x->BeginTrap();
  XSendEvent(x->dpy, manager, False, NoEventMask, &event);
  bool failed = x->EndTrap();
  if (failed) {
    XDestroyWindow(x->dpy, icon->xid);
    return FALSE;
  }
  std::lock_guard<std::mutex> trayGuard(Trays().lock);
  Trays().manager = manager;
  Trays().icons.push_back(icon);
  return TRUE;
}

BOOL Modify(X11Display* x, const NOTIFYICONDATAW& data) {
  std::shared_ptr<TrayIcon> icon;
  TrayIcon copy;
  {
    std::lock_guard<std::mutex> guard(Trays().lock);
    icon = Find(data.hWnd, data.uID);
    if (!icon) return FALSE;
    if (data.uFlags & NIF_MESSAGE) icon->callback = data.uCallbackMessage;
    if (data.uFlags & NIF_TIP) icon->tip = TipOf(data);
    if ((data.uFlags & NIF_ICON) && !TakeIconPixels(data.hIcon, icon.get())) return FALSE;
    if (data.uFlags & NIF_STATE) icon->hidden = (data.dwState & data.dwStateMask & NIS_HIDDEN) != 0;
    copy = *icon;
  }
  {
    XLockGuard guard(x);
    x->BeginTrap();
    if (data.uFlags & NIF_TIP) x->SetUtf8Name(copy.xid, WideToUtf8(copy.tip));
    if (data.uFlags & NIF_STATE) SetXembedInfo(x, copy.xid, !copy.hidden);
    x->EndTrap();
  }
  if (data.uFlags & NIF_ICON) Draw(x, copy);
  return TRUE;
}

BOOL Delete(X11Display* x, HWND hwnd, UINT id) {
  std::shared_ptr<TrayIcon> icon;
  {
    std::lock_guard<std::mutex> guard(Trays().lock);
    icon = Find(hwnd, id);
    if (!icon) return FALSE;
    auto& icons = Trays().icons;
    icons.erase(std::find(icons.begin(), icons.end(), icon));
  }
  XLockGuard guard(x);
  x->BeginTrap();
  XDestroyWindow(x->dpy, icon->xid);
  x->EndTrap();
  return TRUE;
}

// The taskbar is gone (or replaced): so are its icons.
void DropAllIcons(X11Display* x) {
  std::vector<std::shared_ptr<TrayIcon>> icons;
  {
    std::lock_guard<std::mutex> guard(Trays().lock);
    icons.swap(Trays().icons);
    Trays().manager = 0;
  }
  XLockGuard guard(x);
  x->BeginTrap();
  for (auto& icon : icons) XDestroyWindow(x->dpy, icon->xid);
  x->EndTrap();
}

void OnIconButton(TrayIcon& icon, const XButtonEvent& e, bool pressed) {
  UINT message;
  switch (e.button) {
    case Button1: message = pressed ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
    case Button2: message = pressed ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
    case Button3: message = pressed ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
    default: return;
  }
  SetLastCursorPos(POINT{e.x_root, e.y_root});
  DWORD now = GetTickCount();
  if (pressed) {
    std::lock_guard<std::mutex> guard(Trays().lock);
    if (icon.lastDown == message && now - icon.lastDownTime <= GetDoubleClickTime()) {
      message += WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
      icon.lastDown = 0;
    } else {
      icon.lastDown = message;
      icon.lastDownTime = now;
    }
  }
  if (icon.callback) PostMessageW(icon.hwnd, icon.callback, icon.id, static_cast<LPARAM>(message));
}

void OnNewManager(X11Display* x) {
  DropAllIcons(x);
  {
    XLockGuard guard(x);
    std::lock_guard<std::mutex> trayGuard(Trays().lock);
    Trays().manager = FindManager(x);
  }
  PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
}

}  // namespace

bool TrayHandleXEvent(const XEvent& event) {
  X11Display* x = X11Display::Get();
  if (!x) return false;
  if (event.type == ClientMessage && event.xclient.window == x->root &&
      event.xclient.message_type == x->Intern("MANAGER") &&
      static_cast<Atom>(event.xclient.data.l[1]) == SelectionAtom(x)) {
    OnNewManager(x);
    return true;
  }
  if (event.type == DestroyNotify) {
    bool managerGone;
    {
      std::lock_guard<std::mutex> guard(Trays().lock);
      managerGone = Trays().manager && event.xdestroywindow.window == Trays().manager;
    }
    if (managerGone) {
      DropAllIcons(x);
      return true;
    }
  }
  std::shared_ptr<TrayIcon> icon = FindByXid(event.xany.window);
  if (!icon) return false;
  switch (event.type) {
    case Expose:
      if (event.xexpose.count == 0) {
        TrayIcon copy;
        {
          std::lock_guard<std::mutex> guard(Trays().lock);
          copy = *icon;
        }
        Draw(x, copy);
      }
      break;
    case ConfigureNotify: {
      TrayIcon copy;
      {
        std::lock_guard<std::mutex> guard(Trays().lock);
        icon->width = event.xconfigure.width;
        icon->height = event.xconfigure.height;
        copy = *icon;
      }
      Draw(x, copy);
      break;
    }
    case ButtonPress: OnIconButton(*icon, event.xbutton, true); break;
    case ButtonRelease: OnIconButton(*icon, event.xbutton, false); break;
    case MotionNotify:
      SetLastCursorPos(POINT{event.xmotion.x_root, event.xmotion.y_root});
      if (icon->callback) PostMessageW(icon->hwnd, icon->callback, icon->id, WM_MOUSEMOVE);
      break;
    default: break;
  }
  return true;
}

void TrayForgetWindow(HWND hwnd) {
  X11Display* x = X11Display::Get();
  if (!x) return;
  std::vector<UINT> ids;
  {
    std::lock_guard<std::mutex> guard(Trays().lock);
    for (auto& icon : Trays().icons)
      if (icon->hwnd == hwnd) ids.push_back(icon->id);
  }
  // Windows leaves the icon of a destroyed window behind until the mouse
  // passes over it; nothing is gained by that here.
  for (UINT id : ids) Delete(x, hwnd, id);
}

}  // namespace kb::platform

using namespace kb::platform;

BOOL Shell_NotifyIconW(DWORD message, PNOTIFYICONDATAW data) {
  if (!data || data->cbSize < offsetof(NOTIFYICONDATAW, dwState)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  X11Display* x = X11Display::Get();
  if (!x) return FALSE;  // no display, no taskbar
  switch (message) {
    case NIM_ADD:
      if (!FindWindowObject(data->hWnd)) return FALSE;
      return Add(x, *data);
    case NIM_MODIFY: return Modify(x, *data);
    case NIM_DELETE: return Delete(x, data->hWnd, data->uID);
    case NIM_SETVERSION:
    case NIM_SETFOCUS: {
      std::lock_guard<std::mutex> guard(Trays().lock);
      return Find(data->hWnd, data->uID) ? TRUE : FALSE;
    }
    default: return FALSE;
  }
}
