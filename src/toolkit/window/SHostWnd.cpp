#include "toolkit/window/SHostWnd.h"

#include <algorithm>

#include "platform/diag.h"
#include "platform/text.h"
#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/window/HostAccessibility.h"
#include "toolkit/window/STipWnd.h"

namespace kb::ui {

namespace {

constexpr UINT_PTR kTimelineTimerId = 0x7F01;
constexpr UINT_PTR kTipTimerId = 0x7F02;
constexpr UINT_PTR kFirstWindowTimerId = 0x10000;
constexpr UINT kTipDelayMs = 450;
constexpr Color kHostBackground = Color::Rgb(0xf0, 0xf0, 0xf0);

Point PointFromLParam(LPARAM lParam) {
  return Point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

}  // namespace

SHostWnd::SHostWnd(std::wstring layoutName) : layoutName_(std::move(layoutName)), nextTimerId_(kFirstWindowTimerId) {}

SHostWnd::~SHostWnd() {
  if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
  DisconnectHostAccessibility(*this);
  DestroyTree();
}

void SHostWnd::SetLayoutXml(std::string xml) { layoutXml_ = std::move(xml); }

bool SHostWnd::LoadLayoutDocument() {
  if (layoutDoc_.document_element()) return true;
  if (!layoutXml_.empty()) {
    pugi::xml_parse_result r = layoutDoc_.load_buffer(layoutXml_.data(), layoutXml_.size());
    if (!r) DiagPrintf("host layout text cannot be parsed: %s\n", r.description());
    return static_cast<bool>(r);
  }
  SApplication* app = SApplication::Instance();
  if (!app || layoutName_.empty() || !app->LoadXmlDocument(layoutDoc_, layoutName_, L"layout")) {
    DiagPrintfW(L"layout %ls not found\n", layoutName_.c_str());
    return false;
  }
  return true;
}

void SHostWnd::ApplyHostAttributes(pugi::xml_node host) {
  SApplication* app = SApplication::Instance();
  for (pugi::xml_attribute attr : host.attributes()) {
    std::wstring name = Utf8ToWide(attr.name());
    std::wstring value = Utf8ToWide(attr.value());
    if (name == L"title") {
      rawTitle_ = app ? app->ResolveString(value) : value;
    } else if (name == L"size") {
      if (auto s = ParseSize(value)) layoutSize_ = *s;
    } else if (name == L"trCtx") {
      trContext_ = value;
    } else if (name == L"appWnd") {
      appWindow_ = ParseBool(value).value_or(appWindow_);
    } else if (name == L"toolWindow") {
      toolWindow_ = ParseBool(value).value_or(toolWindow_);
    } else if (name == L"topmost") {
      topmost_ = ParseBool(value).value_or(topmost_);
    } else {
      DiagPrintfW(L"layout: host attribute %ls not known\n", name.c_str());
    }
  }
  title_ = app ? app->Translate(rawTitle_, trContext_) : rawTitle_;
}

bool SHostWnd::BuildTree() {
  if (treeBuilt_) return true;
  if (!LoadLayoutDocument()) return false;
  pugi::xml_node host = layoutDoc_.document_element();
  ApplyHostAttributes(host);
  root_ = std::make_unique<SWindow>();
  root_->SetContainer(this);
  treeBuilt_ = true;
  pugi::xml_node rootNode = host.child("root");
  bool ok = rootNode ? root_->InitFromXml(rootNode) : root_->CreateChildren(host);
  relayoutPending_ = true;
  return ok;
}

void SHostWnd::AdoptRoot(std::unique_ptr<SWindow> root) {
  DestroyTree();
  root_ = std::move(root);
  root_->SetContainer(this);
  treeBuilt_ = true;
  relayoutPending_ = true;
  if (layoutXml_.empty() && !layoutDoc_.document_element()) layoutXml_ = "<host/>";
}

void SHostWnd::DestroyTree() {
  if (!root_) return;
  HideToolTip();
  focus_ = capture_ = hover_ = nullptr;
  timers_.clear();
  timeline_.clear();
  root_.reset();
  garbage_.clear();
}

DWORD SHostWnd::DefaultStyle() const {
  return WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
}

DWORD SHostWnd::DefaultExStyle() const {
  DWORD ex = 0;
  if (appWindow_) ex |= WS_EX_APPWINDOW;
  if (toolWindow_) ex |= WS_EX_TOOLWINDOW;
  if (topmost_) ex |= WS_EX_TOPMOST;
  return ex;
}

HWND SHostWnd::Create(HWND parent, int x, int y, int cx, int cy) {
  // The host attributes decide the styles, so the layout is read first.
  if (LoadLayoutDocument()) ApplyHostAttributes(layoutDoc_.document_element());
  return CreateEx(parent, DefaultStyle(), DefaultExStyle(), x, y, cx, cy);
}

HWND SHostWnd::CreateEx(HWND parent, DWORD style, DWORD exStyle, int x, int y, int cx, int cy) {
  if (!LoadLayoutDocument()) return nullptr;
  if (cx <= 0 || cy <= 0) {
    Size size = layoutSize_;
    if (size.cx <= 0 || size.cy <= 0) {
      ApplyHostAttributes(layoutDoc_.document_element());
      size = layoutSize_;
    }
    cx = size.cx > 0 ? size.cx : 400;
    cy = size.cy > 0 ? size.cy : 300;
  }
  // The size is logical; the window is created at the dpi it will most
  // likely have (its owner's, else the primary screen's) and corrected in
  // WM_CREATE when the window's own differs.
  if (!dpiFixed_) scale_ = render::DeviceScale(DpiOf(parent));
  Size device = scale_.ToDevice(Size{cx, cy});
  // The control tree is built in WM_CREATE, so controls find the window's
  // handle from their first moment.
  return CSimpleWnd::Create(title_.c_str(), style, exStyle, x, y, device.cx, device.cy, parent);
}

SWindow* SHostWnd::FindChildByName(std::wstring_view name, int depth) const {
  return root_ ? root_->FindChildByName(name, depth) : nullptr;
}

SWindow* SHostWnd::FindChildByID(int id, int depth) const { return root_ ? root_->FindChildByID(id, depth) : nullptr; }

bool SHostWnd::SubscribeEvent(std::wstring_view controlName, int eventId, EventHandler handler) {
  SWindow* w = FindChildByName(controlName);
  return w && w->SubscribeEvent(eventId, std::move(handler)) != 0;
}

bool SHostWnd::SubscribeEvent(int controlId, int eventId, EventHandler handler) {
  SWindow* w = FindChildByID(controlId);
  return w && w->SubscribeEvent(eventId, std::move(handler)) != 0;
}

void SHostWnd::SetNamedHandler(std::wstring name, EventHandler handler) {
  namedHandlers_[std::move(name)] = std::move(handler);
}

// --- layout and painting ---

void SHostWnd::LayoutTo(Size clientSize) {
  if (!root_) return;
  root_->Move(Rect{0, 0, clientSize.cx, clientSize.cy});
  relayoutPending_ = false;
}

void SHostWnd::EnsureLayout() {
  if (!relayoutPending_ || !root_) return;
  LayoutTo(GetLogicalClientSize());
}

void SHostWnd::UpdateLayoutNow() { EnsureLayout(); }

// The root's own opaque background (a picture or colour over all of it)
// would paint over the clear at once: a full-window write saved per paint.
void SHostWnd::ClearUnlessCovered(render::Canvas& canvas, const Rect& area) {
  if (root_->PaintsOpaqueBackground() && root_->GetWindowRect().Intersect(area) == area) return;
  canvas.Clear(kHostBackground);
}

bool SHostWnd::RenderTo(render::Bitmap& out) {
  if (!root_) return false;
  Size logical = GetLogicalClientSize();
  Size size = hwnd_ ? GetClientSize() : scale_.ToDevice(layoutSize_);
  // The clear below covers every pixel: a bitmap of the right size is reused.
  if ((out.Width() != size.cx || out.Height() != size.cy || out.IsEmpty()) && !out.Reset(size.cx, size.cy)) return false;
  if (root_->GetWindowRect() != Rect{0, 0, logical.cx, logical.cy}) relayoutPending_ = true;
  EnsureLayout();
  render::Canvas canvas(out, scale_);
  const Rect all = scale_.ToLogicalOutward(out.Bounds());
  ClearUnlessCovered(canvas, all);
  root_->PaintTree(canvas, all);
  return true;
}

void SHostWnd::OnPaintMessage() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(hwnd_, &ps);
  Size size = GetClientSize();
  if (root_ && size.cx > 0 && size.cy > 0) {
    if (backbuffer_.Width() != size.cx || backbuffer_.Height() != size.cy) {
      backbuffer_.Reset(size.cx, size.cy);
      ps.rcPaint = RECT{0, 0, size.cx, size.cy};
    }
    EnsureLayout();
    Rect dirty = Rect{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom}.Intersect(backbuffer_.Bounds());
    if (!dirty.IsEmpty()) {
      render::Canvas canvas(backbuffer_, scale_);
      render::Canvas::ScopedClip clip(canvas, dirty, render::Canvas::Units::kDevice);
      const Rect logicalDirty = scale_.ToLogicalOutward(dirty);
      ClearUnlessCovered(canvas, logicalDirty);
      root_->PaintTree(canvas, logicalDirty);
    }
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = backbuffer_.Width();
    bi.bmiHeader.biHeight = -backbuffer_.Height();  // top-down rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    ::SetDIBitsToDevice(dc, 0, 0, backbuffer_.Width(), backbuffer_.Height(), 0, 0, 0, backbuffer_.Height(),
                        backbuffer_.Pixels(), &bi, DIB_RGB_COLORS);
  }
  ::EndPaint(hwnd_, &ps);
}

