#pragma once
// The keyboard filter driver's device and control codes, and the layout of
// its key events and intercept table.
#include <cstddef>
#include <cstdint>

namespace HidUsbFilter {

inline constexpr wchar_t kFilterDeviceName[] = L"\\\\.\\vhidflt";

// Sent, in this order, before every start of the monitor loop.
inline constexpr uint32_t kIoctlResetEvents = 0x226008;
inline constexpr uint32_t kIoctlEnableEvents = 0x22600C;
// Sent after the monitor is started for recording a macro (4-byte input, 0).
inline constexpr uint32_t kIoctlRecordingStart = 0x226010;
// Pends until the next key event and returns it (4 bytes).
inline constexpr uint32_t kIoctlReadKeyEvent = 0x226044;
// Replaces the intercept table (kInterceptTableBytes of input).
inline constexpr uint32_t kIoctlSetInterceptTable = 0x22A000;

// Key event: usage (16-bit little-endian), usage page, flags.
inline constexpr size_t kKeyEventBytes = 4;
// The record followed by the driver's time of the key, where the driver
// gives one (platform/filter_event_time.h): microseconds, 64-bit
// little-endian.
inline constexpr size_t kTimedKeyEventBytes = 12;
inline constexpr size_t kKeyEventPageByte = 2;
inline constexpr size_t kKeyEventFlagsByte = 3;
inline constexpr uint8_t kKeyEventPressed = 0x01;

// Intercept table: entries of usage (16-bit), usage page, flags.
inline constexpr size_t kInterceptEntries = 256;
inline constexpr size_t kInterceptEntryBytes = 4;
inline constexpr size_t kInterceptTableBytes = kInterceptEntries * kInterceptEntryBytes;
inline constexpr uint8_t kInterceptThisKey = 0x02;

}  // namespace HidUsbFilter
