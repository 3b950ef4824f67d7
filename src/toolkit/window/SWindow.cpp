#include "toolkit/window/SWindow.h"

#include <algorithm>
#include <optional>

#include "platform/diag.h"
#include "platform/text.h"
#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/render/TextLayout.h"
#include "toolkit/skin/ISkinObj.h"

namespace kb::ui {

namespace {

constexpr int kFocusRectInset = 2;

// Layouts write line breaks in attributes as "\n".
std::wstring Unescape(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\\' && i + 1 < text.size()) {
      wchar_t next = text[i + 1];
      if (next == L'n') {
        out += L'\n';
        ++i;
        continue;
      }
      if (next == L't') {
        out += L'\t';
        ++i;
        continue;
      }
      if (next == L'\\') {
        out += L'\\';
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::wstring ResolveText(std::wstring_view value) {
  SApplication* app = SApplication::Instance();
  return Unescape(app ? app->ResolveString(value) : std::wstring(value));
}

}  // namespace

SWindow::SWindow() {
  eventSet_.AddEvent<EventSetFocus>();
  eventSet_.AddEvent<EventKillFocus>();
}

SWindow::~SWindow() = default;

// --- tree ---

int SWindow::IndexOfChild(const SWindow* child) const {
  for (size_t i = 0; i < children_.size(); ++i)
    if (children_[i].get() == child) return static_cast<int>(i);
  return -1;
}

SWindow* SWindow::InsertChild(std::unique_ptr<SWindow> child, size_t index) {
  if (!child) return nullptr;
  SWindow* raw = child.get();
  raw->parent_ = this;
  raw->SetContainer(container_);
  if (index > children_.size()) index = children_.size();
  children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(index), std::move(child));
  RequestRelayout();
  return raw;
}

std::unique_ptr<SWindow> SWindow::RemoveChild(SWindow* child) {
  int index = IndexOfChild(child);
  if (index < 0) return nullptr;
  if (container_) container_->OnWindowDetached(child);
  std::unique_ptr<SWindow> owned = std::move(children_[static_cast<size_t>(index)]);
  children_.erase(children_.begin() + index);
  owned->SetContainer(nullptr);
  owned->parent_ = nullptr;
  RequestRelayout();
  Invalidate();
  return owned;
}

void SWindow::DestroyChild(SWindow* child) {
  if (IndexOfChild(child) < 0) return;
  child->NotifyDestroy();
  std::unique_ptr<SWindow> owned = RemoveChild(child);
  if (container_) container_->DeferDelete(std::move(owned));
}

void SWindow::DestroyAllChildren() {
  while (!children_.empty()) DestroyChild(children_.back().get());
}

bool SWindow::IsDescendantOf(const SWindow* ancestor) const {
  for (const SWindow* w = this; w; w = w->parent_)
    if (w == ancestor) return true;
  return false;
}

SWindow* SWindow::FindChildByName(std::wstring_view name, int depth) const {
  if (depth == 0 || name.empty()) return nullptr;
  for (const auto& child : children_)
    if (child->name_ == name) return child.get();
  for (const auto& child : children_)
    if (SWindow* found = child->FindChildByName(name, depth - 1)) return found;
  return nullptr;
}

SWindow* SWindow::FindChildByID(int id, int depth) const {
  if (depth == 0 || id == 0) return nullptr;
  for (const auto& child : children_)
    if (child->id_ == id) return child.get();
  for (const auto& child : children_)
    if (SWindow* found = child->FindChildByID(id, depth - 1)) return found;
  return nullptr;
}

void SWindow::SetContainer(ISwndContainer* container) {
  container_ = container;
  for (auto& child : children_) child->SetContainer(container);
}

// --- creation ---

void SWindow::ApplyAttrList(const std::vector<std::pair<std::wstring, std::wstring>>& attrs) {
  for (const auto& [name, value] : attrs) SetAttribute(name, value, true);
}

void SWindow::ApplyAttributes(pugi::xml_node node) {
  SApplication* app = SApplication::Instance();
  if (app) {
    std::vector<const wchar_t*> chain;
    CollectClassChain(chain);
    for (const wchar_t* cls : chain)
      if (const AttrList* defaults = app->ObjectDefaults().Find(cls)) ApplyAttrList(*defaults);
    if (pugi::xml_attribute cls = node.attribute("class")) {
      std::wstring styleName = Utf8ToWide(cls.value());
      if (const AttrList* style = app->Styles().Find(styleName)) ApplyAttrList(*style);
      else DiagPrintfW(L"layout: style class %ls not defined\n", styleName.c_str());
    }
  }
  for (pugi::xml_attribute attr : node.attributes()) {
    std::wstring name = Utf8ToWide(attr.name());
    if (name == L"class") continue;
    std::wstring value = Utf8ToWide(attr.value());
    if (!SetAttribute(name, value, true)) {
      DiagPrintfW(L"layout: %ls \"%ls\": attribute %ls=\"%ls\" not applied\n", GetObjectClass(), name_.c_str(),
                  name.c_str(), value.c_str());
    }
  }
  if (!idGiven_ && !name_.empty() && app) id_ = app->NamedIds().IdOf(name_);
}

bool SWindow::InitFromXml(pugi::xml_node node) {
  ApplyAttributes(node);
  if (rawText_.empty()) {
    std::wstring inner = Utf8ToWide(node.text().get());
    std::wstring_view trimmed = Trim(inner);
    if (!trimmed.empty()) SetWindowText(ResolveText(trimmed));
  }
  OnCreate();
  bool ok = CreateChildren(node);
  OnInitFinished(node);
  return ok;
}

bool SWindow::CreateChildren(pugi::xml_node node) {
  SApplication* app = SApplication::Instance();
  bool ok = true;
  for (pugi::xml_node childNode : node.children()) {
    if (childNode.type() != pugi::node_element) continue;
    if (OnChildXml(childNode)) continue;
    std::wstring cls = Utf8ToWide(childNode.name());
    std::unique_ptr<SWindow> child = app ? app->CreateWindowByName(cls) : nullptr;
    if (!child) {
      DiagPrintfW(L"layout: no control class \"%ls\"\n", cls.c_str());
      ok = false;
      continue;
    }
    SWindow* raw = InsertChild(std::move(child));
    ok &= raw->InitFromXml(childNode);
  }
  return ok;
}

bool SWindow::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (OnIdentityAttribute(name, value)) return true;
  if (std::optional<bool> handled = OnBehaviourAttribute(name, value, loading)) return *handled;
  if (layout_.SetAttribute(name, value)) {
    if (!loading) RequestRelayout();
    return true;
  }
  if (style_.SetAttribute(name, value)) {
    if (!loading) {
      RequestRelayout();
      Invalidate();
    }
    return true;
  }
  if (int eventId = eventSet_.IdOfScriptName(name)) {
    scriptHandlers_[eventId] = value;
    return true;
  }
  return SObject::OnAttribute(name, value, loading);
}

bool SWindow::OnIdentityAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"name") {
    name_ = value;
    return true;
  }
  if (name == L"id") {
    std::optional<int> id = ParseInt(value);
    if (!id && SApplication::Instance()) id = SApplication::Instance()->NamedIds().IdOf(value);
    // A bad id is ignored with a diagnostic line by the caller.
    if (!id || *id == 0) return false;
    id_ = *id;
    idGiven_ = true;
    return true;
  }
  if (name == L"text") {
    SetWindowText(ResolveText(value));
    return true;
  }
  if (name == L"tip") {
    SetToolTipText(ResolveText(value));
    return true;
  }
  if (name == L"accName") {
    SetAccessibleName(ResolveText(value));
    return true;
  }
  return false;
}

