#include "toolkit/render/ImageDecoder.h"

#include "toolkit/render/StbImageDecoder.h"

namespace kb::render {

std::unique_ptr<ImageDecoder> CreateImageDecoder(std::wstring_view name) {
  if (name == kStbDecoderName || name == kGdipDecoderName) {
    return std::make_unique<StbImageDecoder>(name);
  }
  return nullptr;
}

}  // namespace kb::render
