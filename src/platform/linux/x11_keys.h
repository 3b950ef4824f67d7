#pragma once
// Keyboard translation between X key symbols and Windows virtual keys.
#include <X11/Xlib.h>

#include <vector>

namespace kb::platform {

// The virtual key of an (unshifted) key symbol, 0 for none. `extended` is set
// for the keys Windows flags as extended (bit 24 of lParam).
int VirtualKeyFromKeySym(KeySym sym, bool* extended);
// The key symbols that produce a virtual key (both sides for modifiers).
std::vector<KeySym> KeySymsOfVirtualKey(int vk);
// The character a key symbol types, 0 for none.
char32_t CharFromKeySym(KeySym sym);

}  // namespace kb::platform
