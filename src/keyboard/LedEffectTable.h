#pragma once
// The user's last choices for each of the backlight's 22 effects, and the
// effect in use; kept in ledeffect.xml beside the executable and rewritten
// after every change. No lock: only the UI thread uses it.
#include <array>
#include <cstdint>
#include <string>

struct LedEffectEntry {
  uint8_t brightness = 5;  // 0 to 5
  uint8_t speed = 2;       // 0 to 2
  uint8_t deriction = 0;   // moving effects: 0 left, 1 right
  uint8_t selection = 0;   // variant of effect 21: 1 left, 2 centre (0 after a reset)

  bool operator==(const LedEffectEntry&) const = default;
};

class LedEffectTable {
 public:
  static constexpr wchar_t kFileName[] = L"ledeffect.xml";
  static constexpr int kEntryCount = 22;
  // The highest index "sel" keeps on loading; it has no entry (nothing is
  // shown or sent for it).
  static constexpr int kMaxSel = 22;
  static constexpr int kDefaultSel = 20;
  static constexpr uint8_t kMaxBrightness = 5;
  static constexpr uint8_t kMaxSpeed = 2;
  static constexpr uint8_t kMaxDeriction = 1;
  static constexpr uint8_t kSelectionLeft = 1;
  static constexpr uint8_t kSelectionCentre = 2;

  static LedEffectTable& Instance();

  LedEffectTable();

  // Remembers `path` and reads the file. A missing, unreadable or malformed
  // file is replaced by one with the defaults (and false is returned);
  // out-of-range values are corrected silently. False without any change
  // when `path` is empty.
  bool Load(const std::wstring& path);
  // Writes every entry to the remembered path.
  bool Save();

  // The entry of effect `index` (-1: the current one), or null when there is
  // none.
  LedEffectEntry* GetEntry(int index = -1);
  int GetCurrent() const { return sel_; }
  // Stores `index` as the current effect and saves.
  bool SetCurrent(int index);
  // Every entry and the current effect back to the defaults, then saves.
  bool ResetDefaults();

  const std::wstring& Path() const { return path_; }

 private:
  void SetDefaults();

  std::wstring path_;
  std::array<LedEffectEntry, kEntryCount> entries_{};
  int32_t sel_ = kDefaultSel;
};