// The name is the program's label even where the control's text is the
// user's (translate="0" on an edit), so it is always translated.
std::wstring SWindow::TranslateAccessibleName() const {
  SApplication* app = SApplication::Instance();
  if (rawAccName_.empty() || !app) return rawAccName_;
  return app->Translate(rawAccName_, container_ ? container_->GetTranslatorContext() : std::wstring());
}

void SWindow::SetAccessibleName(std::wstring_view name) {
  rawAccName_ = name;
  accName_ = TranslateAccessibleName();
}

std::wstring SWindow::GetAccessibleName() const {
  if (!accName_.empty()) return accName_;
  if (!text_.empty()) return text_;
  return tip_;
}

std::optional<bool> SWindow::OnBehaviourAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  auto flag = [&](bool& field) {
    auto v = ParseBool(value);
    if (v) field = *v;
    return v.has_value();
  };
  if (name == L"visible" || name == L"show" || name == L"enable") {
    auto v = ParseBool(value);
    if (!v) return false;
    if (name == L"enable") EnableWindow(*v, !loading);
    else SetVisible(*v, !loading);
    return true;
  }
  if (name == L"focusable") return flag(focusable_);
  if (name == L"tabStop") return flag(tabStop_);
  if (name == L"msgTransparent") return flag(msgTransparent_);
  if (name == L"translate") return flag(translate_);
  if (name == L"trackMouseEvent") return ParseBool(value).has_value();  // hover and leave always reach controls
  if (name == L"data") {
    auto v = ParseInt(value);
    if (v) userData_ = static_cast<ULONG_PTR>(*v);
    return v.has_value();
  }
  if (name == L"layout") {
    if (value == L"hbox") boxLayout_ = BoxLayout::kHorizontal;
    else if (value == L"vbox") boxLayout_ = BoxLayout::kVertical;
    else if (value == L"none") boxLayout_ = BoxLayout::kNone;
    else return false;
    if (!loading) RequestRelayout();
    return true;
  }
  if (name == L"interval") {
    auto v = ParseInt(value);
    if (!v || *v < 0) return false;
    interval_ = *v;
    if (!loading) RequestRelayout();
    return true;
  }
  if (name == L"cursor") return SetCursorByName(value);
  return std::nullopt;
}

