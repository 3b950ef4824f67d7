#pragma once
// The key assignments, kept in record.xml beside the executable and rewritten
// in full after every change.
//
// The UI thread changes the records while the key monitor's thread looks them
// up for every key event, so the list is guarded by one lock and readers get
// copies, never references into the list.
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "macro/KeyRecord.h"

namespace kb {
// A key code as record.xml and the settings backup write it: lower-case hex,
// no prefix, no leading zeros.
std::string LowerHexText(uint32_t value);
}  // namespace kb

class RecordStore {
 public:
  static constexpr wchar_t kFileName[] = L"record.xml";

  static RecordStore& Instance();

  // Remembers `path` and replaces the records with the file's. False, with
  // the records untouched, when `path` is empty or the file cannot be read or
  // parsed.
  bool Load(const std::wstring& path);
  // Writes every record to the remembered path.
  bool Save();

  // Replaces the fields of the record with the same trigger code in place
  // (keeping its position), or appends a copy and saves. The caller saves in
  // both cases.
  void Upsert(const KeyRecord& record);
  // Removes the first record with this trigger code; false when there is
  // none. Does not save.
  bool Remove(KeyCode code);
  // Removes every record and saves.
  bool Clear();
  // Every record at once (a settings backup put back); does not save.
  void Replace(std::vector<KeyRecord> records);

  // The key event lookup: a copy of the first record with this trigger code.
  std::optional<KeyRecord> Find(KeyCode code) const;
  bool Contains(KeyCode code) const;
  // A copy of the records, in file order.
  std::vector<KeyRecord> Records() const;
  // The trigger codes, in file order (what the filter driver must withhold).
  std::vector<KeyCode> Codes() const;
  size_t Count() const;

  std::wstring Path() const;

 private:
  mutable std::mutex mutex_;  // guards path_ and records_
  // Orders whole saves, so the file always ends with the newest snapshot.
  std::mutex saveMutex_;
  std::wstring path_;
  std::vector<KeyRecord> records_;
};