void SHostWnd::InvalidateHostRect(const Rect& rect) {
  if (!hwnd_ || rect.IsEmpty()) return;
  const Rect device = scale_.ToDeviceOutward(rect);
  RECT rc{device.left, device.top, device.right, device.bottom};
  ::InvalidateRect(hwnd_, &rc, FALSE);
}

void SHostWnd::RequestRelayout() {
  if (relayoutPending_) return;
  relayoutPending_ = true;
  if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

// --- focus, capture, lifetime ---

void SHostWnd::SetFocusedWindow(SWindow* window) {
  if (window == focus_) return;
  SWindow* old = focus_;
  focus_ = window;
  if (old) old->OnKillFocus(window);
  // The old control's handler may have moved the focus elsewhere already.
  if (focus_ == window && window) window->OnSetFocus(old);
  if (focus_ == window && window) NotifyAccessibleFocus(*this, window);
}

void SHostWnd::AccessibleNameChanged(SWindow* window) {
  if (window && window == focus_) NotifyAccessibleFocus(*this, window);
}

void SHostWnd::SetCaptureWindow(SWindow* window) {
  capture_ = window;
  if (hwnd_ && window && !osCapture_) {
    osCapture_ = true;
    ::SetCapture(hwnd_);
  }
}

void SHostWnd::ReleaseCaptureWindow(SWindow* window) {
  if (capture_ != window) return;
  capture_ = nullptr;
  if (osCapture_) {
    osCapture_ = false;
    ::ReleaseCapture();
  }
}

void SHostWnd::OnWindowDetached(SWindow* window) {
  if (focus_ && focus_->IsDescendantOf(window)) focus_ = nullptr;
  if (hover_ && hover_->IsDescendantOf(window)) hover_ = nullptr;
  if (capture_ && capture_->IsDescendantOf(window)) ReleaseCaptureWindow(capture_);
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->second.window->IsDescendantOf(window)) {
      if (hwnd_) ::KillTimer(hwnd_, it->first);
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
  // Animated controls register themselves; one that forgot to unregister
  // must not be ticked after it is gone.
  timeline_.erase(std::remove_if(timeline_.begin(), timeline_.end(),
                                 [window](ITimelineHandler* h) {
                                   auto* w = dynamic_cast<SWindow*>(h);
                                   return w && w->IsDescendantOf(window);
                                 }),
                  timeline_.end());
  UpdateToolTip();
}

void SHostWnd::DeferDelete(std::unique_ptr<SWindow> window) {
  if (!window) return;
  if (MessageDepth() == 0) return;  // freed here, nothing of it is on the stack
  garbage_.push_back(std::move(window));
}

void SHostWnd::OnMessagesDone() { garbage_.clear(); }

// --- events ---

bool SHostWnd::RouteEvent(EventArgs& e) {
  if (OnFireEvent(e)) return true;
  return OnDefaultEvent(e);
}

bool SHostWnd::OnDefaultEvent(EventArgs& e) {
  if (e.GetID() != EventCmd::EventID || !hwnd_) return false;
  const std::wstring& name = e.NameFrom();
  if (name == L"btn_close") {
    ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    return true;
  }
  static const std::pair<const wchar_t*, WPARAM> kCommands[] = {
      {L"btn_min", SC_MINIMIZE}, {L"btn_max", SC_MAXIMIZE}, {L"btn_restore", SC_RESTORE}};
  for (const auto& [control, command] : kCommands) {
    if (name == control) {
      ::SendMessageW(hwnd_, WM_SYSCOMMAND, command, 0);
      return true;
    }
  }
  return false;
}

bool SHostWnd::CallNamedHandler(const std::wstring& handlerName, EventArgs& e) {
  auto it = namedHandlers_.find(handlerName);
  return it != namedHandlers_.end() && it->second && it->second(&e);
}

void SHostWnd::UpdateWindowButtons(bool maximized) {
  SWindow* maxButton = FindChildByName(L"btn_max");
  SWindow* restoreButton = FindChildByName(L"btn_restore");
  if (!maxButton || !restoreButton) return;
  maxButton->SetVisible(!maximized);
  restoreButton->SetVisible(maximized);
}

// --- timers and timeline ---

bool SHostWnd::StartWindowTimer(SWindow* window, UINT id, UINT milliseconds) {
  if (!hwnd_ || !window) return false;
  UINT_PTR hostId = 0;
  for (const auto& [key, timer] : timers_)
    if (timer.window == window && timer.id == id) hostId = key;
  if (!hostId) hostId = nextTimerId_++;
  timers_[hostId] = WindowTimer{window, id};
  return ::SetTimer(hwnd_, hostId, milliseconds, nullptr) != 0;
}

void SHostWnd::StopWindowTimer(SWindow* window, UINT id) {
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->second.window == window && it->second.id == id) {
      if (hwnd_) ::KillTimer(hwnd_, it->first);
      timers_.erase(it);
      return;
    }
  }
}

