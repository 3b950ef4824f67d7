#pragma once
// A skinned top-level window built from a layout: the Windows-API window,
// the control tree inside it, and everything that joins the two (painting
// into one bitmap, mouse and keyboard routing, focus, capture, tooltips,
// timers, the 10 ms timeline, translation, event maps).
//
// Layout:
//   <host title="..." size="640,480" trCtx="main" appWnd="1">
//     <root skin="..." colorBkgnd="#fff"> ...controls... </root>
//   </host>
//
// The program derives its windows from it and overrides the message map
// (ProcessWindowMessage, KB_BEGIN_MSG_MAP) and the event map (OnFireEvent,
// KB_BEGIN_EVENT_MAP). Events nobody handles get the host's defaults: the
// controls named "btn_close", "btn_min", "btn_max" and "btn_restore" close,
// minimise, maximise and restore the window.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "toolkit/core/ITimelineHandler.h"
#include "toolkit/render/Bitmap.h"
#include "toolkit/render/DeviceScale.h"
#include "toolkit/window/CSimpleWnd.h"
#include "toolkit/window/ISwndContainer.h"
#include "toolkit/window/SWindow.h"

namespace kb::ui {

class STipWnd;

class SHostWnd : public CSimpleWnd, public ISwndContainer {
 public:
  // Sent (or posted) to a host window after the translator changed: every
  // text of the window is translated again.
  static constexpr UINT kMsgLanguageChanged = WM_APP + 0x3B0;

  // `layoutName` is a resource name ("LAYOUT:XML_MAINWND"); a name without
  // type is a "layout".
  explicit SHostWnd(std::wstring layoutName = L"");
  ~SHostWnd() override;

  // Uses the layout text instead of a resource.
  void SetLayoutXml(std::string xml);
  // Creates the window. A zero size takes the layout's size.
  HWND Create(HWND parent, int x = 0, int y = 0, int cx = 0, int cy = 0);
  HWND CreateEx(HWND parent, DWORD style, DWORD exStyle, int x, int y, int cx, int cy);
  // Builds the control tree from the layout without creating a window (the
  // window's creation does this itself). False when the layout is missing.
  bool BuildTree();

  SWindow* GetRoot() const { return root_.get(); }
  SWindow* FindChildByName(std::wstring_view name, int depth = -1) const;
  SWindow* FindChildByID(int id, int depth = -1) const;
  template <class T>
  T* FindChildByName(std::wstring_view name, int depth = -1) const {
    SWindow* w = FindChildByName(name, depth);
    return w && w->IsClass(T::ClassName()) ? static_cast<T*>(w) : nullptr;
  }
  template <class T>
  T* FindChildByID(int id, int depth = -1) const {
    SWindow* w = FindChildByID(id, depth);
    return w && w->IsClass(T::ClassName()) ? static_cast<T*>(w) : nullptr;
  }

  // Subscribes to an event of the control with that name or id; false when
  // there is no such control or it does not raise that event.
  bool SubscribeEvent(std::wstring_view controlName, int eventId, EventHandler handler);
  bool SubscribeEvent(int controlId, int eventId, EventHandler handler);
  // A handler that layouts bind by name: on_command="OnSave".
  void SetNamedHandler(std::wstring name, EventHandler handler);

  // The event map of the program's window; true when handled.
  virtual bool OnFireEvent(EventArgs& e) { return false; }

  // The layout's size (the "size" attribute of the host element), in
  // logical units.
  Size GetLayoutSize() const { return layoutSize_; }
  const std::wstring& GetTitle() const { return title_; }
  // Lays the tree out for a client area of that size (logical units; no
  // window needed).
  void LayoutTo(Size clientSize);
  // Lays out if needed and draws the whole window into `out`, in device
  // pixels at the host's dpi.
  bool RenderTo(render::Bitmap& out);
  // The dpi the window is drawn at: the window's own (GetDpiForWindow),
  // followed on WM_DPICHANGED. Set before the window exists it decides the
  // size the window is created with (tests lay out and render at any dpi).
  void SetDpi(int dpi);
  const render::DeviceScale& GetScale() const { return scale_; }
  // The dpi a popup owned by `owner` is drawn at: a host window's own scale
  // (it follows WM_DPICHANGED), else what the system says of the window.
  static int DpiOf(HWND owner);
  // The client area in logical units.
  Size GetLogicalClientSize() const;
  void UpdateLayoutNow();

