#include "keyfunc/KeyMonitor.h"

#include <chrono>

#include "keyfunc/FilterIoctl.h"
#include "keyfunc/InterceptTable.h"
#include "platform/filter_event_time.h"

namespace HidUsbFilter {

namespace {
constexpr DWORD kIdleMs = 10;
}  // namespace

KeyMonitor::KeyMonitor() : listLock(CreateMutexW(nullptr, FALSE, nullptr)) {}

KeyMonitor::~KeyMonitor() {
  Stop();
  std::vector<uint8_t> empty(kInterceptTableBytes, 0);
  connection.Control(kIoctlSetInterceptTable, empty.data(), static_cast<DWORD>(empty.size()));
  proxies.clear();
  proxyCount.store(0);
  if (listLock) CloseHandle(listLock);
  connection.Close();
}

bool KeyMonitor::Start() {
  Stop();
  connection.Control(kIoctlResetEvents, nullptr, 0);
  connection.Control(kIoctlEnableEvents, nullptr, 0);
  return StartThread();
}

HANDLE KeyMonitor::ReopenFilter() {
  bool wasRunning = IsRunning();
  Stop();
  HANDLE opened = connection.Open();
  if (wasRunning) {
    // A re-created filter device starts silent; enabling twice is harmless.
    connection.Control(kIoctlEnableEvents, nullptr, 0);
    StartThread();
  }
  return opened;
}

bool KeyMonitor::StartThread() {
  // Created suspended so the id is in place before the loop first tests it.
  DWORD id = 0;
  HANDLE created = CreateThread(nullptr, 0, &KeyMonitor::ThreadBody, this, CREATE_SUSPENDED, &id);
  if (!created) return false;
  // Every key the filter withholds waits for this thread to hand it on (a
  // remapped key is sent from here): a busy machine must not delay it behind
  // ordinary threads. It spends almost no time per key.
  SetThreadPriority(created, THREAD_PRIORITY_TIME_CRITICAL);
  thread = created;
  threadId.store(id);
  ResumeThread(created);
  return true;
}

void KeyMonitor::Stop() {
  if (thread == INVALID_HANDLE_VALUE) return;
  threadId.store(0);
  connection.CancelAll();
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  thread = INVALID_HANDLE_VALUE;
}

bool KeyMonitor::SendInterceptTable(const std::vector<KeyCode>& codes) {
  std::vector<uint8_t> table = InterceptTable::Build(codes);
  return connection.Control(kIoctlSetInterceptTable, table.data(), static_cast<DWORD>(table.size()));
}

bool KeyMonitor::NotifyRecordingStart() {
  uint32_t zero = 0;
  return connection.Control(kIoctlRecordingStart, &zero, sizeof zero);
}

DWORD WINAPI KeyMonitor::ThreadBody(LPVOID parameter) {
  static_cast<KeyMonitor*>(parameter)->RunLoop();
  return 0;
}

void KeyMonitor::RunLoop() {
  HANDLE doneEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  while (IsLoopThread()) {
    if (proxyCount.load() == 0 || !connection.IsOpen() || !doneEvent) {
      Sleep(kIdleMs);
      continue;
    }
    uint8_t event[kTimedKeyEventBytes] = {};
    if (!ReadEvent(doneEvent, event)) {
      Sleep(kIdleMs);
      continue;
    }
    Dispatch(event);
  }
  if (doneEvent) CloseHandle(doneEvent);
}

bool KeyMonitor::ReadEvent(HANDLE doneEvent, uint8_t (&event)[kTimedKeyEventBytes]) {
  // Reset before the stop test: a Stop that signalled earlier is then seen
  // by the test, and one that signals later wakes the wait.
  ResetEvent(connection.ControlEvent());
  if (!IsLoopThread()) return false;
  HANDLE control = connection.Control();
  if (control == INVALID_HANDLE_VALUE) return false;
  // The driver on Windows is asked for exactly its 4-byte record.
  constexpr DWORD kAsked = kb::kFilterEventCarriesTime ? kTimedKeyEventBytes : kKeyEventBytes;
  int64_t returned = connection.Request(control, kIoctlReadKeyEvent, nullptr, 0, event, kAsked, doneEvent);
  if (returned >= static_cast<int64_t>(kTimedKeyEventBytes)) {
    uint64_t time = 0;
    for (size_t i = 0; i < 8; ++i) time |= static_cast<uint64_t>(event[kKeyEventBytes + i]) << (8 * i);
    eventTimeUs = static_cast<int64_t>(time);
  } else {
    // Without a time in the record the completion is the closest the
    // program gets to the key.
    eventTimeUs = std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count();
  }
  return returned >= static_cast<int64_t>(kKeyEventBytes);
}

void KeyMonitor::Dispatch(const uint8_t (&event)[kTimedKeyEventBytes]) {
  uint16_t usage = static_cast<uint16_t>(event[0] | event[1] << 8);
  uint8_t page = event[kKeyEventPageByte];
  bool pressed = (event[kKeyEventFlagsByte] & kKeyEventPressed) != 0;
  WaitForSingleObject(listLock, INFINITE);
  for (const auto& proxy : proxies)
    if (proxy->OnKeyEvent(page, usage, pressed) != 0) break;
  ReleaseMutex(listLock);
}

}  // namespace HidUsbFilter
