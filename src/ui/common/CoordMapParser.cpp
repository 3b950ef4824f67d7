#include "ui/common/CoordMapParser.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include <pugixml.hpp>

#include "app/NumberText.h"
#include "platform/text.h"

namespace coordmap {
namespace {

constexpr int kRectFields = 4;
// Up to six digits give the colour without alpha, which a key map author
// means as opaque; only a full 0xAARRGGBB number says how transparent.
constexpr size_t kMaxOpaqueDigits = 6;
constexpr uint32_t kOpaqueAlpha = 0xFF000000u;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

std::string WithoutChars(std::string_view text, std::string_view drop) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (drop.find(c) == std::string_view::npos) out.push_back(c);
  return out;
}

int32_t Clamp(int64_t value) { return static_cast<int32_t>(std::clamp<int64_t>(value, -kCoordLimit, kCoordLimit)); }

// One "%d" conversion at `pos`: white space, a sign, at least one digit.
// Advances `pos` past the number; null (and `pos` unchanged) without digits.
std::optional<int32_t> ScanDecimal(std::string_view text, size_t& pos) {
  size_t p = pos;
  while (p < text.size() && IsSpace(text[p])) ++p;
  size_t numberStart = p;
  if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
  size_t digitsStart = p;
  while (p < text.size() && IsDigit(text[p])) ++p;
  if (p == digitsStart) return std::nullopt;
  pos = p;
  return kb::StrToLong(text.substr(numberStart, p - numberStart), 10);
}

int32_t IntAttribute(const pugi::xml_node& node, const char* name) {
  pugi::xml_attribute attr = node.attribute(name);
  if (!attr) return -1;
  return kb::StrToLong(attr.value(), 10);
}

CoordButton ReadButton(const pugi::xml_node& node, kb::ui::Color defaultColor) {
  CoordButton button;
  button.id = IntAttribute(node, "id");
  button.va = IntAttribute(node, "va");
  button.name = kb::Utf8ToWide(node.attribute("name").value());
  pugi::xml_attribute color = node.attribute("color");
  button.color = color ? ParseKeyColor(color.value()).value_or(defaultColor) : defaultColor;
  button.rect = ParseKeyRect(node.attribute("rect").value());
  return button;
}

}  // namespace

std::optional<kb::ui::Color> ParseKeyColor(std::string_view text) {
  std::string digits = WithoutChars(text, " #");
  std::string_view rest = digits;
  size_t p = 0;
  while (p < rest.size() && IsSpace(rest[p])) ++p;
  if (p < rest.size() && (rest[p] == '+' || rest[p] == '-')) ++p;
  if (p + 1 < rest.size() && rest[p] == '0' && (rest[p + 1] == 'x' || rest[p + 1] == 'X') && p + 2 < rest.size() &&
      IsHexDigit(rest[p + 2])) {
    p += 2;
  }
  size_t count = 0;
  while (p + count < rest.size() && IsHexDigit(rest[p + count])) ++count;
  if (count == 0) return std::nullopt;
  uint32_t value = kb::StrToULong(rest, 16);
  if (count <= kMaxOpaqueDigits) value = (value & 0x00FFFFFFu) | kOpaqueAlpha;
  return kb::ui::Color::FromArgb(value);
}

kb::ui::Rect ParseKeyRect(std::string_view text) {
  std::string compact = WithoutChars(text, " ");
  int32_t fields[kRectFields] = {0, 0, 0, 0};
  size_t pos = 0;
  for (int i = 0; i < kRectFields; ++i) {
    if (i > 0) {
      if (pos >= compact.size() || compact[pos] != ',') break;
      ++pos;
    }
    std::optional<int32_t> value = ScanDecimal(compact, pos);
    if (!value) break;
    fields[i] = Clamp(*value);
  }
  int32_t x = fields[0];
  int32_t y = fields[1];
  return kb::ui::Rect{x, y, Clamp(int64_t{x} + fields[2]), Clamp(int64_t{y} + fields[3])};
}

std::optional<std::vector<CoordButton>> ParseCoordButtons(std::string_view bytes, kb::ui::Color defaultColor) {
  pugi::xml_document doc;
  pugi::xml_parse_result result = doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_auto);
  if (!result) return std::nullopt;
  std::vector<CoordButton> buttons;
  for (pugi::xml_node node : doc.child("positions").children()) {
    // Stray text between the keys is not a key.
    if (node.type() != pugi::node_element) continue;
    buttons.push_back(ReadButton(node, defaultColor));
  }
  return buttons;
}

}  // namespace coordmap