bool SWindow::SetCursorByName(const std::wstring& value) {
  static const std::pair<const wchar_t*, LPCWSTR> kCursors[] = {
      {L"arrow", IDC_ARROW}, {L"hand", IDC_HAND}, {L"ibeam", IDC_IBEAM}, {L"sizewe", IDC_SIZEWE}, {L"sizens", IDC_SIZENS}};
  for (const auto& [cursorName, id] : kCursors) {
    if (value == cursorName) {
      cursor_ = id;
      return true;
    }
  }
  return false;
}

// --- text ---

void SWindow::SetWindowText(std::wstring_view text) {
  rawText_ = text;
  text_ = Translate(rawText_);
  RequestRelayout();
  Invalidate();
}

void SWindow::SetToolTipText(std::wstring_view tip) {
  rawTip_ = tip;
  tip_ = Translate(rawTip_);
  if (container_) container_->UpdateToolTip();
}

std::wstring SWindow::Translate(const std::wstring& raw) const {
  SApplication* app = SApplication::Instance();
  if (!translate_ || raw.empty() || !app) return raw;
  return app->Translate(raw, container_ ? container_->GetTranslatorContext() : std::wstring());
}

void SWindow::OnLanguageChanged() {
  text_ = Translate(rawText_);
  tip_ = Translate(rawTip_);
  RequestRelayout();
  Invalidate();
}

void SWindow::NotifyLanguageChanged() {
  // Here rather than in OnLanguageChanged, which controls whose text is the
  // user's (edits) override without the base.
  accName_ = TranslateAccessibleName();
  OnLanguageChanged();
  for (size_t i = 0; i < children_.size(); ++i) children_[i]->NotifyLanguageChanged();
}

void SWindow::NotifyDestroy() {
  for (size_t i = 0; i < children_.size(); ++i) children_[i]->NotifyDestroy();
  OnDestroy();
}

// --- state ---

void SWindow::ModifyState(unsigned add, unsigned remove, bool update) {
  unsigned old = state_;
  state_ = (state_ | add) & ~remove;
  if (state_ == old) return;
  OnStateChanged(old, state_);
  if (update) Invalidate();
}

bool SWindow::IsVisible(bool checkParents) const {
  if (!checkParents) return visible_;
  for (const SWindow* w = this; w; w = w->parent_)
    if (!w->visible_) return false;
  return true;
}

void SWindow::SetVisible(bool visible, bool update) {
  if (visible_ == visible) return;
  if (!visible) Invalidate();
  visible_ = visible;
  if (!visible && container_) {
    SWindow* focus = container_->GetFocusedWindow();
    if (focus && focus->IsDescendantOf(this)) container_->SetFocusedWindow(nullptr);
    SWindow* capture = container_->GetCaptureWindow();
    if (capture && capture->IsDescendantOf(this)) container_->ReleaseCaptureWindow(capture);
  }
  if (parent_) parent_->RequestRelayout();
  if (update) Invalidate();
}

