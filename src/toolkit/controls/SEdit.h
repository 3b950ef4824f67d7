#pragma once
// "edit": a single-line text field with a caret, selection (mouse, Shift
// with the arrow keys, double click), Ctrl+A/C/X/V and a right-click menu.
//   maxLength, password, readOnly, number (digits only), cueText (shown
//   grey while empty and unfocused); with number, minValue and maxValue:
//   typing or pasting that would make the value larger than maxValue or a
//   lone 0 below minValue is refused, leading zeros are dropped (an empty
//   field is left to the owner to judge)
// Typing, cutting, pasting and deleting raise EventEditChange; text set by
// code raises nothing. Enter is left to the window (the default button).
#include <string>

#include "toolkit/window/SWindow.h"

namespace kb::ui {

class SEdit : public SWindow {
  KB_CLASS(SEdit, SWindow, L"edit")

 public:
  static constexpr wchar_t kDefaultSkin[] = L"_sys.edit";
  // Command ids of the edit menu ("SYS_XML_EDITMENU").
  static constexpr int kCmdCut = 1;
  static constexpr int kCmdCopy = 2;
  static constexpr int kCmdPaste = 3;
  static constexpr int kCmdDelete = 4;
  static constexpr int kCmdSelectAll = 5;

  SEdit();

  void SetWindowText(std::wstring_view text) override;
  // Selection in code points; start may be after end (the caret is at end).
  void GetSel(int& start, int& end) const;
  void SetSel(int start, int end);
  std::wstring GetSelText() const;
  // Replaces the selection as typing would, without raising an event.
  void ReplaceSel(std::wstring_view text);
  void SetCueText(std::wstring_view text);
  bool IsReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on) { readOnly_ = on; }
  int GetCaretPos() const { return caret_; }

  bool Cut();
  bool Copy() const;
  bool Paste();
  void SelectAll();

  void OnLButtonDown(UINT flags, Point pt) override;
  void OnLButtonDblClk(UINT flags, Point pt) override;
  void OnLButtonUp(UINT flags, Point pt) override;
  void OnRButtonUp(UINT flags, Point pt) override;
  void OnMouseMove(UINT flags, Point pt) override;
  bool OnKeyDown(UINT vk, UINT repeat, UINT flags) override;
  bool OnChar(UINT ch, UINT repeat, UINT flags) override;
  void OnSetFocus(SWindow* previous) override;
  void OnKillFocus(SWindow* next) override;
  void OnTimer(UINT id) override;
  void OnCaptureLost() override;
  void OnLanguageChanged() override;
  void UpdateChildrenPosition() override;
  Size GetDesiredSize(int widthHint, int heightHint) override;
  LPCWSTR GetCursorId(Point pt) const override;

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
  void OnPaint(render::Canvas& canvas) override;
  int GetSkinState(const ISkinObj* skin) const override;
  // The user changed the text.
  virtual void OnUserChange();

 private:
  std::u32string DisplayText() const;
  std::vector<int> CaretPositions() const;
  int IndexFromX(int x) const;
  void ScrollToCaret();
  void MoveCaret(int index, bool extend);
  bool DeleteSelection();
  std::u32string CleanText(const std::u32string& text) const;
  bool AcceptsNumber(const std::u32string& text) const;
  // Replaces the selection with `text` as typed or pasted; false, with
  // nothing changed, when the field refuses it.
  bool ReplaceSelection(const std::u32string& text);
  void SyncText();
  void RestartBlink();
  int WordStart(int index) const;
  int WordEnd(int index) const;

  std::u32string chars_;
  int caret_ = 0;
  int anchor_ = 0;
  int scrollX_ = 0;
  int maxLength_ = 0;
  bool password_ = false;
  bool readOnly_ = false;
  bool number_ = false;
  int minValue_ = 0;
  int maxValue_ = -1;  // none
  bool caretOn_ = false;
  bool selecting_ = false;
  char16_t pendingHighSurrogate_ = 0;
  std::wstring rawCue_;
  std::wstring cue_;
};

}  // namespace kb::ui
