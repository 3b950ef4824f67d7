#pragma once
// The one header through which the program reaches the operating system.
// On Windows it is the Windows SDK; on Linux it is our own implementation of
// the subset the program uses (src/platform/linux), which behaves like the
// real API: same return values, same GetLastError codes.
#ifdef _WIN32
#include <windows.h>
// Device discovery, HID and device-change broadcasts.
#include <setupapi.h>
// MinGW's hid.dll headers lack C linkage of their own.
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}
#include <cfgmgr32.h>
#include <dbt.h>
// Windows, the notification area and OLE start-up.
#include <shellapi.h>
#include <ole2.h>
// The common file dialogs (left out by WIN32_LEAN_AND_MEAN).
#include <commdlg.h>
// Mouse coordinates as <windowsx.h> takes them apart, without the rest of
// that header's macros.
#ifndef GET_X_LPARAM
#define GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))
#endif
#else
#include "platform/linux/win32_types.h"
#include "platform/linux/win32_kernel.h"
#include "platform/linux/win32_devices.h"
#include "platform/linux/win32_hid.h"
#include "platform/linux/win32_user.h"
#include "platform/linux/win32_dialogs.h"
#endif
