#include "toolkit/controls/SEdit.h"

#include <algorithm>
#include <cmath>
#include <cwctype>

#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/core/TextCodec.h"
#include "toolkit/menu/SMenu.h"
#include "toolkit/render/TextDecode.h"
#include "toolkit/render/TextLayout.h"
#include "toolkit/window/Clipboard.h"

namespace kb::ui {

namespace {

constexpr UINT kCaretTimer = 1;
constexpr UINT kCaretBlinkMs = 530;
constexpr Margins kEditPadding{5, 3, 5, 3};
constexpr Color kSelectionFocused = Color::Rgb(0x99, 0xc9, 0xef);
constexpr Color kSelectionUnfocused = Color::Rgb(0xdc, 0xdc, 0xdc);
constexpr Color kCueColor = Color::Rgb(0x9a, 0x9a, 0x9a);
constexpr char32_t kPasswordChar = U'\u25CF';
constexpr UINT kCtrlA = 0x01, kCtrlC = 0x03, kCtrlV = 0x16, kCtrlX = 0x18;
constexpr UINT kBackspace = 0x08;

bool KeyDown(int vk) { return (::GetKeyState(vk) & 0x8000) != 0; }

bool IsWordChar(char32_t c) { return c > 0x7F || std::iswalnum(static_cast<wint_t>(c)) || c == U'_'; }

}  // namespace

SEdit::SEdit() {
  focusable_ = true;
  translate_ = false;
  style_.SetSkinName(kDefaultSkin);
  style_.SetPadding(kEditPadding);
  eventSet_.AddEvent<EventEditChange>();
}

bool SEdit::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  auto flag = [&](bool& field) {
    auto v = ParseBool(value);
    if (!v) return false;
    field = *v;
    return true;
  };
  if (name == L"maxLength") {
    auto v = ParseInt(value);
    if (!v || *v < 0) return false;
    maxLength_ = *v;
    return true;
  }
  if (name == L"password") return flag(password_);
  if (name == L"readOnly") return flag(readOnly_);
  if (name == L"number") return flag(number_);
  if (name == L"minValue" || name == L"maxValue") {
    auto v = ParseInt(value);
    if (!v || *v < 0) return false;
    (name == L"minValue" ? minValue_ : maxValue_) = *v;
    return true;
  }
  if (name == L"cueText") {
    SApplication* app = SApplication::Instance();
    SetCueText(app ? app->ResolveString(value) : value);
    return true;
  }
  return SWindow::OnAttribute(name, value, loading);
}

// --- text model ---

void SEdit::SetWindowText(std::wstring_view text) {
  chars_ = render::DecodeWide(text);
  if (maxLength_ > 0 && chars_.size() > static_cast<size_t>(maxLength_)) chars_.resize(static_cast<size_t>(maxLength_));
  // Like the system's edit, new text starts with the caret at its beginning.
  caret_ = anchor_ = 0;
  scrollX_ = 0;
  SyncText();
  ScrollToCaret();
  Invalidate();
}

void SEdit::SyncText() {
  rawText_ = EncodeWide(chars_);
  text_ = rawText_;
}

void SEdit::SetCueText(std::wstring_view text) {
  rawCue_ = text;
  // The cue is interface text even though the edit's content is not.
  SApplication* app = SApplication::Instance();
  cue_ = app ? app->Translate(rawCue_, container_ ? container_->GetTranslatorContext() : std::wstring()) : rawCue_;
  Invalidate();
}

void SEdit::OnLanguageChanged() {
  SetCueText(rawCue_);
  Invalidate();
}

void SEdit::GetSel(int& start, int& end) const {
  start = anchor_;
  end = caret_;
}

void SEdit::SetSel(int start, int end) {
  int size = static_cast<int>(chars_.size());
  if (start < 0 || start > size) start = size;
  if (end < 0 || end > size) end = size;
  anchor_ = start;
  caret_ = end;
  ScrollToCaret();
  Invalidate();
}

std::wstring SEdit::GetSelText() const {
  int a = std::min(anchor_, caret_);
  int b = std::max(anchor_, caret_);
  return EncodeWide(std::u32string_view(chars_).substr(static_cast<size_t>(a), static_cast<size_t>(b - a)));
}

void SEdit::ReplaceSel(std::wstring_view text) {
  if (!ReplaceSelection(render::DecodeWide(text))) return;
  SyncText();
  ScrollToCaret();
  Invalidate();
}

bool SEdit::DeleteSelection() {
  if (anchor_ == caret_) return false;
  int a = std::min(anchor_, caret_);
  int b = std::max(anchor_, caret_);
  chars_.erase(static_cast<size_t>(a), static_cast<size_t>(b - a));
  caret_ = anchor_ = a;
  return true;
}