void SHostWnd::RegisterTimelineHandler(ITimelineHandler* handler) {
  if (!handler || std::find(timeline_.begin(), timeline_.end(), handler) != timeline_.end()) return;
  timeline_.push_back(handler);
  if (hwnd_ && !timelineRunning_) {
    timelineRunning_ = ::SetTimer(hwnd_, kTimelineTimerId, ITimelineHandler::kTickMilliseconds, nullptr) != 0;
  }
}

void SHostWnd::UnregisterTimelineHandler(ITimelineHandler* handler) {
  timeline_.erase(std::remove(timeline_.begin(), timeline_.end(), handler), timeline_.end());
}

void SHostWnd::TickTimeline() {
  if (timeline_.empty()) {
    if (timelineRunning_) ::KillTimer(hwnd_, kTimelineTimerId);
    timelineRunning_ = false;
    return;
  }
  // A handler may unregister itself or others while we tick.
  std::vector<ITimelineHandler*> handlers = timeline_;
  for (ITimelineHandler* h : handlers)
    if (std::find(timeline_.begin(), timeline_.end(), h) != timeline_.end()) h->OnNextFrame();
}

void SHostWnd::OnTimerMessage(UINT_PTR id) {
  if (id == kTimelineTimerId) {
    TickTimeline();
    return;
  }
  if (id == kTipTimerId) {
    ::KillTimer(hwnd_, kTipTimerId);
    tipTimerRunning_ = false;
    ShowToolTipNow();
    return;
  }
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  WindowTimer timer = it->second;
  timer.window->OnTimer(timer.id);
}

