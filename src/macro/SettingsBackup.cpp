#include "macro/SettingsBackup.h"

#include <algorithm>
#include <pugixml.hpp>
#include <set>
#include <utility>

#include "app/XmlFile.h"
#include "macro/RecordStore.h"
#include "platform/save_file.h"
#include "platform/text.h"

// Helpers private to this file; named, so that they cannot clash with the
// stores' own in a unity build.
namespace settings_backup_file {

constexpr char kBacklight[] = "backlight";
constexpr char kSidelight[] = "sidelight";
constexpr char kMacros[] = "macros";
constexpr char kMacroConfig[] = "config";
constexpr char kMacroList[] = "macro";
constexpr char kGroup[] = "group";
constexpr char kAssignments[] = "assignments";
constexpr char kRecord[] = "record";
constexpr char kItem[] = "item";
constexpr char kSel[] = "sel";
constexpr int kDecimal = 10;
constexpr int kHex = 16;
constexpr int64_t kLowest32 = INT32_MIN;
constexpr int64_t kHighest32 = UINT32_MAX;
// The macro dialog's remembered choices, in macro.xml's order.
constexpr const char* kConfigNames[] = {"type", "repeat", "mode", "delay", "media",
                                        "function", "group", "skcode", "play"};


int32_t* ConfigField(MacroSettings& s, size_t i) {
  int32_t* fields[] = {&s.type, &s.repeat, &s.mode, &s.delay, &s.media, &s.function, &s.group, &s.skcode, &s.play};
  return fields[i];
}

void WriteSteps(pugi::xml_node parent, const std::vector<KeyStep>& steps, bool hexCodes) {
  for (const KeyStep& step : steps) {
    pugi::xml_node item = parent.append_child(kItem);
    if (hexCodes) item.append_attribute("code").set_value(kb::LowerHexText(step.code).c_str());
    else item.append_attribute("code").set_value(static_cast<unsigned>(step.code));
    item.append_attribute("state").set_value(static_cast<unsigned>(static_cast<uint32_t>(step.state)));
    item.append_attribute("delay").set_value(static_cast<unsigned>(static_cast<uint32_t>(step.delay)));
    kb::AppendTextAttribute(item, "name", step.name);
  }
}

// Reads the file strictly; the first fault ends the reading with its reason.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  bool Read(SettingsSnapshot& out) {
    pugi::xml_parse_result parsed = doc_.load_buffer(bytes_.data(), bytes_.size(), pugi::parse_default,
                                                     pugi::encoding_utf8);
    if (!parsed) {
      return Fail(std::string("not readable as XML: ") + parsed.description() + At(parsed.offset));
    }
    pugi::xml_node root = doc_.document_element();
    if (std::string_view(root.name()) != SettingsBackup::kRootName)
      return Fail(std::string("not a settings backup (no <") + SettingsBackup::kRootName + "> element)");
    int64_t version = 0;
    if (!Number(root, "version", kDecimal, 1, INT32_MAX, version)) return false;
    if (version != SettingsBackup::kVersion)
      return Fail("written by another version of the program (format " + std::to_string(version) + ")");
    pugi::xml_node sections[4];
    const char* names[] = {kBacklight, kSidelight, kMacros, kAssignments};
    if (!Children(root, names, sections)) return false;
    return ReadBacklight(sections[0], out) && ReadSidelight(sections[1], out) && ReadMacros(sections[2], out) &&
           ReadAssignments(sections[3], out);
  }

  const std::string& Reason() const { return reason_; }

 private:
  bool Fail(std::string reason) {
    if (reason_.empty()) reason_ = std::move(reason);
    return false;
  }

  std::string At(ptrdiff_t offset) const {
    if (offset < 0 || static_cast<size_t>(offset) > bytes_.size()) return "";
    size_t line = 1 + static_cast<size_t>(std::count(bytes_.begin(), bytes_.begin() + offset, '\n'));
    return " (line " + std::to_string(line) + ")";
  }
  std::string At(const pugi::xml_node& node) const { return At(node.offset_debug()); }

  // The element children of `parent`, each name of `names` exactly once and
  // nothing else, in any order.
  template <size_t N>
  bool Children(const pugi::xml_node& parent, const char* const (&names)[N], pugi::xml_node (&found)[N]) {
    for (pugi::xml_node child = kb::ElementAtOrAfter(parent.first_child()); child;
         child = kb::ElementAtOrAfter(child.next_sibling())) {
      size_t i = 0;
      while (i < N && std::string_view(child.name()) != names[i]) ++i;
      if (i == N) return Fail(std::string("unexpected <") + child.name() + "> in <" + parent.name() + ">" + At(child));
      if (found[i]) return Fail(std::string("<") + child.name() + "> appears twice" + At(child));
      found[i] = child;
    }
    for (size_t i = 0; i < N; ++i)
      if (!found[i]) return Fail(std::string("<") + names[i] + "> is missing from <" + parent.name() + ">");
    return true;
  }

  // Every element child of `parent` must be named `name`.
  std::vector<pugi::xml_node> Elements(const pugi::xml_node& parent, const char* name) {
    std::vector<pugi::xml_node> elements;
    for (pugi::xml_node child = kb::ElementAtOrAfter(parent.first_child()); child;
         child = kb::ElementAtOrAfter(child.next_sibling())) {
      if (std::string_view(child.name()) != name) {
        Fail(std::string("unexpected <") + child.name() + "> in <" + parent.name() + ">" + At(child));
        return {};
      }
      elements.push_back(child);
    }
    return elements;
  }

  // A whole number in `base` (a minus sign only in decimal), from `low` to
  // `high`. A missing attribute is a fault unless `missing` is given.
  bool Number(const pugi::xml_node& node, const char* name, int base, int64_t low, int64_t high, int64_t& value,
              std::optional<int64_t> missing = std::nullopt) {
    pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute) {
      if (missing) {
        value = *missing;
        return true;
      }
      return Fail(std::string("<") + node.name() + "> has no " + name + At(node));
    }
    std::string_view text = attribute.value();
    bool negative = base == kDecimal && !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    int64_t magnitude = 0;
    bool ok = !text.empty() && text.size() <= 10;
    for (char c : text) {
      int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 99;
      ok = ok && digit < base;
      if (ok) magnitude = magnitude * base + digit;
    }
    value = negative ? -magnitude : magnitude;
    if (!ok || value < low || value > high)
      return Fail(std::string("<") + node.name() + "> " + name + " \"" + attribute.value() + "\" is not a number from " +
                  std::to_string(low) + " to " + std::to_string(high) + At(node));
    return true;
  }

  bool Byte(const pugi::xml_node& node, const char* name, int64_t high, uint8_t& out) {
    int64_t value = 0;
    if (!Number(node, name, kDecimal, 0, high, value)) return false;
    out = static_cast<uint8_t>(value);
    return true;
  }

  bool Bits32(const pugi::xml_node& node, const char* name, int base, int32_t& out,
              std::optional<int64_t> missing = std::nullopt) {
    int64_t value = 0;
    if (!Number(node, name, base, base == kDecimal ? kLowest32 : 0, kHighest32, value, missing)) return false;
    out = static_cast<int32_t>(static_cast<uint32_t>(value));
    return true;
  }

  // The section's "sel" and exactly `count` items.
  bool Table(const pugi::xml_node& section, size_t count, int64_t maxSel, int32_t& sel,
             std::vector<pugi::xml_node>& items) {
    int64_t value = 0;
    if (!Number(section, kSel, kDecimal, 0, maxSel, value)) return false;
    sel = static_cast<int32_t>(value);
    items = Elements(section, kItem);
    if (!reason_.empty()) return false;
    if (items.size() != count)
      return Fail(std::string("<") + section.name() + "> has " + std::to_string(items.size()) + " items instead of " +
                  std::to_string(count) + At(section));
    return true;
  }

  bool ReadBacklight(const pugi::xml_node& section, SettingsSnapshot& out) {
    std::vector<pugi::xml_node> items;
    if (!Table(section, out.effects.size(), LedEffectTable::kMaxSel, out.effect, items)) return false;
    for (size_t i = 0; i < items.size(); ++i) {
      LedEffectEntry& e = out.effects[i];
      if (!Byte(items[i], "speed", LedEffectTable::kMaxSpeed, e.speed) ||
          !Byte(items[i], "brightness", LedEffectTable::kMaxBrightness, e.brightness) ||
          !Byte(items[i], "deriction", LedEffectTable::kMaxDeriction, e.deriction) ||
          // 0 is what a reset leaves.
          !Byte(items[i], "selection", LedEffectTable::kSelectionCentre, e.selection))
        return false;
    }
    return true;
  }

  bool ReadSidelight(const pugi::xml_node& section, SettingsSnapshot& out) {
    std::vector<pugi::xml_node> items;
    if (!Table(section, out.sides.size(), SideModelTable::kMaxSel, out.side, items)) return false;
    for (size_t i = 0; i < items.size(); ++i)
      if (!Byte(items[i], "brightness", SideModelTable::kMaxLevel, out.sides[i].brightness)) return false;
    return true;
  }

  bool ReadSteps(const pugi::xml_node& parent, int codeBase, std::vector<KeyStep>& steps) {
    std::vector<pugi::xml_node> items = Elements(parent, kItem);
    if (!reason_.empty()) return false;
    for (const pugi::xml_node& item : items) {
      KeyStep step;
      int32_t code = 0;
      int64_t state = 0;
      if (!Bits32(item, "code", codeBase, code) || !Number(item, "state", kDecimal, KeyStep::kUp, KeyStep::kDown, state) ||
          !Bits32(item, "delay", kDecimal, step.delay))
        return false;
      step.code = static_cast<KeyCode>(static_cast<uint32_t>(code));
      step.state = static_cast<int32_t>(state);
      step.name = kb::AttributeText(item.attribute("name"));
      steps.push_back(std::move(step));
    }
    return true;
  }

  bool ReadMacros(const pugi::xml_node& section, SettingsSnapshot& out) {
    pugi::xml_node parts[2];
    const char* names[] = {kMacroConfig, kMacroList};
    if (!Children(section, names, parts)) return false;
    MacroSettings settings;
    for (size_t i = 0; i < std::size(kConfigNames); ++i)
      if (!Bits32(parts[0], kConfigNames[i], kDecimal, *ConfigField(settings, i), *ConfigField(settings, i)))
        return false;
    out.macroSettings = settings;
    std::vector<pugi::xml_node> groups = Elements(parts[1], kGroup);
    if (!reason_.empty()) return false;
    for (const pugi::xml_node& node : groups) {
      if (!node.attribute("name")) return Fail(std::string("<group> has no name") + At(node));
      MacroGroup group;
      group.name = kb::AttributeText(node.attribute("name"));
      if (!ReadSteps(node, kDecimal, group.steps)) return false;
      out.groups.push_back(std::move(group));
    }
    return true;
  }

  bool ReadAssignments(const pugi::xml_node& section, SettingsSnapshot& out) {
    std::vector<pugi::xml_node> records = Elements(section, kRecord);
    if (!reason_.empty()) return false;
    std::set<KeyCode> triggers;
    for (const pugi::xml_node& node : records) {
      KeyRecord record;
      int32_t code = 0;
      int64_t type = 0;
      if (!Bits32(node, "code", kHex, code) || !Number(node, "type", kDecimal, kTypeMacro, kTypeFunctionKey, type) ||
          !Bits32(node, "play", kDecimal, record.play) || !Bits32(node, "repeat", kDecimal, record.repeat))
        return false;
      record.code = static_cast<KeyCode>(static_cast<uint32_t>(code));
      // The key handler finds a key's record by its code: a second record for
      // the same key could never run.
      if (record.code == 0) return Fail("<record> for key code 0" + At(node));
      if (!triggers.insert(record.code).second)
        return Fail("two <record>s for key code " + kb::LowerHexText(record.code) + At(node));
      record.type = static_cast<int32_t>(type);
      record.name = kb::AttributeText(node.attribute("name"));
      record.group = kb::AttributeText(node.attribute("group"));
      if (!ReadSteps(node, kHex, record.steps)) return false;
      out.records.push_back(std::move(record));
    }
    return true;
  }

  std::string_view bytes_;
  pugi::xml_document doc_;
  std::string reason_;
};

