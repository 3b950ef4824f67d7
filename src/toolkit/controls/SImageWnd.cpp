#include "toolkit/controls/SImageWnd.h"

#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/skin/ISkinObj.h"

namespace kb::ui {

void SImageWnd::SetIcon(int index) {
  if (index == iconIndex_) return;
  iconIndex_ = index;
  Invalidate();
}

bool SImageWnd::SetImage(std::wstring_view resName) {
  SApplication* app = SApplication::Instance();
  auto image = app ? app->GetImage(resName) : nullptr;
  if (!image) return false;
  image_ = std::move(image);
  resName_ = resName;
  RequestRelayout();
  Invalidate();
  return true;
}

bool SImageWnd::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (name == L"iconIndex") {
    auto v = ParseInt(value);
    if (!v || *v < 0) return false;
    SetIcon(*v);
    return true;
  }
  if (name == L"src") return SetImage(value);
  return SWindow::OnAttribute(name, value, loading);
}

void SImageWnd::DrawBkgnd(render::Canvas& canvas) {
  SWindow::DrawBkgnd(canvas);
  if (!image_ || image_->IsEmpty()) return;
  SApplication* app = SApplication::Instance();
  if (!canvas.Scale().IsIdentity() && app) {
    // The picture drawn for the window's scale, when the package has one.
    SApplication::ScaledImage scaled = app->GetImageForDpi(resName_, canvas.Scale().Dpi());
    if (scaled.bitmap) {
      canvas.StretchBitmap(*scaled.bitmap, scaled.bitmap->Bounds(), rect_);
      return;
    }
  }
  canvas.StretchBitmap(*image_, image_->Bounds(), rect_);
}

Size SImageWnd::GetDesiredSize(int widthHint, int heightHint) {
  if (image_) return image_->GetSize();
  return SWindow::GetDesiredSize(widthHint, heightHint);
}

}  // namespace kb::ui
