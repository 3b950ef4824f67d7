#pragma once
// A listener of the key event monitor. Listeners are asked newest first; one
// that returns nonzero consumes the event and the older ones never see it.
#include <cstdint>

namespace HidUsbFilter {

class IMonitorProxy {
 public:
  virtual ~IMonitorProxy() = default;
  virtual int32_t OnKeyEvent(uint8_t usagePage, uint16_t usage, bool pressed) = 0;
};

// Forwards the events to a member function of a window (or any object).
template <typename T>
class MonitorProxy : public IMonitorProxy {
 public:
  using Handler = int32_t (T::*)(uint8_t usagePage, uint16_t usage, bool pressed);

  MonitorProxy(T* object, Handler handler) : object(object), handler(handler) {}

  int32_t OnKeyEvent(uint8_t usagePage, uint16_t usage, bool pressed) override {
    if (object == nullptr || handler == nullptr) return 0;
    return (object->*handler)(usagePage, usage, pressed);
  }

  // Member pointer equality compares the function and, for a virtual or
  // multiply inherited one, its this-adjustment too.
  bool Matches(const T* other, Handler otherHandler) const { return object == other && handler == otherHandler; }

 private:
  T* object;
  Handler handler;
};

}  // namespace HidUsbFilter
