#include "toolkit/core/SRenderFactory.h"

namespace kb::ui {

std::shared_ptr<SImgDecoderFactory> SImgDecoderFactory::Create(std::wstring_view name) {
  std::unique_ptr<render::ImageDecoder> decoder = render::CreateImageDecoder(name);
  if (!decoder) return nullptr;
  return std::shared_ptr<SImgDecoderFactory>(new SImgDecoderFactory(std::move(decoder)));
}

}  // namespace kb::ui
