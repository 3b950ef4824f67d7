#include "toolkit/core/SEventSet.h"

#include <algorithm>

#include "toolkit/window/SWindow.h"

namespace kb::ui {

EventArgs::EventArgs(SWindow* sender, int id)
    : id_(id),
      sender_(sender),
      idFrom_(sender ? sender->GetID() : 0),
      nameFrom_(sender ? sender->GetName() : std::wstring()) {}

void SEventSet::AddEvent(int id, std::wstring_view scriptName) {
  Slot& slot = events_[id];
  slot.scriptName = scriptName;
}

void SEventSet::RemoveEvent(int id) { events_.erase(id); }

int SEventSet::IdOfScriptName(std::wstring_view scriptName) const {
  for (const auto& [id, slot] : events_)
    if (slot.scriptName == scriptName) return id;
  return 0;
}

int SEventSet::SubscribeEvent(int id, EventHandler handler) {
  auto it = events_.find(id);
  if (it == events_.end() || !handler) return 0;
  int cookie = nextCookie_++;
  it->second.handlers.emplace_back(cookie, std::move(handler));
  return cookie;
}

bool SEventSet::UnsubscribeEvent(int id, int cookie) {
  auto it = events_.find(id);
  if (it == events_.end()) return false;
  auto& handlers = it->second.handlers;
  auto h = std::find_if(handlers.begin(), handlers.end(), [&](const auto& p) { return p.first == cookie; });
  if (h == handlers.end()) return false;
  handlers.erase(h);
  return true;
}

void SEventSet::FireEvent(EventArgs& e) {
  if (muted_) return;
  auto it = events_.find(e.GetID());
  if (it == events_.end()) return;
  // A handler may subscribe or unsubscribe while we call: work on a copy.
  std::vector<std::pair<int, EventHandler>> handlers = it->second.handlers;
  for (auto& [cookie, handler] : handlers) {
    if (handler(&e)) {
      e.handled = true;
      return;
    }
  }
}

}  // namespace kb::ui
