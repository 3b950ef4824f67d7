#include "ui/common/IconLoader.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/diag.h"
#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/render/Canvas.h"
#include "toolkit/render/ImageDecoder.h"

namespace kb::ui {

namespace {

// .ico layout: a 6-byte directory header, 16-byte entries, then the images.
constexpr size_t kDirHeaderSize = 6;
constexpr size_t kDirEntrySize = 16;
constexpr uint16_t kIconType = 1;
constexpr size_t kInfoHeaderMinSize = 40;
constexpr int kMaxIconSide = 1024;
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

uint16_t U16(const std::vector<uint8_t>& d, size_t at) {
  return at + 2 <= d.size() ? static_cast<uint16_t>(d[at] | (d[at + 1] << 8)) : 0;
}

uint32_t U32(const std::vector<uint8_t>& d, size_t at) {
  return at + 4 <= d.size() ? static_cast<uint32_t>(d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) |
                                                    (static_cast<uint32_t>(d[at + 3]) << 24))
                            : 0;
}

bool IsIconFile(const std::vector<uint8_t>& d) {
  return d.size() >= kDirHeaderSize && U16(d, 0) == 0 && U16(d, 2) == kIconType && U16(d, 4) > 0 &&
         kDirHeaderSize + U16(d, 4) * kDirEntrySize <= d.size();
}

bool DecodeImage(const uint8_t* data, size_t size, render::Bitmap& out) {
  std::unique_ptr<render::ImageDecoder> decoder = render::CreateImageDecoder(render::kStbDecoderName);
  return decoder && decoder->Decode(data, size, out);
}

// An icon image stored as a bitmap: BITMAPINFOHEADER with the height of
// colour and mask together, colour rows bottom-up, then the 1-bit AND mask.
bool DecodeIconDib(const std::vector<uint8_t>& d, size_t at, size_t size, render::Bitmap& out) {
  if (size < kInfoHeaderMinSize || at > d.size() || size > d.size() - at) return false;
  int width = static_cast<int32_t>(U32(d, at + 4));
  int height = static_cast<int32_t>(U32(d, at + 8)) / 2;
  int bpp = U16(d, at + 14);
  if (width <= 0 || height <= 0 || width > kMaxIconSide || height > kMaxIconSide || (bpp != 32 && bpp != 24))
    return false;
  size_t headerSize = U32(d, at);
  if (headerSize < kInfoHeaderMinSize || headerSize > size) return false;
  size_t colorStride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
  size_t maskStride = ((static_cast<size_t>(width) + 31) / 32) * 4;
  size_t colors = at + headerSize;
  size_t mask = colors + colorStride * height;
  bool hasMask = mask + maskStride * height <= at + size;
  if (colors + colorStride * height > at + size) return false;
  if (!out.Reset(width, height)) return false;
  bool anyAlpha = false;
  for (int y = 0; y < height && bpp == 32; ++y)
    for (int x = 0; x < width; ++x) anyAlpha = anyAlpha || d[colors + colorStride * y + x * 4 + 3] != 0;
  for (int y = 0; y < height; ++y) {
    size_t row = colors + colorStride * (height - 1 - y);
    size_t maskRow = mask + maskStride * (height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &d[row + static_cast<size_t>(x) * (bpp / 8)];
      uint8_t alpha = anyAlpha ? p[3] : 255;
      // Without alpha the AND mask says which pixels are transparent.
      if (!anyAlpha && hasMask && ((d[maskRow + x / 8] >> (7 - x % 8)) & 1)) alpha = 0;
      out.Set(x, y, render::Premultiply(render::Color::Rgba(p[2], p[1], p[0], alpha)));
    }
  }
  return true;
}

// The entry nearest `cx` wide, or the largest when no size is asked.
size_t PickEntry(const std::vector<uint8_t>& d, int cx) {
  size_t count = U16(d, 4);
  size_t best = 0;
  long bestScore = 0;
  for (size_t i = 0; i < count; ++i) {
    size_t e = kDirHeaderSize + i * kDirEntrySize;
    int width = d[e] ? d[e] : 256;
    long score = cx > 0 ? -std::labs(static_cast<long>(width) - cx) : width;
    if (i == 0 || score > bestScore) {
      best = i;
      bestScore = score;
    }
  }
  return best;
}

bool DecodeIconFile(const std::vector<uint8_t>& d, int cx, render::Bitmap& out) {
  size_t e = kDirHeaderSize + PickEntry(d, cx) * kDirEntrySize;
  size_t size = U32(d, e + 8);
  size_t at = U32(d, e + 12);
  if (at > d.size() || size > d.size() - at) return false;
  if (size >= sizeof kPngSignature && std::memcmp(&d[at], kPngSignature, sizeof kPngSignature) == 0)
    return DecodeImage(&d[at], size, out);
  return DecodeIconDib(d, at, size, out);
}

}  // namespace

bool IconLoader::Decode(const std::vector<uint8_t>& bytes, int cx, render::Bitmap& out) {
  if (bytes.empty()) return false;
  if (IsIconFile(bytes)) return DecodeIconFile(bytes, cx, out);
  return DecodeImage(bytes.data(), bytes.size(), out);
}

HICON IconLoader::FromBitmap(const render::Bitmap& image, int cx, int cy) {
  if (image.IsEmpty() || cx <= 0 || cy <= 0 || cx > kMaxIconSide || cy > kMaxIconSide) return nullptr;
  render::Bitmap scaled(cx, cy);
  render::Canvas canvas(scaled);
  canvas.StretchBitmap(image, image.Bounds(), scaled.Bounds());
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = cx;
  bi.bmiHeader.biHeight = -cy;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* colorBits = nullptr;
  void* maskBits = nullptr;
  HBITMAP color = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &colorBits, nullptr, 0);
  // An all-zero mask: the colour bitmap's alpha decides what shows.
  HBITMAP mask = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &maskBits, nullptr, 0);
  HICON icon = nullptr;
  if (color && mask && colorBits && maskBits) {
    // Icons take straight alpha.
    auto* pixels = static_cast<uint32_t*>(colorBits);
    for (int y = 0; y < cy; ++y)
      for (int x = 0; x < cx; ++x) pixels[static_cast<size_t>(y) * cx + x] = scaled.ColorAt(x, y).ToArgb();
    std::memset(maskBits, 0, static_cast<size_t>(cx) * cy * 4);
    ICONINFO info{TRUE, 0, 0, mask, color};
    icon = ::CreateIconIndirect(&info);
  }
  if (color) ::DeleteObject(color);
  if (mask) ::DeleteObject(mask);
  return icon;
}

HICON IconLoader::Load(std::wstring_view resName, int cx, int cy) {
  SApplication* app = SApplication::Instance();
  if (!app) return nullptr;
  ResName name = SplitResName(resName, L"ICON");
  std::vector<uint8_t> bytes;
  if (!app->GetRawBuffer(name.type, name.name, bytes)) {
    DiagPrintfW(L"icon %ls: no such resource\n", std::wstring(resName).c_str());
    return nullptr;
  }
  render::Bitmap image;
  if (!Decode(bytes, cx, image)) {
    DiagPrintfW(L"icon %ls: not a readable icon or image\n", std::wstring(resName).c_str());
    return nullptr;
  }
  return FromBitmap(image, cx, cy);
}

}  // namespace kb::ui