bool SWindow::IsDisabled(bool checkParents) const {
  if (!checkParents) return (state_ & kStateDisabled) != 0;
  for (const SWindow* w = this; w; w = w->parent_)
    if (w->state_ & kStateDisabled) return true;
  return false;
}

void SWindow::EnableWindow(bool enable, bool update) {
  if (enable) {
    ModifyState(0, kStateDisabled, update);
    return;
  }
  ModifyState(kStateDisabled, kStateHover | kStatePushed, update);
  pressing_ = false;
  if (container_) {
    SWindow* focus = container_->GetFocusedWindow();
    if (focus && focus->IsDescendantOf(this)) container_->SetFocusedWindow(nullptr);
  }
}

void SWindow::SetCheck(bool checked) { ModifyState(checked ? kStateChecked : 0, checked ? 0 : kStateChecked); }

bool SWindow::IsFocusable() const { return focusable_ && IsVisible(true) && !IsDisabled(true); }

bool SWindow::IsFocused() const { return container_ && container_->GetFocusedWindow() == this; }

void SWindow::SetFocus() {
  if (container_ && IsFocusable()) container_->SetFocusedWindow(this);
}

void SWindow::KillFocus() {
  if (IsFocused()) container_->SetFocusedWindow(nullptr);
}

int SWindow::GetVisualState() const {
  if (IsDisabled(true)) return kVisualDisabled;
  if (state_ & kStatePushed) return kVisualPushed;
  if (state_ & kStateHover) return kVisualHover;
  return kVisualNormal;
}

// --- geometry ---

Rect SWindow::GetClientRect() const {
  const Margins& p = style_.GetPadding();
  Rect client = rect_.Deflate(p.left, p.top, p.right, p.bottom);
  if (client.right < client.left) client.right = client.left;
  if (client.bottom < client.top) client.bottom = client.top;
  return client;
}

void SWindow::Move(const Rect& rect) {
  rect_ = rect;
  UpdateChildrenPosition();
}

Size SWindow::TextContentSize(int widthHint) const {
  if (text_.empty()) return Size{};
  const Margins& p = style_.GetPadding();
  unsigned format = style_.GetTextFormat();
  int wrapWidth = (format & render::kTextWordBreak) && widthHint > 0 ? widthHint - p.left - p.right : 0;
  Size text = render::MeasureText(*style_.GetFont(kVisualNormal), text_, format, wrapWidth);
  return Size{text.cx + p.left + p.right, text.cy + p.top + p.bottom};
}

Size SWindow::GetDesiredSize(int widthHint, int heightHint) {
  Size size = TextContentSize(widthHint);
  if (ISkinObj* skin = GetBkgndSkin()) {
    Size skinSize = skin->GetSkinSize();
    size.cx = std::max(size.cx, skinSize.cx);
    size.cy = std::max(size.cy, skinSize.cy);
  }
  if (boxLayout_ != BoxLayout::kNone) {
    bool horizontal = boxLayout_ == BoxLayout::kHorizontal;
    int main = 0, cross = 0, count = 0;
    for (const auto& child : children_) {
      if (!child->visible_) continue;
      const SLayoutParam& lp = child->layout_;
      Size d = child->GetDesiredSize(0, 0);
      int w = lp.Width() >= 0 ? lp.Width() : d.cx;
      int h = lp.Height() >= 0 ? lp.Height() : d.cy;
      main += horizontal ? w : h;
      cross = std::max(cross, horizontal ? h : w);
      ++count;
    }
    if (count > 1) main += interval_ * (count - 1);
    const Margins& p = style_.GetPadding();
    Size box = horizontal ? Size{main, cross} : Size{cross, main};
    size.cx = std::max(size.cx, box.cx + p.left + p.right);
    size.cy = std::max(size.cy, box.cy + p.top + p.bottom);
  }
  return size;
}

void SWindow::UpdateChildrenPosition() {
  Rect client = GetClientRect();
  if (boxLayout_ == BoxLayout::kNone) LayoutAbsolute(client);
  else LayoutBox(client);
}

