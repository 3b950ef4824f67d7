#include "keyfunc/VirtualKeyboardSetup.h"

#include <new>
#include <vector>

#include "keyfunc/VHidev.h"
#include "platform/diag.h"
#include "platform/path.h"

namespace {

constexpr wchar_t kDriverFolderName[] = L"driver";
constexpr wchar_t kX64[] = L"x64";
constexpr wchar_t kX86[] = L"x86";

bool Is64BitProcess() { return sizeof(void*) == 8; }

bool IsWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

bool IsFile(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether an open HID interface is the virtual keyboard; writes what it found.
bool IsVirtualKeyboard(HANDLE handle) {
  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof attributes;
  if (!HidD_GetAttributes(handle, &attributes)) {
    kb::DiagPrintf("Error: HidD_GetAttributes failed \n");
    return false;
  }
  kb::DiagPrintf("Device Attributes - PID: 0x%x, VID: 0x%x \n", attributes.ProductID, attributes.VendorID);
  if (attributes.VendorID != kVirtualKeyboardVendorId || attributes.ProductID != kVirtualKeyboardProductId) {
    kb::DiagPrintf("Device attributes doesn't match the sample \n");
    return false;
  }
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  if (!HidD_GetPreparsedData(handle, &preparsed)) {
    kb::DiagPrintf("Error: HidD_GetPreparsedData failed \n");
    return false;
  }
  HIDP_CAPS caps{};
  NTSTATUS status = HidP_GetCaps(preparsed, &caps);
  HidD_FreePreparsedData(preparsed);
  if (status != HIDP_STATUS_SUCCESS) {
    kb::DiagPrintf("Error: HidP_GetCaps failed \n");
    return false;
  }
  if (caps.UsagePage != kVirtualKeyboardUsagePage || caps.Usage != kVirtualKeyboardUsage) return false;
  kb::DiagPrintf("Success: Found my device.. \n");
  return true;
}

// Every path of a double-null-terminated list.
std::vector<std::wstring> SplitList(const std::vector<WCHAR>& list) {
  std::vector<std::wstring> paths;
  size_t at = 0;
  while (at < list.size() && list[at] != 0) {
    std::wstring path;
    while (at < list.size() && list[at] != 0) path.push_back(static_cast<wchar_t>(list[at++]));
    ++at;
    paths.push_back(path);
  }
  return paths;
}

}  // namespace

const wchar_t* DriverArchitecture(bool process64Bit, bool wow64) { return process64Bit || wow64 ? kX64 : kX86; }

std::wstring GetDriverFolder() {
  std::wstring driver = kb::PathJoin(kb::ExecutableFolder(), kDriverFolderName);
  return kb::PathJoin(driver, DriverArchitecture(Is64BitProcess(), IsWow64()));
}

int RunProgram(const std::wstring& program, const std::wstring& commandLine) {
  if (program.empty()) return 0;
  // CreateProcessW may write into the command line it is given.
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return 0;
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hProcess);
  return 1;
}

int RemoveVirtualDevice(const std::wstring& folder) {
  return RunProgram(kb::PathJoin(folder, kDevconName), std::wstring(L" remove ") + kVirtualKeyboardHardwareId);
}

bool FindVirtualKeyboard(GUID interfaceClass, HANDLE* handle) {
  *handle = INVALID_HANDLE_VALUE;
  ULONG size = 0;
  CONFIGRET error = CM_Get_Device_Interface_List_SizeW(&size, &interfaceClass, nullptr,
                                                       CM_GET_DEVICE_INTERFACE_LIST_PRESENT);
  if (error != CR_SUCCESS) {
    kb::DiagPrintf("Error 0x%x retrieving device interface list size.\n", static_cast<unsigned>(error));
    return false;
  }
  if (size < 2) {
    kb::DiagPrintf("Error: No active device interfaces found.\n Is the sample driver loaded?");
    return false;
  }
  std::vector<WCHAR> list;
  try {
    list.assign(size, 0);
  } catch (const std::bad_alloc&) {
    kb::DiagPrintf("Error allocating memory for device interface list.\n");
    return false;
  }
  error = CM_Get_Device_Interface_ListW(&interfaceClass, nullptr, list.data(), size,
                                        CM_GET_DEVICE_INTERFACE_LIST_PRESENT);
  if (error != CR_SUCCESS) {
    kb::DiagPrintf("Error 0x%x retrieving device interface list.\n", static_cast<unsigned>(error));
    return false;
  }
  kb::DiagPrintf("\n....looking for our HID device (with UP=0x%04X and Usage=0x%02X)\n", kVirtualKeyboardUsagePage,
                 kVirtualKeyboardUsage);
  bool found = false;
  for (const std::wstring& path : SplitList(list)) {
    HANDLE device = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
      kb::DiagPrintf("Warning: CreateFile failed: %d\n", static_cast<int>(GetLastError()));
      continue;
    }
    if (!IsVirtualKeyboard(device)) {
      CloseHandle(device);
      continue;
    }
    // The last match wins; an earlier one must not stay open unowned.
    if (*handle != INVALID_HANDLE_VALUE) CloseHandle(*handle);
    *handle = device;
    found = true;
  }
  return found;
}

bool EnsureVirtualKeyboard(const std::wstring& folder) {
  VHidev& vhidev = VHidev::Instance();
  vhidev.CloseDevice();
  GUID hidClass;
  HidD_GetHidGuid(&hidClass);
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (FindVirtualKeyboard(hidClass, &handle)) {
    vhidev.SetDevice(handle);
    return true;
  }
  RemoveVirtualDevice(GetDriverFolder());
  std::wstring driverFolder = folder.empty() ? GetDriverFolder() : folder;
  std::wstring tool = kb::PathJoin(driverFolder, kDevconName);
  std::wstring inf = kb::PathJoin(driverFolder, kFilterInfName);
  if (!IsFile(inf)) inf = kb::PathJoin(driverFolder, kVirtualKeyboardInfName);
  std::wstring commandLine = L" install \"" + inf + L"\" " + kVirtualKeyboardHardwareId;
  if (!RunProgram(tool, commandLine)) return false;
  vhidev.CloseDevice();
  bool found = FindVirtualKeyboard(hidClass, &handle);
  vhidev.SetDevice(handle);
  return found;
}
