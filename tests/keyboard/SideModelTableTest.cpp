#include "keyboard/SideModelTable.h"

#include <gtest/gtest.h>

#include "golden/GoldenFiles.h"

namespace {

constexpr char kSideFile[] = "sidemodel.xml";

std::string SideFile(const std::string& root) { return "<?xml version=\"1.0\"?>\n" + root; }

std::vector<int> Levels(SideModelTable& table) {
  std::vector<int> levels;
  for (int i = 0; i < SideModelTable::kEntryCount; ++i) levels.push_back(table.GetEntry(i)->brightness);
  return levels;
}

const std::vector<int> kGoldenLevels = {0, 1, 2, 3, 4, 5, 6, 7, 6, 5, 4, 3};
const std::vector<int> kDefaultLevels = {4, 4, 4, 7, 7, 7, 7, 7, 7, 7, 7, 7};

class SideModelTableTest : public ::testing::Test {
 protected:
  std::wstring Path() const { return folder_.WideFile(kSideFile); }
  std::string FileBytes() const { return kbtest::ReadBytes(folder_.File(kSideFile)); }
  void Write(const std::string& text) { kbtest::WriteBytes(folder_.File(kSideFile), text); }

  kbtest::TempFolder folder_;
};

TEST_F(SideModelTableTest, GoldenFileRoundTrip) {
  std::string golden = kbtest::GoldenBytes(kSideFile);
  Write(golden);
  SideModelTable loaded;
  ASSERT_TRUE(loaded.Load(Path()));
  EXPECT_EQ(loaded.GetCurrent(), 11);
  EXPECT_EQ(Levels(loaded), kGoldenLevels);
  ASSERT_TRUE(loaded.Save());
  EXPECT_EQ(FileBytes(), golden);

  kbtest::TempFolder other;
  SideModelTable built;
  ASSERT_FALSE(built.Load(other.WideFile(kSideFile)));
  for (int i = 0; i < SideModelTable::kEntryCount; ++i) {
    built.GetEntry(i)->brightness = static_cast<uint8_t>(kGoldenLevels[static_cast<size_t>(i)]);
  }
  ASSERT_TRUE(built.SetCurrent(11));
  EXPECT_EQ(kbtest::ReadBytes(other.File(kSideFile)), golden);
}

TEST_F(SideModelTableTest, MissingOrMalformedFileIsReplacedByDefaults) {
  const std::string defaults = kbtest::GoldenBytes("sidemodel-defaults.xml");
  for (const char* text : {static_cast<const char*>(nullptr), "", "<effect", "<effect sel=\"1\"></item>"}) {
    SCOPED_TRACE(text == nullptr ? "missing" : text);
    kbtest::TempFolder folder;
    if (text != nullptr) kbtest::WriteBytes(folder.File(kSideFile), text);
    SideModelTable table;
    table.GetEntry(0)->brightness = 1;
    table.SetCurrent(6);
    EXPECT_FALSE(table.Load(folder.WideFile(kSideFile)));
    EXPECT_EQ(table.GetCurrent(), 0);
    EXPECT_EQ(Levels(table), kDefaultLevels);
    EXPECT_EQ(kbtest::ReadBytes(folder.File(kSideFile)), defaults);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{kSideFile});
  }
}

TEST_F(SideModelTableTest, LevelsAreFourBitsAndAtMostSeven) {
  struct Case {
    const char* value;
    int level;
  };
  const Case cases[] = {
      {"0", 0}, {"7", 7},  {"8", 0},    {"9", 0},    {"15", 0},  {"16", 0}, {"20", 4},
      {"23", 7}, {"-1", 0}, {"-9", 7},  {"abc", 0},  {"", 0},    {"263", 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    Write(SideFile(std::string("<effect sel=\"1\"><item brightness=\"") + c.value + "\" /></effect>"));
    SideModelTable table;
    ASSERT_TRUE(table.Load(Path()));
    EXPECT_EQ(table.GetEntry(0)->brightness, c.level);
    EXPECT_EQ(table.GetEntry(1)->brightness, 4);  // not in the file: unchanged
  }
  Write(SideFile("<effect><item /></effect>"));
  SideModelTable table;
  ASSERT_TRUE(table.Load(Path()));
  EXPECT_EQ(table.GetEntry(0)->brightness, 0);
}

TEST_F(SideModelTableTest, SelectedMode) {
  struct Case {
    const char* attribute;
    int sel;
    bool hasEntry;
  };
  const Case cases[] = {
      {"sel=\"0\"", 0, true},  {"sel=\"11\"", 11, true}, {"sel=\"12\"", 12, false}, {"sel=\"13\"", 0, true},
      {"sel=\"-1\"", 0, true}, {"", 0, true},            {"sel=\"x\"", 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attribute);
    Write(SideFile(std::string("<effect ") + c.attribute + " />"));
    SideModelTable table;
    ASSERT_TRUE(table.Load(Path()));
    EXPECT_EQ(table.GetCurrent(), c.sel);
    EXPECT_EQ(table.GetEntry(-1) != nullptr, c.hasEntry);
  }
}

TEST_F(SideModelTableTest, AtMostTwelveChildrenAnyNameCount) {
  std::string items = "<a brightness=\"1\" />text<b brightness=\"2\" />";
  for (int i = 0; i < 20; ++i) items += "<item brightness=\"3\" />";
  Write(SideFile("<effect sel=\"2\">" + items + "</effect>"));
  SideModelTable table;
  ASSERT_TRUE(table.Load(Path()));
  EXPECT_EQ(Levels(table), (std::vector<int>{1, 2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3}));
  ASSERT_TRUE(table.Save());
  std::string bytes = FileBytes();
  size_t count = 0;
  for (size_t at = bytes.find("<item "); at != std::string::npos; at = bytes.find("<item ", at + 1)) ++count;
  EXPECT_EQ(count, 12u);
}

TEST_F(SideModelTableTest, ResetDefaultsWritesTheDefaultFile) {
  Write(kbtest::GoldenBytes(kSideFile));
  SideModelTable table;
  ASSERT_TRUE(table.Load(Path()));
  ASSERT_TRUE(table.ResetDefaults());
  EXPECT_EQ(Levels(table), kDefaultLevels);
  EXPECT_EQ(FileBytes(), kbtest::GoldenBytes("sidemodel-defaults.xml"));
}

TEST_F(SideModelTableTest, GetEntryBounds) {
  SideModelTable table;
  EXPECT_EQ(table.GetEntry(-2), nullptr);
  EXPECT_NE(table.GetEntry(0), nullptr);
  EXPECT_NE(table.GetEntry(11), nullptr);
  EXPECT_EQ(table.GetEntry(12), nullptr);
  EXPECT_EQ(table.GetEntry(-1), table.GetEntry(0));
  EXPECT_FALSE(table.Load(L""));
  EXPECT_FALSE(table.Save());
}

}  // namespace