void Put(const SettingsSnapshot& s, SettingsStores& stores) {
  stores.effects.Replace(s.effects, s.effect);
  stores.sides.Replace(s.sides, s.side);
  stores.macros.Replace(s.groups, s.macroSettings);
  stores.records.Replace(s.records);
}

// Saves the stores in order; how many were saved before one failed (4: all).
int SaveStores(SettingsStores& stores, int count = 4) {
  bool (*const saves[])(SettingsStores&) = {
      [](SettingsStores& s) { return s.effects.Save(); }, [](SettingsStores& s) { return s.sides.Save(); },
      [](SettingsStores& s) { return s.macros.Save(); }, [](SettingsStores& s) { return s.records.Save(); }};
  for (int i = 0; i < count; ++i)
    if (!saves[i](stores)) return i;
  return count;
}

}  // namespace settings_backup_file

using namespace settings_backup_file;

SettingsStores SettingsStores::Process() {
  return {LedEffectTable::Instance(), SideModelTable::Instance(), MacroStore::Instance(), RecordStore::Instance()};
}

SettingsSnapshot SettingsBackup::Capture(const SettingsStores& stores) {
  SettingsSnapshot s;
  s.effects = stores.effects.Entries();
  s.effect = stores.effects.GetCurrent();
  s.sides = stores.sides.Entries();
  s.side = stores.sides.GetCurrent();
  s.macroSettings = stores.macros.Settings();
  // Worked out from "play" by the dialog; no file keeps it.
  s.macroSettings.playData = 0;
  s.groups = stores.macros.Groups();
  s.records = stores.records.Records();
  return s;
}

