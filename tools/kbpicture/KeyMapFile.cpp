#include "KeyMapFile.h"

#include <algorithm>

#include <pugixml.hpp>

#include "app/NumberText.h"
#include "platform/text.h"
#include "toolkit/render/Bitmap.h"
#include "ui/common/CoordMapParser.h"

namespace kbpicture {
namespace {

// Around the keys when the key map does not give the picture's size.
constexpr int kDefaultMargin = 28;
const kb::ui::Color kUnsetKeyColor = kb::ui::Color::Rgb(0x2E, 0x32, 0x38);

int SizeAttribute(const pugi::xml_node& node, const char* name) {
  pugi::xml_attribute attr = node.attribute(name);
  return attr ? kb::StrToLong(attr.value(), 10) : 0;
}

void FitToKeys(KeyMap& map) {
  int right = 0;
  int bottom = 0;
  for (const PictureKey& key : map.keys) {
    right = std::max(right, key.button.rect.right);
    bottom = std::max(bottom, key.button.rect.bottom);
  }
  if (map.width <= 0) map.width = right + kDefaultMargin;
  if (map.height <= 0) map.height = bottom + kDefaultMargin;
}

}  // namespace

std::optional<KeyMap> ReadKeyMap(std::string_view bytes) {
  auto buttons = coordmap::ParseCoordButtons(bytes, kUnsetKeyColor);
  if (!buttons) return std::nullopt;
  pugi::xml_document doc;
  doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_auto);
  pugi::xml_node positions = doc.child("positions");

  KeyMap map;
  map.width = SizeAttribute(positions, "width");
  map.height = SizeAttribute(positions, "height");
  size_t index = 0;
  for (pugi::xml_node node : positions.children()) {
    if (node.type() != pugi::node_element) continue;
    PictureKey key;
    key.button = (*buttons)[index++];
    key.shiftLegend = kb::Utf8ToWide(node.attribute("shift").value());
    map.keys.push_back(std::move(key));
  }
  FitToKeys(map);
  if (!kb::render::Bitmap::IsAcceptableSize(map.width, map.height)) return std::nullopt;
  return map;
}

}  // namespace kbpicture
