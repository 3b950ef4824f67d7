#pragma once
// Control events. Every event has a numeric id, a name a layout can bind
// ("on_command"), the control that raised it and that control's id and name.
// Ids 10000 to 10999 belong to the toolkit; program controls use their own.
#include <string>

namespace kb::ui {

class SWindow;

class EventArgs {
 public:
  EventArgs(SWindow* sender, int id);
  virtual ~EventArgs() = default;

  int GetID() const { return id_; }
  SWindow* Sender() const { return sender_; }
  int IdFrom() const { return idFrom_; }
  const std::wstring& NameFrom() const { return nameFrom_; }

  // Set by a handler that consumed the event: it then goes no further.
  bool handled = false;
  // Cleared by a sender whose event concerns nobody but its subscribers.
  bool bubbleUp = true;

 private:
  int id_;
  SWindow* sender_;
  int idFrom_;
  std::wstring nameFrom_;
};

// Declares an event class with its id and layout name.
#define KB_EVENT_CLASS(Name, idValue, scriptName)                        \
  static constexpr int EventID = idValue;                                \
  static constexpr const wchar_t* ScriptName() { return scriptName; }

enum ToolkitEventId {
  kEvtCmd = 10000,
  kEvtSetFocus = 10001,
  kEvtKillFocus = 10002,
  kEvtCBSelChange = 10010,
  kEvtCBDropDown = 10011,
  kEvtSliderPos = 10020,
  kEvtTabSelChanging = 10030,
  kEvtTabSelChanged = 10031,
  kEvtTabItemHover = 10032,
  kEvtTabItemLeave = 10033,
  kEvtEditChange = 10040,
  kEvtLVSelChanged = 10050,
  kEvtLVItemClick = 10051,
  kEvtHeaderItemChanged = 10060,
  kEvtCheckChanged = 10070,
};

// A click on a button, check box, radio box, image button or menu-like item.
class EventCmd : public EventArgs {
 public:
  KB_EVENT_CLASS(EventCmd, kEvtCmd, L"on_command")
  explicit EventCmd(SWindow* sender) : EventArgs(sender, EventID) {}
};

class EventSetFocus : public EventArgs {
 public:
  KB_EVENT_CLASS(EventSetFocus, kEvtSetFocus, L"on_set_focus")
  explicit EventSetFocus(SWindow* sender) : EventArgs(sender, EventID) {}
};

class EventKillFocus : public EventArgs {
 public:
  KB_EVENT_CLASS(EventKillFocus, kEvtKillFocus, L"on_kill_focus")
  explicit EventKillFocus(SWindow* sender) : EventArgs(sender, EventID) {}
};

// A check box or radio box changed its checked state (by the user or code).
class EventCheckChanged : public EventArgs {
 public:
  KB_EVENT_CLASS(EventCheckChanged, kEvtCheckChanged, L"on_check_changed")
  EventCheckChanged(SWindow* sender, bool checkedNow) : EventArgs(sender, EventID), checked(checkedNow) {}
  bool checked;
};

// The selection of a combobox really changed.
class EventCBSelChange : public EventArgs {
 public:
  KB_EVENT_CLASS(EventCBSelChange, kEvtCBSelChange, L"on_cb_sel_change")
  EventCBSelChange(SWindow* sender, int curSel) : EventArgs(sender, EventID), nCurSel(curSel) {}
  int nCurSel;
};

class EventCBDropDown : public EventArgs {
 public:
  KB_EVENT_CLASS(EventCBDropDown, kEvtCBDropDown, L"on_cb_dropdown")
  explicit EventCBDropDown(SWindow* sender) : EventArgs(sender, EventID) {}
};

// The user moved a slider (programmatic values raise nothing).
class EventSliderPos : public EventArgs {
 public:
  KB_EVENT_CLASS(EventSliderPos, kEvtSliderPos, L"on_slider_pos")
  EventSliderPos(SWindow* sender, int pos) : EventArgs(sender, EventID), nPos(pos) {}
  int nPos;
};

// Raised before a tab page changes; a handler may set `cancel`.
class EventTabSelChanging : public EventArgs {
 public:
  KB_EVENT_CLASS(EventTabSelChanging, kEvtTabSelChanging, L"on_tab_sel_changing")
  EventTabSelChanging(SWindow* sender, int oldSel, int newSel)
      : EventArgs(sender, EventID), uOldSel(oldSel), uNewSel(newSel) {}
  int uOldSel;
  int uNewSel;
  bool cancel = false;
};

class EventTabSelChanged : public EventArgs {
 public:
  KB_EVENT_CLASS(EventTabSelChanged, kEvtTabSelChanged, L"on_tab_sel_changed")
  EventTabSelChanged(SWindow* sender, int oldSel, int newSel)
      : EventArgs(sender, EventID), uOldSel(oldSel), uNewSel(newSel) {}
  int uOldSel;
  int uNewSel;
};

// The tab head under the mouse changed: leave for the old head first, then
// hover for the new one.
class EventTabItemHover : public EventArgs {
 public:
  KB_EVENT_CLASS(EventTabItemHover, kEvtTabItemHover, L"on_tab_item_hover")
  EventTabItemHover(SWindow* sender, int index) : EventArgs(sender, EventID), iHover(index) {}
  int iHover;
};

class EventTabItemLeave : public EventArgs {
 public:
  KB_EVENT_CLASS(EventTabItemLeave, kEvtTabItemLeave, L"on_tab_item_leave")
  EventTabItemLeave(SWindow* sender, int index) : EventArgs(sender, EventID), iLeave(index) {}
  int iLeave;
};

// The text of an edit changed by the user (typing, cutting, pasting).
class EventEditChange : public EventArgs {
 public:
  KB_EVENT_CLASS(EventEditChange, kEvtEditChange, L"on_edit_change")
  explicit EventEditChange(SWindow* sender) : EventArgs(sender, EventID) {}
};

class EventLVSelChanged : public EventArgs {
 public:
  KB_EVENT_CLASS(EventLVSelChanged, kEvtLVSelChanged, L"on_lv_sel_changed")
  EventLVSelChanged(SWindow* sender, int oldSel, int newSel)
      : EventArgs(sender, EventID), iOldSel(oldSel), iNewSel(newSel) {}
  int iOldSel;
  int iNewSel;
};

// A click on an item of a list view (also when it was selected already).
class EventLVItemClick : public EventArgs {
 public:
  KB_EVENT_CLASS(EventLVItemClick, kEvtLVItemClick, L"on_lv_item_click")
  EventLVItemClick(SWindow* sender, int item) : EventArgs(sender, EventID), iItem(item) {}
  int iItem;
};

// A header column was resized by the user.
class EventHeaderItemChanged : public EventArgs {
 public:
  KB_EVENT_CLASS(EventHeaderItemChanged, kEvtHeaderItemChanged, L"on_header_item_changed")
  EventHeaderItemChanged(SWindow* sender, int item, int width)
      : EventArgs(sender, EventID), iItem(item), nWidth(width) {}
  int iItem;
  int nWidth;
};

}  // namespace kb::ui