std::string SettingsBackup::Text(const SettingsSnapshot& s) {
  pugi::xml_document doc;
  pugi::xml_node root = doc.append_child(kRootName);
  root.append_attribute("version").set_value(kVersion);
  pugi::xml_node backlight = root.append_child(kBacklight);
  backlight.append_attribute(kSel).set_value(s.effect);
  for (const LedEffectEntry& e : s.effects) {
    pugi::xml_node item = backlight.append_child(kItem);
    item.append_attribute("speed").set_value(static_cast<unsigned>(e.speed));
    item.append_attribute("brightness").set_value(static_cast<unsigned>(e.brightness));
    item.append_attribute("deriction").set_value(static_cast<unsigned>(e.deriction));
    item.append_attribute("selection").set_value(static_cast<unsigned>(e.selection));
  }
  pugi::xml_node sidelight = root.append_child(kSidelight);
  sidelight.append_attribute(kSel).set_value(s.side);
  for (const SideModelEntry& e : s.sides)
    sidelight.append_child(kItem).append_attribute("brightness").set_value(static_cast<unsigned>(e.brightness));
  pugi::xml_node macros = root.append_child(kMacros);
  pugi::xml_node config = macros.append_child(kMacroConfig);
  MacroSettings settings = s.macroSettings;
  for (size_t i = 0; i < std::size(kConfigNames); ++i)
    config.append_attribute(kConfigNames[i]).set_value(*ConfigField(settings, i));
  pugi::xml_node list = macros.append_child(kMacroList);
  for (const MacroGroup& group : s.groups) {
    pugi::xml_node node = list.append_child(kGroup);
    kb::AppendTextAttribute(node, "name", group.name);
    WriteSteps(node, group.steps, false);
  }
  pugi::xml_node assignments = root.append_child(kAssignments);
  for (const KeyRecord& record : s.records) {
    pugi::xml_node node = assignments.append_child(kRecord);
    node.append_attribute("code").set_value(kb::LowerHexText(record.code).c_str());
    node.append_attribute("play").set_value(record.play);
    node.append_attribute("type").set_value(record.type);
    node.append_attribute("repeat").set_value(record.repeat);
    kb::AppendTextAttribute(node, "name", record.name);
    kb::AppendTextAttribute(node, "group", record.group);
    WriteSteps(node, record.steps, true);
  }
  return kb::XmlFileText(doc);
}

bool SettingsBackup::Write(const std::wstring& path, const SettingsSnapshot& settings) {
  if (path.empty()) return false;
  return kb::SaveFileAtomically(path, Text(settings));
}

SettingsBackup::ReadResult SettingsBackup::Parse(std::string_view bytes) {
  ReadResult result;
  SettingsSnapshot settings;
  Reader reader(bytes);
  if (reader.Read(settings)) result.settings = std::move(settings);
  else result.reason = reader.Reason();
  return result;
}

SettingsBackup::ReadResult SettingsBackup::Read(const std::wstring& path) {
  std::string bytes;
  ReadResult result;
  if (path.empty() || kb::ReadWholeFile(path, bytes) != kb::ReadOutcome::kRead) {
    result.cannotRead = true;
    result.reason = "cannot be read";
    return result;
  }
  return Parse(bytes);
}

bool SettingsBackup::Apply(const SettingsSnapshot& settings, SettingsStores& stores) {
  SettingsSnapshot before = Capture(stores);
  before.macroSettings.playData = stores.macros.Settings().playData;
  Put(settings, stores);
  int saved = SaveStores(stores);
  if (saved == 4) return true;
  Put(before, stores);
  SaveStores(stores, saved);
  return false;
}
