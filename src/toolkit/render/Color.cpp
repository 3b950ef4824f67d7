#include "toolkit/render/Color.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <string>

namespace kb::render {
namespace {

std::optional<int> HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

std::optional<Color> ParseHex(std::string_view digits) {
  std::array<int, 8> v{};
  if (digits.size() != 3 && digits.size() != 6 && digits.size() != 8) return std::nullopt;
  for (size_t i = 0; i < digits.size(); ++i) {
    auto d = HexDigit(digits[i]);
    if (!d) return std::nullopt;
    v[i] = *d;
  }
  if (digits.size() == 3) {
    return Color::Rgb(static_cast<uint8_t>(v[0] * 17), static_cast<uint8_t>(v[1] * 17),
                      static_cast<uint8_t>(v[2] * 17));
  }
  auto byte = [&](int i) { return static_cast<uint8_t>(v[i] * 16 + v[i + 1]); };
  uint8_t alpha = digits.size() == 8 ? byte(6) : 255;
  return Color::Rgba(byte(0), byte(2), byte(4), alpha);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// "r,g,b[,a]" inside the parentheses of rgb()/rgba().
std::optional<Color> ParseChannels(std::string_view body, size_t expected) {
  std::array<uint8_t, 4> channels{0, 0, 0, 255};
  size_t count = 0;
  while (true) {
    size_t comma = body.find(',');
    std::string_view part = Trim(body.substr(0, comma));
    if (count >= expected || part.empty()) return std::nullopt;
    int value = -1;
    auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (ec != std::errc() || end != part.data() + part.size() || value < 0 || value > 255) {
      return std::nullopt;
    }
    channels[count++] = static_cast<uint8_t>(value);
    if (comma == std::string_view::npos) break;
    body.remove_prefix(comma + 1);
  }
  if (count != expected) return std::nullopt;
  return Color::Rgba(channels[0], channels[1], channels[2], channels[3]);
}

}  // namespace

Color Unpremultiply(Pixel p) {
  uint32_t a = PixelAlpha(p);
  if (a == 0) return kTransparentColor;
  auto channel = [&](int shift) {
    uint32_t c = (p >> shift) & 0xFF;
    return static_cast<uint8_t>(std::min<uint32_t>(255, (c * 255 + a / 2) / a));
  };
  return Color::Rgba(channel(16), channel(8), channel(0), static_cast<uint8_t>(a));
}

std::optional<Color> ParseColor(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '#') return ParseHex(text.substr(1));
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string_view view(lower);
  size_t expected = 0;
  if (view.starts_with("rgba(")) {
    expected = 4;
    view.remove_prefix(5);
  } else if (view.starts_with("rgb(")) {
    expected = 3;
    view.remove_prefix(4);
  } else {
    return std::nullopt;
  }
  if (view.empty() || view.back() != ')') return std::nullopt;
  view.remove_suffix(1);
  return ParseChannels(view, expected);
}

}  // namespace kb::render
