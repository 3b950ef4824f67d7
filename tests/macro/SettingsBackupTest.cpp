#include "macro/SettingsBackup.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "golden/GoldenFiles.h"
#include "macro/ModelPrinters.h"

namespace {

// The four stores, loaded from files in a folder of their own.
struct StoreSet {
  explicit StoreSet(const kbtest::TempFolder& folder) : folder_(folder) { Load(); }
  void Load() {
    effects.Load(folder_.WideFile("ledeffect.xml"));
    sides.Load(folder_.WideFile("sidemodel.xml"));
    macros.Load(folder_.WideFile("macro.xml"));
    records.Load(folder_.WideFile("record.xml"));
  }
  SettingsStores Stores() { return {effects, sides, macros, records}; }
  // Every file's bytes, to prove what a refused import left alone.
  std::string Files() const {
    std::string all;
    for (const char* name : {"ledeffect.xml", "sidemodel.xml", "macro.xml", "record.xml"})
      all += kbtest::ReadBytes(folder_.File(name)) + "\n--\n";
    return all;
  }

  const kbtest::TempFolder& folder_;
  LedEffectTable effects;
  SideModelTable sides;
  MacroStore macros;
  RecordStore records;
};

// A store set holding the golden files.
void CopyGolden(const kbtest::TempFolder& folder) {
  for (const char* name : {"ledeffect.xml", "sidemodel.xml", "macro.xml", "record.xml"})
    kbtest::WriteBytes(folder.File(name), kbtest::GoldenBytes(name));
}

std::string GoldenBackup() { return kbtest::GoldenBytes("settings-backup.xml"); }

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(SettingsBackupTest, GoldenStoresWriteTheGoldenBackupAndReadBack) {
  kbtest::TempFolder folder;
  CopyGolden(folder);
  StoreSet stores(folder);
  SettingsSnapshot taken = SettingsBackup::Capture(stores.Stores());
  EXPECT_EQ(SettingsBackup::Text(taken), GoldenBackup());
  SettingsBackup::ReadResult read = SettingsBackup::Parse(GoldenBackup());
  ASSERT_TRUE(read.settings) << read.reason;
  EXPECT_EQ(*read.settings, taken);
}

// Defaults, then the golden backup imported: every store holds what the
// golden files hold, and so do the files after a reload.
TEST(SettingsBackupTest, ImportReplacesEveryStoreAndFile) {
  kbtest::TempFolder goldenFolder;
  CopyGolden(goldenFolder);
  StoreSet golden(goldenFolder);

  kbtest::TempFolder folder;
  StoreSet stores(folder);
  stores.macros.AddGroup();
  KeyRecord stale;
  stale.code = 0x70004;
  stores.records.Upsert(stale);
  kbtest::WriteBytes(folder.File("backup.xml"), GoldenBackup());
  SettingsBackup::ReadResult read = SettingsBackup::Read(folder.WideFile("backup.xml"));
  ASSERT_TRUE(read.settings) << read.reason;
  SettingsStores target = stores.Stores();
  ASSERT_TRUE(SettingsBackup::Apply(*read.settings, target));
  EXPECT_EQ(SettingsBackup::Capture(stores.Stores()), SettingsBackup::Capture(golden.Stores()));
  for (const char* name : {"ledeffect.xml", "sidemodel.xml", "macro.xml", "record.xml"})
    EXPECT_EQ(kbtest::ReadBytes(folder.File(name)), kbtest::GoldenBytes(name)) << name;
  StoreSet reloaded(folder);
  EXPECT_EQ(SettingsBackup::Capture(reloaded.Stores()), SettingsBackup::Capture(golden.Stores()));
}

// What the stores may hold comes back unchanged: values at their limits,
// the index past the last effect, negative numbers older versions wrote.
TEST(SettingsBackupTest, EdgeValuesRoundTrip) {
  SettingsSnapshot s;
  s.effect = LedEffectTable::kMaxSel;
  s.side = SideModelTable::kMaxSel;
  s.effects[0] = {LedEffectTable::kMaxBrightness, LedEffectTable::kMaxSpeed, 1, 0};
  s.effects[21] = {0, 0, 0, LedEffectTable::kSelectionCentre};
  s.sides[11].brightness = SideModelTable::kMaxLevel;
  s.macroSettings.skcode = -1;
  s.macroSettings.repeat = INT32_MIN;
  s.groups = {{L"", {}}, {L"\u5b8f & <x> \"q\"", {{0xFFFFFFFFu, 1, -1, L"two\nlines"}, {7, 0, INT32_MAX, L""}}}};
  KeyRecord record;
  record.code = 0xFFFFFFFFu;
  record.play = -1;
  record.type = kTypeFunctionKey;
  record.repeat = INT32_MAX;
  record.steps = {{0x70004, 1, 0, L"A"}};
  s.records = {record};
  SettingsBackup::ReadResult read = SettingsBackup::Parse(SettingsBackup::Text(s));
  ASSERT_TRUE(read.settings) << read.reason;
  EXPECT_EQ(*read.settings, s);
}

TEST(SettingsBackupTest, FaultyFilesAreRefusedWithTheirReason) {
  const std::string good = GoldenBackup();
  const std::string item = "<item speed=\"0\" brightness=\"0\" deriction=\"0\" selection=\"1\" />";
  struct Case {
    std::string text;
    std::string reason;  // a part of the reason given
  } cases[] = {
      {"", "not readable as XML"},
      {"<?xml version=\"1.0\"?>\n<effect sel=\"1\" />", "not a settings backup"},
      {Replaced(good, "version=\"1\"", "version=\"2\""), "another version"},
      {Replaced(good, " version=\"1\"", ""), "has no version"},
      {Replaced(good, "<backlight sel=\"7\">", "<backlight sel=\"23\">"), "sel \"23\""},
      {Replaced(good, "<backlight sel=\"7\">", "<backlight sel=\"7x\">"), "sel \"7x\""},
      {Replaced(good, "<sidelight sel=\"11\">", "<sidelight sel=\"-1\">"), "sel \"-1\""},
      {Replaced(good, item, ""), "21 items instead of 22"},
      {Replaced(good, item, item + item), "23 items instead of 22"},
      {Replaced(good, item, Replaced(item, "brightness=\"0\"", "brightness=\"6\"")), "brightness \"6\""},
      {Replaced(good, item, Replaced(item, "speed=\"0\"", "speed=\"258\"")), "speed \"258\""},
      {Replaced(good, item, Replaced(item, "selection=\"1\"", "selection=\"3\"")), "selection \"3\""},
      {Replaced(good, item, Replaced(item, " deriction=\"0\"", "")), "has no deriction"},
      {Replaced(good, "<item brightness=\"0\" />", "<item brightness=\"8\" />"), "brightness \"8\""},
      {Replaced(good, "</kbsettings>", "<profiles />\n</kbsettings>"), "unexpected <profiles> in <kbsettings>"},
      {Replaced(good, "<assignments>", "<assignments>\n<record code=\"0\" play=\"1\" type=\"0\" repeat=\"0\" />"),
       "key code 0"},
      {Replaced(good, "<record code=\"7003a\"", "<record code=\"70039\""), "two <record>s for key code 70039"},
      {Replaced(good, "<record code=\"7003a\" play=\"1\" type=\"1\"", "<record code=\"7003a\" play=\"1\" type=\"4\""),
       "type \"4\""},
      {Replaced(good, "<record code=\"7003a\"", "<record code=\"0x7003a\""), "code \"0x7003a\""},
      {Replaced(good, "<record code=\"7003a\"", "<record code=\"1ffffffff\""), "code \"1ffffffff\""},
      {Replaced(good, "code=\"700e0\" state=\"1\"", "code=\"700e0\" state=\"2\""), "state \"2\""},
      {Replaced(good, "code=\"458976\" state=\"1\" delay=\"35\"", "code=\"458976\" state=\"1\" delay=\"\""),
       "delay \"\""},
      {Replaced(good, "<group name=\"Media\">", "<group>"), "<group> has no name"},
      {Replaced(good, "<config ", "<settings "), "unexpected <settings>"},
      {Replaced(good, "</macros>", "<macro />\n</macros>"), "<macro> appears twice"},
      {Replaced(good, "</kbsettings>", "<assignments />\n</kbsettings>"), "<assignments> appears twice"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    SettingsBackup::ReadResult read = SettingsBackup::Parse(c.text);
    EXPECT_FALSE(read.settings);
    EXPECT_FALSE(read.cannotRead);
    EXPECT_NE(read.reason.find(c.reason), std::string::npos) << read.reason;
  }
  // A section left out.
  for (const char* section : {"backlight", "sidelight", "macros", "assignments"}) {
    std::string text = good;
    size_t from = text.find(std::string("<") + section);
    size_t to = text.find(std::string("</") + section + ">");
    ASSERT_NE(from, std::string::npos);
    ASSERT_NE(to, std::string::npos);
    text.erase(from, to - from + std::string(section).size() + 3);
    SettingsBackup::ReadResult read = SettingsBackup::Parse(text);
    EXPECT_FALSE(read.settings) << section;
    EXPECT_NE(read.reason.find(std::string("<") + section + "> is missing"), std::string::npos) << read.reason;
  }
}

// A file cut anywhere is refused: the import never takes half a backup.
TEST(SettingsBackupTest, EveryTruncationIsRefused) {
  const std::string good = GoldenBackup();
  ASSERT_TRUE(SettingsBackup::Parse(good).settings);
  const size_t end = good.rfind("</kbsettings>");
  for (size_t length = 0; length < end; ++length)
    ASSERT_FALSE(SettingsBackup::Parse(std::string_view(good).substr(0, length)).settings) << length;
}

TEST(SettingsBackupTest, MissingFileCannotBeRead) {
  kbtest::TempFolder folder;
  SettingsBackup::ReadResult read = SettingsBackup::Read(folder.WideFile("none.xml"));
  EXPECT_FALSE(read.settings);
  EXPECT_TRUE(read.cannotRead);
}

// record.xml cannot be replaced (a folder stands in its way): the import
// fails, and the three files written before it and every store hold the old
// settings again.
TEST(SettingsBackupTest, ImportThatCannotBeSavedPutsEverythingBack) {
  kbtest::TempFolder folder;
  StoreSet stores(folder);
  ASSERT_TRUE(stores.macros.AddGroup());
  ASSERT_TRUE(stores.effects.SetCurrent(3));
  std::filesystem::create_directories(folder.File("blocked/record.xml"));
  stores.records.Load(folder.WideFile("blocked/record.xml"));
  const std::string filesBefore = stores.Files();
  SettingsStores target = stores.Stores();
  const SettingsSnapshot before = SettingsBackup::Capture(target);

  SettingsBackup::ReadResult read = SettingsBackup::Parse(GoldenBackup());
  ASSERT_TRUE(read.settings);
  EXPECT_FALSE(SettingsBackup::Apply(*read.settings, target));
  EXPECT_EQ(SettingsBackup::Capture(target), before);
  EXPECT_EQ(stores.Files(), filesBefore);
}

}  // namespace