// --- tooltips ---

void SHostWnd::UpdateToolTip() {
  std::wstring text = hover_ ? hover_->GetToolTipText(tipPoint_) : std::wstring();
  if (text == tipText_) return;
  tipText_ = text;
  // After a click the tip stays away while the pointer rests, also when the
  // click rebuilt or retranslated what is under it.
  if (tipText_.empty() || tipBlockedAt_) {
    HideToolTip();
    return;
  }
  if (tip_ && tip_->IsShown()) {
    ShowToolTipNow();
    return;
  }
  if (hwnd_ && !tipTimerRunning_) tipTimerRunning_ = ::SetTimer(hwnd_, kTipTimerId, kTipDelayMs, nullptr) != 0;
}

void SHostWnd::ShowToolTipNow() {
  if (tipText_.empty() || !hwnd_ || tipBlockedAt_) return;
  if (!tip_) tip_ = std::make_unique<STipWnd>();
  POINT cursor = {};
  ::GetCursorPos(&cursor);
  tip_->Show(hwnd_, tipText_, Point{cursor.x, cursor.y}, scale_.Dpi());
}

std::wstring SHostWnd::GetShownToolTip() const {
  return tip_ && tip_->IsShown() ? tip_->Text() : std::wstring();
}

void SHostWnd::HideToolTip() {
  if (tipTimerRunning_ && hwnd_) ::KillTimer(hwnd_, kTipTimerId);
  tipTimerRunning_ = false;
  if (tip_) tip_->Hide();
}

