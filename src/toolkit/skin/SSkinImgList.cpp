#include "toolkit/skin/SSkinImgList.h"

#include "platform/diag.h"
#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"

namespace kb::ui {

const render::Bitmap* SSkinImgList::GetImage() const {
  if (!source_.empty()) {
    SApplication* app = SApplication::Instance();
    if (app) image_ = app->GetImage(source_);
    if (!image_) DiagPrintfW(L"skin %ls: image %ls cannot be decoded\n", GetName().c_str(), source_.c_str());
    source_.clear();
  }
  return image_ && !image_->IsEmpty() ? image_.get() : nullptr;
}

Size SSkinImgList::GetSkinSize() const {
  const render::Bitmap* image = GetImage();
  if (!image) return Size{};
  Rect frame = render::Canvas::ImageListFrame(image->GetSize(), states_, 0, vertical_);
  return Size{frame.Width(), frame.Height()};
}

const render::Bitmap* SSkinImgList::ImageFor(const render::Canvas& canvas, int& imageDpi) const {
  imageDpi = render::DeviceScale::kBaseDpi;
  const render::Bitmap* base = GetImage();
  SApplication* app = SApplication::Instance();
  if (!base || canvas.Scale().IsIdentity() || resName_.empty() || !app) return base;
  SApplication::ScaledImage scaled = app->GetImageForDpi(resName_, canvas.Scale().Dpi());
  if (!scaled.bitmap) return base;
  imageDpi = scaled.dpi;
  return scaled.bitmap.get();
}

void SSkinImgList::Draw(render::Canvas& canvas, const Rect& dest, int state, uint8_t alpha) const {
  if (dest.IsEmpty()) return;
  int imageDpi = render::DeviceScale::kBaseDpi;
  const render::Bitmap* image = ImageFor(canvas, imageDpi);
  if (!image) return;
  render::NinePatchMode mode = tile_ ? render::NinePatchMode::kTile : render::NinePatchMode::kStretch;
  canvas.DrawImageListState(*image, states_, state, vertical_, dest, margins_, alpha, mode, imageDpi);
}

bool SSkinImgList::CoversOpaque(int state) const {
  // Stretched, tiled or nine-patched, an image list's frame fills its
  // rectangle; bilinear and averaging samples of opaque pixels are opaque.
  const render::Bitmap* image = GetImage();
  return image && image->KnownOpaque() &&
         !render::Canvas::ImageListFrame(image->GetSize(), states_, state, vertical_).IsEmpty();
}

bool SSkinImgList::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (name == L"src") {
    // Only that it exists is checked here; it is decoded when first drawn.
    SApplication* app = SApplication::Instance();
    ResName res = SplitResName(value, L"img");
    if (!app || !app->HasResource(res.type, res.name)) {
      DiagPrintfW(L"skin %ls: image %ls cannot be loaded\n", GetName().c_str(), value.c_str());
      return false;
    }
    image_.reset();
    source_ = value;
    resName_ = value;
    return true;
  }
  if (name == L"states") {
    auto v = ParseInt(value);
    if (!v || *v < 1) return false;
    states_ = *v;
    return true;
  }
  if (name == L"vertical") {
    auto v = ParseBool(value);
    if (!v) return false;
    vertical_ = *v;
    return true;
  }
  if (name == L"tile") {
    auto v = ParseBool(value);
    if (!v) return false;
    tile_ = *v;
    return true;
  }
  return ISkinObj::OnAttribute(name, value, loading);
}

bool SSkinImgFrame::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (name == L"margin") {
    auto m = ParseMargins(value);
    if (!m) return false;
    margins_ = *m;
    return true;
  }
  auto side = [&](int& field) {
    auto v = ParseInt(value);
    if (!v || *v < 0) return false;
    field = *v;
    return true;
  };
  if (name == L"left") return side(margins_.left);
  if (name == L"top") return side(margins_.top);
  if (name == L"right") return side(margins_.right);
  if (name == L"bottom") return side(margins_.bottom);
  return SSkinImgList::OnAttribute(name, value, loading);
}

}  // namespace kb::ui
