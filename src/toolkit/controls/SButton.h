#pragma once
// "button": a push button. A click (mouse, Space or Enter while focused)
// raises EventCmd. default="1" makes it the button Enter clicks anywhere in
// the window.
#include "toolkit/window/SWindow.h"

namespace kb::ui {

class SButton : public SWindow {
  KB_CLASS(SButton, SWindow, L"button")

 public:
  static constexpr wchar_t kDefaultSkin[] = L"_sys.button";

  SButton();
  bool IsDefaultButton() const override { return default_; }
  bool OnKeyDown(UINT vk, UINT repeat, UINT flags) override;
  Size GetDesiredSize(int widthHint, int heightHint) override;

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
  void OnClick() override { FireCommand(); }

 private:
  bool default_ = false;
};

// "imgbtn": a button drawn by its skin alone (no default skin, no padding).
class SImageButton : public SButton {
  KB_CLASS(SImageButton, SButton, L"imgbtn")

 public:
  SImageButton();
};

}  // namespace kb::ui