// --- messages ---

bool SHostWnd::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  if ((msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) || msg == WM_MOUSELEAVE) return OnMouseMessage(msg, wParam, lParam);
  if (msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_CHAR) return OnKeyMessage(msg, wParam, lParam);
  if (AnswerAccessibilityRequest(*this, msg, wParam, lParam, result)) return true;
  switch (msg) {
    case WM_CREATE:
      OnCreateMessage(hwnd);
      return true;
    case WM_DPICHANGED:
      OnDpiChangedMessage(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return true;
    case WM_SIZE:
      OnSizeMessage(wParam);
      return true;
    case WM_PAINT:
      OnPaintMessage();
      return true;
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && OnSetCursorMessage()) {
        result = TRUE;
        return true;
      }
      return false;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      hostFocused_ = msg == WM_SETFOCUS;
      if (focus_) focus_->Invalidate();
      if (!hostFocused_) HideToolTip();
      return true;
    case WM_CAPTURECHANGED:
      OnCaptureChangedMessage(reinterpret_cast<HWND>(lParam));
      return true;
    case WM_TIMER:
      if (wParam != kTimelineTimerId && wParam != kTipTimerId && !timers_.count(wParam)) return false;
      OnTimerMessage(wParam);
      return true;
    case WM_DESTROY:
      OnDestroyMessage();
      return false;
    case WM_NCDESTROY:
      RememberDpi(hwnd, 0);
      if (SApplication* app = SApplication::Instance(); app && app->GetMainWnd() == hwnd) ::PostQuitMessage(0);
      return false;
    case kMsgLanguageChanged:
      OnLanguageChangedMessage();
      return true;
    default:
      return false;
  }
}

// The one place where the mouse's device pixels become the tree's logical
// units.
bool SHostWnd::OnMouseMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEMOVE:
      OnMouseMoveMessage(static_cast<UINT>(wParam), ClientToLogical(lParam));
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      OnButtonMessage(msg, static_cast<UINT>(wParam), ClientToLogical(lParam));
      return true;
    case WM_MOUSEWHEEL:
      OnWheelMessage(LOWORD(wParam), static_cast<short>(HIWORD(wParam)), PointFromLParam(lParam));
      return true;
    case WM_MOUSELEAVE:
      OnMouseLeaveMessage();
      return true;
    default:
      return false;
  }
}

bool SHostWnd::OnKeyMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  UINT code = static_cast<UINT>(wParam);
  if (msg == WM_KEYDOWN) OnKeyDownMessage(code, LOWORD(lParam), HIWORD(lParam));
  else if (msg == WM_KEYUP && focus_) focus_->OnKeyUp(code, LOWORD(lParam), HIWORD(lParam));
  else if (msg == WM_CHAR && focus_) focus_->OnChar(code, LOWORD(lParam), HIWORD(lParam));
  return true;
}

void SHostWnd::OnCaptureChangedMessage(HWND newCapture) {
  if (!osCapture_ || newCapture == hwnd_) return;
  osCapture_ = false;
  SWindow* lost = capture_;
  capture_ = nullptr;
  if (lost) lost->OnCaptureLost();
}

void SHostWnd::OnSizeMessage(WPARAM type) {
  if (type == SIZE_MINIMIZED) return;
  // Window managers confirm a new window's size right after mapping it, and
  // a restore reports the size the window had: laying the tree out again for
  // the size it already has would be wasted work.
  Size size = GetLogicalClientSize();
  if (!root_ || root_->GetWindowRect() != Rect{0, 0, size.cx, size.cy}) relayoutPending_ = true;
  EnsureLayout();
  if (type == SIZE_MAXIMIZED || type == SIZE_RESTORED) UpdateWindowButtons(type == SIZE_MAXIMIZED);
  ::InvalidateRect(hwnd_, nullptr, FALSE);
}

SWindow* SHostWnd::InputTarget(Point pt) const {
  if (!root_) return nullptr;
  SWindow* hit = root_->HitTest(pt);
  if (hit && hit->IsDisabled(true) && !hit->AcceptsDisabledInput()) return nullptr;
  return hit;
}

