#include "toolkit/render/StbImageDecoder.h"

#include <stb_image.h>

#include <climits>
#include <memory>

#include "platform/diag.h"

namespace kb::render {

bool StbImageDecoder::Decode(const void* data, size_t size, Bitmap& out) const {
  out = Bitmap();
  if (data == nullptr || size == 0 || size > static_cast<size_t>(INT_MAX)) return false;
  const auto* bytes = static_cast<const stbi_uc*>(data);
  const int length = static_cast<int>(size);
  int width = 0;
  int height = 0;
  int channels = 0;
  // The header alone first: a corrupt or hostile file must not make the
  // decoder allocate for dimensions we would refuse anyway.
  if (!stbi_info_from_memory(bytes, length, &width, &height, &channels)) {
    DiagPrintf("image: not a supported image (%s)\n", stbi_failure_reason());
    return false;
  }
  if (!Bitmap::IsAcceptableSize(width, height) || width == 0 || height == 0) {
    DiagPrintf("image: refused size %dx%d\n", width, height);
    return false;
  }
  std::unique_ptr<stbi_uc, void (*)(void*)> rgba(
      stbi_load_from_memory(bytes, length, &width, &height, &channels, 4), stbi_image_free);
  if (!rgba) {
    DiagPrintf("image: decoding failed (%s)\n", stbi_failure_reason());
    return false;
  }
  return out.FromStraightRgba(rgba.get(), width, height);
}

}  // namespace kb::render
