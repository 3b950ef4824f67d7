// The image generator: its shapes' coverage, the icon file it writes, and
// that the images committed under uires/img are what it draws now.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "ArtCanvas.h"
#include "Images.h"
#include "platform/path.h"
#include "platform/text.h"
#include "toolkit/render/ImageDecoder.h"

namespace {

using kb::art::ArtCanvas;
using kb::art::Hex;
using kb::art::Solid;
using kb::art::Vec;

struct CoverageCase {
  const char* what;
  float x, y;
  float minAlpha, maxAlpha;
};

// A 20x20 rounded rectangle at (10,10)-(30,30), radius 5, drawn opaque.
const CoverageCase kRoundRectCases[] = {
    {"centre", 20, 20, 1.0f, 1.0f},
    {"inside the straight edge", 10, 20, 0.99f, 1.0f},
    {"outside the straight edge", 9, 20, 0.0f, 0.0f},
    {"cut-away corner", 10, 10, 0.0f, 0.05f},
    {"on the corner arc", 11, 11, 0.3f, 0.8f},
    {"far outside", 0, 0, 0.0f, 0.0f},
};

class RoundRectCoverageTest : public ::testing::TestWithParam<CoverageCase> {};

TEST_P(RoundRectCoverageTest, AlphaFollowsTheShape) {
  ArtCanvas c(40, 40);
  c.FillRoundRect(10, 10, 30, 30, 5, Solid(Hex(0xffffff)));
  const CoverageCase& k = GetParam();
  float a = c.At(static_cast<int>(k.x), static_cast<int>(k.y)).a;
  EXPECT_GE(a, k.minAlpha) << k.what;
  EXPECT_LE(a, k.maxAlpha) << k.what;
}

INSTANTIATE_TEST_SUITE_P(Art, RoundRectCoverageTest, ::testing::ValuesIn(kRoundRectCases));

TEST(ArtCanvas, BlendingHalfOverHalfKeepsColourAndAddsAlpha) {
  ArtCanvas c(4, 4);
  c.FillRoundRect(0, 0, 4, 4, 0, Solid(Hex(0xff0000, 0.5f)));
  c.FillRoundRect(0, 0, 4, 4, 0, Solid(Hex(0xff0000, 0.5f)));
  EXPECT_NEAR(c.At(1, 1).a, 0.75f, 1e-5);
  EXPECT_NEAR(c.At(1, 1).r, 1.0f, 1e-5);
  EXPECT_NEAR(c.At(1, 1).g, 0.0f, 1e-5);
}

TEST(ArtCanvas, ClipKeepsAFrameFromSpillingIntoItsNeighbour) {
  ArtCanvas c(20, 10);
  c.SetClip(0, 0, 10, 10);
  c.FillCircle(Vec{9, 5}, 6, Solid(Hex(0xffffff)));
  EXPECT_GT(c.At(9, 5).a, 0.99f);
  for (int y = 0; y < 10; ++y) EXPECT_EQ(c.At(10, y).a, 0.0f) << y;
}

TEST(ArtCanvas, LinesHaveTheirWidth) {
  ArtCanvas c(20, 20);
  c.Line(Vec{2, 10}, Vec{18, 10}, 2, Solid(Hex(0xffffff)));
  EXPECT_GT(c.At(10, 9).a, 0.99f);
  EXPECT_GT(c.At(10, 10).a, 0.99f);
  EXPECT_EQ(c.At(10, 7).a, 0.0f);
  EXPECT_EQ(c.At(10, 12).a, 0.0f);
}

uint16_t U16(const std::vector<uint8_t>& d, size_t at) { return static_cast<uint16_t>(d[at] | (d[at + 1] << 8)); }
uint32_t U32(const std::vector<uint8_t>& d, size_t at) { return U16(d, at) | (static_cast<uint32_t>(U16(d, at + 2)) << 16); }

TEST(LogoIcon, DirectoryDescribesEachImageInsideTheFile) {
  std::vector<uint8_t> ico = kb::art::DrawLogoIcon();
  ASSERT_GE(ico.size(), 6u);
  EXPECT_EQ(U16(ico, 0), 0);
  EXPECT_EQ(U16(ico, 2), 1);
  int count = U16(ico, 4);
  // The shell's small and large sizes at 100 to 200 % and Explorer's 256.
  const int sizes[] = {16, 20, 24, 32, 40, 48, 64, 256};
  ASSERT_EQ(count, static_cast<int>(std::size(sizes)));
  for (int i = 0; i < count; ++i) {
    size_t e = 6 + static_cast<size_t>(i) * 16;
    EXPECT_EQ(ico[e], sizes[i] % 256) << "256 is written as 0";
    EXPECT_EQ(ico[e + 1], sizes[i] % 256);
    EXPECT_EQ(U16(ico, e + 6), 32);
    uint32_t bytes = U32(ico, e + 8), offset = U32(ico, e + 12);
    ASSERT_LE(static_cast<size_t>(offset) + bytes, ico.size());
    EXPECT_EQ(U32(ico, offset), 40u);
    EXPECT_EQ(static_cast<int>(U32(ico, offset + 4)), sizes[i]);
    EXPECT_EQ(static_cast<int>(U32(ico, offset + 8)), sizes[i] * 2);
    size_t mask = ((static_cast<size_t>(sizes[i]) + 31) / 32) * 4 * sizes[i];
    EXPECT_EQ(bytes, 40u + static_cast<size_t>(sizes[i]) * sizes[i] * 4 + mask);
    // Corners are transparent (rounded logo), the middle is opaque.
    size_t pixels = offset + 40;
    EXPECT_EQ(ico[pixels + 3], 0) << "bottom-left corner of " << sizes[i];
    size_t middle = pixels + (static_cast<size_t>(sizes[i] / 2) * sizes[i] + sizes[i] / 2) * 4;
    EXPECT_EQ(ico[middle + 3], 255) << "middle of " << sizes[i];
  }
}

std::wstring SourceUires() {
  const char* source = std::getenv("KB_SOURCE_DIR");
  return kb::PathJoin(source ? kb::Utf8ToWide(source) : std::wstring(L"."), L"uires");
}

// Someone who changes a drawing must run the generator (target uires_art)
// and commit its output; float rounding may differ between compilers by a
// step or two.
TEST(CommittedImages, AreWhatTheGeneratorDraws) {
  auto decoder = kb::render::CreateImageDecoder(kb::render::kStbDecoderName);
  std::vector<kb::art::GeneratedImage> all;
  for (float scale : kb::art::kImageScales)
    for (kb::art::GeneratedImage& image : kb::art::DrawAllImages(scale)) all.push_back(std::move(image));
  for (const kb::art::GeneratedImage& image : all) {
    SCOPED_TRACE(image.path);
    EXPECT_EQ(image.bitmap.Width(), image.frameWidth * image.states);
    EXPECT_EQ(image.bitmap.Height(), image.frameHeight);
    std::ifstream in(kb::WideToUtf8(kb::PathJoin(SourceUires(), kb::Utf8ToWide(image.path))), std::ios::binary);
    ASSERT_TRUE(in) << "not committed";
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    kb::render::Bitmap committed;
    ASSERT_TRUE(decoder->Decode(bytes.data(), bytes.size(), committed));
    ASSERT_EQ(committed.GetSize().cx, image.bitmap.Width());
    ASSERT_EQ(committed.GetSize().cy, image.bitmap.Height());
    std::vector<uint8_t> a = committed.ToStraightRgba(), b = image.bitmap.ToStraightRgba();
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(int{a[i]} - int{b[i]}));
    EXPECT_LE(worst, 3);
  }
}

