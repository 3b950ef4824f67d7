#pragma once
// What a control tree needs from the host window it lives in: the window
// handle, painting, focus, capture, timers, the timeline, event routing and
// safe deletion. SHostWnd is the one implementation.
#include <memory>
#include <string>

#include "platform/win32.h"
#include "toolkit/core/SEvents.h"
#include "toolkit/core/Types.h"

namespace kb::ui {

class SWindow;
class ITimelineHandler;

class ISwndContainer {
 public:
  virtual ~ISwndContainer() = default;

  virtual HWND GetHostHwnd() const = 0;
  // Controls lay out in logical units; the host draws them at its dpi (96:
  // 100 %) and maps between the two. A rectangle of the tree (logical
  // units) on the screen (device pixels): where a drop-down or menu opens.
  virtual Rect LogicalToScreen(const Rect& rect) const { return rect; }
  virtual void InvalidateHostRect(const Rect& rect) = 0;
  virtual void RequestRelayout() = 0;

  virtual SWindow* GetFocusedWindow() const = 0;
  virtual void SetFocusedWindow(SWindow* window) = 0;
  // Whether the host window itself has the keyboard focus.
  virtual bool HasHostFocus() const = 0;
  // Whether focus cues (focus rectangles) are shown: after keyboard use.
  virtual bool ShowFocusCues() const = 0;
  virtual SWindow* GetCaptureWindow() const = 0;
  virtual void SetCaptureWindow(SWindow* window) = 0;
  virtual void ReleaseCaptureWindow(SWindow* window) = 0;
  virtual SWindow* GetHoverWindow() const = 0;

  // A subtree leaves the tree: every reference to its windows is dropped.
  virtual void OnWindowDetached(SWindow* window) = 0;
  // Frees the window once no message of the host is being handled.
  virtual void DeferDelete(std::unique_ptr<SWindow> window) = 0;

  // The host's own handling of an event nobody else consumed.
  virtual bool RouteEvent(EventArgs& e) = 0;
  // A handler registered under a name a layout binds with "on_xxx".
  virtual bool CallNamedHandler(const std::wstring& handlerName, EventArgs& e) = 0;

  virtual bool StartWindowTimer(SWindow* window, UINT id, UINT milliseconds) = 0;
  virtual void StopWindowTimer(SWindow* window, UINT id) = 0;
  virtual void RegisterTimelineHandler(ITimelineHandler* handler) = 0;
  virtual void UnregisterTimelineHandler(ITimelineHandler* handler) = 0;

  virtual const std::wstring& GetTranslatorContext() const = 0;
  // The tooltip of the window under the mouse may have changed.
  virtual void UpdateToolTip() = 0;
  // What the focused control is called changed (a part of it took the
  // focus): screen readers are told again. Hosts without readers ignore it.
  virtual void AccessibleNameChanged(SWindow* window) {}
};

}  // namespace kb::ui
