#pragma once
// Image decoders are chosen by name when the application starts, so a skin
// package can be served by whichever decoder the build carries.
#include <cstddef>
#include <memory>
#include <string_view>

#include "toolkit/render/Bitmap.h"

namespace kb::render {

inline constexpr std::wstring_view kStbDecoderName = L"imgdecoder-stb";
// The name the program asks for. We carry no GDI+ decoder: stb serves it on
// both targets, which also keeps the pixels identical between them.
inline constexpr std::wstring_view kGdipDecoderName = L"imgdecoder-gdip";

class ImageDecoder {
 public:
  virtual ~ImageDecoder() = default;
  virtual std::wstring_view Name() const = 0;
  // Decodes a whole image file held in memory into a premultiplied bitmap.
  // False (and `out` left empty) for data that is not a supported image.
  virtual bool Decode(const void* data, size_t size, Bitmap& out) const = 0;
};

// The decoder registered under that name, or null for an unknown name.
std::unique_ptr<ImageDecoder> CreateImageDecoder(std::wstring_view name);

}  // namespace kb::render
