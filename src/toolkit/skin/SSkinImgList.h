#pragma once
// "imglist": an image holding `states` equal frames side by side (or stacked
// with vertical="1"), stretched to the destination. "imgframe" adds
// nine-patch margins: corners unscaled, edges and centre stretched (or tiled
// with tile="1").
//
//   <imglist name="btn_ok" src="main:state_ok_png" states="4"/>
//   <imgframe name="panel" src="main:panel_png" margin="6,6,6,6"/>
#include <memory>

#include "toolkit/render/Bitmap.h"
#include "toolkit/skin/ISkinObj.h"

namespace kb::ui {

class SSkinImgList : public ISkinObj {
  KB_CLASS(SSkinImgList, ISkinObj, L"imglist")

 public:
  int GetStates() const override { return states_; }
  Size GetSkinSize() const override;
  void Draw(render::Canvas& canvas, const Rect& dest, int state, uint8_t alpha = 255) const override;
  bool CoversOpaque(int state) const override;

  void SetImage(std::shared_ptr<const render::Bitmap> image) {
    image_ = std::move(image);
    source_.clear();
    resName_.clear();
  }
  // Decodes the image on first use: the package's skins are loaded at start,
  // most of them for windows that may never open (a decoded background is
  // megabytes).
  const render::Bitmap* GetImage() const;
  void SetStates(int states) { states_ = states < 1 ? 1 : states; }

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;

  // The image for the canvas's scale and the dpi it was drawn for: the
  // 1x image, or one drawn for a higher scale when the package has it.
  const render::Bitmap* ImageFor(const render::Canvas& canvas, int& imageDpi) const;

  // The resource named by "src", until it is decoded into image_.
  mutable std::wstring source_;
  // The resource named by "src", kept for its scaled variants.
  std::wstring resName_;
  mutable std::shared_ptr<const render::Bitmap> image_;
  int states_ = 1;
  bool vertical_ = false;
  bool tile_ = false;
  Margins margins_;
};

class SSkinImgFrame : public SSkinImgList {
  KB_CLASS(SSkinImgFrame, SSkinImgList, L"imgframe")

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
};

}  // namespace kb::ui
