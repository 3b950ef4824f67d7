#pragma once
// The simulated keyboard's HID interfaces as the device search reports them:
// the vendor collection the lighting goes to, the boot keyboard and the
// consumer keys.
#include <cstdint>

namespace kbtest {

inline constexpr int32_t kVendor = 0xE7A1;
inline constexpr int32_t kProduct = 0x5B0D;
inline constexpr wchar_t kVendorPath[] =
    L"\\\\?\\hid#vid_e7a1&pid_5b0d&mi_01&col05#8&2b0ffee2&0&0004#{4d1e55b2-f16f-11cf-88cb-001111000030}";
inline constexpr wchar_t kBootPath[] =
    L"\\\\?\\hid#vid_e7a1&pid_5b0d&mi_00#7&1c0ffee1&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
inline constexpr wchar_t kConsumerPath[] =
    L"\\\\?\\hid#vid_e7a1&pid_5b0d&mi_01&col01#8&2b0ffee2&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
// GENERIC_READ | GENERIC_WRITE with the sharing the program asks for.
inline constexpr uint32_t kReadWriteAccess = 0xC0000003;

}  // namespace kbtest
