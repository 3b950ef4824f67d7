#pragma once
// The user's last level for each of the side light's 12 modes, and the mode in
// use; kept in sidemodel.xml beside the executable and rewritten after every
// change. For modes 0 to 2 the level is the light's speed, for the others its
// brightness. No lock: only the UI thread uses it.
#include <array>
#include <cstdint>
#include <string>

struct SideModelEntry {
  uint8_t brightness = 0;  // the level, 0 to 7

  bool operator==(const SideModelEntry&) const = default;
};

class SideModelTable {
 public:
  static constexpr wchar_t kFileName[] = L"sidemodel.xml";
  static constexpr int kEntryCount = 12;
  // The highest index "sel" keeps on loading; it has no entry.
  static constexpr int kMaxSel = 12;
  static constexpr int kDefaultSel = 0;
  static constexpr int kSpeedModeCount = 3;  // modes 0 to 2 set a speed
  static constexpr uint8_t kDefaultSpeedLevel = 4;
  static constexpr uint8_t kDefaultBrightnessLevel = 7;
  static constexpr uint8_t kMaxLevel = 7;

  static SideModelTable& Instance();

  SideModelTable();

  // Remembers `path` and reads the file. A missing, unreadable or malformed
  // file is replaced by one with the defaults (and false is returned);
  // out-of-range values are corrected silently. False without any change
  // when `path` is empty.
  bool Load(const std::wstring& path);
  bool Save();

  // The entry of mode `index` (-1: the current one), or null when there is
  // none.
  SideModelEntry* GetEntry(int index = -1);
  int GetCurrent() const { return sel_; }
  bool SetCurrent(int index);
  bool ResetDefaults();

  const std::wstring& Path() const { return path_; }

 private:
  void SetDefaults();

  std::wstring path_;
  std::array<SideModelEntry, kEntryCount> entries_{};
  int32_t sel_ = kDefaultSel;
};
