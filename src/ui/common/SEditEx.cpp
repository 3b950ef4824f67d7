#include "ui/common/SEditEx.h"

namespace kb::ui {

namespace {
constexpr UINT kCarriageReturn = L'\r';
}  // namespace

SEditEx::SEditEx() { eventSet_.AddEvent<EventKeyEnter>(); }

bool SEditEx::OnKeyDown(UINT vk, UINT repeat, UINT flags) {
  if (vk != VK_RETURN) return SEdit::OnKeyDown(vk, repeat, flags);
  EventKeyEnter e(this);
  FireEvent(e);
  return true;
}

// TranslateMessage turns the Enter key into a carriage return as well; it
// belongs to the key-enter event and never to the text.
bool SEditEx::OnChar(UINT ch, UINT repeat, UINT flags) {
  if (ch == kCarriageReturn) return true;
  return SEdit::OnChar(ch, repeat, flags);
}

// A disabled cell becomes editable with the click. The click then goes on
// to the edit, so the cell takes the focus and the caret lands where the user
// clicked: a cell that kept both away could never be typed in.
void SEditEx::OnLButtonDown(UINT flags, Point pt) {
  if (IsDisabled()) EnableWindow(true, false);
  if (IsDisabled(true)) return;
  SEdit::OnLButtonDown(flags, pt);
}

void SEditEx::OnLButtonUp(UINT flags, Point pt) {
  if (IsDisabled()) EnableWindow(true, false);
  if (IsDisabled(true)) return;
  SEdit::OnLButtonUp(flags, pt);
}

}  // namespace kb::ui