std::u32string SEdit::CleanText(const std::u32string& text) const {
  // One line: line breaks of pasted text become spaces, other control
  // characters are dropped.
  std::u32string clean;
  for (char32_t c : text) {
    if (c == U'\r' || c == U'\n' || c == U'\t') c = U' ';
    if (c < 0x20 || c == 0x7F) continue;
    if (number_ && (c < U'0' || c > U'9')) continue;
    clean += c;
  }
  return clean;
}

bool SEdit::AcceptsNumber(const std::u32string& text) const {
  if (!number_ || text.empty()) return true;
  // A lone "0" in a field that starts at 1 cannot be on the way to a value
  // the field takes.
  if (text == U"0" && minValue_ > 0) return false;
  if (maxValue_ < 0) return true;
  int64_t value = 0;
  for (char32_t c : text) {
    value = value * 10 + (c - U'0');
    if (value > maxValue_) return false;
  }
  return true;
}

bool SEdit::ReplaceSelection(const std::u32string& text) {
  std::u32string clean = CleanText(text);
  // Typing or pasting only what the field refuses (a letter in a number
  // field) leaves the text alone; it must not delete the selection it was
  // meant to replace.
  if (clean.empty() && !text.empty()) return false;
  int a = std::min(anchor_, caret_);
  int b = std::max(anchor_, caret_);
  size_t kept = chars_.size() - static_cast<size_t>(b - a);
  if (maxLength_ > 0) {
    size_t room = static_cast<size_t>(maxLength_) > kept ? maxLength_ - kept : 0;
    if (clean.size() > room) clean.resize(room);
  }
  std::u32string result = chars_;
  result.replace(static_cast<size_t>(a), static_cast<size_t>(b - a), clean);
  int caret = a + static_cast<int>(clean.size());
  if (number_ && (minValue_ > 0 || maxValue_ >= 0)) {
    // Digits typed after a "0" replace it: the field shows the number it
    // stores, never "025".
    size_t zeros = 0;
    while (zeros + 1 < result.size() && result[zeros] == U'0') ++zeros;
    result.erase(0, zeros);
    caret = std::max(0, caret - static_cast<int>(zeros));
  }
  if (!AcceptsNumber(result)) return false;
  chars_ = std::move(result);
  caret_ = anchor_ = caret;
  return true;
}

void SEdit::OnUserChange() {
  SyncText();
  ScrollToCaret();
  RestartBlink();
  Invalidate();
  EventEditChange e(this);
  FireEvent(e);
}

bool SEdit::Cut() {
  if (password_ || readOnly_ || anchor_ == caret_) return false;
  Copy();
  DeleteSelection();
  OnUserChange();
  return true;
}

bool SEdit::Copy() const {
  if (password_ || anchor_ == caret_) return false;
  return SetClipboardText(GetHostHwnd(), GetSelText());
}

bool SEdit::Paste() {
  if (readOnly_) return false;
  std::optional<std::wstring> text = GetClipboardText(GetHostHwnd());
  if (!text) return false;
  std::u32string before = chars_;
  if (!ReplaceSelection(render::DecodeWide(*text))) return false;
  if (chars_ != before) OnUserChange();
  return true;
}

void SEdit::SelectAll() {
  anchor_ = 0;
  caret_ = static_cast<int>(chars_.size());
  ScrollToCaret();
  Invalidate();
}

// --- geometry ---

std::u32string SEdit::DisplayText() const {
  return password_ ? std::u32string(chars_.size(), kPasswordChar) : chars_;
}

std::vector<int> SEdit::CaretPositions() const {
  std::u32string shown = DisplayText();
  std::vector<int> xs(shown.size() + 1, 0);
  auto font = style_.GetFont(kVisualNormal);
  size_t i = 0;
  int64_t end = font->Walk(shown, [&](const render::Glyph&, int64_t pen64) {
    if (i < xs.size()) xs[i++] = static_cast<int>((pen64 + 32) / 64);
  });
  xs.back() = static_cast<int>((end + 32) / 64);
  return xs;
}

int SEdit::IndexFromX(int x) const {
  std::vector<int> xs = CaretPositions();
  int local = x - GetClientRect().left + scrollX_;
  int best = 0;
  for (size_t i = 0; i < xs.size(); ++i)
    if (std::abs(xs[i] - local) < std::abs(xs[static_cast<size_t>(best)] - local)) best = static_cast<int>(i);
  return best;
}

void SEdit::ScrollToCaret() {
  std::vector<int> xs = CaretPositions();
  int width = std::max(1, GetClientRect().Width());
  int caretX = xs[static_cast<size_t>(std::clamp(caret_, 0, static_cast<int>(xs.size()) - 1))];
  if (caretX - scrollX_ > width - 1) scrollX_ = caretX - width + 1;
  if (caretX - scrollX_ < 0) scrollX_ = caretX;
  int total = xs.back();
  if (total - scrollX_ < width - 1) scrollX_ = std::max(0, total - width + 1);
  if (scrollX_ < 0) scrollX_ = 0;
}

