#pragma once
// PNG, BMP, JPEG and GIF (first frame) through stb_image.
#include <string>

#include "toolkit/render/ImageDecoder.h"

namespace kb::render {

class StbImageDecoder final : public ImageDecoder {
 public:
  explicit StbImageDecoder(std::wstring_view name = kStbDecoderName) : name_(name) {}
  std::wstring_view Name() const override { return name_; }
  bool Decode(const void* data, size_t size, Bitmap& out) const override;

 private:
  std::wstring name_;
};

}  // namespace kb::render
