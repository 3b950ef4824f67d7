#pragma once
// "cbimg": the picture of the keyboard, made clickable key by key.
//
// The picture is a plain image ("bg"); the keys come from a key map file
// ("crdxml", relative to the executable's folder) that gives each key its
// rectangle on the picture, ids and name. The key under the mouse is shown
// from the "chking" picture, checked keys from the "chked" picture and
// pressed keys from the "pressed" picture: each copies the key's rectangle of
// its picture, so those pictures must have the background's size and the
// control should have it too. On a scaled window the pictures drawn for the
// nearest scale are used ("@1.5x", "@2x") and the key map's rectangles are
// scaled with them; the map itself stays in logical units, as the mouse
// reaches the control. "type" selects what a click does to the
// checked state: 1 single selection, 2 toggle, anything else nothing.
//
// The picture takes the keyboard focus in the Tab order: the arrow keys move
// a ring from key to key (Home and End to the ends of the row), and Enter or
// Space does to the key with the ring what a click does.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/render/Bitmap.h"
#include "toolkit/window/SWindow.h"
#include "ui/common/CoordButton.h"
#include "ui/common/ICoordButtonClickListener.h"

class CoordButtonImage : public kb::ui::SWindow {
  KB_CLASS(CoordButtonImage, kb::ui::SWindow, L"cbimg")

 public:
  // Passed as a key id, addresses every key.
  static constexpr int kAllButtons = 0x7FFFFFFF;
  static constexpr int kSelectSingle = 1;
  static constexpr int kSelectToggle = 2;

  CoordButtonImage();
  ~CoordButtonImage() override;

  // Not owned; null removes it.
  void SetClickListener(ICoordButtonClickListener* listener) { listener_ = listener; }
  ICoordButtonClickListener* GetClickListener() const { return listener_; }

  // The first key with `id`, or every key for kAllButtons. Each redraws.
  void SetButtonTip(int id, std::wstring_view tip);
  void SetButtonChecked(int id, bool checked);
  void ToggleButton(int id);
  // Whether a key with `id` exists; copies the first such key into `out`.
  bool GetButton(int id, CoordButton* out = nullptr) const;

  const std::vector<CoordButton>& GetButtons() const { return buttons_; }
  // Index of the first key containing `pt` (control coordinates), or -1.
  int FirstButtonAt(kb::ui::Point pt) const;
  int GetSelectionType() const { return selectionType_; }
  const std::wstring& GetCoordFile() const { return coordFile_; }
  // The file "crdxml" names: under the executable's folder.
  std::wstring CoordFilePath() const;

  // The picture's own name, then the key with the focus ring and what it
  // is assigned: "Keyboard, F5, B".
  std::wstring GetAccessibleName() const override;
  // The last key under the mouse: its tip, else its name; "" over no key.
  std::wstring GetToolTipText(kb::ui::Point pt) const override;

  void OnLButtonDown(UINT flags, kb::ui::Point pt) override;
  void OnLButtonUp(UINT flags, kb::ui::Point pt) override;
  void OnCaptureLost() override;
  void OnMouseMove(UINT flags, kb::ui::Point pt) override;
  void OnMouseLeave() override;
  void OnCreate() override;
  bool OnKeyDown(UINT vk, UINT repeat, UINT flags) override;
  void OnSetFocus(kb::ui::SWindow* previous) override;

  // The key with the focus ring (an index into GetButtons()), -1 for none.
  int GetFocusedKey() const { return focusKey_; }
  void SetFocusedKey(int index);
  // What a click on the key does: press and release for the listener, the
  // selection type when the press is not handled.
  void ActivateKey(int index);

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
  void DrawBkgnd(kb::render::Canvas& canvas) override;
  void DrawFocus(kb::render::Canvas& canvas) override;

 private:
  // A picture drawn over the keys in one state (hover, checked, pressed):
  // decoded when a key is first drawn in that state. Each is as large as the
  // keyboard (1.3 MB decoded), and a key is often never pressed or hovered
  // while the window lives in the tray.
  struct Overlay {
    std::wstring name;
    std::shared_ptr<const kb::render::Bitmap> image;
    bool decoded = false;
    const kb::render::Bitmap* Get();
    // The picture for a window's dpi and the dpi it was drawn for.
    const kb::render::Bitmap* GetFor(int dpi, int& imageDpi);
  };

  bool SetBackground(const std::wstring& value);
  bool SetOverlayAttribute(Overlay& overlay, const std::wstring& value);
  void DrawOverlay(kb::render::Canvas& canvas, Overlay& overlay, uint32_t CoordButton::*flag);
  kb::ui::Point ToClient(kb::ui::Point hostPoint) const;
  void ApplySelection(size_t index);
  void StateChanged();
  void ClearPressed();

  std::shared_ptr<const kb::render::Bitmap> background_;
  std::wstring backgroundName_;
  Overlay hoverImage_;
  Overlay checkedImage_;
  Overlay pressedImage_;
  std::vector<CoordButton> buttons_;
  kb::ui::Color defaultColor_ = kb::ui::Color::Rgb(0xFF, 0xFF, 0xFF);
  int selectionType_ = 0;
  int focusKey_ = -1;
  std::wstring coordFile_;
  ICoordButtonClickListener* listener_ = nullptr;
  // False once destroyed; a listener's modal loop may outlive the control.
  std::shared_ptr<bool> alive_;
};