void SEdit::MoveCaret(int index, bool extend) {
  caret_ = std::clamp(index, 0, static_cast<int>(chars_.size()));
  if (!extend) anchor_ = caret_;
  ScrollToCaret();
  RestartBlink();
  Invalidate();
}

int SEdit::WordStart(int index) const {
  while (index > 0 && !IsWordChar(chars_[static_cast<size_t>(index - 1)])) --index;
  while (index > 0 && IsWordChar(chars_[static_cast<size_t>(index - 1)])) --index;
  return index;
}

int SEdit::WordEnd(int index) const {
  int size = static_cast<int>(chars_.size());
  while (index < size && IsWordChar(chars_[static_cast<size_t>(index)])) ++index;
  while (index < size && !IsWordChar(chars_[static_cast<size_t>(index)])) ++index;
  return index;
}

void SEdit::UpdateChildrenPosition() {
  SWindow::UpdateChildrenPosition();
  ScrollToCaret();
}

// --- painting ---

int SEdit::GetSkinState(const ISkinObj* skin) const {
  if (IsDisabled(true)) return kVisualDisabled;
  if (IsFocused()) return kVisualPushed;
  return (state_ & kStateHover) ? kVisualHover : kVisualNormal;
}

void SEdit::OnPaint(render::Canvas& canvas) {
  Rect client = GetClientRect();
  render::Canvas::ScopedClip clip(canvas, client);
  int visual = IsDisabled(true) ? kVisualDisabled : kVisualNormal;
  auto font = style_.GetFont(visual);
  int lineHeight = font->LineHeight();
  int top = client.top + (client.Height() - lineHeight) / 2;
  bool focused = IsFocused() && container_ && container_->HasHostFocus();
  if (chars_.empty()) {
    if (!focused && !cue_.empty())
      canvas.DrawString(*font, cue_, client, kCueColor, render::kTextSingleLine | render::kTextVCenter | render::kTextEndEllipsis);
  } else {
    std::vector<int> xs = CaretPositions();
    if (anchor_ != caret_) {
      int a = xs[static_cast<size_t>(std::min(anchor_, caret_))] - scrollX_;
      int b = xs[static_cast<size_t>(std::max(anchor_, caret_))] - scrollX_;
      canvas.FillRect(Rect{client.left + a, top, client.left + b, top + lineHeight},
                      focused ? kSelectionFocused : kSelectionUnfocused);
    }
    Rect box{client.left - scrollX_, client.top, client.left - scrollX_ + xs.back() + 2, client.bottom};
    canvas.DrawString(*font, EncodeWide(DisplayText()), box, style_.GetTextColor(visual),
                      render::kTextSingleLine | render::kTextVCenter | render::kTextNoClip);
  }
  if (focused && caretOn_ && !IsDisabled(true)) {
    std::vector<int> xs = CaretPositions();
    int x = client.left + xs[static_cast<size_t>(caret_)] - scrollX_;
    canvas.FillRect(Rect{x, top, x + 1, top + lineHeight}, style_.GetTextColor(kVisualNormal));
  }
}

Size SEdit::GetDesiredSize(int widthHint, int heightHint) {
  const Margins& p = style_.GetPadding();
  return Size{120, style_.GetFont(kVisualNormal)->LineHeight() + p.top + p.bottom + 2};
}

LPCWSTR SEdit::GetCursorId(Point pt) const { return IDC_IBEAM; }

// --- input ---

void SEdit::RestartBlink() {
  caretOn_ = true;
  if (IsFocused()) SetTimer(kCaretTimer, kCaretBlinkMs);
}

void SEdit::OnTimer(UINT id) {
  if (id != kCaretTimer) return;
  caretOn_ = !caretOn_;
  Invalidate();
}

void SEdit::OnSetFocus(SWindow* previous) {
  RestartBlink();
  SWindow::OnSetFocus(previous);
}

void SEdit::OnKillFocus(SWindow* next) {
  KillTimer(kCaretTimer);
  caretOn_ = false;
  selecting_ = false;
  SWindow::OnKillFocus(next);
}

void SEdit::OnLButtonDown(UINT flags, Point pt) {
  SetFocus();
  MoveCaret(IndexFromX(pt.x), (flags & MK_SHIFT) != 0);
  selecting_ = true;
}

void SEdit::OnLButtonDblClk(UINT flags, Point pt) {
  SetFocus();
  int index = IndexFromX(pt.x);
  int start = index;
  int size = static_cast<int>(chars_.size());
  while (start > 0 && IsWordChar(chars_[static_cast<size_t>(start - 1)])) --start;
  int end = index;
  while (end < size && IsWordChar(chars_[static_cast<size_t>(end)])) ++end;
  anchor_ = start;
  MoveCaret(end, true);
}

