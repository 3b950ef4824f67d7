#include "toolkit/render/StbImageDecoder.h"

#include <stb_image.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/diag.h"

namespace kb::render {
namespace {

// BITMAPFILEHEADER + BITMAPINFOHEADER fields.
constexpr size_t kBmpPixelOffset = 10;
constexpr size_t kBmpWidth = 18;
constexpr size_t kBmpHeight = 22;
constexpr size_t kBmpBitCount = 28;
constexpr size_t kBmpCompression = 30;
constexpr size_t kBmpHeadersSize = 54;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

uint32_t ReadLe(const uint8_t* p, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

// stb_image reads past the end of a truncated BMP as zeros and reports
// success; an uncompressed BMP shorter than its pixel rows is refused here.
bool IsTruncatedBmp(const uint8_t* data, size_t size) {
  if (size < kBmpHeadersSize || data[0] != 'B' || data[1] != 'M') return false;
  uint32_t compression = ReadLe(data + kBmpCompression, 4);
  if (compression != kBiRgb && compression != kBiBitfields) return false;
  int64_t width = static_cast<int32_t>(ReadLe(data + kBmpWidth, 4));
  int64_t height = static_cast<int32_t>(ReadLe(data + kBmpHeight, 4));
  int64_t bits = ReadLe(data + kBmpBitCount, 2);
  int64_t rowBytes = ((std::abs(width) * bits + 31) / 32) * 4;
  int64_t needed = int64_t{ReadLe(data + kBmpPixelOffset, 4)} + rowBytes * std::abs(height);
  return needed > static_cast<int64_t>(size);
}

uint32_t ReadBe32(const uint8_t* p) { return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]; }

// A PNG may carry image data chunks of length zero (they add nothing). When
// one comes first, stb_image copies its zero bytes to a buffer it has not
// allocated yet (memcpy to a null pointer: undefined behaviour, which the
// sanitizers stop on). Such chunks are dropped from a copy before decoding;
// every other byte stays as it was. Returns false when there is none.
bool DropEmptyPngDataChunks(const uint8_t* data, size_t size, std::vector<uint8_t>& cleaned) {
  static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size < sizeof kSignature || std::memcmp(data, kSignature, sizeof kSignature) != 0) return false;
  constexpr size_t kChunkOverhead = 12;  // length, type, CRC
  bool dropped = false;
  size_t copiedUpTo = 0;
  size_t at = sizeof kSignature;
  while (size - at >= kChunkOverhead) {
    const uint32_t length = ReadBe32(data + at);
    if (length > size - at - kChunkOverhead) break;  // truncated: left to the decoder
    const size_t next = at + kChunkOverhead + length;
    if (length == 0 && std::memcmp(data + at + 4, "IDAT", 4) == 0) {
      cleaned.insert(cleaned.end(), data + copiedUpTo, data + at);
      copiedUpTo = next;
      dropped = true;
    }
    at = next;
  }
  if (dropped) cleaned.insert(cleaned.end(), data + copiedUpTo, data + size);
  return dropped;
}

// Walks a JPEG's segments the way stb_image reads them (fill bytes, junk
// between segments, entropy-coded data up to the next marker) and checks that
// no Huffman table defines more than 256 codes: stb_image's table builder
// writes such a count past the end of its 257-entry arrays. A JPEG encoder
// never writes one; a damaged or hostile file is refused before decoding.
bool JpegHuffmanTablesFit(const uint8_t* data, size_t size) {
  size_t at = 0;
  auto byte = [&]() -> int { return at < size ? data[at++] : 0; };  // stb reads zeros past the end
  auto marker = [&]() -> int {
    if (at >= size || data[at] != 0xFF) {
      ++at;
      return -1;
    }
    while (at < size && data[at] == 0xFF) ++at;
    return byte();
  };
  if (marker() != 0xD8) return true;  // not a JPEG: nothing to check
  while (at < size) {
    const int m = marker();
    if (m == 0xD9) return true;  // end of image: stb_image reads no further
    if (m < 0 || m == 0xD8 || m == 0x01 || (m >= 0xD0 && m <= 0xD7)) continue;  // no length
    const size_t segment = at;
    const int length = (byte() << 8) | byte();
    if (m == 0xC4) {
      int left = length - 2;
      while (left > 0) {
        byte();  // table class and number
        int codes = 0;
        for (int i = 0; i < 16; ++i) codes += byte();
        if (codes > 256) return false;
        at += static_cast<size_t>(codes);
        left -= 17 + codes;
      }
    }
    at = segment + static_cast<size_t>(length);
    if (m != 0xDA) continue;
    // Entropy-coded data: FF 00 is a stuffed byte and FF D0..D7 a restart;
    // any other marker ends the scan.
    while (at + 1 < size) {
      if (data[at] != 0xFF) {
        ++at;
        continue;
      }
      size_t next = at + 1;
      while (next < size && data[next] == 0xFF) ++next;
      if (next < size && data[next] != 0 && (data[next] < 0xD0 || data[next] > 0xD7)) break;
      at = next + 1;
    }
  }
  return true;
}

}  // namespace

bool StbImageDecoder::Decode(const void* data, size_t size, Bitmap& out) const {
  out = Bitmap();
  if (data == nullptr || size == 0 || size > static_cast<size_t>(INT_MAX)) return false;
  const auto* bytes = static_cast<const stbi_uc*>(data);
  std::vector<uint8_t> cleaned;
  if (DropEmptyPngDataChunks(bytes, size, cleaned)) {
    bytes = cleaned.data();
    size = cleaned.size();
  }
  if (!JpegHuffmanTablesFit(bytes, size)) {
    DiagPrintf("image: JPEG with an oversized Huffman table\n");
    return false;
  }
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
  if (IsTruncatedBmp(bytes, size)) {
    DiagPrintf("image: truncated BMP\n");
    return false;
  }
  if (!Bitmap::IsAcceptableSize(width, height) || width == 0 || height == 0) {
    DiagPrintf("image: refused size %dx%d\n", width, height);
    return false;
  }
  std::unique_ptr<stbi_uc, void (*)(void*)> rgba(stbi_load_from_memory(bytes, length, &width, &height, &channels, 4),
                                                 stbi_image_free);
  if (!rgba) {
    DiagPrintf("image: decoding failed (%s)\n", stbi_failure_reason());
    return false;
  }
  return out.FromStraightRgba(rgba.get(), width, height);
}

}  // namespace kb::render