void SHostWnd::TrackMouseLeave() {
  if (trackingLeave_ || !hwnd_) return;
  TRACKMOUSEEVENT tme = {};
  tme.cbSize = sizeof(tme);
  tme.dwFlags = TME_LEAVE;
  tme.hwndTrack = hwnd_;
  trackingLeave_ = ::TrackMouseEvent(&tme) != FALSE;
}

void SHostWnd::UpdateHover(SWindow* target, UINT flags, Point pt) {
  tipPoint_ = pt;
  if (target != hover_) {
    SWindow* old = hover_;
    hover_ = target;
    tipText_.clear();
    HideToolTip();
    for (SWindow* w = old; w; w = w->GetParent())
      if (w->TracksSubtreeHover()) w->Invalidate();
    for (SWindow* w = target; w; w = w->GetParent())
      if (w->TracksSubtreeHover()) w->Invalidate();
    if (old) old->OnMouseLeave();
    // The leave handler may have removed the new target from the tree.
    if (hover_ == target && target) target->OnMouseHover(flags, pt);
  }
  UpdateToolTip();
}

void SHostWnd::OnMouseMoveMessage(UINT flags, Point pt) {
  EnsureLayout();
  TrackMouseLeave();
  // A move to where the button went down (X reports one when a menu closes)
  // is no move.
  if (tipBlockedAt_ && *tipBlockedAt_ != pt) tipBlockedAt_.reset();
  SWindow* hit = root_ ? root_->HitTest(pt) : nullptr;
  if (capture_) {
    SWindow* capture = capture_;
    UpdateHover(hit == capture ? capture : nullptr, flags, pt);
    if (capture_ == capture) capture->OnMouseMove(flags, pt);
    return;
  }
  UpdateHover(hit, flags, pt);
  SWindow* target = InputTarget(pt);
  if (target) target->OnMouseMove(flags, pt);
  LPCWSTR cursor = target ? target->GetCursorId(pt) : IDC_ARROW;
  if (cursor != cursor_) {
    cursor_ = cursor;
    ::SetCursor(::LoadCursorW(nullptr, cursor));
  }
}

bool SHostWnd::OnSetCursorMessage() {
  if (!cursor_) return false;
  ::SetCursor(::LoadCursorW(nullptr, cursor_));
  return true;
}

void SHostWnd::OnMouseLeaveMessage() {
  trackingLeave_ = false;
  tipBlockedAt_.reset();
  if (capture_) return;
  SWindow* old = hover_;
  hover_ = nullptr;
  tipText_.clear();
  HideToolTip();
  for (SWindow* w = old; w; w = w->GetParent())
    if (w->TracksSubtreeHover()) w->Invalidate();
  if (old) old->OnMouseLeave();
}

void SHostWnd::OnButtonMessage(UINT msg, UINT flags, Point pt) {
  EnsureLayout();
  HideToolTip();
  bool down = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDOWN;
  if (down) tipBlockedAt_ = pt;
  SWindow* target = capture_ ? capture_ : InputTarget(pt);
  // The mouse is in use: focus frames are for the keyboard (a button
  // clicked after some Tab presses kept its frame, also after the window
  // came back from the tray).
  if (down && !capture_) SetShowFocusCues(false);
  while (target && !capture_ && target->ForwardsMouseToParent() && target->GetParent()) target = target->GetParent();
  if (!target) return;
  if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
    for (SWindow* p = target->GetParent(); p; p = p->GetParent()) p->OnChildLButtonDown(target);
    if (target->GetContainer() != this) return;  // an item panel rebuilt itself
    SetCaptureWindow(target);
    if (msg == WM_LBUTTONDOWN) target->OnLButtonDown(flags, pt);
    else target->OnLButtonDblClk(flags, pt);
    return;
  }
  if (msg == WM_LBUTTONUP) {
    target->OnLButtonUp(flags, pt);
    ReleaseCaptureWindow(target);
    // The click may have run a menu or a dialog while the pointer went
    // elsewhere: the hover is taken from where it is now, or the clicked
    // control stays highlighted ("☰" after its menu).
    Point now = pt;
    POINT cursor{};
    RECT client{};
    if (hwnd_ && ::GetCursorPos(&cursor) && ::ScreenToClient(hwnd_, &cursor) && ::GetClientRect(hwnd_, &client)) {
      if (cursor.x < client.left || cursor.x >= client.right || cursor.y < client.top || cursor.y >= client.bottom) {
        UpdateHover(nullptr, flags, pt);
        return;
      }
      now = scale_.ToLogical(Point{cursor.x, cursor.y});
    }
    UpdateHover(root_ ? root_->HitTest(now) : nullptr, flags, now);
    return;
  }
  if (msg == WM_RBUTTONDOWN) target->OnRButtonDown(flags, pt);
  else target->OnRButtonUp(flags, pt);
}

