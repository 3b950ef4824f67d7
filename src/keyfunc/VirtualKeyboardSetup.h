#pragma once
// Making sure the virtual HID keyboard is there at start-up: finding it among
// the HID interfaces, and otherwise installing its driver with the device
// installer tool shipped in the "driver" folder beside the program.
#include <string>

#include "platform/win32.h"

inline constexpr wchar_t kDevconName[] = L"devcon.exe";
inline constexpr wchar_t kFilterInfName[] = L"vhidflt.inf";
inline constexpr wchar_t kVirtualKeyboardInfName[] = L"vhidev.inf";
inline constexpr wchar_t kVirtualKeyboardHardwareId[] = L"root\\vhidev";
inline constexpr USHORT kVirtualKeyboardVendorId = 0xDEED;
inline constexpr USHORT kVirtualKeyboardProductId = 0xFEED;
inline constexpr USHORT kVirtualKeyboardUsagePage = 0xFF00;
inline constexpr USHORT kVirtualKeyboardUsage = 0x01;

// "x64" for a 64-bit process and for a 32-bit one on 64-bit Windows, else "x86".
const wchar_t* DriverArchitecture(bool process64Bit, bool wow64);
// The program's folder, then "driver", then the architecture's folder.
std::wstring GetDriverFolder();
// Starts the program with the command line (which starts with a blank, so
// the tool sees an empty program name) and waits for it to end. Nonzero when
// it ran; the tool's exit code is not looked at.
int RunProgram(const std::wstring& program, const std::wstring& commandLine);
int RemoveVirtualDevice(const std::wstring& folder);
// Opens the last present HID interface that is the virtual keyboard into
// *handle (INVALID_HANDLE_VALUE when there is none).
bool FindVirtualKeyboard(GUID interfaceClass, HANDLE* handle);
// Finds the virtual keyboard for VHidev, installing its driver from `folder`
// (the default driver folder when empty) when it is missing. True when it is
// open afterwards.
bool EnsureVirtualKeyboard(const std::wstring& folder);
