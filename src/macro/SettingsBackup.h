#pragma once
// A settings backup: the lighting tables, the macro groups (with the macro
// dialog's remembered choices) and the key assignments in one XML file, to
// move them to another machine or to put them back after a factory restore.
//
//   <?xml version="1.0"?>
//   <kbsettings version="1">
//   	<backlight sel="20"><item speed="2" brightness="5" deriction="0" selection="0"/> (22 items)</backlight>
//   	<sidelight sel="0"><item brightness="4"/> (12 items)</sidelight>
//   	<macros><config .../><macro><group name="..."><item code state delay name/></group></macro></macros>
//   	<assignments><record code="70004" play type repeat name group><item .../></record></assignments>
//   </kbsettings>
//
// The sections hold the same elements and attributes as ledeffect.xml,
// sidemodel.xml, macro.xml and record.xml (key codes decimal in macros,
// hexadecimal in records). Unlike those loaders, which repair what they
// read, a backup is read strictly: a file with anything missing, unknown or
// out of range is refused as a whole, so an import never puts half a file
// or repaired guesses in place of the user's settings.
//
// No windows here: the main window's menu and the command line use the same
// code.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "keyboard/LedEffectTable.h"
#include "keyboard/SideModelTable.h"
#include "macro/KeyRecord.h"
#include "macro/MacroStore.h"
#include "macro/RecordStore.h"

struct SettingsSnapshot {
  std::array<LedEffectEntry, LedEffectTable::kEntryCount> effects{};
  int32_t effect = LedEffectTable::kDefaultSel;
  std::array<SideModelEntry, SideModelTable::kEntryCount> sides{};
  int32_t side = SideModelTable::kDefaultSel;
  MacroSettings macroSettings;
  std::vector<MacroGroup> groups;
  std::vector<KeyRecord> records;

  bool operator==(const SettingsSnapshot&) const = default;
};

// The four stores a backup is taken from and put back into.
struct SettingsStores {
  LedEffectTable& effects;
  SideModelTable& sides;
  MacroStore& macros;
  RecordStore& records;

  // The process-wide ones.
  static SettingsStores Process();
};

class SettingsBackup {
 public:
  static constexpr char kRootName[] = "kbsettings";
  static constexpr int kVersion = 1;

  // What reading a backup gave: the settings, or why the file was refused
  // (`cannotRead`: the file could not be opened or read at all; otherwise it
  // is not a backup or is damaged, and `reason` says where, in English, for
  // diagnostic lines and the command line).
  struct ReadResult {
    std::optional<SettingsSnapshot> settings;
    bool cannotRead = false;
    std::string reason;
  };

  static SettingsSnapshot Capture(const SettingsStores& stores);
  // The file's bytes for `settings`, written as every settings file is.
  static std::string Text(const SettingsSnapshot& settings);
  // Replaces the file at `path` atomically; false, with the old file
  // untouched, when it could not.
  static bool Write(const std::wstring& path, const SettingsSnapshot& settings);

  static ReadResult Parse(std::string_view bytes);
  static ReadResult Read(const std::wstring& path);

  // Puts `settings` into the four stores and saves each file (atomically, one
  // after the other). When a save fails, the stores get their old content
  // back and the files already written are written back too, and false is
  // returned: an import is whole or not at all.
  static bool Apply(const SettingsSnapshot& settings, SettingsStores& stores);
};
