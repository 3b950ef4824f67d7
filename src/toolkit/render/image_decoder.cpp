#include "toolkit/render/image_decoder.h"

#include "toolkit/render/stb_image_decoder.h"

namespace kb::render {

std::unique_ptr<ImageDecoder> CreateImageDecoder(std::wstring_view name) {
  if (name == kStbDecoderName || name == kGdipDecoderName) {
    return std::make_unique<StbImageDecoder>(name);
  }
  return nullptr;
}

}  // namespace kb::render
