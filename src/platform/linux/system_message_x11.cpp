// The system message box on X11: its own connection to the display (the
// program's window system may not be up, or may be what failed), a window
// with the text, an error mark and an OK button, drawn with the server's
// core font so that it works without any of the program's resources.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/system_message.h"
#include "platform/text.h"

namespace kb {
namespace {

constexpr int kMargin = 20;
constexpr int kMarkSize = 32;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 28;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t at; (at = text.find('\n', start)) != std::string::npos; start = at + 1)
    lines.push_back(text.substr(start, at - start));
  lines.push_back(text.substr(start));
  return lines;
}

struct Box {
  Display* dpy = nullptr;
  Window window = 0;
  GC gc = nullptr;
  XFontSet fonts = nullptr;
  int lineHeight = 16;
  int ascent = 12;
  int width = 0;
  int height = 0;
  std::vector<std::string> lines;

  int TextWidth(const std::string& s) const {
    if (fonts) return Xutf8TextEscapement(fonts, s.c_str(), static_cast<int>(s.size()));
    return static_cast<int>(s.size()) * 7;
  }
  void Text(int x, int y, const std::string& s) const {
    if (fonts) Xutf8DrawString(dpy, window, fonts, gc, x, y, s.c_str(), static_cast<int>(s.size()));
  }
  int ButtonX() const { return width - kMargin - kButtonWidth; }
  int ButtonY() const { return height - kMargin - kButtonHeight; }
  bool OnButton(int x, int y) const {
    return x >= ButtonX() && x < ButtonX() + kButtonWidth && y >= ButtonY() && y < ButtonY() + kButtonHeight;
  }
  void Paint() const;
};

void Box::Paint() const {
  XSetForeground(dpy, gc, 0xF0F0F0);
  XFillRectangle(dpy, window, gc, 0, 0, width, height);
  // The error mark: a red disc with a white cross.
  XSetForeground(dpy, gc, 0xD03030);
  XFillArc(dpy, window, gc, kMargin, kMargin, kMarkSize, kMarkSize, 0, 360 * 64);
  XSetForeground(dpy, gc, 0xFFFFFF);
  XSetLineAttributes(dpy, gc, 3, LineSolid, CapRound, JoinRound);
  XDrawLine(dpy, window, gc, kMargin + 10, kMargin + 10, kMargin + 22, kMargin + 22);
  XDrawLine(dpy, window, gc, kMargin + 22, kMargin + 10, kMargin + 10, kMargin + 22);
  XSetLineAttributes(dpy, gc, 1, LineSolid, CapButt, JoinMiter);
  XSetForeground(dpy, gc, 0x000000);
  int x = kMargin * 2 + kMarkSize;
  for (size_t i = 0; i < lines.size(); ++i) Text(x, kMargin + ascent + static_cast<int>(i) * lineHeight, lines[i]);
  XSetForeground(dpy, gc, 0xE1E1E1);
  XFillRectangle(dpy, window, gc, ButtonX(), ButtonY(), kButtonWidth, kButtonHeight);
  XSetForeground(dpy, gc, 0x0078D7);
  XDrawRectangle(dpy, window, gc, ButtonX(), ButtonY(), kButtonWidth - 1, kButtonHeight - 1);
  XSetForeground(dpy, gc, 0x000000);
  Text(ButtonX() + (kButtonWidth - TextWidth("OK")) / 2, ButtonY() + (kButtonHeight + ascent) / 2 - 1, "OK");
  XFlush(dpy);
}

void Layout(Box& box) {
  char** missing = nullptr;
  int missingCount = 0;
  char* fallback = nullptr;
  box.fonts = XCreateFontSet(box.dpy, "-*-*-medium-r-normal--14-*-*-*-*-*-*-*,fixed", &missing, &missingCount,
                             &fallback);
  if (missing) XFreeStringList(missing);
  if (box.fonts) {
    XFontSetExtents* extents = XExtentsOfFontSet(box.fonts);
    box.lineHeight = extents->max_logical_extent.height + 2;
    box.ascent = -extents->max_logical_extent.y;
  }
  int textWidth = 0;
  for (const std::string& line : box.lines) textWidth = std::max(textWidth, box.TextWidth(line));
  box.width = std::max(kMargin * 3 + kMarkSize + textWidth, 320);
  int textHeight = std::max(static_cast<int>(box.lines.size()) * box.lineHeight, kMarkSize);
  box.height = kMargin * 3 + textHeight + kButtonHeight;
}

void Run(Box& box, const std::string& title) {
  int screen = DefaultScreen(box.dpy);
  int x = std::max(0, (DisplayWidth(box.dpy, screen) - box.width) / 2);
  int y = std::max(0, (DisplayHeight(box.dpy, screen) - box.height) / 2);
  box.window = XCreateSimpleWindow(box.dpy, RootWindow(box.dpy, screen), x, y, box.width, box.height, 1, 0, 0xF0F0F0);
  XStoreName(box.dpy, box.window, title.c_str());
  Atom utf8 = XInternAtom(box.dpy, "UTF8_STRING", False);
  XChangeProperty(box.dpy, box.window, XInternAtom(box.dpy, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title.c_str()), static_cast<int>(title.size()));
  XSizeHints hints{};
  hints.flags = PPosition | PMinSize | PMaxSize;
  hints.x = x;
  hints.y = y;
  hints.min_width = hints.max_width = box.width;
  hints.min_height = hints.max_height = box.height;
  XSetWMNormalHints(box.dpy, box.window, &hints);
  Atom deleteWindow = XInternAtom(box.dpy, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(box.dpy, box.window, &deleteWindow, 1);
  XSelectInput(box.dpy, box.window, ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask);
  box.gc = XCreateGC(box.dpy, box.window, 0, nullptr);
  XMapRaised(box.dpy, box.window);
  for (bool open = true; open;) {
    XEvent event;
    XNextEvent(box.dpy, &event);
    switch (event.type) {
      case Expose:
        if (event.xexpose.count == 0) box.Paint();
        break;
      case ButtonRelease:
        open = !box.OnButton(event.xbutton.x, event.xbutton.y);
        break;
      case KeyPress: {
        KeySym key = XLookupKeysym(&event.xkey, 0);
        open = key != XK_Return && key != XK_KP_Enter && key != XK_Escape && key != XK_space;
        break;
      }
      case ClientMessage:
        open = static_cast<Atom>(event.xclient.data.l[0]) != deleteWindow;
        break;
      default:
        break;
    }
  }
}

}  // namespace

void ShowSystemError(const std::wstring& title, const std::wstring& text) {
  std::string utf8Title = WideToUtf8(title);
  std::string utf8Text = WideToUtf8(text);
  std::fprintf(stderr, "%s: %s\n", utf8Title.c_str(), utf8Text.c_str());
  Box box;
  box.dpy = XOpenDisplay(nullptr);
  if (!box.dpy) return;
  box.lines = Lines(utf8Text);
  Layout(box);
  Run(box, utf8Title);
  if (box.fonts) XFreeFontSet(box.dpy, box.fonts);
  if (box.gc) XFreeGC(box.dpy, box.gc);
  XDestroyWindow(box.dpy, box.window);
  XCloseDisplay(box.dpy);
}

}  // namespace kb
