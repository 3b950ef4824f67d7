#include "macro/MacroStore.h"

#include <pugixml.hpp>
#include <string_view>

#include "app/NumberText.h"
#include "app/XmlFile.h"

namespace {

constexpr char kConfigName[] = "config";
constexpr char kMacroName[] = "macro";
constexpr char kGroupName[] = "group";
constexpr char kItemName[] = "item";
constexpr int kDecimal = 10;

// Numbers are read as unsigned decimals and kept as their 32 bits, so a
// negative number written by an older version ("-1") reads back unchanged.
uint32_t Number(const pugi::xml_node& node, const char* name) {
  pugi::xml_attribute attribute = node.attribute(name);
  return attribute ? kb::StrToULong(attribute.value(), kDecimal) : 0;
}

int32_t SignedNumber(const pugi::xml_node& node, const char* name) {
  return static_cast<int32_t>(Number(node, name));
}

std::vector<KeyStep> ReadSteps(const pugi::xml_node& group) {
  std::vector<KeyStep> steps;
  for (pugi::xml_node item = kb::ElementAtOrAfter(group.first_child()); item;
       item = kb::ElementAtOrAfter(item.next_sibling())) {
    KeyStep step;
    step.code = Number(item, "code");
    step.name = kb::AttributeText(item.attribute("name"));
    step.state = SignedNumber(item, "state");
    step.delay = SignedNumber(item, "delay");
    steps.push_back(std::move(step));
  }
  return steps;
}

void ReadSettings(const pugi::xml_node& config, MacroSettings& settings) {
  settings.play = SignedNumber(config, "play");
  settings.type = SignedNumber(config, "type");
  settings.repeat = SignedNumber(config, "repeat");
  settings.delay = SignedNumber(config, "delay");
  settings.mode = SignedNumber(config, "mode");
  settings.media = SignedNumber(config, "media");
  settings.function = SignedNumber(config, "function");
  settings.group = SignedNumber(config, "group");
  settings.skcode = SignedNumber(config, "skcode");
}

void WriteSettings(pugi::xml_node config, const MacroSettings& settings) {
  config.append_attribute("type").set_value(settings.type);
  config.append_attribute("repeat").set_value(settings.repeat);
  config.append_attribute("mode").set_value(settings.mode);
  config.append_attribute("delay").set_value(settings.delay);
  config.append_attribute("media").set_value(settings.media);
  config.append_attribute("function").set_value(settings.function);
  config.append_attribute("group").set_value(settings.group);
  config.append_attribute("skcode").set_value(settings.skcode);
  config.append_attribute("play").set_value(settings.play);
}

void WriteGroup(pugi::xml_node macro, const MacroGroup& group) {
  pugi::xml_node node = macro.append_child(kGroupName);
  kb::AppendTextAttribute(node, "name", group.name);
  for (const KeyStep& step : group.steps) {
    pugi::xml_node item = node.append_child(kItemName);
    item.append_attribute("code").set_value(static_cast<unsigned>(step.code));
    item.append_attribute("state").set_value(static_cast<unsigned>(static_cast<uint32_t>(step.state)));
    item.append_attribute("delay").set_value(static_cast<unsigned>(static_cast<uint32_t>(step.delay)));
    kb::AppendTextAttribute(item, "name", step.name);
  }
}

std::vector<MacroGroup> ReadGroups(const pugi::xml_node& macro) {
  std::vector<MacroGroup> groups;
  for (pugi::xml_node group = kb::ElementAtOrAfter(macro.first_child()); group;
       group = kb::ElementAtOrAfter(group.next_sibling())) {
    MacroGroup loaded;
    loaded.steps = ReadSteps(group);
    loaded.name = kb::AttributeText(group.attribute("name"));
    groups.push_back(std::move(loaded));
  }
  return groups;
}

}  // namespace

MacroStore& MacroStore::Instance() {
  static MacroStore* instance = new MacroStore();
  return *instance;
}