  // The tooltip on screen now, "" when none shows.
  std::wstring GetShownToolTip() const;
  // Shows the focus rectangle from now on (after keyboard navigation).
  void SetShowFocusCues(bool on);
  // Moves the focus to the next (or previous) control that takes Tab.
  void FocusNext(bool backwards);

  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  // --- ISwndContainer ---
  HWND GetHostHwnd() const override { return hwnd_; }
  Rect LogicalToScreen(const Rect& rect) const override;
  void InvalidateHostRect(const Rect& rect) override;
  void RequestRelayout() override;
  SWindow* GetFocusedWindow() const override { return focus_; }
  void SetFocusedWindow(SWindow* window) override;
  bool HasHostFocus() const override { return hostFocused_; }
  bool ShowFocusCues() const override { return showFocusCues_; }
  SWindow* GetCaptureWindow() const override { return capture_; }
  void SetCaptureWindow(SWindow* window) override;
  void ReleaseCaptureWindow(SWindow* window) override;
  SWindow* GetHoverWindow() const override { return hover_; }
  void OnWindowDetached(SWindow* window) override;
  void DeferDelete(std::unique_ptr<SWindow> window) override;
  bool RouteEvent(EventArgs& e) override;
  bool CallNamedHandler(const std::wstring& handlerName, EventArgs& e) override;
  bool StartWindowTimer(SWindow* window, UINT id, UINT milliseconds) override;
  void StopWindowTimer(SWindow* window, UINT id) override;
  void RegisterTimelineHandler(ITimelineHandler* handler) override;
  void UnregisterTimelineHandler(ITimelineHandler* handler) override;
  const std::wstring& GetTranslatorContext() const override { return trContext_; }
  void UpdateToolTip() override;
  void AccessibleNameChanged(SWindow* window) override;

 protected:
  // The host's own handling of events the program's map left.
  virtual bool OnDefaultEvent(EventArgs& e);
  // Escape pressed and no control used it.
  virtual void OnEscapeKey() {}
  // Enter pressed and no control used it: the default button is clicked.
  virtual void OnReturnKey();
  void OnMessagesDone() override;
  // Styles of a window created with Create().
  virtual DWORD DefaultStyle() const;
  virtual DWORD DefaultExStyle() const;
  bool LoadLayoutDocument();
  void ApplyHostAttributes(pugi::xml_node host);
  void SetTranslatorContext(std::wstring context) { trContext_ = std::move(context); }
  // Takes a control tree built in code (menus) instead of a layout's.
  void AdoptRoot(std::unique_ptr<SWindow> root);
  void DestroyTree();

  std::wstring layoutName_;
  std::string layoutXml_;
  pugi::xml_document layoutDoc_;

 private:
  void EnsureLayout();
  void OnPaintMessage();
  void ClearUnlessCovered(render::Canvas& canvas, const Rect& area);
  void OnCreateMessage(HWND hwnd);
  // Keeps DpiOf's table; a dpi of 0 forgets the window.
  static void RememberDpi(HWND hwnd, int dpi);
  void OnSizeMessage(WPARAM type);
  void OnDpiChangedMessage(int dpi, const RECT* suggested);
  // Where a message's client coordinates lie in the tree.
  Point ClientToLogical(LPARAM lParam) const;
  bool OnMouseMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  bool OnKeyMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnCaptureChangedMessage(HWND newCapture);
  void OnMouseMoveMessage(UINT flags, Point pt);
  void OnButtonMessage(UINT msg, UINT flags, Point pt);
  void OnWheelMessage(UINT flags, int delta, Point screenPt);
  void OnMouseLeaveMessage();
  void OnKeyDownMessage(UINT vk, UINT repeat, UINT flags);
  void OnTimerMessage(UINT_PTR id);
  void OnDestroyMessage();
  void OnLanguageChangedMessage();
  bool OnSetCursorMessage();
  void UpdateHover(SWindow* target, UINT flags, Point pt);
  SWindow* InputTarget(Point pt) const;
  void TrackMouseLeave();
  void ShowToolTipNow();
  void HideToolTip();
  void TickTimeline();
  void UpdateWindowButtons(bool maximized);

