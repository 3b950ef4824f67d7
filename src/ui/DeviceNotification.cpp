#include "ui/DeviceNotification.h"

#include "app/AppConfig.h"
#include "hid/HidInterfaceInfo.h"

namespace {
// The HID interface class; with DEVICE_NOTIFY_ALL_INTERFACE_CLASSES Windows
// ignores it, but the filter must still name a class.
constexpr GUID kHidInterfaceClass = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

bool PartMatches(int32_t parsed, int32_t configured, bool present) { return !present || parsed == configured; }
}  // namespace

KeyboardIdentity KeyboardIdentity::FromConfig(const AppConfig& config) {
  return KeyboardIdentity{config.vid, config.pid, config.usbInterface, config.subdevice};
}

DevicePathKind ClassifyDevicePath(const wchar_t* path, const KeyboardIdentity& keyboard) {
  if (!path) return DevicePathKind::Unparsable;
  int32_t vid = 0;
  int32_t pid = 0;
  int32_t usbInterface = -1;
  int32_t collection = -1;
  if (!ParseHidDevicePath(path, &vid, &pid, &usbInterface, &collection)) return DevicePathKind::Unparsable;
  // Product id 0 in the configuration stands for any product of the vendor.
  bool keyboardPath = PartMatches(vid, keyboard.vid, vid != 0) &&
                      PartMatches(pid, keyboard.pid, pid != 0 && keyboard.pid != 0) &&
                      PartMatches(usbInterface, keyboard.usbInterface, usbInterface >= 0) &&
                      PartMatches(collection, keyboard.subdevice, collection >= 0);
  return keyboardPath ? DevicePathKind::Keyboard : DevicePathKind::Other;
}

bool IsKeyboardFilterInterface(const wchar_t* path, const KeyboardIdentity& keyboard) {
  if (!path) return false;
  int32_t vid = 0;
  int32_t pid = 0;
  int32_t usbInterface = -1;
  int32_t collection = -1;
  if (!ParseHidDevicePath(path, &vid, &pid, &usbInterface, &collection)) return false;
  return vid == keyboard.vid && pid == keyboard.pid && usbInterface >= 0 && usbInterface != keyboard.usbInterface &&
         collection < 0;
}

HDEVNOTIFY RegisterHidNotification(HWND hwnd) {
  if (!hwnd) return nullptr;
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_reserved = 0;
  filter.dbcc_classguid = kHidInterfaceClass;
  return RegisterDeviceNotificationW(hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE | DEVICE_NOTIFY_ALL_INTERFACE_CLASSES);
}

const wchar_t* DeviceInterfacePath(LPARAM broadcast) {
  auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(broadcast);
  if (!header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return nullptr;
  return reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(broadcast)->dbcc_name;
}
