#include "app/AppConfig.h"

#include <pugixml.hpp>

#include "app/NumberText.h"
#include "app/XmlFile.h"
#include "platform/path.h"
#include "platform/save_file.h"
#include "platform/text.h"

namespace {

constexpr char kChineseLanguage[] = "cn";
constexpr char kEnglishLanguage[] = "en";
constexpr char kLocalElement[] = "local";
constexpr char kLanguageAttribute[] = "language";
constexpr int kIdBase = 16;

int32_t HexAttribute(const pugi::xml_node& node, const char* name) {
  pugi::xml_attribute attribute = node.attribute(name);
  return attribute ? kb::StrToLong(attribute.value(), kIdBase) : 0;
}

// Splits at `separator`, leaving out empty pieces.
std::vector<std::string_view> SplitSkippingEmpty(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(separator, start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start) pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

std::vector<FunKeyEntry> ReadFunKeys(const pugi::xml_node& list) {
  std::vector<FunKeyEntry> entries;
  for (pugi::xml_node child = kb::ElementAtOrAfter(list.first_child()); child;
       child = kb::ElementAtOrAfter(child.next_sibling())) {
    pugi::xml_attribute name = child.attribute("name");
    if (!name || *name.value() == '\0') continue;
    FunKeyEntry entry;
    entry.name = kb::AttributeText(name);
    entry.path = kb::AttributeText(child.attribute("path"));
    entry.argm = kb::AttributeText(child.attribute("argm"));
    pugi::xml_attribute code = child.attribute("code");
    entry.code = code ? kb::StrToULong(code.value(), kIdBase) : 0;
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<CombKeyEntry> ReadCombKeys(const pugi::xml_node& list) {
  std::vector<CombKeyEntry> entries;
  for (pugi::xml_node child = kb::ElementAtOrAfter(list.first_child()); child;
       child = kb::ElementAtOrAfter(child.next_sibling())) {
    CombKeyEntry entry;
    entry.name = kb::AttributeText(child.attribute("name"));
    pugi::xml_attribute code = child.attribute("code");
    if (code) entry.codes = AppConfig::ParseCombKeyCodes(code.value());
    entries.push_back(std::move(entry));
  }
  return entries;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Where the value of attribute `name` sits in the start tag that begins at
// `tag` (its '<'), quotes excluded; or where a new attribute goes (after the
// element name) with `found` false.
struct AttributeSpot {
  size_t begin = 0;
  size_t end = 0;
  bool found = false;
};
std::optional<AttributeSpot> FindAttribute(std::string_view text, size_t tag, std::string_view name) {
  size_t at = tag + 1;
  while (at < text.size() && !IsBlank(text[at]) && text[at] != '/' && text[at] != '>') ++at;
  AttributeSpot spot;
  spot.begin = spot.end = at;
  for (;;) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at >= text.size()) return std::nullopt;
    if (text[at] == '/' || text[at] == '>') return spot;
    size_t nameStart = at;
    while (at < text.size() && text[at] != '=' && !IsBlank(text[at])) ++at;
    std::string_view attribute = text.substr(nameStart, at - nameStart);
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at >= text.size() || text[at] != '=') return std::nullopt;
    ++at;
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at >= text.size() || (text[at] != '"' && text[at] != '\'')) return std::nullopt;
    char quote = text[at++];
    size_t valueEnd = text.find(quote, at);
    if (valueEnd == std::string_view::npos) return std::nullopt;
    if (attribute == name) return AttributeSpot{at, valueEnd, true};
    at = valueEnd + 1;
  }
}

}  // namespace

std::optional<std::string> AppConfig::WithLanguage(std::string_view text, bool chinese) {
  // A UTF-16 file would need its own editing; the program's files are UTF-8.
  if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF')))
    return std::nullopt;
  pugi::xml_document doc;
  if (!doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8)) return std::nullopt;
  std::string value = chinese ? kChineseLanguage : kEnglishLanguage;
  std::string result(text);
  pugi::xml_node local = doc.child(kLocalElement);
  if (!local) {
    pugi::xml_node first = kb::ElementAtOrAfter(doc.first_child());
    // The element goes before the first one, on a line of its own.
    size_t at = first ? text.rfind('<', static_cast<size_t>(first.offset_debug())) : text.size();
    if (at == std::string_view::npos) return std::nullopt;
    std::string element = std::string("<") + kLocalElement + " " + kLanguageAttribute + "=\"" + value + "\" />";
    if (first) element += "\n";
    else if (!result.empty() && result.back() != '\n') element = "\n" + element + "\n";
    result.insert(at, element);
    return result;
  }
  size_t tag = text.rfind('<', static_cast<size_t>(local.offset_debug()));
  if (tag == std::string_view::npos) return std::nullopt;
  std::optional<AttributeSpot> spot = FindAttribute(text, tag, kLanguageAttribute);
  if (!spot) return std::nullopt;
  if (spot->found) result.replace(spot->begin, spot->end - spot->begin, value);
  else result.insert(spot->begin, std::string(" ") + kLanguageAttribute + "=\"" + value + "\"");
  return result;
}

bool AppConfig::SaveLanguage(const std::wstring& folder, bool chinese) {
  std::wstring path = kb::PathJoin(folder, kFileName);
  std::string bytes;
  if (!kb::ReadFileBytes(path, bytes)) return false;
  std::optional<std::string> edited = WithLanguage(bytes, chinese);
  if (!edited) return false;
  if (*edited == bytes) return true;
  return kb::SaveFileAtomically(path, *edited);
}

AppConfig& AppConfig::Instance() {
  static AppConfig* instance = new AppConfig();
  return *instance;
}

bool AppConfig::Load() { return Load(kb::ExecutableFolder()); }

bool AppConfig::Load(const std::wstring& folder) {
  *this = AppConfig();
  pugi::xml_document doc;
  if (!kb::LoadXmlFile(kb::PathJoin(folder, kFileName), doc, pugi::encoding_auto)) return false;

  isChinese = std::string_view(doc.child("local").attribute("language").value()) == kChineseLanguage;
  pugi::xml_node usb = doc.child("usb");
  vid = HexAttribute(usb, "vid");
  pid = HexAttribute(usb, "pid");
  usbInterface = HexAttribute(usb, "interface");
  subdevice = HexAttribute(usb, "subdevice");
  funKeys = ReadFunKeys(doc.child("funkey"));
  combKeys = ReadCombKeys(doc.child("combkey"));
  return true;
}

std::vector<std::pair<int32_t, int32_t>> AppConfig::ParseCombKeyCodes(std::string_view text) {
  std::string compact;
  for (char c : text) {
    if (c != ' ') compact.push_back(c);
  }
  std::vector<std::pair<int32_t, int32_t>> pairs;
  for (std::string_view token : SplitSkippingEmpty(compact, ',')) {
    std::vector<std::string_view> numbers = SplitSkippingEmpty(token, ':');
    // A token of colons alone names no key.
    if (numbers.empty()) continue;
    int32_t first = kb::AtoI(numbers[0]);
    int32_t second = numbers.size() > 1 ? kb::AtoI(numbers[1]) : 0;
    pairs.emplace_back(first, second);
  }
  return pairs;
}
