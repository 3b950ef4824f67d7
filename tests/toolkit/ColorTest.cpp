#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "RenderTestSupport.h"
#include "toolkit/render/Color.h"

namespace {

using namespace kb::render;

constexpr Pixel MakePixel(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

uint32_t Channel(Pixel p, int shift) { return (p >> shift) & 0xFF; }

bool IsValidPremultiplied(Pixel p) {
  uint32_t a = Channel(p, 24);
  return Channel(p, 16) <= a && Channel(p, 8) <= a && Channel(p, 0) <= a;
}

TEST(ColorTest, BlendOverCases) {
  struct Case {
    const char* name;
    Pixel dst;
    Pixel src;
    Pixel expected;
  };
  const Case cases[] = {
      {"transparent source leaves the target", MakePixel(255, 1, 2, 3), 0, MakePixel(255, 1, 2, 3)},
      {"opaque source replaces", MakePixel(255, 1, 2, 3), MakePixel(255, 9, 8, 7), MakePixel(255, 9, 8, 7)},
      {"half red over opaque blue", MakePixel(255, 0, 0, 255), Premultiply(Color::Rgba(255, 0, 0, 128)),
       MakePixel(255, 128, 0, 127)},
      {"half red over transparent", 0, Premultiply(Color::Rgba(255, 0, 0, 128)), MakePixel(128, 128, 0, 0)},
      {"quarter white over half black", MakePixel(128, 0, 0, 0), Premultiply(Color::Rgba(255, 255, 255, 64)),
       MakePixel(160, 64, 64, 64)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kbtest::PixelText(BlendOver(c.dst, c.src)), kbtest::PixelText(c.expected)) << c.name;
  }
}

TEST(ColorTest, PremultipliedPixelsSurviveTheStraightRoundTrip) {
  // Encoders take straight alpha; a screenshot written and read back must
  // give the same premultiplied pixels.
  for (uint32_t a = 0; a <= 255; ++a) {
    for (uint32_t c = 0; c <= a; ++c) {
      Pixel p = MakePixel(a, c, a - c, c / 2);
      if (a == 0) p = 0;
      ASSERT_EQ(Premultiply(Unpremultiply(p)), p) << "alpha " << a << " channel " << c;
    }
  }
}

TEST(ColorTest, ScalePixelMatchesPerChannelArithmetic) {
  const Pixel samples[] = {0xFFFFFFFFu, 0x80402010u, 0x01010101u, 0xFF00FF00u, 0x7F7F007Fu};
  for (Pixel p : samples) {
    for (uint32_t factor = 0; factor <= 255; ++factor) {
      Pixel expected = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        expected |= MulDiv255(Channel(p, shift), factor) << shift;
      }
      ASSERT_EQ(ScalePixel(p, factor), expected) << kbtest::PixelText(p) << " * " << factor;
    }
  }
}

TEST(ColorTest, BlendingKeepsPixelsPremultiplied) {
  std::mt19937 random(7);
  auto randomPixel = [&]() {
    uint32_t a = random() % 256;
    return MakePixel(a, random() % (a + 1), random() % (a + 1), random() % (a + 1));
  };
  for (int i = 0; i < 100000; ++i) {
    Pixel dst = randomPixel();
    Pixel src = randomPixel();
    Pixel out = BlendOver(dst, src);
    ASSERT_TRUE(IsValidPremultiplied(out)) << kbtest::PixelText(src) << " over " << kbtest::PixelText(dst);
    ASSERT_GE(Channel(out, 24), Channel(dst, 24));
    ASSERT_GE(Channel(out, 24), Channel(src, 24));
  }
}

TEST(ColorTest, ParseColorCases) {
  struct Case {
    const char* text;
    std::optional<Color> expected;
  };
  const Case cases[] = {
      {"#ff8000", Color::Rgb(255, 128, 0)},
      {"#FF800080", Color::Rgba(255, 128, 0, 128)},
      {"#f80", Color::Rgb(255, 136, 0)},
      {"  #000000  ", Color::Rgb(0, 0, 0)},
      {"rgb(1,2,3)", Color::Rgb(1, 2, 3)},
      {"RGBA(10, 20, 30, 40)", Color::Rgba(10, 20, 30, 40)},
      {"#ff80", std::nullopt},
      {"#gg0000", std::nullopt},
      {"ff0000", std::nullopt},
      {"rgb(1,2)", std::nullopt},
      {"rgb(1,2,3,4)", std::nullopt},
      {"rgba(1,2,3)", std::nullopt},
      {"rgb(256,0,0)", std::nullopt},
      {"rgb(-1,0,0)", std::nullopt},
      {"rgb(1,2,3", std::nullopt},
      {"rgb(1,,3)", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseColor(c.text), c.expected) << '"' << c.text << '"';
  }
}

}  // namespace
