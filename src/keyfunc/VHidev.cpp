#include "keyfunc/VHidev.h"

#include <algorithm>
#include <cstring>

#include "keyfunc/KeyCode.h"

namespace {
constexpr uint16_t kPageMouseButtons = 0x05;
constexpr uint16_t kFirstSystemUsage = 0x80;
constexpr uint16_t kUsageX = 0x30;
constexpr uint16_t kUsageY = 0x31;
constexpr uint16_t kUsageWheel = 0x38;
constexpr size_t kMouseButtons = 0;
constexpr size_t kMouseX = 1;
constexpr size_t kMouseY = 2;
constexpr size_t kMouseWheel = 3;
constexpr size_t kKeyboardBitmap = 1;  // after a zero byte
constexpr uint16_t kButtonCount = 8;

// Holds a Win32 mutex for a scope.
class MutexHold {
 public:
  explicit MutexHold(HANDLE mutex) : mutex(mutex) { WaitForSingleObject(mutex, INFINITE); }
  ~MutexHold() { ReleaseMutex(mutex); }
  MutexHold(const MutexHold&) = delete;
  MutexHold& operator=(const MutexHold&) = delete;

 private:
  HANDLE mutex;
};
}  // namespace

VHidev& VHidev::Instance() {
  static VHidev* instance = new VHidev();
  return *instance;
}

VHidev::VHidev() : lock(CreateMutexW(nullptr, FALSE, nullptr)) {
  keyboard = {kKeyboardReportId, std::vector<uint8_t>(kKeyboardPayloadBytes, 0), this};
  mouse = {kMouseReportId, std::vector<uint8_t>(kMousePayloadBytes, 0), this};
  consumer = {kConsumerReportId, std::vector<uint8_t>(kUsagePayloadBytes, 0), this};
  system = {kSystemReportId, std::vector<uint8_t>(kUsagePayloadBytes, 0), this};
}

VHidev::~VHidev() {
  CloseDevice();
  if (lock) CloseHandle(lock);
}

void VHidev::BuildBlock(const uint8_t* data, uint32_t length, uint8_t reportId, uint8_t (&block)[kBlockBytes]) {
  std::memset(block, 0, kBlockBytes);
  block[0] = kBlockId;
  size_t offset = 1;
  if (reportId != 0) block[offset++] = reportId;
  size_t count = std::min<size_t>(length, kBlockBytes - offset);
  if (data && count) std::memcpy(block + offset, data, count);
}

int32_t VHidev::Write(const uint8_t* data, uint32_t length, uint8_t reportId) {
  uint8_t block[kBlockBytes];
  BuildBlock(data, length, reportId, block);
  MutexHold hold(lock);
  DWORD written = 0;
  return WriteFile(device, block, kBlockBytes, &written, nullptr) ? 1 : 0;
}

int32_t VHidev::SendUsage(uint16_t usagePage, uint16_t usage, bool pressed) {
  MutexHold hold(lock);
  switch (usagePage) {
    case kUsagePageKeyboard: return ChangeKeyboard(usage, pressed);
    case kPageMouseButtons: return ChangeMouseButton(usage, pressed);
    case kUsagePageConsumer: return ChangeSingleUsage(consumer, usage, pressed);
    case kUsagePageGenericDesktop:
      if (usage >= kFirstSystemUsage) return ChangeSingleUsage(system, usage, pressed);
      if (usage == kUsageX || usage == kUsageY || usage == kUsageWheel) return ChangeMovement(usage);
      return 0;
    default: return 0;
  }
}

int32_t VHidev::ChangeKeyboard(uint16_t usage, bool pressed) {
  uint8_t bit = static_cast<uint8_t>(usage & 0xFF);
  uint8_t& byte = keyboard.payload[kKeyboardBitmap + bit / 8];
  uint8_t mask = static_cast<uint8_t>(1u << (bit % 8));
  byte = pressed ? static_cast<uint8_t>(byte | mask) : static_cast<uint8_t>(byte & ~mask);
  return keyboard.Send();
}

int32_t VHidev::ChangeMouseButton(uint16_t usage, bool pressed) {
  if ((usage & 0xFF) < kButtonCount) {
    uint8_t mask = static_cast<uint8_t>(1u << (usage & 0x1F));
    uint8_t& buttons = mouse.payload[kMouseButtons];
    buttons = pressed ? static_cast<uint8_t>(buttons | mask) : static_cast<uint8_t>(buttons & ~mask);
  }
  return mouse.Send();
}

// A movement is relative: it happens once, when its report is sent. Left in
// the payload, every later mouse report (a button going up) would move the
// pointer again.
int32_t VHidev::ChangeMovement(uint16_t usage) {
  size_t index = usage == kUsageX ? kMouseX : usage == kUsageY ? kMouseY : kMouseWheel;
  mouse.payload[index] = static_cast<uint8_t>(usage & 0xFF);
  int32_t result = mouse.Send();
  mouse.payload[kMouseX] = mouse.payload[kMouseY] = mouse.payload[kMouseWheel] = 0;
  return result;
}

int32_t VHidev::ChangeSingleUsage(ReportSection& section, uint16_t usage, bool pressed) {
  uint16_t value = pressed ? usage : 0;
  section.payload[0] = static_cast<uint8_t>(value & 0xFF);
  section.payload[1] = static_cast<uint8_t>(value >> 8);
  return section.Send();
}

void VHidev::ReleaseAll() {
  MutexHold hold(lock);
  for (ReportSection* section : {&keyboard, &mouse, &consumer, &system}) {
    section->Clear();
    section->Send();
  }
}

HANDLE VHidev::Device() {
  MutexHold hold(lock);
  return device;
}

void VHidev::SetDevice(HANDLE handle) {
  MutexHold hold(lock);
  if (device != INVALID_HANDLE_VALUE && device != handle) CloseHandle(device);
  device = handle;
}

void VHidev::CloseDevice() { SetDevice(INVALID_HANDLE_VALUE); }

ReportSection VHidev::Keyboard() {
  MutexHold hold(lock);
  return keyboard;
}

ReportSection VHidev::Mouse() {
  MutexHold hold(lock);
  return mouse;
}
