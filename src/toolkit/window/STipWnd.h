#pragma once
// The tooltip: a small top-most popup that shows one control's tip near the
// mouse, drawn by our renderer like every other window.
#include <string>

#include "toolkit/render/Bitmap.h"
#include "toolkit/render/DeviceScale.h"
#include "toolkit/window/CSimpleWnd.h"

namespace kb::ui {

class STipWnd final : public CSimpleWnd {
 public:
  static constexpr int kMaxWidth = 360;

  // Shows the text below and right of `cursor` (screen coordinates), kept on
  // the screen, drawn at the owner's dpi.
  void Show(HWND owner, const std::wstring& text, Point cursor, int dpi = render::DeviceScale::kBaseDpi);
  void Hide();
  bool IsShown() const { return shown_; }
  const std::wstring& Text() const { return text_; }

  // The tip drawn as it appears on screen (device pixels at that dpi).
  static void Render(const std::wstring& text, render::Bitmap& out, int dpi = render::DeviceScale::kBaseDpi);
  // Its size in logical units.
  static Size Measure(const std::wstring& text);

  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  std::wstring text_;
  render::Bitmap bitmap_;
  bool shown_ = false;
};

}  // namespace kb::ui
