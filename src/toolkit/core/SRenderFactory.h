#pragma once
// The rendering back end of the application: our software renderer, with
// the image decoder chosen by name ("imgdecoder-stb", or "imgdecoder-gdip",
// which the same decoder serves). An unknown decoder name gives no decoder
// factory; a render factory without a decoder loads no images.
#include <memory>
#include <string_view>

#include "toolkit/render/ImageDecoder.h"

namespace kb::ui {

class SImgDecoderFactory {
 public:
  // Null for a name no decoder answers to.
  static std::shared_ptr<SImgDecoderFactory> Create(std::wstring_view name);

  std::wstring_view Name() const { return decoder_->Name(); }
  bool Decode(const void* data, size_t size, render::Bitmap& out) const {
    return decoder_->Decode(data, size, out);
  }

 private:
  explicit SImgDecoderFactory(std::unique_ptr<render::ImageDecoder> decoder) : decoder_(std::move(decoder)) {}
  std::unique_ptr<render::ImageDecoder> decoder_;
};

class SRenderFactory {
 public:
  void SetImgDecoderFactory(std::shared_ptr<SImgDecoderFactory> decoder) { decoder_ = std::move(decoder); }
  SImgDecoderFactory* GetImgDecoderFactory() const { return decoder_.get(); }

  // False without a decoder or for data that is not an image.
  bool DecodeImage(const void* data, size_t size, render::Bitmap& out) const {
    return decoder_ && decoder_->Decode(data, size, out);
  }

 private:
  std::shared_ptr<SImgDecoderFactory> decoder_;
};

}  // namespace kb::ui