// The 150 % and 200 % images are the same pictures with more pixels: frames
// of whole pixels that split the image evenly, the path the program looks
// for, and the same colours where they are (averaged over blocks of the
// 1x image's pixels), not a small drawing in a corner of a large image.
TEST(ScaledImages, AreTheSamePicturesAtTheirScale) {
  const std::vector<kb::art::GeneratedImage> base = kb::art::DrawAllImages(1.0f);
  for (float scale : {1.5f, 2.0f}) {
    const std::vector<kb::art::GeneratedImage> scaled = kb::art::DrawAllImages(scale);
    ASSERT_EQ(scaled.size(), base.size());
    for (size_t i = 0; i < base.size(); ++i) {
      const kb::art::GeneratedImage& a = base[i];
      const kb::art::GeneratedImage& b = scaled[i];
      SCOPED_TRACE(b.path);
      EXPECT_EQ(b.path, kb::art::ScaledPath(a.path, scale));
      EXPECT_NE(b.path, a.path);
      EXPECT_EQ(b.states, a.states);
      EXPECT_EQ(b.frameWidth, static_cast<int>(std::lround(a.frameWidth * scale)));
      EXPECT_EQ(b.frameHeight, static_cast<int>(std::lround(a.frameHeight * scale)));
      EXPECT_EQ(b.bitmap.Width(), b.frameWidth * b.states);
      // Blocks of 2 x 2 logical pixels (3 x 3 or 4 x 4 scaled) compared by
      // their average alpha-weighted colour.
      int compared = 0, differing = 0;
      for (int y = 0; y + 2 <= a.frameHeight; y += 2) {
        for (int x = 0; x + 2 <= a.bitmap.Width(); x += 2) {
          auto average = [](const kb::render::Bitmap& bm, int x0, int y0, int x1, int y1, int channel) {
            long sum = 0, count = 0;
            for (int yy = y0; yy < y1; ++yy)
              for (int xx = x0; xx < x1; ++xx, ++count) {
                sum += static_cast<long>((bm.At(xx, yy) >> (8 * channel)) & 0xFF);
              }
            return count ? sum / count : 0;
          };
          const int frame = x / a.frameWidth, inFrame = x % a.frameWidth;
          if (inFrame + 2 > a.frameWidth) continue;
          const int bx0 = frame * b.frameWidth + static_cast<int>(std::lround(inFrame * scale));
          const int bx1 = frame * b.frameWidth + static_cast<int>(std::lround((inFrame + 2) * scale));
          const int by0 = static_cast<int>(std::lround(y * scale)), by1 = static_cast<int>(std::lround((y + 2) * scale));
          ++compared;
          for (int channel = 0; channel < 4; ++channel) {
            if (std::abs(average(a.bitmap, x, y, x + 2, y + 2, channel) - average(b.bitmap, bx0, by0, bx1, by1, channel)) >
                48) {
              ++differing;
              break;
            }
          }
        }
      }
      ASSERT_GT(compared, 0);
      // Edges move by part of a pixel; a picture that did not scale differs
      // almost everywhere.
      EXPECT_LE(differing * 10, compared) << differing << " of " << compared << " blocks differ";
    }
  }
}

}  // namespace
