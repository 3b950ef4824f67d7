#include "hid/HidInterfaceInfo.h"

#include <cstdio>
#include <cwchar>
#include <regex>
#include <vector>

#include "platform/diag.h"

namespace {

// The HID interface class.
constexpr GUID kHidInterfaceClass = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
constexpr DWORD kEnumerationFlags = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;
constexpr int32_t kAny = -1;

unsigned HandleBits(HANDLE handle) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(handle)); }

// The identity part of a HID device path: vendor and product (four
// characters each), optional revision, interface and collection. Searched,
// not matched whole; the forms broadcast on device change are upper case.
const std::wregex& HidPathPattern() {
  static const std::wregex pattern(
      L"hid#vid_([0-9a-z]{4})&pid_([0-9a-z]{4})(?:&rev_([0-9a-z]{4}))?(?:&mi_([0-9a-z]{2}))?(?:&col([0-9a-z]{2}))?",
      std::regex_constants::ECMAScript | std::regex_constants::icase);
  return pattern;
}

int32_t HexField(const std::wcsub_match& field) {
  if (!field.matched || field.length() == 0) return -1;
  std::wstring text = field.str();
  return static_cast<int32_t>(std::wcstol(text.c_str(), nullptr, 16));
}

bool FilterAccepts(int32_t filter, int32_t value) { return filter == kAny || filter == value; }

bool Matches(int32_t vendorFilter, int32_t productCount, const int32_t* productIds, int32_t interfaceFilter,
             int32_t collectionFilter, int32_t vendorId, int32_t productId, int32_t interfaceNumber,
             int32_t collectionNumber) {
  if (productIds && productCount > 0) {
    bool listed = false;
    for (int32_t i = 0; i < productCount && !listed; ++i) listed = productIds[i] == productId;
    if (!listed) return false;
  }
  if (vendorFilter > 0 && vendorFilter != vendorId) return false;
  return FilterAccepts(interfaceFilter, interfaceNumber) && FilterAccepts(collectionFilter, collectionNumber);
}

// The detail query: ask for the size, then fill a buffer of that size. The
// fixed part's size is the build's (8 on 64-bit), or the call is refused.
bool QueryDevicePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data, std::wstring* path) {
  DWORD required = 0;
  SetupDiGetDeviceInterfaceDetailW(set, data, nullptr, 0, &required, nullptr);
  if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return false;
  std::vector<unsigned char> buffer(required);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  if (!SetupDiGetDeviceInterfaceDetailW(set, data, detail, required, nullptr, nullptr)) return false;
  const size_t maxChars = (required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) / sizeof(WCHAR);
  size_t length = 0;
  while (length < maxChars && detail->DevicePath[length]) ++length;
  path->assign(detail->DevicePath, length);
  return true;
}

// Opens the interface to read its version and top-level usage; an interface
// that does not open keeps zeros.
void ReadIdentity(HidInterfaceInfo* info) {
  HANDLE handle = CreateFileW(info->devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
  kb::DiagPrintfW(L"open dev: %08x\n", HandleBits(handle));
  if (handle == INVALID_HANDLE_VALUE) return;
  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof(HIDD_ATTRIBUTES);
  if (HidD_GetAttributes(handle, &attributes)) {
    info->version = attributes.VersionNumber;
    info->versionNumber = attributes.VersionNumber;
  }
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  if (HidD_GetPreparsedData(handle, &preparsed)) {
    HIDP_CAPS caps{};
    if (HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS) {
      info->usagePage = caps.UsagePage;
      info->usage = caps.Usage;
    }
    HidD_FreePreparsedData(preparsed);
  }
  CloseHandle(handle);
}

}  // namespace

std::string FormatGuidForDiagnostics(const GUID& guid) {
  char tail[17];
  for (int i = 0; i < 8; ++i) std::snprintf(tail + 2 * i, 3, "%02x", guid.Data4[i]);
  char text[50];
  std::snprintf(text, sizeof text, "%04x-%02x-%02x-%s", static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3,
                tail);
  return text;
}

bool ParseHidDevicePath(const wchar_t* path, int32_t* vendorId, int32_t* productId, int32_t* interfaceNumber,
                        int32_t* collectionNumber) {
  if (!path) return false;
  std::wcmatch match;
  if (!std::regex_search(path, match, HidPathPattern())) return false;
  if (vendorId) *vendorId = HexField(match[1]);
  if (productId) *productId = HexField(match[2]);
  if (interfaceNumber) *interfaceNumber = HexField(match[4]);
  if (collectionNumber) *collectionNumber = HexField(match[5]);
  return true;
}

HidInterfaceInfo* FindHidInterfaces(int32_t vendorId, int32_t productCount, const int32_t* productIds,
                                    int32_t interfaceNumber, int32_t collectionNumber) {
  const bool anyProduct = !productIds || productCount <= 0;
  if (anyProduct && vendorId <= 0) return nullptr;
  HDEVINFO set = SetupDiGetClassDevsW(&kHidInterfaceClass, nullptr, nullptr, kEnumerationFlags);
  if (set == INVALID_HANDLE_VALUE) return nullptr;
  kb::DiagPrintf("got classs: guid={%s}\n", FormatGuidForDiagnostics(kHidInterfaceClass).c_str());

  HidInterfaceInfo* head = nullptr;
  HidInterfaceInfo** tail = &head;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA data{};
    // The structure's own size: 28 on 32-bit Windows, 32 on 64-bit.
    data.cbSize = sizeof(SP_DEVICE_INTERFACE_DATA);
    if (!SetupDiEnumDeviceInterfaces(set, nullptr, &kHidInterfaceClass, index, &data)) break;
    kb::DiagPrintf("enum interface: guid={%s} index=%d\n", FormatGuidForDiagnostics(data.InterfaceClassGuid).c_str(),
                   static_cast<int>(index));
    std::wstring path;
    if (!QueryDevicePath(set, &data, &path)) {
      kb::DiagPrintfW(L"获取接口信息失败\n");
      continue;
    }
    int32_t vendor = 0, product = 0, interfaceFound = 0, collection = 0;
    if (!ParseHidDevicePath(path.c_str(), &vendor, &product, &interfaceFound, &collection)) continue;
    if (!Matches(vendorId, productCount, productIds, interfaceNumber, collectionNumber, vendor, product,
                 interfaceFound, collection))
      continue;
    auto* info = new HidInterfaceInfo();
    info->devicePath = path;
    info->interfaceClassGuid = data.InterfaceClassGuid;
    info->interfaceFlags = data.Flags;
    info->vendorId = vendor;
    info->productId = product;
    *tail = info;
    tail = &info->next;
    ReadIdentity(info);
  }
  SetupDiDestroyDeviceInfoList(set);
  return head;
}

void FreeHidInterfaceList(HidInterfaceInfo* head) {
  while (head) {
    HidInterfaceInfo* next = head->next;
    delete head;
    head = next;
  }
}

bool ReadHidAttributesAndCaps(const wchar_t* path, HIDD_ATTRIBUTES* attributes, HIDP_CAPS* caps) {
  if (!path) return false;
  HANDLE handle = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  if (attributes) {
    attributes->Size = sizeof(HIDD_ATTRIBUTES);
    HidD_GetAttributes(handle, attributes);
  }
  if (caps) {
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (HidD_GetPreparsedData(handle, &preparsed)) {
      HidP_GetCaps(preparsed, caps);
      HidD_FreePreparsedData(preparsed);
    }
  }
  CloseHandle(handle);
  return true;
}