void SHostWnd::OnWheelMessage(UINT flags, int delta, Point screenPt) {
  POINT p{screenPt.x, screenPt.y};
  if (hwnd_) ::ScreenToClient(hwnd_, &p);
  EnsureLayout();
  Point pt = scale_.ToLogical(Point{p.x, p.y});
  for (SWindow* w = InputTarget(pt); w; w = w->GetParent()) {
    if (w->IsDisabled(true) || !w->OnMouseWheel(flags, delta, pt)) continue;
    // The wheel moved the content under a pointer that stayed put: what is
    // under it now is hovered, not the row that scrolled away.
    if (!capture_) UpdateHover(root_ ? root_->HitTest(pt) : nullptr, flags, pt);
    return;
  }
}

void SHostWnd::SetShowFocusCues(bool on) {
  if (showFocusCues_ == on) return;
  showFocusCues_ = on;
  if (focus_) focus_->Invalidate();
}

void SHostWnd::FocusNext(bool backwards) {
  if (!root_) return;
  std::vector<SWindow*> order;
  std::function<void(SWindow*)> collect = [&](SWindow* w) {
    if (!w->IsVisible() || w->IsDisabled()) return;
    if (w->IsTabStop()) order.push_back(w);
    for (size_t i = 0; i < w->GetChildCount(); ++i) collect(w->GetChild(i));
  };
  collect(root_.get());
  if (order.empty()) return;
  auto it = std::find(order.begin(), order.end(), focus_);
  size_t index;
  if (it == order.end()) index = backwards ? order.size() - 1 : 0;
  else index = (static_cast<size_t>(it - order.begin()) + (backwards ? order.size() - 1 : 1)) % order.size();
  SetFocusedWindow(order[index]);
}

void SHostWnd::OnReturnKey() {
  if (!root_) return;
  std::function<SWindow*(SWindow*)> find = [&](SWindow* w) -> SWindow* {
    if (!w->IsVisible() || w->IsDisabled()) return nullptr;
    if (w->IsDefaultButton()) return w;
    for (size_t i = 0; i < w->GetChildCount(); ++i)
      if (SWindow* found = find(w->GetChild(i))) return found;
    return nullptr;
  };
  if (SWindow* button = find(root_.get())) button->PerformClick();
}

void SHostWnd::OnKeyDownMessage(UINT vk, UINT repeat, UINT flags) {
  EnsureLayout();
  HideToolTip();
  if (vk == VK_TAB || vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN) SetShowFocusCues(true);
  if (focus_ && focus_->OnKeyDown(vk, repeat, flags)) return;
  switch (vk) {
    case VK_TAB:
      FocusNext((::GetKeyState(VK_SHIFT) & 0x8000) != 0);
      break;
    case VK_RETURN:
      OnReturnKey();
      break;
    case VK_ESCAPE:
      OnEscapeKey();
      break;
    default:
      break;
  }
}

void SHostWnd::OnDestroyMessage() {
  DisconnectHostAccessibility(*this);
  HideToolTip();
  tip_.reset();
  if (timelineRunning_) ::KillTimer(hwnd_, kTimelineTimerId);
  timelineRunning_ = false;
  for (const auto& entry : timers_) ::KillTimer(hwnd_, entry.first);
  timers_.clear();
  if (root_) root_->NotifyDestroy();
  timeline_.clear();
  focus_ = capture_ = hover_ = nullptr;
}

void SHostWnd::OnLanguageChangedMessage() {
  if (!root_) return;
  SApplication* app = SApplication::Instance();
  if (app && !rawTitle_.empty()) {
    title_ = app->Translate(rawTitle_, trContext_);
    if (hwnd_) ::SetWindowTextW(hwnd_, title_.c_str());
  }
  root_->NotifyLanguageChanged();
  tipText_.clear();
  HideToolTip();
  RequestRelayout();
}

}  // namespace kb::ui
