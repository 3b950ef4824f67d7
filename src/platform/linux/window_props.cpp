// Window properties. On a window with an X window they are X properties, so
// another process reads them as it would on Windows (the second start of the
// program finds the first one's main window by its property).
#include "platform/linux/win32_kernel.h"
#include "platform/linux/window_object.h"
#include "platform/linux/x11_window.h"

using namespace kb::platform;

namespace {

unsigned long XidOf(HWND hwnd, WindowPtr* local) {
  *local = FindWindowObject(hwnd);
  if (*local) return (*local)->xid;
  if (IsLocalHandleValue(hwnd) || !IsWindow(hwnd)) return 0;
  return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(hwnd));
}

std::wstring PropName(LPCWSTR name) {
  // An atom instead of a string: the name is "#<atom>", as GlobalGetAtomName gives it.
  if (IS_INTRESOURCE(name)) return L"#" + std::to_wstring(reinterpret_cast<uintptr_t>(name));
  return name;
}

}  // namespace

BOOL SetPropW(HWND hwnd, LPCWSTR name, HANDLE value) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  WindowPtr local;
  unsigned long xid = XidOf(hwnd, &local);
  if (xid) return X11SetProp(xid, PropName(name), value) ? TRUE : FALSE;
  if (!local) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  local->props[PropName(name)] = value;
  return TRUE;
}

HANDLE GetPropW(HWND hwnd, LPCWSTR name) {
  if (!name) return nullptr;
  WindowPtr local;
  unsigned long xid = XidOf(hwnd, &local);
  HANDLE value = nullptr;
  if (xid) return X11GetProp(xid, PropName(name), &value) ? value : nullptr;
  if (!local) return nullptr;
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  auto it = local->props.find(PropName(name));
  return it == local->props.end() ? nullptr : it->second;
}

HANDLE RemovePropW(HWND hwnd, LPCWSTR name) {
  if (!name) return nullptr;
  WindowPtr local;
  unsigned long xid = XidOf(hwnd, &local);
  HANDLE value = nullptr;
  if (xid) return X11RemoveProp(xid, PropName(name), &value) ? value : nullptr;
  if (!local) return nullptr;
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  auto it = local->props.find(PropName(name));
  if (it == local->props.end()) return nullptr;
  value = it->second;
  local->props.erase(it);
  return value;
}
