#include "macro/MacroStore.h"

#include <gtest/gtest.h>

#include "golden/GoldenFiles.h"
#include "macro/ModelPrinters.h"

namespace {

constexpr char kFile[] = "macro.xml";

KeyStep Step(KeyCode code, int32_t state, int32_t delay, const std::wstring& name) {
  return KeyStep{code, state, delay, name};
}

// The model the golden macro.xml holds.
std::vector<MacroGroup> GoldenGroups() {
  const KeyCode leftControl = MakeKeyCode(kUsagePageKeyboard, 0xe0);
  const KeyCode c = MakeKeyCode(kUsagePageKeyboard, 0x06);
  const KeyCode volumeUp = MakeKeyCode(kUsagePageConsumer, 0xe9);
  const KeyCode mouseLeft = MakeKeyCode(kUsagePageGenericDesktop, 0x01);
  return {
      {L"Group 0",
       {Step(leftControl, 1, 35, L"Left Control"), Step(c, 1, 40, L"C"), Step(c, 0, 28, L"C"),
        Step(leftControl, 0, 120, L"Left Control")}},
      {L"\u590d\u5236 & <\u7c98\u8d34> \"\u5f15\u53f7\" 'x' \U0001F3B9", {}},
      {L"Media",
       {Step(volumeUp, 1, 0, L"Volume Up"), Step(volumeUp, 0, -1, L"Volume Up"), Step(mouseLeft, 1, 10, L"Mouse Left"),
        Step(mouseLeft, 0, 10, L"two\nlines\ttab")}},
  };
}

MacroSettings GoldenSettings() {
  MacroSettings s;
  s.type = 1;
  s.repeat = 3;
  s.mode = 1;
  s.delay = 25;
  s.media = 2;
  s.function = 1;
  s.group = 1;
  s.skcode = 458756;
  s.play = 4;
  return s;
}

class MacroStoreTest : public ::testing::Test {
 protected:
  std::wstring Path() const { return folder_.WideFile(kFile); }
  std::string FileBytes() const { return kbtest::ReadBytes(folder_.File(kFile)); }
  bool FileExists() const { return kbtest::FileExists(folder_.File(kFile)); }
  void Write(const std::string& text) { kbtest::WriteBytes(folder_.File(kFile), text); }
  // Loads `text` into a fresh store.
  MacroStore LoadText(const std::string& text) {
    Write(text);
    MacroStore store;
    EXPECT_TRUE(store.Load(Path())) << text;
    return store;
  }
  // A store that has a path but no file behind it.
  MacroStore EmptyStoreWithPath() {
    std::filesystem::remove(folder_.File(kFile));
    MacroStore store;
    EXPECT_FALSE(store.Load(Path()));
    return store;
  }

