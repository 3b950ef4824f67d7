#pragma once
// Colours as skins and layouts give them (straight, not premultiplied alpha)
// and the premultiplied 32-bit pixels the renderer stores.
#include <bit>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kb::render {

static_assert(std::endian::native == std::endian::little,
              "pixels are stored as 32-bit words whose bytes are B, G, R, A");

// A premultiplied pixel, 0xAARRGGBB as a word: B, G, R, A in memory, the
// layout SetDIBitsToDevice and UpdateLayeredWindow take.
using Pixel = uint32_t;

struct Color {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  uint8_t a = 255;

  static constexpr Color Rgb(uint8_t r, uint8_t g, uint8_t b) { return Color{r, g, b, 255}; }
  static constexpr Color Rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a) { return Color{r, g, b, a}; }
  // 0xAARRGGBB, straight alpha.
  static constexpr Color FromArgb(uint32_t argb) {
    return Color{static_cast<uint8_t>(argb >> 16), static_cast<uint8_t>(argb >> 8), static_cast<uint8_t>(argb),
                 static_cast<uint8_t>(argb >> 24)};
  }
  constexpr uint32_t ToArgb() const { return (uint32_t{a} << 24) | (uint32_t{r} << 16) | (uint32_t{g} << 8) | b; }
  friend bool operator==(const Color&, const Color&) = default;
};

inline constexpr Color kTransparentColor{0, 0, 0, 0};

// x * y / 255, rounded to nearest, exact for all 8-bit inputs.
constexpr uint32_t MulDiv255(uint32_t x, uint32_t y) {
  uint32_t t = x * y + 128;
  return (t + (t >> 8)) >> 8;
}

constexpr uint8_t PixelAlpha(Pixel p) { return static_cast<uint8_t>(p >> 24); }

constexpr Pixel Premultiply(Color c) {
  return (uint32_t{c.a} << 24) | (MulDiv255(c.r, c.a) << 16) | (MulDiv255(c.g, c.a) << 8) | MulDiv255(c.b, c.a);
}

// Back to straight alpha (rounded); a fully transparent pixel has no colour.
Color Unpremultiply(Pixel p);

// Every channel of a premultiplied pixel scaled by factor/255.
constexpr Pixel ScalePixel(Pixel p, uint32_t factor) {
  if (factor >= 255) return p;
  uint32_t rb = (p & 0x00FF00FFu) * factor + 0x00800080u;
  rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  uint32_t ag = ((p >> 8) & 0x00FF00FFu) * factor + 0x00800080u;
  ag = (ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
  return rb | ag;
}

// Porter-Duff source-over on premultiplied pixels.
constexpr Pixel BlendOver(Pixel dst, Pixel src) {
  uint32_t srcAlpha = PixelAlpha(src);
  if (srcAlpha == 255) return src;
  if (srcAlpha == 0 && src == 0) return dst;
  return src + ScalePixel(dst, 255 - srcAlpha);
}

// "#rgb", "#rrggbb", "#rrggbbaa" (alpha last), "rgb(r,g,b)" and
// "rgba(r,g,b,a)" with decimal channels 0..255. Anything else is rejected.
std::optional<Color> ParseColor(std::string_view text);

}  // namespace kb::render