  std::unique_ptr<SWindow> root_;
  bool treeBuilt_ = false;
  Size layoutSize_;
  std::wstring rawTitle_;
  std::wstring title_;
  std::wstring trContext_;
  bool appWindow_ = true;
  bool toolWindow_ = false;
  bool topmost_ = false;

  render::DeviceScale scale_;
  // Whether SetDpi chose the scale (then the window's own is not asked).
  bool dpiFixed_ = false;
  render::Bitmap backbuffer_;
  bool relayoutPending_ = true;

  SWindow* focus_ = nullptr;
  SWindow* capture_ = nullptr;
  SWindow* hover_ = nullptr;
  bool hostFocused_ = false;
  bool showFocusCues_ = false;
  bool trackingLeave_ = false;
  bool osCapture_ = false;
  LPCWSTR cursor_ = nullptr;

  std::vector<std::unique_ptr<SWindow>> garbage_;
  std::map<std::wstring, EventHandler> namedHandlers_;

  struct WindowTimer {
    SWindow* window;
    UINT id;
  };
  std::map<UINT_PTR, WindowTimer> timers_;
  UINT_PTR nextTimerId_;
  std::vector<ITimelineHandler*> timeline_;
  bool timelineRunning_ = false;

  std::unique_ptr<STipWnd> tip_;
  std::wstring tipText_;
  Point tipPoint_;
  bool tipTimerRunning_ = false;
  // Where a mouse button went down: no tip shows until the pointer moves, as
  // Windows' tooltip control keeps quiet after a click on its tool.
  std::optional<Point> tipBlockedAt_;
};

// Event maps for classes deriving from SHostWnd:
//
//   KB_BEGIN_EVENT_MAP()
//     KB_EVENT_NAME_COMMAND(L"btn_ok", OnOk)                       // void OnOk()
//     KB_EVENT_NAME_HANDLER(L"cbx", EventCBSelChange, OnSelect)    // void OnSelect(EventCBSelChange*)
//     KB_EVENT_ID_COMMAND(65540, OnOther)
//   KB_END_EVENT_MAP()
#define KB_BEGIN_EVENT_MAP()                       \
  bool OnFireEvent(::kb::ui::EventArgs& evt) override {
#define KB_EVENT_NAME_COMMAND(name, func)                                              \
  if (evt.GetID() == ::kb::ui::EventCmd::EventID && evt.NameFrom() == (name)) {        \
    func();                                                                            \
    return true;                                                                       \
  }
#define KB_EVENT_ID_COMMAND(id, func)                                                  \
  if (evt.GetID() == ::kb::ui::EventCmd::EventID && evt.IdFrom() == (id)) {            \
    func();                                                                            \
    return true;                                                                       \
  }
#define KB_EVENT_NAME_HANDLER(name, EvtClass, func)                                    \
  if (evt.GetID() == EvtClass::EventID && evt.NameFrom() == (name)) {                  \
    func(static_cast<EvtClass*>(&evt));                                                \
    return true;                                                                       \
  }
#define KB_EVENT_ID_HANDLER(id, EvtClass, func)                                        \
  if (evt.GetID() == EvtClass::EventID && evt.IdFrom() == (id)) {                      \
    func(static_cast<EvtClass*>(&evt));                                                \
    return true;                                                                       \
  }
#define KB_EVENT_HANDLER(EvtClass, func)                                               \
  if (evt.GetID() == EvtClass::EventID) {                                              \
    func(static_cast<EvtClass*>(&evt));                                                \
    return true;                                                                       \
  }
#define KB_CHAIN_EVENT_MAP(Base) \
  if (Base::OnFireEvent(evt)) return true;
#define KB_END_EVENT_MAP() \
  return false;            \
  }

}  // namespace kb::ui