  kbtest::TempFolder folder_;
};

TEST_F(MacroStoreTest, GoldenFileRoundTrip) {
  const std::string golden = kbtest::GoldenBytes(kFile);
  MacroStore store = LoadText(golden);
  EXPECT_EQ(store.Groups(), GoldenGroups());
  MacroSettings expected = GoldenSettings();
  EXPECT_EQ(store.Settings(), expected);
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(FileBytes(), golden);

  kbtest::TempFolder other;
  MacroStore built;
  EXPECT_FALSE(built.Load(other.WideFile(kFile)));
  built.Settings() = GoldenSettings();
  for (const MacroGroup& group : GoldenGroups()) {
    ASSERT_TRUE(built.AddGroup());
    *built.GroupAt(built.GroupCount() - 1) = group;
  }
  ASSERT_TRUE(built.Save());
  EXPECT_EQ(kbtest::ReadBytes(other.File(kFile)), golden);
  EXPECT_EQ(other.Names(), std::vector<std::string>{kFile});
}

TEST_F(MacroStoreTest, EmptyModelFile) {
  MacroStore store = EmptyStoreWithPath();
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(FileBytes(), kbtest::GoldenBytes("macro-empty.xml"));
  MacroStore reread;
  ASSERT_TRUE(reread.Load(Path()));
  EXPECT_EQ(reread.GroupCount(), 0);
  EXPECT_EQ(reread.Settings(), MacroSettings());
}

TEST_F(MacroStoreTest, SettingsAreReadOnlyWithAConfigElement) {
  struct Case {
    const char* body;
    MacroSettings expected;
  };
  MacroSettings zero;
  zero.repeat = 0;
  zero.delay = 0;
  MacroSettings onlyType = zero;
  onlyType.type = 2;
  MacroSettings fromOddText = zero;
  fromOddText.repeat = -1;           // "-1"
  fromOddText.delay = -1;            // "4294967295"
  fromOddText.mode = 0;              // "0x2": decimal only
  fromOddText.media = 12;            // " 12abc"
  fromOddText.function = -1;         // beyond 32 bits
  fromOddText.group = 0;             // "abc"
  fromOddText.skcode = 0x70004;      // "458756"
  const Case cases[] = {
      {"<macro />", MacroSettings()},
      {"<config />", zero},
      {"<config type=\"2\" />", onlyType},
      {"<config repeat=\"-1\" delay=\"4294967295\" mode=\"0x2\" media=\" 12abc\" function=\"99999999999\" "
       "group=\"abc\" skcode=\"458756\" />",
       fromOddText},
      {"<macro /><config type=\"2\" /><config type=\"3\" />", onlyType},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    MacroStore store = LoadText(std::string("<?xml version=\"1.0\"?>\n") + c.body);
    EXPECT_EQ(store.Settings(), c.expected);
  }
}

TEST_F(MacroStoreTest, PlayDataStaysInMemory) {
  MacroStore store = EmptyStoreWithPath();
  store.Settings().playData = 5;
  store.Settings().play = 3;
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(FileBytes().find("5"), std::string::npos);
  MacroStore reread;
  ASSERT_TRUE(reread.Load(Path()));
  EXPECT_EQ(reread.Settings().play, 3);
  EXPECT_EQ(reread.Settings().playData, 0);
}

TEST_F(MacroStoreTest, EveryFieldKeepsItsValueThroughAFile) {
  MacroStore store = EmptyStoreWithPath();
  MacroSettings s;
  int32_t value = -3;
  for (int32_t* field : {&s.type, &s.repeat, &s.delay, &s.mode, &s.media, &s.function, &s.skcode, &s.group, &s.play}) {
    *field = value;
    value += 1000;
  }
  s.mode = 2;
  s.delay = 777;
  store.Settings() = s;
  ASSERT_TRUE(store.AddGroup());
  store.GroupAt(0)->steps = {Step(0xffffffffu, -1, INT32_MIN, L""), Step(0, INT32_MAX, 0, L"\u00e9")};
  MacroStore reread;
  ASSERT_TRUE(reread.Load(Path()));
  EXPECT_EQ(reread.Settings(), s);
  EXPECT_EQ(reread.GroupCount(), 1);
  ASSERT_TRUE(store.Save());
  ASSERT_TRUE(reread.Load(Path()));
  EXPECT_EQ(reread.Groups(), store.Groups());
}

TEST_F(MacroStoreTest, GroupsAndStepsWhateverTheirElementNames) {
  MacroStore store = LoadText(
      "<?xml version=\"1.0\"?>\n"
      "<macro>\n"
      "  <group name=\"g\"><item code=\"458756\" state=\"1\" delay=\"5\" name=\"A\" />text<x code=\"7\" /></group>\n"
      "  <anything><![CDATA[skipped]]></anything>\n"
      "  <y />\n"
      "</macro>\n"
      "<macro><group name=\"second macro element\" /></macro>\n");
  std::vector<MacroGroup> expected = {
      {L"g", {Step(0x70004, 1, 5, L"A"), Step(7, 0, 0, L"")}},
      {L"", {}},
      {L"", {}},
  };
  EXPECT_EQ(store.Groups(), expected);
  EXPECT_EQ(store.Settings(), MacroSettings());
}

TEST_F(MacroStoreTest, FailedLoadKeepsTheModelButRemembersThePath) {
  MacroStore store = LoadText(kbtest::GoldenBytes(kFile));
  const std::vector<MacroGroup> groups = store.Groups();
  const MacroSettings settings = store.Settings();
  for (const char* bad : {"", "<macro>", "<config type=\"1\"><macro></config>"}) {
    kbtest::WriteBytes(folder_.File("bad.xml"), bad);
    EXPECT_FALSE(store.Load(folder_.WideFile("bad.xml")));
    EXPECT_EQ(store.Groups(), groups);
    EXPECT_EQ(store.Settings(), settings);
    EXPECT_EQ(store.Path(), folder_.WideFile("bad.xml"));
  }
  EXPECT_FALSE(store.Load(L""));
  EXPECT_EQ(store.Path(), folder_.WideFile("bad.xml"));
}

// The pattern comes from a translation file: "%d" is filled in by hand, so
// other printf directives stay text, and a pattern without it gets the
// number after a blank.
TEST_F(MacroStoreTest, NewGroupNamesFollowTheLanguagePattern) {
  struct Case {
    std::wstring pattern;
    std::vector<std::wstring> existing;
    std::wstring added;
  };
  const Case cases[] = {
      {L"\u5206\u7ec4 %d", {}, L"\u5206\u7ec4 0"},
      {L"\u5206\u7ec4 %d", {L"\u5206\u7ec4 1"}, L"\u5206\u7ec4 2"},
      {L"%d. Macro", {L"a"}, L"1. Macro"},
      {L"Macro", {}, L"Macro 0"},
      {L"%s %n %d", {}, L"%s %n 0"},
  };
  for (const Case& c : cases) {
    MacroStore store = EmptyStoreWithPath();
    for (const std::wstring& name : c.existing) {
      ASSERT_TRUE(store.AddGroup());
      store.GroupAt(store.GroupCount() - 1)->name = name;
    }
    ASSERT_TRUE(store.AddGroup(c.pattern));
    EXPECT_EQ(store.GroupAt(store.GroupCount() - 1)->name, c.added);
  }
}

TEST_F(MacroStoreTest, NewGroupNames) {
  struct Case {
    std::vector<std::wstring> existing;
    std::wstring added;
  };
  const Case cases[] = {
      {{}, L"Group 0"},
      {{L"Group 0", L"Group 2"}, L"Group 3"},
      {{L"Group 1"}, L"Group 2"},
      {{L"a", L"b"}, L"Group 2"},
      {{L"Group 2", L"Group 3", L"x"}, L"Group 4"},
      {{L"group 1"}, L"Group 1"},
      {{L"Group 1 "}, L"Group 1"},
      {{L"Group 0", L"Group 1"}, L"Group 2"},
  };
  for (const Case& c : cases) {
    MacroStore store = EmptyStoreWithPath();
    for (const std::wstring& name : c.existing) {
      ASSERT_TRUE(store.AddGroup());
      store.GroupAt(store.GroupCount() - 1)->name = name;
    }
    ASSERT_TRUE(store.AddGroup());
    EXPECT_EQ(store.GroupAt(store.GroupCount() - 1)->name, c.added);
    MacroStore reread;
    ASSERT_TRUE(reread.Load(Path()));
    ASSERT_EQ(reread.GroupCount(), store.GroupCount());
    EXPECT_EQ(reread.GroupAt(reread.GroupCount() - 1)->name, c.added);
  }
}

TEST_F(MacroStoreTest, GroupIndexes) {
  MacroStore store = EmptyStoreWithPath();
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(store.AddGroup());
  store.Settings().group = 1;
  struct Case {
    int index;
    const wchar_t* name;  // null: no group
  };
  for (const Case& c : {Case{0, L"Group 0"}, Case{2, L"Group 2"}, Case{3, nullptr}, Case{-1, L"Group 1"},
                        Case{-7, L"Group 1"}, Case{100, nullptr}}) {
    SCOPED_TRACE(c.index);
    MacroGroup* group = store.GroupAt(c.index);
    if (c.name == nullptr) {
      EXPECT_EQ(group, nullptr);
    } else {
      ASSERT_NE(group, nullptr);
      EXPECT_EQ(group->name, c.name);
    }
  }
  store.Settings().group = 5;
  EXPECT_EQ(store.GroupAt(-1), nullptr);
  store.Settings().group = -1;
  EXPECT_EQ(store.GroupAt(-1), nullptr);
}

TEST_F(MacroStoreTest, DeleteGroup) {
  struct Case {
    int index;
    int settingsGroup;
    bool removed;
    std::vector<std::wstring> left;
  };
  const Case cases[] = {
      {0, 0, true, {L"Group 1", L"Group 2"}},
      {2, 0, true, {L"Group 0", L"Group 1"}},
      {-1, 1, true, {L"Group 0", L"Group 2"}},
      {3, 0, false, {L"Group 0", L"Group 1", L"Group 2"}},
      {-1, 3, false, {L"Group 0", L"Group 1", L"Group 2"}},
      {-1, -1, false, {L"Group 0", L"Group 1", L"Group 2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    MacroStore store = EmptyStoreWithPath();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(store.AddGroup());
    store.Settings().group = c.settingsGroup;
    std::filesystem::remove(folder_.File(kFile));
    EXPECT_EQ(store.DeleteGroup(c.index), c.removed);
    std::vector<std::wstring> names;
    for (const MacroGroup& g : store.Groups()) names.push_back(g.name);
    EXPECT_EQ(names, c.left);
    // Only a change is written.
    EXPECT_EQ(FileExists(), c.removed);
  }
}

TEST_F(MacroStoreTest, RenameGroup) {
  struct Case {
    int index;
    std::wstring name;
    bool renamed;
  };
  const Case cases[] = {
      {0, L"Group 0", false}, {0, L"group 0", true}, {0, L"Copy & paste", true}, {1, L"", true},
      {-1, L"Selected", true}, {2, L"x", false},      {0, L"Group 1", true},      {-1, L"Group 1", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    MacroStore store = EmptyStoreWithPath();
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(store.AddGroup());
    store.Settings().group = 1;
    std::filesystem::remove(folder_.File(kFile));
    const int target = c.index < 0 ? 1 : c.index;
    EXPECT_EQ(store.RenameGroup(c.index, c.name), c.renamed);
    EXPECT_EQ(FileExists(), c.renamed);
    if (c.renamed) {
      EXPECT_EQ(store.GroupAt(target)->name, c.name);
      MacroStore reread;
      ASSERT_TRUE(reread.Load(Path()));
      EXPECT_EQ(reread.GroupAt(target)->name, c.name);
    }
  }
}

TEST_F(MacroStoreTest, ResetDoesNotWriteUntilTheNextSave) {
  MacroStore store = LoadText(kbtest::GoldenBytes(kFile));
  store.Reset();
  EXPECT_EQ(store.GroupCount(), 0);
  EXPECT_EQ(store.Settings(), MacroSettings());
  EXPECT_EQ(FileBytes(), kbtest::GoldenBytes(kFile));
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(FileBytes(), kbtest::GoldenBytes("macro-empty.xml"));
}

TEST_F(MacroStoreTest, CodesAreDecimal) {
  MacroStore store = EmptyStoreWithPath();
  ASSERT_TRUE(store.AddGroup());
  store.GroupAt(0)->steps = {Step(MakeKeyCode(kUsagePageKeyboard, 0x04), KeyStep::kDown, 12, L"A")};
  ASSERT_TRUE(store.Save());
  EXPECT_NE(FileBytes().find("<item code=\"458756\" state=\"1\" delay=\"12\" name=\"A\" />"), std::string::npos)
      << FileBytes();
}

TEST_F(MacroStoreTest, SaveWithoutAPathFails) {
  MacroStore store;
  EXPECT_FALSE(store.Save());
  EXPECT_FALSE(store.AddGroup());
  EXPECT_EQ(store.GroupCount(), 1);
  EXPECT_TRUE(folder_.Names().empty());
}

TEST_F(MacroStoreTest, InstanceStartsWithDefaults) {
  EXPECT_EQ(&MacroStore::Instance(), &MacroStore::Instance());
  EXPECT_EQ(MacroStore::Instance().Settings().repeat, 1);
  EXPECT_EQ(MacroStore::Instance().Settings().delay, 10);
}

}  // namespace

// Macro files shared between machines: what one store exports, an empty
// store imports as the same groups, and neither store's settings travel.
TEST_F(MacroStoreTest, ExportThenImportIntoAnEmptyStoreGivesTheSameGroups) {
  const std::wstring shared = folder_.WideFile("shared.xml");
  struct Case {
    std::vector<int> indices;
    std::vector<size_t> expected;  // indexes into GoldenGroups()
  };
  const Case cases[] = {{{}, {0, 1, 2}}, {{1}, {1}}, {{2, 0}, {2, 0}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.indices.size());
    MacroStore source = LoadText(kbtest::GoldenBytes(kFile));
    ASSERT_TRUE(source.ExportGroups(shared, c.indices));
    EXPECT_EQ(kbtest::ReadBytes(folder_.File("shared.xml")).find("<config"), std::string::npos);
    std::vector<MacroGroup> expected;
    for (size_t i : c.expected) expected.push_back(GoldenGroups()[i]);

    MacroStore target = EmptyStoreWithPath();
    std::optional<std::vector<MacroGroup>> read = MacroStore::ReadGroupsFile(shared);
    ASSERT_TRUE(read.has_value());
    ASSERT_TRUE(target.AppendGroups(*read));
    EXPECT_EQ(target.Groups(), expected);
    EXPECT_EQ(target.Settings(), MacroSettings());
    MacroStore reread;
    ASSERT_TRUE(reread.Load(Path()));
    EXPECT_EQ(reread.Groups(), expected);
  }
}

TEST_F(MacroStoreTest, ExportRefusesAnIndexOutOfRange) {
  MacroStore source = LoadText(kbtest::GoldenBytes(kFile));
  for (const std::vector<int>& indices : {std::vector<int>{3}, {0, -1}, {-2}}) {
    EXPECT_FALSE(source.ExportGroups(folder_.WideFile("shared.xml"), indices));
    EXPECT_FALSE(kbtest::FileExists(folder_.File("shared.xml")));
  }
  EXPECT_FALSE(source.ExportGroups(L"", {}));
}

// A name already taken, by a group present or one imported just before,
// gets the name a new group would get.
TEST_F(MacroStoreTest, ImportRenamesClashingNames) {
  struct Case {
    std::vector<std::wstring> existing;
    std::vector<std::wstring> imported;
    std::wstring pattern;
    std::vector<std::wstring> result;
  };
  const Case cases[] = {
      {{}, {L"A", L"B"}, L"Group %d", {L"A", L"B"}},
      {{L"Group 0", L"A"}, {L"A", L"A", L"B", L"Group 0"}, L"Group %d",
       {L"Group 0", L"A", L"Group 2", L"Group 3", L"B", L"Group 5"}},
      {{L"A"}, {L"A"}, L"\u5206\u7ec4 %d", {L"A", L"\u5206\u7ec4 1"}},
      {{L"Group 1"}, {L"Group 1", L"Group 2"}, L"Group %d", {L"Group 1", L"Group 2", L"Group 3"}},
      {{L""}, {L""}, L"Group %d", {L"", L"Group 1"}},
  };
  for (const Case& c : cases) {
    MacroStore store = EmptyStoreWithPath();
    for (const std::wstring& name : c.existing) {
      ASSERT_TRUE(store.AddGroup());
      store.GroupAt(store.GroupCount() - 1)->name = name;
    }
    std::vector<MacroGroup> imported;
    for (const std::wstring& name : c.imported) imported.push_back(MacroGroup{name, {}});
    ASSERT_TRUE(store.AppendGroups(imported, c.pattern));
    std::vector<std::wstring> names;
    for (const MacroGroup& g : store.Groups()) names.push_back(g.name);
    EXPECT_EQ(names, c.result);
  }
}

TEST_F(MacroStoreTest, ImportRefusesFilesWithoutGroups) {
  const std::string golden = kbtest::GoldenBytes(kFile);
  const std::string bad[] = {"", "not xml", "<macro>", "<macro/>", "<config type=\"1\"/>",
                             "<config type=\"1\"/><macro></macro>", golden.substr(0, golden.size() / 2)};
  for (const std::string& bytes : bad) {
    kbtest::WriteBytes(folder_.File("shared.xml"), bytes);
    EXPECT_FALSE(MacroStore::ReadGroupsFile(folder_.WideFile("shared.xml")).has_value()) << bytes;
  }
  EXPECT_FALSE(MacroStore::ReadGroupsFile(folder_.WideFile("missing.xml")).has_value());
  EXPECT_FALSE(MacroStore::ReadGroupsFile(L"").has_value());
}

// The store keeps what its file keeps: an import it cannot save is undone.
TEST_F(MacroStoreTest, ImportThatCannotBeSavedChangesNothing) {
  MacroStore store = LoadText(kbtest::GoldenBytes(kFile));
  std::filesystem::remove(folder_.File(kFile));
  std::filesystem::create_directory(folder_.File(kFile));  // a folder where the file should go
  EXPECT_FALSE(store.AppendGroups({MacroGroup{L"new", {}}}));
  EXPECT_EQ(store.Groups(), GoldenGroups());
}
