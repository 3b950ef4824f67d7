#include "keyboard/LedEffectTable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

#include "keyboard/SideModelTable.h"

#include "golden/GoldenFiles.h"

namespace {

constexpr char kFile[] = "ledeffect.xml";

std::string EffectFile(const std::string& root) { return "<?xml version=\"1.0\"?>\n" + root; }

std::vector<LedEffectEntry> Entries(LedEffectTable& table) {
  std::vector<LedEffectEntry> entries;
  for (int i = 0; i < LedEffectTable::kEntryCount; ++i) entries.push_back(*table.GetEntry(i));
  return entries;
}

// The values the golden file holds: every field in range and varied.
LedEffectEntry GoldenEntry(int i) {
  return LedEffectEntry{static_cast<uint8_t>((i * 2) % 6), static_cast<uint8_t>(i % 3),
                        static_cast<uint8_t>((i / 2) % 2), static_cast<uint8_t>(1 + i % 2)};
}

size_t CountOf(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

class LedEffectTableTest : public ::testing::Test {
 protected:
  std::wstring Path() const { return folder_.WideFile(kFile); }
  std::string FileBytes() const { return kbtest::ReadBytes(folder_.File(kFile)); }
  void Write(const std::string& text) { kbtest::WriteBytes(folder_.File(kFile), text); }

  kbtest::TempFolder folder_;
};

TEST_F(LedEffectTableTest, GoldenFileRoundTrip) {
  std::string golden = kbtest::GoldenBytes(kFile);
  Write(golden);
  LedEffectTable loaded;
  ASSERT_TRUE(loaded.Load(Path()));
  EXPECT_EQ(loaded.GetCurrent(), 7);
  for (int i = 0; i < LedEffectTable::kEntryCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(*loaded.GetEntry(i), GoldenEntry(i));
  }
  ASSERT_TRUE(loaded.Save());
  EXPECT_EQ(FileBytes(), golden);

  // The same model built through the operations writes the same bytes.
  kbtest::TempFolder other;
  LedEffectTable built;
  ASSERT_FALSE(built.Load(other.WideFile(kFile)));
  for (int i = 0; i < LedEffectTable::kEntryCount; ++i) *built.GetEntry(i) = GoldenEntry(i);
  ASSERT_TRUE(built.SetCurrent(7));
  EXPECT_EQ(kbtest::ReadBytes(other.File(kFile)), golden);
  EXPECT_EQ(other.Names(), std::vector<std::string>{kFile});
}

TEST_F(LedEffectTableTest, MissingOrMalformedFileIsReplacedByDefaults) {
  const std::string defaults = kbtest::GoldenBytes("ledeffect-defaults.xml");
  const char* bad[] = {nullptr, "", "<effect sel=\"3\">", "not xml at all", "<effect><item></effect>"};
  for (const char* text : bad) {
    SCOPED_TRACE(text == nullptr ? "missing" : text);
    kbtest::TempFolder folder;
    if (text != nullptr) kbtest::WriteBytes(folder.File(kFile), text);
    LedEffectTable table;
    *table.GetEntry(0) = LedEffectEntry{1, 1, 1, 1};
    table.SetCurrent(3);  // no path yet: nothing is written
    EXPECT_FALSE(table.Load(folder.WideFile(kFile)));
    EXPECT_EQ(table.GetCurrent(), LedEffectTable::kDefaultSel);
    EXPECT_EQ(*table.GetEntry(0), (LedEffectEntry{5, 2, 0, 0}));
    EXPECT_EQ(kbtest::ReadBytes(folder.File(kFile)), defaults);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{kFile});
  }
}

// A lighting file that is there but cannot be read was overwritten with the
// defaults as if it were missing. Here it cannot be read because the name
// leads to a folder (reading fails as a locked or damaged file would).
TEST_F(LedEffectTableTest, UnreadableFileIsOverwrittenWithDefaults) {
  std::error_code error;
  std::filesystem::create_directory(folder_.File("held"), error);
  ASSERT_FALSE(error);
  std::filesystem::create_directory_symlink("held", folder_.File(kFile), error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  LedEffectTable effects;
  SideModelTable sides;
  EXPECT_FALSE(effects.Load(Path()));
  EXPECT_FALSE(sides.Load(folder_.WideFile(kFile)));
  // The run goes on with the defaults in memory...
  EXPECT_EQ(effects.GetCurrent(), LedEffectTable::kDefaultSel);
  EXPECT_EQ(*effects.GetEntry(0), (LedEffectEntry{5, 2, 0, 0}));
  EXPECT_EQ(sides.GetCurrent(), SideModelTable::kDefaultSel);
  // ...and no change is written over the file.
  EXPECT_FALSE(effects.SetCurrent(3));
  EXPECT_FALSE(sides.SetCurrent(2));
  EXPECT_EQ(effects.GetCurrent(), 3);
  EXPECT_TRUE(std::filesystem::is_symlink(folder_.File(kFile)));
  // Once the file reads again, the table is its own again.
  std::filesystem::remove(folder_.File(kFile));
  Write(kbtest::GoldenBytes(kFile));
  ASSERT_TRUE(effects.Load(Path()));
  EXPECT_EQ(effects.GetCurrent(), 7);
  EXPECT_TRUE(effects.SetCurrent(4));
}

TEST_F(LedEffectTableTest, SelectedEffect) {
  struct Case {
    const char* attribute;
    int sel;
    bool hasEntry;
  };
  const Case cases[] = {
      {"sel=\"0\"", 0, true},       {"sel=\"21\"", 21, true},  {"sel=\"22\"", 22, false},
      {"sel=\"23\"", 0, true},      {"sel=\"-1\"", 0, true},   {"sel=\"abc\"", 0, true},
      {"", 0, true},                {"sel=\" 5\"", 5, true},   {"sel=\"4294967295\"", 0, true},
      {"sel=\"-2147483648\"", 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attribute);
    Write(EffectFile(std::string("<effect ") + c.attribute + "><item /></effect>"));
    LedEffectTable table;
    ASSERT_TRUE(table.Load(Path()));
    EXPECT_EQ(table.GetCurrent(), c.sel);
    EXPECT_EQ(table.GetEntry(-1) != nullptr, c.hasEntry);
  }
}

TEST_F(LedEffectTableTest, ItemValuesAreRepaired) {
  struct Case {
    const char* attributes;
    LedEffectEntry entry;  // brightness, speed, deriction, selection
  };
  const Case cases[] = {
      {"speed=\"1\" brightness=\"3\" deriction=\"1\" selection=\"2\"", {3, 1, 1, 2}},
      {"speed=\"7\" brightness=\"9\" deriction=\"3\" selection=\"0\"", {5, 2, 0, 1}},
      {"", {0, 0, 0, 1}},
      {"speed=\"258\" brightness=\"261\" deriction=\"257\" selection=\"258\"", {5, 2, 1, 2}},
      {"speed=\"256\" brightness=\"256\" deriction=\"256\" selection=\"256\"", {0, 0, 0, 1}},
      {"speed=\"-1\" brightness=\"-1\" deriction=\"-1\" selection=\"-1\"", {5, 2, 0, 1}},
      {"speed=\"x\" brightness=\"\" deriction=\"1x\" selection=\"3\"", {0, 0, 1, 1}},
      {"speed=\"2\" brightness=\"5\" deriction=\"0\" selection=\"1\"", {5, 2, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attributes);
    Write(EffectFile(std::string("<effect sel=\"1\"><item ") + c.attributes + " /></effect>"));
    LedEffectTable table;
    ASSERT_TRUE(table.Load(Path()));
    EXPECT_EQ(*table.GetEntry(0), c.entry);
    // Repaired values are what the next save writes.
    ASSERT_TRUE(table.Save());
    LedEffectTable reread;
    ASSERT_TRUE(reread.Load(Path()));
    EXPECT_EQ(*reread.GetEntry(0), c.entry);
  }
}

TEST_F(LedEffectTableTest, ChildrenCountByPositionWhateverTheirNames) {
  Write(EffectFile(
      "<effect sel=\"2\">\n"
      "  <item speed=\"1\" brightness=\"1\" deriction=\"1\" selection=\"2\" />\n"
      "  some text <![CDATA[ and cdata ]]>\n"
      "  <other speed=\"0\" brightness=\"2\" deriction=\"0\" selection=\"1\" />\n"
      "  <bare />\n"
      "</effect>"));
  LedEffectTable table;
  ASSERT_TRUE(table.Load(Path()));
  EXPECT_EQ(*table.GetEntry(0), (LedEffectEntry{1, 1, 1, 2}));
  EXPECT_EQ(*table.GetEntry(1), (LedEffectEntry{2, 0, 0, 1}));
  EXPECT_EQ(*table.GetEntry(2), (LedEffectEntry{0, 0, 0, 1}));
  // Entries the file does not reach keep what they had.
  EXPECT_EQ(*table.GetEntry(3), (LedEffectEntry{5, 2, 0, 0}));
}

TEST_F(LedEffectTableTest, OnlyTheFirst22ItemsAreReadAndWritten) {
  std::string items;
  for (int i = 0; i < 30; ++i) {
    items += "<item speed=\"";
    items += std::to_string(i < 22 ? 1 : 0);
    items += "\" brightness=\"";
    items += std::to_string(i % 6);
    items += "\" deriction=\"0\" selection=\"1\" />";
  }
  Write(EffectFile("<effect sel=\"3\">" + items + "</effect>"));
  LedEffectTable table;
  ASSERT_TRUE(table.Load(Path()));
  for (int i = 0; i < LedEffectTable::kEntryCount; ++i) {
    EXPECT_EQ(*table.GetEntry(i), (LedEffectEntry{static_cast<uint8_t>(i % 6), 1, 0, 1})) << i;
  }
  ASSERT_TRUE(table.Save());
  EXPECT_EQ(CountOf(FileBytes(), "<item "), 22u);
}

TEST_F(LedEffectTableTest, ShortFileKeepsTheOtherEntries) {
  Write(kbtest::GoldenBytes(kFile));
  LedEffectTable table;
  ASSERT_TRUE(table.Load(Path()));
  Write(EffectFile("<effect sel=\"4\"><item speed=\"0\" brightness=\"0\" deriction=\"0\" selection=\"1\" /></effect>"));
  ASSERT_TRUE(table.Load(Path()));
  EXPECT_EQ(*table.GetEntry(0), (LedEffectEntry{0, 0, 0, 1}));
  for (int i = 1; i < LedEffectTable::kEntryCount; ++i) EXPECT_EQ(*table.GetEntry(i), GoldenEntry(i)) << i;
}

TEST_F(LedEffectTableTest, FileWithoutRootSelectsZeroAndChangesNoEntry) {
  for (const char* text : {"<other sel=\"5\"><item speed=\"0\" /></other>", "<item sel=\"5\" />",
                           "<effects sel=\"5\" />", "<effect sel=\"9\" />"}) {
    SCOPED_TRACE(text);
    Write(kbtest::GoldenBytes(kFile));
    LedEffectTable table;
    ASSERT_TRUE(table.Load(Path()));
    Write(EffectFile(text));
    std::vector<LedEffectEntry> before = Entries(table);
    EXPECT_TRUE(table.Load(Path()));
    EXPECT_EQ(table.GetCurrent(), std::string(text).find("effect sel") != std::string::npos ? 9 : 0);
    EXPECT_EQ(Entries(table), before);
  }
}

TEST_F(LedEffectTableTest, GetEntryBounds) {
  LedEffectTable table;
  struct Case {
    int index;
    bool present;
  };
  for (const Case& c : {Case{-2, false}, Case{-100, false}, Case{0, true}, Case{21, true}, Case{22, false},
                        Case{1000, false}}) {
    EXPECT_EQ(table.GetEntry(c.index) != nullptr, c.present) << c.index;
  }
  // -1 follows the current effect.
  table.SetCurrent(4);
  EXPECT_EQ(table.GetEntry(-1), table.GetEntry(4));
  table.SetCurrent(22);
  EXPECT_EQ(table.GetEntry(-1), nullptr);
  table.SetCurrent(-5);
  EXPECT_EQ(table.GetEntry(-1), nullptr);
}

TEST_F(LedEffectTableTest, ChangesAreWrittenAndResetRestoresDefaults) {
  LedEffectTable table;
  ASSERT_FALSE(table.Load(Path()));
  *table.GetEntry(5) = LedEffectEntry{1, 0, 1, 2};
  ASSERT_TRUE(table.SetCurrent(5));
  LedEffectTable reread;
  ASSERT_TRUE(reread.Load(Path()));
  EXPECT_EQ(reread.GetCurrent(), 5);
  EXPECT_EQ(*reread.GetEntry(5), (LedEffectEntry{1, 0, 1, 2}));

  ASSERT_TRUE(table.ResetDefaults());
  EXPECT_EQ(table.GetCurrent(), 20);
  EXPECT_EQ(FileBytes(), kbtest::GoldenBytes("ledeffect-defaults.xml"));
}

TEST_F(LedEffectTableTest, WithoutAPathNothingIsWritten) {
  LedEffectTable table;
  EXPECT_FALSE(table.Load(L""));
  EXPECT_TRUE(table.Path().empty());
  EXPECT_FALSE(table.Save());
  EXPECT_FALSE(table.SetCurrent(3));
  EXPECT_EQ(table.GetCurrent(), 3);
  EXPECT_TRUE(folder_.Names().empty());
}

TEST_F(LedEffectTableTest, SaveIntoAMissingFolderFailsCleanly) {
  LedEffectTable table;
  std::wstring path = (folder_.Path() / "missing" / kFile).wstring();
  EXPECT_FALSE(table.Load(path));
  EXPECT_FALSE(table.Save());
  EXPECT_EQ(table.GetCurrent(), LedEffectTable::kDefaultSel);
  EXPECT_TRUE(folder_.Names().empty());
}

TEST_F(LedEffectTableTest, InstanceIsOneObject) {
  EXPECT_EQ(&LedEffectTable::Instance(), &LedEffectTable::Instance());
}

}  // namespace