void SEdit::OnMouseMove(UINT flags, Point pt) {
  if (selecting_ && (flags & MK_LBUTTON)) MoveCaret(IndexFromX(pt.x), true);
}

void SEdit::OnLButtonUp(UINT flags, Point pt) { selecting_ = false; }

void SEdit::OnCaptureLost() { selecting_ = false; }

void SEdit::OnRButtonUp(UINT flags, Point pt) {
  SetFocus();
  SApplication* app = SApplication::Instance();
  HWND hwnd = GetHostHwnd();
  if (!app || !hwnd) return;
  SMenu menu;
  if (!menu.LoadMenuXml(app->GetSystemResource(SApplication::kSysEditMenu))) return;
  bool hasSelection = anchor_ != caret_;
  menu.EnableItem(kCmdCut, hasSelection && !readOnly_ && !password_);
  menu.EnableItem(kCmdCopy, hasSelection && !password_);
  menu.EnableItem(kCmdPaste, !readOnly_);
  menu.EnableItem(kCmdDelete, hasSelection && !readOnly_);
  Rect screen = container_ ? container_->LogicalToScreen(Rect{pt.x, pt.y, pt.x, pt.y}) : Rect{pt.x, pt.y, pt.x, pt.y};
  int command = menu.TrackPopupMenu(TPM_RETURNCMD, screen.left, screen.top, hwnd);
  switch (command) {
    case kCmdCut:
      Cut();
      break;
    case kCmdCopy:
      Copy();
      break;
    case kCmdPaste:
      Paste();
      break;
    case kCmdDelete:
      if (!readOnly_ && DeleteSelection()) OnUserChange();
      break;
    case kCmdSelectAll:
      SelectAll();
      break;
    default:
      break;
  }
}

bool SEdit::OnKeyDown(UINT vk, UINT repeat, UINT flags) {
  bool shift = KeyDown(VK_SHIFT);
  bool ctrl = KeyDown(VK_CONTROL);
  switch (vk) {
    case VK_LEFT:
      if (!shift && anchor_ != caret_) MoveCaret(std::min(anchor_, caret_), false);
      else MoveCaret(ctrl ? WordStart(caret_) : caret_ - 1, shift);
      return true;
    case VK_RIGHT:
      if (!shift && anchor_ != caret_) MoveCaret(std::max(anchor_, caret_), false);
      else MoveCaret(ctrl ? WordEnd(caret_) : caret_ + 1, shift);
      return true;
    case VK_HOME:
      MoveCaret(0, shift);
      return true;
    case VK_END:
      MoveCaret(static_cast<int>(chars_.size()), shift);
      return true;
    case VK_DELETE:
      if (readOnly_) return true;
      if (!DeleteSelection()) {
        if (caret_ >= static_cast<int>(chars_.size())) return true;
        chars_.erase(static_cast<size_t>(caret_), 1);
      }
      OnUserChange();
      return true;
    default:
      return false;
  }
}

bool SEdit::OnChar(UINT ch, UINT repeat, UINT flags) {
  // Ctrl+letter arrives as its control character (TranslateMessage).
  switch (ch) {
    case kCtrlA:
      SelectAll();
      return true;
    case kCtrlC:
      Copy();
      return true;
    case kCtrlX:
      Cut();
      return true;
    case kCtrlV:
      Paste();
      return true;
    case kBackspace:
      if (readOnly_) return true;
      if (!DeleteSelection()) {
        if (caret_ == 0) return true;
        chars_.erase(static_cast<size_t>(--caret_), 1);
        anchor_ = caret_;
      }
      OnUserChange();
      return true;
    default:
      break;
  }
  if (ch < 0x20 || ch == 0x7F || readOnly_) return false;
  char32_t c = static_cast<char32_t>(ch);
  // Characters outside the BMP arrive as two WM_CHAR surrogates on Windows.
  if (c >= 0xD800 && c <= 0xDBFF) {
    pendingHighSurrogate_ = static_cast<char16_t>(c);
    return true;
  }
  if (c >= 0xDC00 && c <= 0xDFFF) {
    if (!pendingHighSurrogate_) return true;
    c = 0x10000 + ((pendingHighSurrogate_ - 0xD800) << 10) + (c - 0xDC00);
    pendingHighSurrogate_ = 0;
  }
  std::u32string before = chars_;
  int caretBefore = caret_;
  if (!ReplaceSelection(std::u32string(1, c))) return true;
  if (chars_ != before || caret_ != caretBefore) OnUserChange();
  return true;
}

}  // namespace kb::ui
