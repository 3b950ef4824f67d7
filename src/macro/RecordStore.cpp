#include "macro/RecordStore.h"

#include <algorithm>
#include <pugixml.hpp>

#include "app/NumberText.h"
#include "app/XmlFile.h"

namespace {

constexpr char kRecordName[] = "record";
constexpr char kStepElement[] = "item";
constexpr int kDecimalBase = 10;
constexpr int kHex = 16;

uint32_t Unsigned(const pugi::xml_node& node, const char* name, int base) {
  pugi::xml_attribute attribute = node.attribute(name);
  return attribute ? kb::StrToULong(attribute.value(), base) : 0;
}

int32_t UnsignedBits(const pugi::xml_node& node, const char* name) {
  return static_cast<int32_t>(Unsigned(node, name, kDecimalBase));
}


KeyRecord ReadRecord(const pugi::xml_node& node) {
  KeyRecord record;
  for (pugi::xml_node item = kb::ElementAtOrAfter(node.first_child()); item;
       item = kb::ElementAtOrAfter(item.next_sibling())) {
    KeyStep step;
    step.code = Unsigned(item, "code", kHex);
    step.state = UnsignedBits(item, "state");
    step.delay = UnsignedBits(item, "delay");
    step.name = kb::AttributeText(item.attribute("name"));
    record.steps.push_back(std::move(step));
  }
  record.code = Unsigned(node, "code", kHex);
  record.type = UnsignedBits(node, "type");
  pugi::xml_attribute play = node.attribute("play");
  record.play = play ? kb::StrToLong(play.value(), kDecimalBase) : 0;
  record.repeat = UnsignedBits(node, "repeat");
  record.name = kb::AttributeText(node.attribute("name"));
  record.group = kb::AttributeText(node.attribute("group"));
  return record;
}

void WriteRecord(pugi::xml_document& doc, const KeyRecord& record) {
  pugi::xml_node node = doc.append_child(kRecordName);
  node.append_attribute("code").set_value(kb::LowerHexText(record.code).c_str());
  node.append_attribute("play").set_value(record.play);
  node.append_attribute("type").set_value(record.type);
  node.append_attribute("repeat").set_value(record.repeat);
  kb::AppendTextAttribute(node, "name", record.name);
  kb::AppendTextAttribute(node, "group", record.group);
  for (const KeyStep& step : record.steps) {
    pugi::xml_node item = node.append_child(kStepElement);
    item.append_attribute("code").set_value(kb::LowerHexText(step.code).c_str());
    item.append_attribute("state").set_value(static_cast<unsigned>(static_cast<uint32_t>(step.state)));
    item.append_attribute("delay").set_value(static_cast<unsigned>(static_cast<uint32_t>(step.delay)));
    kb::AppendTextAttribute(item, "name", step.name);
  }
}

}  // namespace

RecordStore& RecordStore::Instance() {
  static RecordStore* instance = new RecordStore();
  return *instance;
}

bool RecordStore::Load(const std::wstring& path) {
  if (path.empty()) return false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    path_ = path;
  }
  pugi::xml_document doc;
  // With no records the file is the declaration alone, which the XML parser
  // calls a document without an element.
  if (!kb::LoadXmlFile(path, doc, pugi::encoding_utf8, true)) return false;
  std::vector<KeyRecord> loaded;
  for (pugi::xml_node node = kb::ElementAtOrAfter(doc.first_child()); node;
       node = kb::ElementAtOrAfter(node.next_sibling())) {
    loaded.push_back(ReadRecord(node));
  }
  std::lock_guard<std::mutex> lock(mutex_);
  records_ = std::move(loaded);
  return true;
}

bool RecordStore::Save() {
  std::lock_guard<std::mutex> saveLock(saveMutex_);
  pugi::xml_document doc;
  std::wstring path;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (path_.empty()) return false;
    path = path_;
    for (const KeyRecord& record : records_) WriteRecord(doc, record);
  }
  return kb::SaveXmlFile(doc, path);
}

void RecordStore::Upsert(const KeyRecord& record) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::find_if(records_.begin(), records_.end(),
                           [&](const KeyRecord& r) { return r.code == record.code; });
    if (it != records_.end()) {
      *it = record;
      return;
    }
    records_.push_back(record);
  }
  Save();
}

bool RecordStore::Remove(KeyCode code) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = std::find_if(records_.begin(), records_.end(), [&](const KeyRecord& r) { return r.code == code; });
  if (it == records_.end()) return false;
  records_.erase(it);
  return true;
}

bool RecordStore::Clear() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    records_.clear();
  }
  return Save();
}

void RecordStore::Replace(std::vector<KeyRecord> records) {
  std::lock_guard<std::mutex> lock(mutex_);
  records_ = std::move(records);
}

std::optional<KeyRecord> RecordStore::Find(KeyCode code) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const KeyRecord& record : records_) {
    if (record.code == code) return record;
  }
  return std::nullopt;
}

bool RecordStore::Contains(KeyCode code) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::any_of(records_.begin(), records_.end(), [&](const KeyRecord& r) { return r.code == code; });
}

std::vector<KeyRecord> RecordStore::Records() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return records_;
}

std::vector<KeyCode> RecordStore::Codes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<KeyCode> codes;
  codes.reserve(records_.size());
  for (const KeyRecord& record : records_) codes.push_back(record.code);
  return codes;
}

size_t RecordStore::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return records_.size();
}

std::wstring RecordStore::Path() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return path_;
}

std::string kb::LowerHexText(uint32_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 0xf]);
    value >>= 4;
  } while (value != 0);
  return text;
}
