#pragma once
// What the window layer asks of the X server, in Windows terms. Each call
// takes the display lock itself; none may be made with WaitLock held. Every
// call does nothing (or fails) when there is no display.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/linux/win32_user.h"

namespace kb::platform {

bool X11Available();
bool X11ScreenSize(SIZE* size);
unsigned long X11RootWindow();

// Our own windows.
unsigned long X11CreateWindow(DWORD style, DWORD exStyle, const RECT& rect, unsigned long ownerXid,
                              const std::wstring& className, const std::wstring& title);
void X11DestroyWindow(unsigned long xid);
// Windows the window manager leaves alone: placed exactly, never activated by it.
bool X11IsUnmanaged(DWORD style, DWORD exStyle);
void X11Map(unsigned long xid, bool iconic);
// A window's first frame, painted before its map (x11_first_frame.cpp):
// between Begin and End paints go to a pixmap, which End makes the window's
// background; the window's first paint after that drops it again.
bool X11BeginFirstFrame(unsigned long xid, int width, int height);
void X11EndFirstFrame(unsigned long xid);
// Where a paint of the window goes: the window, or its first frame's pixmap
// until the window is on screen; after painting `target`, PaintedTarget
// shows the painted part.
unsigned long X11PaintTarget(unsigned long xid);
void X11PaintedTarget(unsigned long xid, unsigned long target, int left, int top, int width, int height);
// The window's first exposure: it is on screen, its first frame is dropped.
void X11FirstFrameExposed(unsigned long xid);
void X11ForgetFirstFrame(unsigned long xid);
void X11Unmap(unsigned long xid);
void X11Iconify(unsigned long xid);
void X11MoveResize(unsigned long xid, const RECT& rect);
// Whether a geometry the server reports is an older request of ours that a
// newer one has replaced (so not a change the window manager made).
bool X11IsStaleGeometry(unsigned long xid, const RECT& rect);
void X11SetTitle(unsigned long xid, const std::wstring& title);
void X11PublishState(unsigned long xid, DWORD style);
void X11Raise(unsigned long xid);
void X11SetTopmost(unsigned long xid, bool topmost);
void X11SetOpacity(unsigned long xid, BYTE alpha);
// _NET_WM_ICON: every image of the window's icons (ARGB, straight alpha);
// the window manager and taskbars pick the size they need. None: removed.
struct X11IconImage {
  int width = 0;
  int height = 0;
  const uint32_t* pixels = nullptr;
};
void X11SetIcons(unsigned long xid, const std::vector<X11IconImage>& images);
// Asks for the window to become the active window and waits (bounded) until
// the server says it is.
bool X11Activate(unsigned long xid, int timeoutMs);
void X11FocusWindow(unsigned long xid);
unsigned long X11ActiveWindow();
bool X11GrabPointer(unsigned long xid);
void X11UngrabPointer();
// Hands an interactive move to the window manager (or does it without one).
void X11StartMove(unsigned long xid);
void X11DefineCursor(unsigned long xid, unsigned int xcursorShape);
bool X11PointerPosition(POINT* screen, unsigned int* buttonMask);
bool X11WarpPointer(int x, int y);
// Whether a key is down right now; false when the display cannot tell.
bool X11KeyDown(int vk, bool* down);

// Pixels (32-bit BGRA, top-down, `stride` pixels a row) into a window.
void X11PutImage(unsigned long xid, int x, int y, int width, int height, const uint32_t* pixels, int stride);
void X11FillRect(unsigned long xid, const RECT& rect, COLORREF color);
bool X11GetPixel(unsigned long xid, int x, int y, uint32_t* pixel);

// Windows of any process.
bool X11WindowExists(unsigned long xid);
// A window's state in Windows terms: WS_VISIBLE and WS_MINIMIZE. `ours` tells
// whether it is a window of this layer (in any process).
bool X11WindowState(unsigned long xid, DWORD* style, bool* ours);
bool X11WindowRect(unsigned long xid, RECT* rect);
// The ICCCM state the window manager gives a window of ours.
bool X11WmStateIconic(unsigned long xid, bool* iconic);
DWORD X11WindowPid(unsigned long xid);
std::wstring X11WindowTitle(unsigned long xid);
std::wstring X11WindowClassName(unsigned long xid);
// ShowWindow on another process's window: asks the owner when it is one of
// ours and waits (bounded) until its published state follows.
bool X11ShowForeign(unsigned long xid, int cmd);
std::vector<unsigned long> X11TopLevelWindows();

// Window properties, visible to every process.
bool X11SetProp(unsigned long xid, const std::wstring& name, HANDLE value);
bool X11GetProp(unsigned long xid, const std::wstring& name, HANDLE* value);
bool X11RemoveProp(unsigned long xid, const std::wstring& name, HANDLE* value);

// Opcodes of the requests one process sends another's window.
constexpr long kRequestShowWindow = 1;
constexpr long kRequestCopyData = 2;

// WM_COPYDATA to a window of another process (SendMessageW with a window
// this process does not own): the data goes through a property of a window
// of the sender's own connection, the answer comes back the same way. False
// when the window cannot be reached or did not answer within `timeoutMs`.
bool X11SendCopyData(unsigned long xid, WPARAM sender, const COPYDATASTRUCT& data, DWORD timeoutMs,
                     LRESULT* result);
// The receiving side, on the event thread: reads the request named by a
// _KB_REQUEST client message and has the window's thread answer it.
void X11ReceiveCopyData(HWND hwnd, unsigned long mailbox);

}  // namespace kb::platform
