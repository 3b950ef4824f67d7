#pragma once
// Finding the keyboard's HID interfaces: every present interface of the HID
// class whose device path carries the wanted vendor, product, interface and
// collection numbers.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/win32.h"

// One found interface; the search returns them as a singly linked list, first
// found first. The caller owns the list and frees it with FreeHidInterfaceList.
struct HidInterfaceInfo {
  HidInterfaceInfo* next = nullptr;
  std::wstring devicePath;
  GUID interfaceClassGuid{};
  uint32_t devInst = 0;  // always 0 in this search
  uint32_t interfaceFlags = 0;
  int32_t vendorId = 0;
  int32_t productId = 0;
  uint32_t version = 0;  // VersionNumber, 0 when the interface did not open
  // Descriptive strings; never read by this search, released with the record.
  std::unique_ptr<wchar_t[]> manufacturer;
  std::unique_ptr<wchar_t[]> product;
  std::unique_ptr<wchar_t[]> serialNumber;
  uint16_t versionNumber = 0;
  uint16_t usagePage = 0;  // of the top-level collection, 0 when not read
  uint16_t usage = 0;
};

// Vendor id 0 or less: any vendor. An empty product list (null, or count 0 or
// less): any product, except that with no vendor either nothing is searched.
// Interface and collection -1: any.
HidInterfaceInfo* FindHidInterfaces(int32_t vendorId, int32_t productCount, const int32_t* productIds,
                                    int32_t interfaceNumber, int32_t collectionNumber);

// Reads the identity out of a HID device path (any case). Absent interface or
// collection parts give -1. Null outputs are not stored; a path without a
// HID identity leaves them untouched and returns false.
bool ParseHidDevicePath(const wchar_t* path, int32_t* vendorId, int32_t* productId, int32_t* interfaceNumber,
                        int32_t* collectionNumber);

void FreeHidInterfaceList(HidInterfaceInfo* head);

// Opens the path without access rights (a system keyboard can be opened only
// so) and reads its attributes and top-level capabilities, each when asked.
bool ReadHidAttributesAndCaps(const wchar_t* path, HIDD_ATTRIBUTES* attributes, HIDP_CAPS* caps);

// "%04x-%02x-%02x-" and the eight bytes of Data4 as sixteen hex digits.
std::string FormatGuidForDiagnostics(const GUID& guid);
