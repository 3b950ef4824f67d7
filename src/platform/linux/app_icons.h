#pragma once
// The executable's icon resources and the icons a window shows.
//
// On Windows the linker puts the .rc file's icons into the executable and
// LoadIconW / LoadImageW find them by id in the module. A Linux executable
// has no resource section: it registers its .ico files here before any
// window exists (a generated source of the executable does it at static
// initialisation), and LoadIconW / LoadImageW with a module handle and an
// integer id find them the same way.
//
// A top-level window's icons (its class's hIcon and hIconSm, replaced by
// WM_SETICON) reach the window manager and taskbars as _NET_WM_ICON.
#include <cstddef>
#include <cstdint>

#include "platform/linux/win32_user.h"

namespace kb::platform {

// Keeps a copy of `size` bytes of an .ico file as icon resource `id`.
void RegisterIconResource(WORD id, const uint8_t* data, size_t size);
// Publishes the big and the small icon (either may be null) as the X
// window's _NET_WM_ICON, both images in one property.
void PublishWindowIcons(unsigned long xid, HICON big, HICON small);

}  // namespace kb::platform
