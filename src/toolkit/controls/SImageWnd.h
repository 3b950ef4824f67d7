#pragma once
// "img": a picture. Either a skin drawn in state iconIndex (image lists
// hold several pictures) or an image resource (src="type:name"), stretched
// over the control.
#include <memory>

#include "toolkit/render/Bitmap.h"
#include "toolkit/window/SWindow.h"

namespace kb::ui {

class SImageWnd : public SWindow {
  KB_CLASS(SImageWnd, SWindow, L"img")

 public:
  void SetIcon(int index);
  int GetIcon() const { return iconIndex_; }
  bool SetImage(std::wstring_view resName);
  Size GetDesiredSize(int widthHint, int heightHint) override;
  bool ForwardsMouseToParent() const override { return true; }

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
  void DrawBkgnd(render::Canvas& canvas) override;
  int GetSkinState(const ISkinObj* skin) const override { return iconIndex_; }

 private:
  int iconIndex_ = 0;
  std::shared_ptr<const render::Bitmap> image_;
  std::wstring resName_;
};

}  // namespace kb::ui
