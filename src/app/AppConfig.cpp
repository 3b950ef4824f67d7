#include "app/AppConfig.h"

#include <pugixml.hpp>

#include "app/NumberText.h"
#include "app/XmlFile.h"
#include "platform/path.h"
#include "platform/text.h"

namespace {

constexpr char kChineseLanguage[] = "cn";
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

}  // namespace

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
