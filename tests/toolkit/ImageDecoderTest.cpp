#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <cstring>
#include <string>
#include <vector>

#include "RenderTestSupport.h"
#include "platform/text.h"
#include "toolkit/render/Canvas.h"
#include "toolkit/render/ImageDecoder.h"
#include "toolkit/render/PngEncoder.h"

namespace {

using namespace kb::render;
using Bytes = std::vector<uint8_t>;

void PutLe(Bytes& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A 24-bit uncompressed BMP as image editors write it: rows bottom-up, each
// padded to four bytes.
Bytes MakeBmp24(int width, int height, const std::vector<Color>& topDownPixels) {
  const int rowSize = (width * 3 + 3) & ~3;
  const uint32_t dataSize = static_cast<uint32_t>(rowSize * height);
  Bytes out = {'B', 'M'};
  PutLe(out, 54 + dataSize, 4);
  PutLe(out, 0, 4);
  PutLe(out, 54, 4);
  PutLe(out, 40, 4);  // BITMAPINFOHEADER
  PutLe(out, static_cast<uint32_t>(width), 4);
  PutLe(out, static_cast<uint32_t>(height), 4);
  PutLe(out, 1, 2);
  PutLe(out, 24, 2);
  PutLe(out, 0, 4);  // BI_RGB
  PutLe(out, dataSize, 4);
  PutLe(out, 2835, 4);
  PutLe(out, 2835, 4);
  PutLe(out, 0, 4);
  PutLe(out, 0, 4);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const Color& c = topDownPixels[static_cast<size_t>(y * width + x)];
      out.push_back(c.b);
      out.push_back(c.g);
      out.push_back(c.r);
    }
    for (int pad = width * 3; pad < rowSize; ++pad) out.push_back(0);
  }
  return out;
}

// A 2x1 GIF with a two-colour table (red, blue) and the pixels 0, 1: LZW
// codes clear, 0, 1, end at three bits each.
const Bytes kGif2x1 = {'G',  'I', 'F', '8', '9', 'a', 2, 0, 1, 0, 0x80, 0, 0, 0xFF, 0,    0, 0,  0,
                       0xFF, ',', 0,   0,   0,   0,   2, 0, 1, 0, 0,    2, 2, 0x44, 0x0A, 0, ';'};

void AppendBytes(void* context, void* data, int size) {
  auto* out = static_cast<Bytes*>(context);
  out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

std::unique_ptr<ImageDecoder> Decoder() { return CreateImageDecoder(kStbDecoderName); }

TEST(ImageDecoderTest, DecodersByName) {
  struct Case {
    std::wstring name;
    bool available;
  };
  const Case cases[] = {
      {L"imgdecoder-stb", true},
      {L"imgdecoder-gdip", true},
      {L"imgdecoder-wic", false},
      {L"imgdecoder-png", false},
      {L"", false},
      {L"imgdecoder-stb ", false},
  };
  for (const Case& c : cases) {
    auto decoder = CreateImageDecoder(c.name);
    EXPECT_EQ(decoder != nullptr, c.available) << kb::WideToUtf8(c.name);
    if (decoder) {
      EXPECT_EQ(decoder->Name(), c.name);
    }
  }
}

TEST(ImageDecoderTest, HandWrittenBmpDecodesTopDown) {
  const std::vector<Color> pixels = {Color::Rgb(255, 0, 0), Color::Rgb(0, 255, 0),     Color::Rgb(0, 0, 255),
                                     Color::Rgb(1, 2, 3),   Color::Rgb(250, 251, 252), Color::Rgb(0, 0, 0)};
  Bytes bmp = MakeBmp24(3, 2, pixels);  // 9-byte rows: padding in play
  Bitmap image;
  ASSERT_TRUE(Decoder()->Decode(bmp.data(), bmp.size(), image));
  ASSERT_EQ(image.GetSize(), (Size{3, 2}));
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(image.At(i % 3, i / 3), Premultiply(pixels[static_cast<size_t>(i)])) << i;
  }
}

TEST(ImageDecoderTest, PngRoundTripKeepsPremultipliedPixels) {
  Bitmap original(5, 3);
  Canvas canvas(original);
  canvas.FillRect(Rect{0, 0, 5, 1}, Color::Rgb(10, 200, 30));
  canvas.FillRect(Rect{0, 1, 5, 2}, Color::Rgba(255, 128, 0, 77));
  canvas.FillRect(Rect{2, 2, 3, 3}, Color::Rgba(0, 0, 255, 1));
  Bytes png = EncodePng(original);
  ASSERT_FALSE(png.empty());
  Bitmap decoded;
  ASSERT_TRUE(Decoder()->Decode(png.data(), png.size(), decoded));
  ASSERT_EQ(decoded.GetSize(), original.GetSize());
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(kbtest::PixelText(decoded.Pixels()[i]), kbtest::PixelText(original.Pixels()[i])) << "pixel " << i;
  }
}

