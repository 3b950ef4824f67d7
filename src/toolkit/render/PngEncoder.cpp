#include "toolkit/render/PngEncoder.h"

#include <stb_image_write.h>

namespace kb::render {
namespace {

void AppendBytes(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<uint8_t>*>(context);
  const auto* bytes = static_cast<const uint8_t*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

std::vector<uint8_t> EncodePng(const Bitmap& bitmap) {
  std::vector<uint8_t> out;
  if (bitmap.IsEmpty()) return out;
  std::vector<uint8_t> rgba = bitmap.ToStraightRgba();
  if (!stbi_write_png_to_func(AppendBytes, &out, bitmap.Width(), bitmap.Height(), 4, rgba.data(), bitmap.Width() * 4)) {
    out.clear();
  }
  return out;
}

}  // namespace kb::render
