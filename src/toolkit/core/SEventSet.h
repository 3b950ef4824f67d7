#pragma once
// The events a control raises and who listens to them. A control adds the
// events it raises at construction; subscribing to an event it does not
// raise fails, so a typo in an event id is caught at once.
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/core/SEvents.h"

namespace kb::ui {

using EventHandler = std::function<bool(EventArgs*)>;

// Adapts a member function taking the concrete event class.
template <class Evt, class T>
EventHandler Subscriber(bool (T::*method)(Evt*), T* object) {
  return [method, object](EventArgs* e) { return (object->*method)(static_cast<Evt*>(e)); };
}

class SEventSet {
 public:
  void AddEvent(int id, std::wstring_view scriptName);
  template <class Evt>
  void AddEvent() {
    AddEvent(Evt::EventID, Evt::ScriptName());
  }
  void RemoveEvent(int id);
  bool IsEventPresent(int id) const { return events_.count(id) > 0; }
  // The id of the event a layout names ("on_command"), 0 if none.
  int IdOfScriptName(std::wstring_view scriptName) const;

  // Returns a cookie for Unsubscribe, 0 when the event is not raised here.
  int SubscribeEvent(int id, EventHandler handler);
  bool UnsubscribeEvent(int id, int cookie);

  // Calls the subscribers in order of subscription; one that returns true
  // marks the event handled and the rest are not called.
  void FireEvent(EventArgs& e);

  // While muted nothing is delivered (used while code fills a control).
  void SetMuted(bool muted) { muted_ = muted; }
  bool IsMuted() const { return muted_; }

 private:
  struct Slot {
    std::wstring scriptName;
    std::vector<std::pair<int, EventHandler>> handlers;
  };
  std::map<int, Slot> events_;
  int nextCookie_ = 1;
  bool muted_ = false;
};

}  // namespace kb::ui
