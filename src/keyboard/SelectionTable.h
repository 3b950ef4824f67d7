#pragma once
// What LedEffectTable and SideModelTable share: a fixed number of entries and
// the index of the one in use ("sel"), kept in an XML file beside the
// executable (<effect sel="n"><item .../>...</effect>) and rewritten after
// every change. `Count` entries; "sel" is kept on loading up to `MaxSel` (an
// index past the last entry has none), else read as 0; `DefaultSel` after a
// reset. The table type gives its entries' defaults, reading and writing
// (Table::DefaultEntry, ReadEntry, WriteEntry); the loading and saving is
// here once. No lock: only the UI thread uses the tables.
#include <array>
#include <cstdint>
#include <string>

namespace pugi {
class xml_node;
}

template <class Table, class Entry, int Count, int MaxSel, int DefaultSel>
class SelectionTable {
 public:
  static constexpr int kEntryCount = Count;
  // The highest index "sel" keeps on loading.
  static constexpr int kMaxSel = MaxSel;
  static constexpr int kDefaultSel = DefaultSel;
  // Both files have this root (sidemodel.xml took ledeffect.xml's).
  static constexpr char kRootName[] = "effect";

  static Table& Instance() {
    static Table* instance = new Table();
    return *instance;
  }

  // Remembers `path` and reads the file. A missing or malformed file is
  // replaced by one with the defaults (and false is returned); out-of-range
  // values are corrected silently. A file that is there but cannot be read
  // is kept: the table holds the defaults and Save writes nothing until the
  // next Load (false as well). False without any change when `path` is
  // empty.
  bool Load(const std::wstring& path);
  // Writes every entry to the remembered path; false when it could not or
  // must not (a file that could not be read is kept).
  bool Save();

  // The entry at `index` (-1: the current one), or null when there is none.
  Entry* GetEntry(int index = -1) {
    if (index == -1) index = sel_;
    if (index < 0 || index >= Count) return nullptr;
    return &entries_[static_cast<size_t>(index)];
  }
  int GetCurrent() const { return sel_; }
  // Stores `index` as the current one and saves.
  bool SetCurrent(int index) {
    sel_ = index;
    return Save();
  }
  // Every entry and the current index back to the defaults, then saves.
  bool ResetDefaults() {
    SetDefaults();
    return Save();
  }

  // Every entry and the current index at once (a settings backup taken in
  // or put back); not saved: the caller saves.
  const std::array<Entry, Count>& Entries() const { return entries_; }
  void Replace(const std::array<Entry, Count>& entries, int32_t sel) {
    entries_ = entries;
    sel_ = sel;
  }

  const std::wstring& Path() const { return path_; }

 protected:
  SelectionTable() { SetDefaults(); }

 private:
  void SetDefaults() {
    for (int i = 0; i < Count; ++i) entries_[static_cast<size_t>(i)] = Table::DefaultEntry(i);
    sel_ = DefaultSel;
  }

  std::wstring path_;
  bool keepFile_ = false;
  std::array<Entry, Count> entries_{};
  int32_t sel_ = 0;
};
