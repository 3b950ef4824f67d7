// SetupAPI interface enumeration, cfgmgr32 interface lists and hid.dll, over
// the device interfaces of the simulated machine.
#include <cstddef>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/linux/device_file.h"
#include "platform/linux/kbsim_client.h"
#include "platform/linux/win32_devices.h"
#include "platform/linux/win32_hid.h"
#include "platform/linux/win32_kernel.h"
#include "platform/text.h"

using kb::platform::DeviceFile;
using kb::platform::KbsimClient;

namespace {

constexpr GUID kHidGuid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

kb::sim::WireGuid ToWire(const GUID& guid) {
  kb::sim::WireGuid wire;
  std::memcpy(wire.bytes, &guid.Data1, 4);
  std::memcpy(wire.bytes + 4, &guid.Data2, 2);
  std::memcpy(wire.bytes + 6, &guid.Data3, 2);
  std::memcpy(wire.bytes + 8, guid.Data4, 8);
  return wire;
}

GUID FromWire(const kb::sim::WireGuid& wire) {
  GUID guid;
  std::memcpy(&guid.Data1, wire.bytes, 4);
  std::memcpy(&guid.Data2, wire.bytes + 4, 2);
  std::memcpy(&guid.Data3, wire.bytes + 6, 2);
  std::memcpy(guid.Data4, wire.bytes + 8, 8);
  return guid;
}

struct InterfaceEntry {
  GUID classGuid;
  DWORD flags;
  std::wstring path;
};

// The interfaces of a class as the simulated machine has them now; an empty
// list when there is no simulated machine.
std::vector<InterfaceEntry> ListInterfaces(const GUID& classGuid, bool presentOnly) {
  std::vector<InterfaceEntry> list;
  kb::sim::Reply reply;
  kb::sim::WireGuid wire = ToWire(classGuid);
  bool reached = KbsimClient::Instance().Call(
      kb::sim::MsgType::kListInterfaces, [&](kb::sim::WireWriter& w) { w.Guid(wire).U8(presentOnly ? 1 : 0); }, &reply);
  if (!reached || reply.error) return list;
  kb::sim::WireReader r(reply.data.data(), reply.data.size());
  uint32_t count = r.U32();
  for (uint32_t i = 0; i < count && r.Ok(); ++i) {
    InterfaceEntry entry;
    entry.classGuid = FromWire(r.Guid());
    entry.flags = r.U32() ? SPINT_ACTIVE : 0;
    entry.path = kb::Utf8ToWide(r.Str());
    if (r.Ok()) list.push_back(std::move(entry));
  }
  return list;
}

// A device information set: the interfaces found when it was made.
struct DeviceInfoSet {
  std::vector<InterfaceEntry> interfaces;
};

std::mutex& SetsMutex() {
  static std::mutex m;
  return m;
}
std::unordered_set<DeviceInfoSet*>& LiveSets() {
  static auto* sets = new std::unordered_set<DeviceInfoSet*>();
  return *sets;
}

// The set behind a handle, or null (ERROR_INVALID_HANDLE set) when it is not one.
DeviceInfoSet* LookupSet(HDEVINFO handle) {
  std::lock_guard<std::mutex> lock(SetsMutex());
  auto* set = static_cast<DeviceInfoSet*>(handle);
  if (!LiveSets().count(set)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return set;
}

// The opaque block HidD_GetPreparsedData hands out.
struct PreparsedBlock {
  static constexpr uint32_t kMagic = 0x50524550;  // "PREP"
  uint32_t magic = kMagic;
  HIDP_CAPS caps{};
};

// Attributes and capabilities of an open collection, asked of the device.
bool QueryCollection(HANDLE handle, HIDD_ATTRIBUTES* attributes, HIDP_CAPS* caps) {
  auto file = kb::platform::LookupHandleAs<DeviceFile>(handle);
  if (!file) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (file->Kind() != kb::sim::DeviceKind::kHidCollection) {
    SetLastError(ERROR_INVALID_FUNCTION);
    return false;
  }
  kb::sim::Reply reply;
  uint32_t session = file->Session();
  bool reached = KbsimClient::Instance().Call(
      kb::sim::MsgType::kGetAttributes, [session](kb::sim::WireWriter& w) { w.U32(session); }, &reply, nullptr,
      file->Generation());
  if (!reached || reply.error) {
    SetLastError(reached ? reply.error : ERROR_DEVICE_NOT_CONNECTED);
    return false;
  }
  kb::sim::WireReader r(reply.data.data(), reply.data.size());
  HIDD_ATTRIBUTES a{};
  a.Size = sizeof(HIDD_ATTRIBUTES);
  a.VendorID = r.U16();
  a.ProductID = r.U16();
  a.VersionNumber = r.U16();
  if (attributes) *attributes = a;
  if (caps) {
    const kb::sim::HidCapsWire& c = file->Caps();
    *caps = HIDP_CAPS{};
    caps->Usage = c.usage;
    caps->UsagePage = c.usagePage;
    caps->InputReportByteLength = c.inputLength;
    caps->OutputReportByteLength = c.outputLength;
    caps->FeatureReportByteLength = c.featureLength;
    caps->NumberLinkCollectionNodes = c.linkCollectionNodes;
    caps->NumberInputButtonCaps = c.inputButtonCaps;
    caps->NumberInputValueCaps = c.inputValueCaps;
    caps->NumberInputDataIndices = static_cast<USHORT>(c.inputButtonCaps + c.inputValueCaps);
    caps->NumberOutputButtonCaps = c.outputButtonCaps;
    caps->NumberOutputValueCaps = c.outputValueCaps;
    caps->NumberOutputDataIndices = static_cast<USHORT>(c.outputButtonCaps + c.outputValueCaps);
    caps->NumberFeatureButtonCaps = c.featureButtonCaps;
    caps->NumberFeatureValueCaps = c.featureValueCaps;
    caps->NumberFeatureDataIndices = static_cast<USHORT>(c.featureButtonCaps + c.featureValueCaps);
  }
  return true;
}

}  // namespace

HDEVINFO SetupDiGetClassDevsW(const GUID* ClassGuid, PCWSTR, HWND, DWORD Flags) {
  if (!ClassGuid && !(Flags & DIGCF_ALLCLASSES)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  auto* set = new DeviceInfoSet();
  // The simulated machine has interfaces of the HID class only.
  if ((Flags & DIGCF_DEVICEINTERFACE) && ((Flags & DIGCF_ALLCLASSES) || *ClassGuid == kHidGuid))
    set->interfaces = ListInterfaces(kHidGuid, (Flags & DIGCF_PRESENT) != 0);
  std::lock_guard<std::mutex> lock(SetsMutex());
  LiveSets().insert(set);
  SetLastError(ERROR_SUCCESS);
  return set;
}

BOOL SetupDiEnumDeviceInterfaces(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA, const GUID* InterfaceClassGuid,
                                 DWORD MemberIndex, PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData) {
  ::DeviceInfoSet* set = LookupSet(DeviceInfoSet);
  if (!set) return FALSE;
  if (!InterfaceClassGuid || !DeviceInterfaceData || DeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD seen = 0;
  for (size_t i = 0; i < set->interfaces.size(); ++i) {
    const InterfaceEntry& entry = set->interfaces[i];
    if (entry.classGuid != *InterfaceClassGuid) continue;
    if (seen++ != MemberIndex) continue;
    DeviceInterfaceData->InterfaceClassGuid = entry.classGuid;
    DeviceInterfaceData->Flags = entry.flags;
    DeviceInterfaceData->Reserved = i + 1;
    return TRUE;
  }
  SetLastError(ERROR_NO_MORE_ITEMS);
  return FALSE;
}

BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO DeviceInfoSet, PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
                                      PSP_DEVICE_INTERFACE_DETAIL_DATA_W DeviceInterfaceDetailData,
                                      DWORD DeviceInterfaceDetailDataSize, PDWORD RequiredSize,
                                      PSP_DEVINFO_DATA DeviceInfoData) {
  ::DeviceInfoSet* set = LookupSet(DeviceInfoSet);
  if (!set) return FALSE;
  if (!DeviceInterfaceData || DeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) ||
      DeviceInterfaceData->Reserved == 0 || DeviceInterfaceData->Reserved > set->interfaces.size()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // The size of the fixed part is that of the build: 8 on 64-bit Windows
  // (and here), 6 on 32-bit Windows. Anything else is refused.
  if (DeviceInterfaceDetailData && DeviceInterfaceDetailData->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  if (!DeviceInterfaceDetailData && DeviceInterfaceDetailDataSize) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  if (DeviceInfoData && DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  const InterfaceEntry& entry = set->interfaces[DeviceInterfaceData->Reserved - 1];
  DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                                    (entry.path.size() + 1) * sizeof(WCHAR));
  if (RequiredSize) *RequiredSize = needed;
  if (DeviceInterfaceDetailDataSize < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(DeviceInterfaceDetailData->DevicePath, entry.path.c_str(), (entry.path.size() + 1) * sizeof(WCHAR));
  if (DeviceInfoData) {
    DeviceInfoData->ClassGuid = entry.classGuid;
    DeviceInfoData->DevInst = static_cast<DWORD>(DeviceInterfaceData->Reserved);
  }
  return TRUE;
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
  std::lock_guard<std::mutex> lock(SetsMutex());
  auto* set = static_cast<::DeviceInfoSet*>(DeviceInfoSet);
  if (!LiveSets().erase(set)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete set;
  return TRUE;
}

namespace {
// The interface list as a sequence of strings, each ended by a null, and a
// final null: one null alone when there is nothing.
std::vector<WCHAR> InterfaceMultiString(const GUID& classGuid, ULONG flags) {
  std::vector<WCHAR> text;
  if (classGuid == kHidGuid)
    for (const InterfaceEntry& entry : ListInterfaces(kHidGuid, flags == CM_GET_DEVICE_INTERFACE_LIST_PRESENT)) {
      text.insert(text.end(), entry.path.begin(), entry.path.end());
      text.push_back(L'\0');
    }
  text.push_back(L'\0');
  return text;
}
}  // namespace

CONFIGRET CM_Get_Device_Interface_List_SizeW(PULONG pulLen, LPGUID InterfaceClassGuid, DEVINSTID_W, ULONG ulFlags) {
  if (!pulLen || !InterfaceClassGuid) return CR_INVALID_POINTER;
  if (ulFlags & ~CM_GET_DEVICE_INTERFACE_LIST_ALL_DEVICES) return CR_INVALID_FLAG;
  *pulLen = static_cast<ULONG>(InterfaceMultiString(*InterfaceClassGuid, ulFlags).size());
  return CR_SUCCESS;
}

CONFIGRET CM_Get_Device_Interface_ListW(LPGUID InterfaceClassGuid, DEVINSTID_W, PZZWSTR Buffer, ULONG BufferLen,
                                        ULONG ulFlags) {
  if (!InterfaceClassGuid || !Buffer || BufferLen == 0) return CR_INVALID_POINTER;
  if (ulFlags & ~CM_GET_DEVICE_INTERFACE_LIST_ALL_DEVICES) return CR_INVALID_FLAG;
  std::vector<WCHAR> text = InterfaceMultiString(*InterfaceClassGuid, ulFlags);
  if (text.size() > BufferLen) {
    Buffer[0] = L'\0';
    return CR_BUFFER_SMALL;
  }
  std::memcpy(Buffer, text.data(), text.size() * sizeof(WCHAR));
  return CR_SUCCESS;
}

void HidD_GetHidGuid(LPGUID HidGuid) {
  if (HidGuid) *HidGuid = kHidGuid;
}

BOOLEAN HidD_GetAttributes(HANDLE HidDeviceObject, PHIDD_ATTRIBUTES Attributes) {
  if (!Attributes) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return QueryCollection(HidDeviceObject, Attributes, nullptr) ? TRUE : FALSE;
}

BOOLEAN HidD_GetPreparsedData(HANDLE HidDeviceObject, PHIDP_PREPARSED_DATA* PreparsedData) {
  if (!PreparsedData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto* data = new PreparsedBlock();
  if (!QueryCollection(HidDeviceObject, nullptr, &data->caps)) {
    delete data;
    return FALSE;
  }
  *PreparsedData = reinterpret_cast<PHIDP_PREPARSED_DATA>(data);
  return TRUE;
}

BOOLEAN HidD_FreePreparsedData(PHIDP_PREPARSED_DATA PreparsedData) {
  auto* data = reinterpret_cast<PreparsedBlock*>(PreparsedData);
  if (!data || data->magic != PreparsedBlock::kMagic) return FALSE;
  data->magic = 0;
  delete data;
  return TRUE;
}

NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA PreparsedData, PHIDP_CAPS Capabilities) {
  auto* data = reinterpret_cast<PreparsedBlock*>(PreparsedData);
  if (!data || data->magic != PreparsedBlock::kMagic) return HIDP_STATUS_INVALID_PREPARSED_DATA;
  if (Capabilities) *Capabilities = data->caps;
  return HIDP_STATUS_SUCCESS;
}

namespace {
// hid.dll sends feature reports as synchronous control requests, whatever
// the handle was opened for; the HID class driver checks the length first.
BOOLEAN FeatureRequest(HANDLE handle, DWORD code, PVOID buffer, ULONG length) {
  auto file = kb::platform::LookupHandleAs<DeviceFile>(handle);
  if (!file) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!buffer) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  if (file->Kind() == kb::sim::DeviceKind::kHidCollection) {
    if (file->Caps().featureLength == 0) {
      SetLastError(ERROR_INVALID_FUNCTION);
      return FALSE;
    }
    if (length != file->Caps().featureLength) {
      SetLastError(ERROR_INVALID_USER_BUFFER);
      return FALSE;
    }
  }
  DWORD returned = 0;
  bool get = code == kb::sim::kIoctlHidGetFeature;
  return DeviceIoControl(handle, code, buffer, length, get ? buffer : nullptr, get ? length : 0, &returned, nullptr)
             ? TRUE
             : FALSE;
}
}  // namespace

BOOLEAN HidD_SetFeature(HANDLE HidDeviceObject, PVOID ReportBuffer, ULONG ReportBufferLength) {
  return FeatureRequest(HidDeviceObject, kb::sim::kIoctlHidSetFeature, ReportBuffer, ReportBufferLength);
}

BOOLEAN HidD_GetFeature(HANDLE HidDeviceObject, PVOID ReportBuffer, ULONG ReportBufferLength) {
  return FeatureRequest(HidDeviceObject, kb::sim::kIoctlHidGetFeature, ReportBuffer, ReportBufferLength);
}
