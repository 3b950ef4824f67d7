#pragma once
// Following the keyboard being plugged in and out: the registration of the
// main window for HID interface arrivals and removals, and the test whether a
// broadcast path is the keyboard that config.xml names.
#include <cstdint>

#include "platform/win32.h"

class AppConfig;

// Which device a config.xml names: vendor, product, USB interface number and
// HID collection number of the keyboard's vendor collection.
struct KeyboardIdentity {
  int32_t vid = 0;
  int32_t pid = 0;
  int32_t usbInterface = 0;
  int32_t subdevice = 0;

  static KeyboardIdentity FromConfig(const AppConfig& config);
};

enum class DevicePathKind {
  Unparsable,  // not a HID interface path: the broadcast is ignored
  Other,       // another HID interface
  Keyboard,    // the configured keyboard's collection
};

// A part the path does not carry (vendor or product 0, interface or collection
// negative) does not speak against the keyboard: a single-interface path has
// no "&mi_" and still is the keyboard when everything else matches.
DevicePathKind ClassifyDevicePath(const wchar_t* path, const KeyboardIdentity& keyboard);

// Whether the path is the keyboard's key interface, the one the filter
// driver sits on: the configured keyboard's vendor and product, another USB
// interface than the vendor collection's, and a single top-level collection
// (no "&col"). When it arrives the filter's device was re-created with it;
// no other arrival says anything about the filter.
bool IsKeyboardFilterInterface(const wchar_t* path, const KeyboardIdentity& keyboard);

// Registers `hwnd` for arrivals and removals of every device interface class
// (HID interfaces among them); null for a null window. The registration lasts
// as long as the window.
HDEVNOTIFY RegisterHidNotification(HWND hwnd);

// The interface path of a WM_DEVICECHANGE broadcast, or null when it is not a
// device-interface broadcast (volumes, ports) or has no header at all.
const wchar_t* DeviceInterfacePath(LPARAM broadcast);
