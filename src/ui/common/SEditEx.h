#pragma once
// "editex": an edit that raises EventKeyEnter ("on_key_enter") when Enter is
// pressed in it, instead of leaving the key to the window, and that a click
// enables when it was disabled (list cells are shown disabled until the user
// clicks one to edit it).
#include "toolkit/controls/SEdit.h"
#include "toolkit/core/SEvents.h"

namespace kb::ui {

// Enter pressed in an SEditEx; the plain event arguments.
class EventKeyEnter : public EventArgs {
 public:
  KB_EVENT_CLASS(EventKeyEnter, 10000500, L"on_key_enter")
  explicit EventKeyEnter(SWindow* sender) : EventArgs(sender, EventID) {}
};

class SEditEx : public SEdit {
  KB_CLASS(SEditEx, SEdit, L"editex")

 public:
  SEditEx();

  bool OnKeyDown(UINT vk, UINT repeat, UINT flags) override;
  bool OnChar(UINT ch, UINT repeat, UINT flags) override;
  void OnLButtonDown(UINT flags, Point pt) override;
  void OnLButtonUp(UINT flags, Point pt) override;
  bool AcceptsDisabledInput() const override { return true; }
};

}  // namespace kb::ui