void SWindow::LayoutAbsolute(const Rect& client) {
  const Rect* previous = nullptr;
  for (auto& child : children_) {
    SWindow* c = child.get();
    Rect placed = c->layout_.Place(client, previous, [&] { return c->GetDesiredSize(client.Width(), client.Height()); });
    c->Move(placed);
    if (c->visible_) previous = &c->rect_;
  }
}

void SWindow::LayoutBox(const Rect& client) {
  bool horizontal = boxLayout_ == BoxLayout::kHorizontal;
  int mainSize = horizontal ? client.Width() : client.Height();
  int crossSize = horizontal ? client.Height() : client.Width();
  struct Entry {
    SWindow* window;
    int main;
    int cross;
  };
  std::vector<Entry> entries;
  int used = 0;
  float weights = 0;
  for (auto& child : children_) {
    if (!child->visible_) continue;
    const SLayoutParam& lp = child->layout_;
    int mainWant = horizontal ? lp.Width() : lp.Height();
    int crossWant = horizontal ? lp.Height() : lp.Width();
    std::optional<Size> desired;
    auto content = [&]() -> Size {
      if (!desired) desired = child->GetDesiredSize(horizontal ? 0 : crossSize, horizontal ? crossSize : 0);
      return *desired;
    };
    Entry e{child.get(), 0, 0};
    if (lp.Weight() > 0) weights += lp.Weight();
    else if (mainWant >= 0) e.main = mainWant;
    else if (mainWant == SLayoutParam::kSizeFill) e.main = mainSize;
    else e.main = horizontal ? content().cx : content().cy;
    if (crossWant >= 0) e.cross = crossWant;
    else if (crossWant == SLayoutParam::kSizeFill) e.cross = crossSize;
    else e.cross = horizontal ? content().cy : content().cx;
    used += e.main;
    entries.push_back(e);
  }
  if (entries.size() > 1) used += interval_ * static_cast<int>(entries.size() - 1);
  int rest = std::max(0, mainSize - used);
  int pos = horizontal ? client.left : client.top;
  for (Entry& e : entries) {
    const SLayoutParam& lp = e.window->layout_;
    if (lp.Weight() > 0) e.main = static_cast<int>(rest * lp.Weight() / weights);
    int crossStart = horizontal ? client.top : client.left;
    if (lp.Gravity() == 1) crossStart += (crossSize - e.cross) / 2;
    else if (lp.Gravity() == 2) crossStart += crossSize - e.cross;
    Rect r = horizontal ? Rect::FromSize(pos, crossStart, e.main, e.cross)
                        : Rect::FromSize(crossStart, pos, e.cross, e.main);
    e.window->Move(r);
    pos += e.main + interval_;
  }
  // Hidden children keep a place of no size, so nothing can hit them.
  for (auto& child : children_)
    if (!child->visible_) child->Move(Rect::FromSize(client.left, client.top, 0, 0));
}

void SWindow::RequestRelayout() {
  if (container_) container_->RequestRelayout();
}

void SWindow::Invalidate() { InvalidateRect(rect_); }

void SWindow::InvalidateRect(const Rect& rect) {
  if (container_ && IsVisible(true)) container_->InvalidateHostRect(rect);
}

SWindow* SWindow::HitTest(Point pt) {
  if (!visible_ || !rect_.Contains(pt)) return nullptr;
  for (auto it = children_.rbegin(); it != children_.rend(); ++it)
    if (SWindow* hit = (*it)->HitTest(pt)) return hit;
  return msgTransparent_ ? nullptr : this;
}

// --- painting ---

bool SWindow::PaintsOpaqueBackground() const {
  if (!visible_) return false;
  if (auto color = style_.GetBkgndColor(); color && color->a == 255) return true;
  ISkinObj* skin = GetBkgndSkin();
  return skin && skin->CoversOpaque(GetSkinState(skin));
}

void SWindow::PaintTree(render::Canvas& canvas, const Rect& dirty) {
  if (!visible_) return;
  Rect area = rect_.Intersect(dirty);
  if (area.IsEmpty()) return;
  render::Canvas::ScopedClip clip(canvas, rect_);
  if (canvas.ClipBox().IsEmpty()) return;
  DrawBkgnd(canvas);
  OnPaint(canvas);
  PaintChildren(canvas, area);
  if (IsFocused() && container_->HasHostFocus() && container_->ShowFocusCues() && style_.GetDrawFocusRect())
    DrawFocus(canvas);
}

