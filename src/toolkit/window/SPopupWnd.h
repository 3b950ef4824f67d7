#pragma once
// Menus and drop-down lists: top-most host windows that do not take the
// activation from their owner. The first popup of a chain runs a modal loop
// that serves the whole chain (submenus are popups of the same loop): a
// button pressed outside every popup closes them all and is not delivered;
// keys go to the newest popup.
#include <vector>

#include "toolkit/window/SHostWnd.h"

namespace kb::ui {

class SPopupWnd : public SHostWnd {
 public:
  explicit SPopupWnd(std::wstring layoutName = L"");
  ~SPopupWnd() override;

  // Creates and shows the popup at `screenRect` (device pixels) without
  // activating it. It is drawn at the owner's dpi.
  bool Open(HWND owner, const Rect& screenRect);
  // A popup's size in logical units on the screen of `owner`.
  static Size DeviceSizeFor(HWND owner, Size logical);
  // Runs the loop until this popup closes; returns what Close was given.
  int RunLoop();
  // Ends the popup (and, for the first of a chain, its loop).
  void Close(int result);
  // Closes every open popup of the chain.
  static void CloseAll(int result);
  bool IsOpen() const { return open_; }
  HWND GetOwner() const { return owner_; }
  int GetResult() const { return result_; }

  // Whether the window is one of the open popups.
  static bool IsOpenPopup(HWND hwnd);
  static SPopupWnd* TopPopup();
  // The newest open popup containing a screen point.
  static SPopupWnd* PopupAt(POINT screen);

 protected:
  DWORD DefaultStyle() const override { return WS_POPUP; }
  DWORD DefaultExStyle() const override { return WS_EX_TOOLWINDOW | WS_EX_TOPMOST; }
  void OnEscapeKey() override { Close(-1); }
  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // Called before the popup goes away.
  virtual void OnClosing() {}

 private:
  // Sends a pointer message of the loop to the popup under it (the loop
  // holds the capture); false when it is not to be delivered.
  bool RouteLoopMouse(MSG& msg);

  HWND owner_ = nullptr;
  HWND mouseOver_ = nullptr;
  bool open_ = false;
  int result_ = -1;
};

// Keeps a rectangle of `size` on the screen: below `anchor` (a screen
// rectangle) if it fits, else above it; moved left when it would leave the
// right edge.
Rect PlacePopup(Size size, const Rect& anchor, bool preferRight = false);

}  // namespace kb::ui
