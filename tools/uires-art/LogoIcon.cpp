#include <cstring>

#include "Glyphs.h"
#include "Images.h"

namespace kb::art {

namespace {

// Every size the shell asks for at the usual scalings: small icons (16 at
// 100 %, 20 at 125 %, 24 at 150 %, 32 at 200 %), large icons (32, 40, 48, 64)
// and Explorer's jumbo view (256).
constexpr int kIconSizes[] = {16, 20, 24, 32, 40, 48, 64, 256};
constexpr size_t kDirHeaderSize = 6;
constexpr size_t kDirEntrySize = 16;
constexpr size_t kBitmapHeaderSize = 40;
constexpr uint16_t kIconType = 1;

void Put16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// One image: BITMAPINFOHEADER with the height doubled (colour rows plus the
// AND mask), BGRA rows bottom-up, then an all-zero mask: the alpha channel
// carries the transparency.
std::vector<uint8_t> IconImage(int size) {
  ArtCanvas canvas(size, size);
  DrawLogo(canvas, 0, 0, static_cast<float>(size));
  std::vector<uint8_t> rgba = canvas.ToBitmap().ToStraightRgba();
  size_t maskStride = ((static_cast<size_t>(size) + 31) / 32) * 4;
  size_t colorBytes = static_cast<size_t>(size) * size * 4;
  std::vector<uint8_t> out(kBitmapHeaderSize + colorBytes + maskStride * size, 0);
  Put32(out, 0, kBitmapHeaderSize);
  Put32(out, 4, static_cast<uint32_t>(size));
  Put32(out, 8, static_cast<uint32_t>(size * 2));
  Put16(out, 12, 1);
  Put16(out, 14, 32);
  Put32(out, 20, static_cast<uint32_t>(colorBytes + maskStride * size));
  for (int y = 0; y < size; ++y) {
    const uint8_t* src = &rgba[static_cast<size_t>(size - 1 - y) * size * 4];
    uint8_t* dst = &out[kBitmapHeaderSize + static_cast<size_t>(y) * size * 4];
    for (int x = 0; x < size; ++x) {
      dst[x * 4 + 0] = src[x * 4 + 2];
      dst[x * 4 + 1] = src[x * 4 + 1];
      dst[x * 4 + 2] = src[x * 4 + 0];
      dst[x * 4 + 3] = src[x * 4 + 3];
    }
  }
  return out;
}

}  // namespace

std::vector<uint8_t> DrawLogoIcon() {
  constexpr size_t count = std::size(kIconSizes);
  std::vector<uint8_t> file(kDirHeaderSize + count * kDirEntrySize, 0);
  Put16(file, 2, kIconType);
  Put16(file, 4, static_cast<uint16_t>(count));
  for (size_t i = 0; i < count; ++i) {
    int size = kIconSizes[i];
    std::vector<uint8_t> image = IconImage(size);
    size_t entry = kDirHeaderSize + i * kDirEntrySize;
    // A directory entry says 256 as 0.
    file[entry] = static_cast<uint8_t>(size % 256);
    file[entry + 1] = static_cast<uint8_t>(size % 256);
    Put16(file, entry + 4, 1);
    Put16(file, entry + 6, 32);
    Put32(file, entry + 8, static_cast<uint32_t>(image.size()));
    Put32(file, entry + 12, static_cast<uint32_t>(file.size()));
    file.insert(file.end(), image.begin(), image.end());
  }
  return file;
}

}  // namespace kb::art