bool MacroStore::Load(const std::wstring& path) {
  if (path.empty()) return false;
  path_ = path;
  pugi::xml_document doc;
  if (!kb::LoadXmlFile(path_, doc, pugi::encoding_utf8)) return false;

  groups_ = ReadGroups(doc.child(kMacroName));
  pugi::xml_node config = doc.child(kConfigName);
  if (config) ReadSettings(config, settings_);
  return true;
}

bool MacroStore::Save() {
  if (path_.empty()) return false;
  pugi::xml_document doc;
  WriteSettings(doc.append_child(kConfigName), settings_);
  pugi::xml_node macro = doc.append_child(kMacroName);
  for (const MacroGroup& group : groups_) WriteGroup(macro, group);
  return kb::SaveXmlFile(doc, path_);
}

bool MacroStore::ExportGroups(const std::wstring& path, const std::vector<int>& indices) const {
  if (path.empty()) return false;
  pugi::xml_document doc;
  pugi::xml_node macro = doc.append_child(kMacroName);
  if (indices.empty())
    for (const MacroGroup& group : groups_) WriteGroup(macro, group);
  for (int index : indices) {
    if (index < 0 || index >= GroupCount()) return false;
    WriteGroup(macro, groups_[static_cast<size_t>(index)]);
  }
  return kb::SaveXmlFile(doc, path);
}

std::optional<std::vector<MacroGroup>> MacroStore::ReadGroupsFile(const std::wstring& path) {
  pugi::xml_document doc;
  if (path.empty() || !kb::LoadXmlFile(path, doc, pugi::encoding_utf8)) return std::nullopt;
  std::vector<MacroGroup> groups = ReadGroups(doc.child(kMacroName));
  if (groups.empty()) return std::nullopt;
  return groups;
}

bool MacroStore::AppendGroups(std::vector<MacroGroup> groups, const std::wstring& pattern) {
  const size_t before = groups_.size();
  for (MacroGroup& group : groups) {
    bool taken = false;
    for (const MacroGroup& present : groups_) taken = taken || present.name == group.name;
    if (taken) group.name = NewGroupName(pattern);
    groups_.push_back(std::move(group));
  }
  if (Save()) return true;
  // The file still holds the old list: so does the store.
  groups_.resize(before);
  return false;
}

void MacroStore::Reset() {
  settings_ = MacroSettings();
  groups_.clear();
}

void MacroStore::Replace(std::vector<MacroGroup> groups, const MacroSettings& settings) {
  groups_ = std::move(groups);
  settings_ = settings;
}

std::wstring MacroStore::NewGroupName(const std::wstring& pattern) const {
  // The pattern comes from a translation file: it is filled in by hand, never
  // given to a printf-style formatter.
  static constexpr std::wstring_view kNumber = L"%d";
  size_t at = pattern.find(kNumber);
  for (int n = GroupCount();; ++n) {
    std::wstring name = at == std::wstring::npos
                            ? pattern + L" " + std::to_wstring(n)
                            : pattern.substr(0, at) + std::to_wstring(n) + pattern.substr(at + kNumber.size());
    bool taken = false;
    for (const MacroGroup& group : groups_) taken = taken || group.name == name;
    if (!taken) return name;
  }
}

bool MacroStore::AddGroup(const std::wstring& pattern) {
  groups_.push_back(MacroGroup{NewGroupName(pattern), {}});
  return Save();
}

int MacroStore::ResolveIndex(int index) const {
  if (index < 0) index = settings_.group;
  return index >= 0 && index < GroupCount() ? index : -1;
}

bool MacroStore::DeleteGroup(int index) {
  index = ResolveIndex(index);
  if (index < 0) return false;
  groups_.erase(groups_.begin() + index);
  Save();
  return true;
}

bool MacroStore::RenameGroup(int index, const std::wstring& name) {
  index = ResolveIndex(index);
  if (index < 0) return false;
  MacroGroup& group = groups_[static_cast<size_t>(index)];
  if (group.name == name) return false;
  group.name = name;
  Save();
  return true;
}

MacroGroup* MacroStore::GroupAt(int index) {
  index = ResolveIndex(index);
  return index < 0 ? nullptr : &groups_[static_cast<size_t>(index)];
}
