#pragma once
// The key event monitor: a thread that asks the filter driver for one key
// event at a time and hands each to the listeners, newest first, until one
// consumes it. It also loads the filter's intercept table.
//
// Listeners run on the monitor thread while the list lock is held, so adding
// or removing one waits for the current dispatch; a listener must not add or
// remove listeners itself.
#include <atomic>
#include <list>
#include <memory>
#include <vector>

#include "keyfunc/FilterConnection.h"
#include "keyfunc/FilterIoctl.h"
#include "keyfunc/IMonitorProxy.h"
#include "keyfunc/KeyCode.h"
#include "platform/win32.h"

namespace HidUsbFilter {

class KeyMonitor {
 public:
  KeyMonitor();
  ~KeyMonitor();
  KeyMonitor(const KeyMonitor&) = delete;
  KeyMonitor& operator=(const KeyMonitor&) = delete;

  HANDLE OpenFilter() { return connection.Open(); }
  void CloseFilter() { connection.Close(); }
  bool FilterOpen() const { return connection.IsOpen(); }
  // Opens the filter's handles again (its device was re-created) without
  // losing a key event: a running loop is stopped first, so no read is left
  // pending on a handle being closed, and resumed afterwards without the
  // queue reset that Start sends, so what the driver queued meanwhile is
  // still read. Returns the new control handle.
  HANDLE ReopenFilter();

  // Puts a listener in front of the others, unless the same object and
  // handler are listening already.
  template <typename T>
  void AddProxy(T* object, typename MonitorProxy<T>::Handler handler);
  template <typename T>
  void RemoveProxy(T* object, typename MonitorProxy<T>::Handler handler);

  // Stops a running loop, prepares the filter and starts the loop; false when
  // the thread could not be created.
  bool Start();
  // Ends the loop, also in the middle of a pending read, and waits for the
  // thread. Only the thread that owns the monitor calls it.
  void Stop();
  bool IsRunning() const { return thread != INVALID_HANDLE_VALUE; }

  // Withholds these keys (the trigger keys of the key records, in order)
  // from the system; the first 256 fit.
  bool SendInterceptTable(const std::vector<KeyCode>& codes);
  bool NotifyRecordingStart();

  size_t ProxyCount() const { return proxyCount.load(); }

  // When the key of the event being handed to the listeners went down or
  // up, in microseconds: the driver's own time when its record carries one,
  // otherwise the steady clock when the read completed, before any listener
  // ran. One clock per monitor, so only differences mean something.
  // Listeners that measure time between key events (recording) take it from
  // here, not from when their window gets round to the event. Valid only
  // inside a listener, on the monitor thread.
  int64_t EventTimeUs() const { return eventTimeUs; }

 private:
  bool StartThread();
  static DWORD WINAPI ThreadBody(LPVOID parameter);
  void RunLoop();
  // One event read; false when it failed or was cancelled.
  bool ReadEvent(HANDLE doneEvent, uint8_t (&event)[kTimedKeyEventBytes]);
  void Dispatch(const uint8_t (&event)[kTimedKeyEventBytes]);
  bool IsLoopThread() const { return threadId.load() == GetCurrentThreadId(); }

  HANDLE thread = INVALID_HANDLE_VALUE;
  HANDLE listLock = nullptr;
  std::atomic<DWORD> threadId{0};
  FilterConnection connection;
  std::list<std::unique_ptr<IMonitorProxy>> proxies;
  std::atomic<size_t> proxyCount{0};
  int64_t eventTimeUs = 0;
};

template <typename T>
void KeyMonitor::AddProxy(T* object, typename MonitorProxy<T>::Handler handler) {
  WaitForSingleObject(listLock, INFINITE);
  bool present = false;
  for (const auto& proxy : proxies) {
    auto* typed = dynamic_cast<MonitorProxy<T>*>(proxy.get());
    if (typed && typed->Matches(object, handler)) present = true;
  }
  if (!present) {
    proxies.push_front(std::make_unique<MonitorProxy<T>>(object, handler));
    proxyCount.store(proxies.size());
  }
  ReleaseMutex(listLock);
}

template <typename T>
void KeyMonitor::RemoveProxy(T* object, typename MonitorProxy<T>::Handler handler) {
  WaitForSingleObject(listLock, INFINITE);
  for (auto it = proxies.begin(); it != proxies.end(); ++it) {
    auto* typed = dynamic_cast<MonitorProxy<T>*>(it->get());
    if (typed && typed->Matches(object, handler)) {
      proxies.erase(it);
      break;
    }
  }
  proxyCount.store(proxies.size());
  ReleaseMutex(listLock);
}

}  // namespace HidUsbFilter