void SWindow::PaintChildren(render::Canvas& canvas, const Rect& dirty) {
  for (size_t i = 0; i < children_.size(); ++i) children_[i]->PaintTree(canvas, dirty);
}

int SWindow::GetSkinState(const ISkinObj* skin) const {
  int state = GetVisualState();
  if (IsChecked() && skin && skin->GetStates() >= 8) state += 4;
  return state;
}

void SWindow::DrawBkgnd(render::Canvas& canvas) {
  ISkinObj* skin = GetBkgndSkin();
  // An opaque picture over the whole window hides the colour under it.
  const bool skinCovers = skin && skin->CoversOpaque(GetSkinState(skin));
  if (auto color = style_.GetBkgndColor(); color && !skinCovers) canvas.FillRect(rect_, *color);
  if (skin) skin->Draw(canvas, rect_, GetSkinState(skin));
  if (auto border = style_.GetBorderColor()) canvas.FrameRect(rect_, *border);
}

void SWindow::OnPaint(render::Canvas& canvas) {
  if (!text_.empty()) DrawText(canvas, text_, GetClientRect(), style_.GetTextFormat());
}

void SWindow::DrawText(render::Canvas& canvas, std::wstring_view text, const Rect& box, unsigned format) const {
  if (text.empty() || box.IsEmpty()) return;
  int state = GetVisualState();
  canvas.DrawString(*style_.GetFont(state), text, box, style_.GetTextColor(state), format);
}

void SWindow::DrawFocus(render::Canvas& canvas) {
  if (ISkinObj* skin = style_.GetFocusSkin()) {
    skin->Draw(canvas, rect_, 0);
    return;
  }
  canvas.DrawFocusRect(rect_.Deflate(kFocusRectInset, kFocusRectInset, kFocusRectInset, kFocusRectInset),
                       style_.GetFocusColor());
}

// --- events and timers ---

bool SWindow::FireEvent(EventArgs& e) {
  eventSet_.FireEvent(e);
  if (e.handled || eventSet_.IsMuted()) return e.handled;
  auto bound = scriptHandlers_.find(e.GetID());
  if (bound != scriptHandlers_.end() && container_ && container_->CallNamedHandler(bound->second, e)) {
    e.handled = true;
    return true;
  }
  if (!e.bubbleUp || !container_) return e.handled;
  if (container_->RouteEvent(e)) e.handled = true;
  return e.handled;
}

bool SWindow::FireCommand() {
  EventCmd e(this);
  return FireEvent(e);
}

bool SWindow::SetTimer(UINT id, UINT milliseconds) {
  return container_ && container_->StartWindowTimer(this, id, milliseconds);
}

void SWindow::KillTimer(UINT id) {
  if (container_) container_->StopWindowTimer(this, id);
}

// --- messages ---

void SWindow::OnLButtonDown(UINT flags, Point pt) {
  SetFocus();
  pressing_ = true;
  ModifyState(kStatePushed, 0);
}

void SWindow::OnLButtonUp(UINT flags, Point pt) {
  bool wasPressing = pressing_;
  pressing_ = false;
  ModifyState(0, kStatePushed);
  if (wasPressing && rect_.Contains(pt) && !IsDisabled(true)) OnClick();
}

void SWindow::OnMouseMove(UINT flags, Point pt) {
  if (!pressing_) return;
  bool inside = rect_.Contains(pt);
  ModifyState(inside ? kStatePushed : 0, inside ? 0 : kStatePushed);
}

void SWindow::OnMouseHover(UINT flags, Point pt) {
  if (!IsDisabled(true)) ModifyState(kStateHover, 0);
}

void SWindow::OnMouseLeave() { ModifyState(0, kStateHover); }

void SWindow::OnCaptureLost() {
  pressing_ = false;
  ModifyState(0, kStatePushed);
}

void SWindow::OnSetFocus(SWindow* previous) {
  Invalidate();
  EventSetFocus e(this);
  e.bubbleUp = false;
  FireEvent(e);
}

void SWindow::OnKillFocus(SWindow* next) {
  Invalidate();
  EventKillFocus e(this);
  e.bubbleUp = false;
  FireEvent(e);
}

LPCWSTR SWindow::GetCursorId(Point pt) const { return cursor_ ? cursor_ : IDC_ARROW; }

}  // namespace kb::ui
