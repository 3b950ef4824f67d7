#pragma once
// The user's recorded macros, grouped by name, and the choices last made in
// the macro and key assignment dialog; kept in macro.xml beside the
// executable and rewritten in full after every change. Only the UI thread
// uses it; playback works on copies held by the key records.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "macro/KeyStep.h"

struct MacroGroup {
  std::wstring name;
  std::vector<KeyStep> steps;

  bool operator==(const MacroGroup&) const = default;
};

// The dialog's remembered choices.
struct MacroSettings {
  int32_t type = 0;       // AssignType: 0 macro, 1 single key, 2 media key, 3 function key
  int32_t repeat = 1;     // repeat count
  int32_t delay = 10;     // fixed delay in milliseconds (mode 1)
  int32_t mode = 0;       // DelayMode: 0 recorded delays, 1 fixed delay, 2 no delay
  int32_t media = 0;      // selected media-key entry
  int32_t function = 0;   // selected function-key entry
  int32_t skcode = 0;     // KeyCode chosen for a single-key assignment
  int32_t group = 0;      // selected macro group
  int32_t playData = 0;   // PlayMode of the selected play entry; never written to the file
  int32_t play = 0;       // selected play-mode entry

  bool operator==(const MacroSettings&) const = default;
};

class MacroStore {
 public:
  static constexpr wchar_t kFileName[] = L"macro.xml";
  // What the dialog lets the user type. Files may hold other values (older
  // versions took any 32-bit number); those load and play as they are.
  static constexpr int32_t kMinRepeat = 1;
  static constexpr int32_t kMaxRepeat = 9999;
  static constexpr int32_t kMinDelayMs = 0;
  static constexpr int32_t kMaxDelayMs = 60000;
  // The pattern of new group names; "%d" stands for the number.
  static constexpr wchar_t kGroupNamePattern[] = L"Group %d";

  // The process-wide store, created with the default settings and no groups.
  static MacroStore& Instance();

  // Remembers `path`, then reads the groups and, when the file has a "config"
  // element, the settings. False when `path` is empty or the file cannot be
  // read or parsed; groups and settings are then left as they were.
  bool Load(const std::wstring& path);
  // Writes the whole model to the remembered path.
  bool Save();
  // Macro files to share between users and machines hold the same "macro",
  // "group" and "item" elements as macro.xml and no settings.
  // Writes the groups at `indices` (every group when empty) to `path`, as
  // Save does: the old file stays whole until the new one is complete.
  // False, with nothing written, when an index is out of range.
  bool ExportGroups(const std::wstring& path, const std::vector<int>& indices) const;
  // The groups of a macro file; none when it cannot be read or parsed or
  // holds no group.
  static std::optional<std::vector<MacroGroup>> ReadGroupsFile(const std::wstring& path);
  // Appends `groups`, giving one whose name is taken the name AddGroup would
  // give, then saves. When the save fails the groups are taken out again and
  // false is returned.
  bool AppendGroups(std::vector<MacroGroup> groups, const std::wstring& pattern = kGroupNamePattern);
  // Default settings and no groups; the file is left alone until the next save.
  void Reset();
  // Every group and the settings at once (a settings backup put back); the
  // caller saves.
  void Replace(std::vector<MacroGroup> groups, const MacroSettings& settings);

  // Appends an empty group under a name no group has yet, then saves.
  // `pattern` is the language's form of kGroupNamePattern.
  bool AddGroup(const std::wstring& pattern = kGroupNamePattern);
  // The name AddGroup would give: the pattern with n for "%d" (or after a
  // blank when it has none), n the group count raised until the name is free.
  std::wstring NewGroupName(const std::wstring& pattern = kGroupNamePattern) const;
  // These three take a negative index as the group selected in the settings.
  // DeleteGroup and RenameGroup save when they change something and return
  // whether they did.
  bool DeleteGroup(int index);
  bool RenameGroup(int index, const std::wstring& name);
  MacroGroup* GroupAt(int index);

  int GroupCount() const { return static_cast<int>(groups_.size()); }
  const std::vector<MacroGroup>& Groups() const { return groups_; }
  // The dialog changes single fields and calls Save after each change.
  MacroSettings& Settings() { return settings_; }
  const MacroSettings& Settings() const { return settings_; }
  const std::wstring& Path() const { return path_; }

 private:
  int ResolveIndex(int index) const;

  std::wstring path_;
  MacroSettings settings_;
  std::vector<MacroGroup> groups_;
};
