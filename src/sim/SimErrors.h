#pragma once
// The Win32 error codes the simulated devices and the daemon answer with,
// as the program would read them from GetLastError on Windows.
#include <cstdint>

namespace kb::sim {

inline constexpr uint32_t kErrorInvalidFunction = 1;  // STATUS_INVALID_DEVICE_REQUEST: no report of that kind
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorGenFailure = 31;  // STATUS_UNSUCCESSFUL: the device stalled the request
inline constexpr uint32_t kErrorSharingViolation = 32;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorSemTimeout = 121;
inline constexpr uint32_t kErrorInsufficientBuffer = 122;
inline constexpr uint32_t kErrorOperationAborted = 995;
inline constexpr uint32_t kErrorDeviceNotConnected = 1167;
inline constexpr uint32_t kErrorInvalidUserBuffer = 1784;  // STATUS_INVALID_BUFFER_SIZE: wrong report length

}  // namespace kb::sim