// Image data chunks of length zero are legal and add nothing; one before the
// first real one once made the decoder copy into a buffer it had not yet
// allocated (stopped by the sanitizer builds).
TEST(ImageDecoderTest, PngWithEmptyDataChunksDecodesAsWithout) {
  Bitmap original(4, 2);
  Canvas canvas(original);
  canvas.FillRect(Rect{0, 0, 4, 1}, Color::Rgb(250, 20, 90));
  canvas.FillRect(Rect{1, 1, 3, 2}, Color::Rgba(0, 90, 255, 128));
  const Bytes png = EncodePng(original);
  ASSERT_GT(png.size(), 45u);
  ASSERT_EQ(std::memcmp(png.data() + 37, "IDAT", 4), 0);  // after the signature and the header chunk
  const Bytes emptyData = {0, 0, 0, 0, 'I', 'D', 'A', 'T', 0x35, 0xAF, 0x06, 0x1E};
  Bytes padded(png.begin(), png.begin() + 33);
  padded.insert(padded.end(), emptyData.begin(), emptyData.end());
  padded.insert(padded.end(), emptyData.begin(), emptyData.end());
  padded.insert(padded.end(), png.begin() + 33, png.end() - 12);  // up to the end chunk
  padded.insert(padded.end(), emptyData.begin(), emptyData.end());
  padded.insert(padded.end(), png.end() - 12, png.end());
  Bitmap decoded;
  ASSERT_TRUE(Decoder()->Decode(padded.data(), padded.size(), decoded));
  ASSERT_EQ(decoded.GetSize(), original.GetSize());
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(kbtest::PixelText(decoded.Pixels()[i]), kbtest::PixelText(original.Pixels()[i])) << "pixel " << i;
  }
}

TEST(ImageDecoderTest, JpegDecodesCloseToItsColour) {
  std::vector<uint8_t> rgb(16 * 16 * 3);
  for (size_t i = 0; i < rgb.size(); i += 3) rgb[i] = 200, rgb[i + 1] = 100, rgb[i + 2] = 50;
  Bytes jpeg;
  ASSERT_TRUE(stbi_write_jpg_to_func(AppendBytes, &jpeg, 16, 16, 3, rgb.data(), 95));
  Bitmap image;
  ASSERT_TRUE(Decoder()->Decode(jpeg.data(), jpeg.size(), image));
  ASSERT_EQ(image.GetSize(), (Size{16, 16}));
  Color c = image.ColorAt(8, 8);
  EXPECT_EQ(c.a, 255);
  EXPECT_NEAR(c.r, 200, 4);
  EXPECT_NEAR(c.g, 100, 4);
  EXPECT_NEAR(c.b, 50, 4);
}

TEST(ImageDecoderTest, GifGivesItsFirstFrame) {
  Bitmap image;
  ASSERT_TRUE(Decoder()->Decode(kGif2x1.data(), kGif2x1.size(), image));
  ASSERT_EQ(image.GetSize(), (Size{2, 1}));
  EXPECT_EQ(image.At(0, 0), Premultiply(Color::Rgb(255, 0, 0)));
  EXPECT_EQ(image.At(1, 0), Premultiply(Color::Rgb(0, 0, 255)));
}

TEST(ImageDecoderTest, BadDataIsRefusedWithAnEmptyBitmap) {
  Bitmap valid(2, 2);
  Bytes png = EncodePng(valid);
  Bytes truncated(png.begin(), png.begin() + 40);
  Bytes garbage(200, 0x5A);
  // A PNG header claiming 100000 x 100000 pixels: refused before decoding.
  Bytes huge = png;
  const uint8_t bigSize[8] = {0, 1, 0x86, 0xA0, 0, 1, 0x86, 0xA0};
  std::memcpy(huge.data() + 16, bigSize, 8);
  // A JPEG whose first Huffman table claims 510 codes more than a table
  // holds (the decoder's tables have room for 256).
  std::vector<uint8_t> grey(8 * 8 * 3, 128);
  Bytes jpeg;
  ASSERT_TRUE(stbi_write_jpg_to_func(AppendBytes, &jpeg, 8, 8, 3, grey.data(), 90));
  size_t table = 0;
  while (table + 1 < jpeg.size() && !(jpeg[table] == 0xFF && jpeg[table + 1] == 0xC4)) ++table;
  ASSERT_LT(table + 21, jpeg.size());
  Bytes oversizedTable = jpeg;
  oversizedTable[table + 19] = 255;  // codes of 15 and 16 bits
  oversizedTable[table + 20] = 255;
  Bytes bmpHeaderOnly = MakeBmp24(2, 2, std::vector<Color>(4));
  bmpHeaderOnly.resize(54);
  struct Case {
    const char* name;
    const Bytes* data;
  };
  const Bytes empty;
  const Case cases[] = {
      {"empty", &empty},
      {"garbage", &garbage},
      {"truncated png", &truncated},
      {"huge png", &huge},
      {"bmp without pixels", &bmpHeaderOnly},
      {"jpeg huffman table over 256 codes", &oversizedTable},
  };
  for (const Case& c : cases) {
    Bitmap image(3, 3);
    EXPECT_FALSE(Decoder()->Decode(c.data->data(), c.data->size(), image)) << c.name;
    EXPECT_TRUE(image.IsEmpty()) << c.name;
  }
  Bitmap image(3, 3);
  EXPECT_FALSE(Decoder()->Decode(nullptr, 10, image));
  EXPECT_TRUE(image.IsEmpty());
}

}  // namespace
