#include "app/AppConfig.h"

#include <gtest/gtest.h>

#include <climits>

#include "app/NumberText.h"
#include "golden/GoldenFiles.h"

namespace {

using Pairs = std::vector<std::pair<int32_t, int32_t>>;

std::string ConfigWith(const std::string& body) { return "<?xml version=\"1.0\"?>\n" + body; }

// Loads `text` as config.xml from a fresh folder.
AppConfig LoadText(const std::string& text, bool* loaded = nullptr) {
  kbtest::TempFolder folder;
  kbtest::WriteBytes(folder.File("config.xml"), text);
  AppConfig config;
  bool ok = config.Load(folder.WidePath());
  if (loaded != nullptr) *loaded = ok;
  return config;
}

void ExpectDefaults(const AppConfig& config) {
  EXPECT_EQ(config.vid, 0);
  EXPECT_EQ(config.pid, 0);
  EXPECT_EQ(config.usbInterface, 0);
  EXPECT_EQ(config.subdevice, 0);
  EXPECT_FALSE(config.isChinese);
  EXPECT_TRUE(config.funKeys.empty());
  EXPECT_TRUE(config.combKeys.empty());
}

TEST(AppConfigTest, GoldenFileReadsToTheExpectedModel) {
  kbtest::TempFolder folder;
  kbtest::WriteBytes(folder.File("config.xml"), kbtest::GoldenBytes("config.xml"));
  AppConfig config;
  ASSERT_TRUE(config.Load(folder.WidePath()));

  // The first element of each name counts; later ones and nested ones do not.
  EXPECT_TRUE(config.isChinese);
  EXPECT_EQ(config.vid, 0x1a2b);
  EXPECT_EQ(config.pid, 0x3c4d);
  EXPECT_EQ(config.usbInterface, 1);
  EXPECT_EQ(config.subdevice, 5);

  std::vector<FunKeyEntry> funKeys = {
      {L"Play/Pause", 0xc00cd, L"", L""},
      {L"\u8ba1\u7b97\u5668", 0xc0192, L"calc.exe", L"-x & y"},
      {L"Mail", 0, L"", L""},
  };
  EXPECT_EQ(config.funKeys, funKeys);

  std::vector<CombKeyEntry> combKeys = {
      {L"Copy", {{458976, 0}, {458758, 10}}},
      {L"", {{1, 2}, {3, 4}}},
      {L"Colons", {{7, 0}}},
      {L"No code", {}},
  };
  EXPECT_EQ(config.combKeys, combKeys);
}

TEST(AppConfigTest, MissingOrMalformedFileLeavesDefaults) {
  {
    kbtest::TempFolder empty;
    AppConfig config;
    EXPECT_FALSE(config.Load(empty.WidePath()));
    ExpectDefaults(config);
  }
  for (const char* text : {"", "<usb vid=\"12\"", "<usb vid=\"12\"></local>", "\xff\xfe<"}) {
    SCOPED_TRACE(text);
    bool loaded = true;
    AppConfig config = LoadText(text, &loaded);
    EXPECT_FALSE(loaded);
    ExpectDefaults(config);
  }
}

TEST(AppConfigTest, ReloadingReplacesEverything) {
  kbtest::TempFolder folder;
  kbtest::WriteBytes(folder.File("config.xml"), kbtest::GoldenBytes("config.xml"));
  AppConfig config;
  ASSERT_TRUE(config.Load(folder.WidePath()));
  ASSERT_TRUE(config.Load(folder.WidePath()));
  EXPECT_EQ(config.funKeys.size(), 3u);
  EXPECT_EQ(config.combKeys.size(), 4u);

  kbtest::WriteBytes(folder.File("config.xml"), ConfigWith("<usb pid=\"7\" />"));
  ASSERT_TRUE(config.Load(folder.WidePath()));
  EXPECT_EQ(config.vid, 0);
  EXPECT_EQ(config.pid, 7);
  EXPECT_FALSE(config.isChinese);
  EXPECT_TRUE(config.funKeys.empty());
  EXPECT_TRUE(config.combKeys.empty());
}

TEST(AppConfigTest, Language) {
  struct Case {
    const char* element;
    bool chinese;
  };
  const Case cases[] = {
      {"<local language=\"cn\" />", true},
      {"<local language=\"CN\" />", false},
      {"<local language=\"cn \" />", false},
      {"<local language=\" cn\" />", false},
      {"<local language=\"c\" />", false},
      {"<local language=\"\" />", false},
      {"<local />", false},
      {"<other language=\"cn\" />", false},
      {"<root><local language=\"cn\" /></root>", false},
      {"<local language=\"en\" /><local language=\"cn\" />", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.element);
    EXPECT_EQ(LoadText(ConfigWith(c.element)).isChinese, c.chinese);
  }
}

TEST(AppConfigTest, UsbIdsAreBase16WithCRuntimeRules) {
  struct Case {
    const char* text;
    int32_t value;
  };
  const Case cases[] = {
      {"1A2B", 0x1a2b},          {"0x1A2B", 0x1a2b},      {"0X1a2b", 0x1a2b},     {"xyz", 0},
      {"", 0},                   {"  ff", 0xff},          {"\t+10", 0x10},        {"-1", -1},
      {"12zz", 0x12},            {"0x", 0},               {"0xg", 0},             {"00000000000000001", 1},
      {"7fffffff", INT32_MAX},   {"80000000", INT32_MAX}, {"ffffffffff", INT32_MAX},
      {"-80000000", INT32_MIN},  {"-80000001", INT32_MIN}, {"1 2", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string attrs = std::string("vid=\"") + c.text + "\" pid=\"" + c.text + "\" interface=\"" + c.text +
                        "\" subdevice=\"" + c.text + "\"";
    AppConfig config = LoadText(ConfigWith("<usb " + attrs + " />"));
    EXPECT_EQ(config.vid, c.value);
    EXPECT_EQ(config.pid, c.value);
    EXPECT_EQ(config.usbInterface, c.value);
    EXPECT_EQ(config.subdevice, c.value);
  }
  AppConfig partial = LoadText(ConfigWith("<usb vid=\"5\" subdevice=\"2\" />"));
  EXPECT_EQ(partial.vid, 5);
  EXPECT_EQ(partial.pid, 0);
  EXPECT_EQ(partial.usbInterface, 0);
  EXPECT_EQ(partial.subdevice, 2);
}

TEST(AppConfigTest, FunKeyEntries) {
  AppConfig config = LoadText(ConfigWith(
      "<funkey>\n"
      "  <a name=\"one\" code=\"0xc00e9\" path=\"p\" argm=\"a\" />\n"
      "  text between <!-- a comment -->\n"
      "  <b name=\"\" code=\"1\" />\n"
      "  <c code=\"2\" />\n"
      "  <d name=\" \" code=\"-1\" />\n"
      "  <e name=\"big\" code=\"1ffffffff\" />\n"
      "  <f name=\"nocode\"><nested name=\"inner\" /></f>\n"
      "</funkey>\n"
      "<funkey><g name=\"second list\" /></funkey>"));
  std::vector<FunKeyEntry> expected = {
      {L"one", 0xc00e9, L"p", L"a"},
      {L" ", 0xffffffffu, L"", L""},
      {L"big", 0xffffffffu, L"", L""},
      {L"nocode", 0, L"", L""},
  };
  EXPECT_EQ(config.funKeys, expected);
}

TEST(AppConfigTest, CombKeyEntriesKeepEmptyNamesAndEmptyLists) {
  AppConfig config = LoadText(ConfigWith(
      "<combkey><x /><y name=\"\" code=\"\" /><z name=\"n\" code=\"5\" /></combkey>"));
  std::vector<CombKeyEntry> expected = {{L"", {}}, {L"", {}}, {L"n", {{5, 0}}}};
  EXPECT_EQ(config.combKeys, expected);
}

TEST(AppConfigTest, MissingListsAreEmpty) {
  AppConfig config = LoadText(ConfigWith("<usb vid=\"1\" />"));
  EXPECT_TRUE(config.funKeys.empty());
  EXPECT_TRUE(config.combKeys.empty());
  EXPECT_EQ(config.vid, 1);
}

TEST(AppConfigTest, CombKeyCodeSplitting) {
  struct Case {
    const char* text;
    Pairs pairs;
  };
  const Case cases[] = {
      {"1:2, 3", {{1, 2}, {3, 0}}},
      {"1 : 2 ,,3:4:5", {{1, 2}, {3, 4}}},
      {"", {}},
      {" ", {}},
      {",,,", {}},
      {":", {}},
      {"::,:::", {}},
      {"::,7", {{7, 0}}},
      {"1::2", {{1, 2}}},
      {":5", {{5, 0}}},
      {"8:", {{8, 0}}},
      {"1 0:2 0", {{10, 20}}},
      {"-3:+4", {{-3, 4}}},
      {"a:b", {{0, 0}}},
      {"12ab:3x", {{12, 3}}},
      {"0x10:1", {{0, 1}}},
      {"\t7:\t8", {{7, 8}}},
      {"99999999999:-99999999999", {{INT32_MAX, INT32_MIN}}},
      {"458976:0,458758:10,458758:0,458976:0", {{458976, 0}, {458758, 10}, {458758, 0}, {458976, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(AppConfig::ParseCombKeyCodes(c.text), c.pairs);
  }
}

TEST(AppConfigTest, EncodingIsDetected) {
  const std::string body = "<local language=\"cn\" /><funkey><k name=\"\xe8\xae\xa1\xe7\xae\x97\" code=\"5\" /></funkey>";
  // UTF-16LE with a byte-order mark, as Notepad saves "Unicode".
  std::wstring wide = L"<?xml version=\"1.0\" encoding=\"utf-16\"?>\n<local language=\"cn\" />"
                      L"<funkey><k name=\"\u8ba1\u7b97\" code=\"5\" /></funkey>";
  std::string utf16 = "\xff\xfe";
  for (wchar_t c : wide) {
    utf16.push_back(static_cast<char>(c & 0xff));
    utf16.push_back(static_cast<char>((c >> 8) & 0xff));
  }
  const std::string texts[] = {ConfigWith(body), "\xef\xbb\xbf" + ConfigWith(body), utf16};
  for (const std::string& text : texts) {
    bool loaded = false;
    AppConfig config = LoadText(text, &loaded);
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(config.isChinese);
    ASSERT_EQ(config.funKeys.size(), 1u);
    EXPECT_EQ(config.funKeys[0].name, L"\u8ba1\u7b97");
    EXPECT_EQ(config.funKeys[0].code, 5u);
  }
}

TEST(AppConfigTest, InstanceIsOneObject) {
  EXPECT_EQ(&AppConfig::Instance(), &AppConfig::Instance());
}

TEST(NumberTextTest, CRuntimeConversionsWithWindowsWidths) {
  struct Case {
    const char* text;
    int base;
    int32_t asLong;
    uint32_t asULong;
  };
  const Case cases[] = {
      {"", 10, 0, 0},
      {"abc", 10, 0, 0},
      {"42", 10, 42, 42},
      {"  \t\n42x", 10, 42, 42},
      {"+7", 10, 7, 7},
      {"-1", 10, -1, 0xffffffffu},
      {"- 1", 10, 0, 0},
      {"--1", 10, 0, 0},
      {"0x10", 10, 0, 0},
      {"0x10", 16, 16, 16},
      {"0x", 16, 0, 0},
      {"-0x10", 16, -16, 0xfffffff0u},
      {"2147483647", 10, INT32_MAX, 2147483647u},
      {"2147483648", 10, INT32_MAX, 2147483648u},
      {"-2147483648", 10, INT32_MIN, 2147483648u},
      {"-2147483649", 10, INT32_MIN, 2147483647u},
      {"4294967295", 10, INT32_MAX, 0xffffffffu},
      {"4294967296", 10, INT32_MAX, 0xffffffffu},
      {"-4294967296", 10, INT32_MIN, 0xffffffffu},
      {"99999999999999999999999", 10, INT32_MAX, 0xffffffffu},
      {"ffffffff", 16, INT32_MAX, 0xffffffffu},
      {"FFFFFFFF", 16, INT32_MAX, 0xffffffffu},
      {"100000000", 16, INT32_MAX, 0xffffffffu},
      {"70039", 16, 0x70039, 0x70039u},
      {"0009", 10, 9, 9},
      {"9", 8, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " base " + std::to_string(c.base));
    EXPECT_EQ(kb::StrToLong(c.text, c.base), c.asLong);
    EXPECT_EQ(kb::StrToULong(c.text, c.base), c.asULong);
    if (c.base == 10) {
      EXPECT_EQ(kb::AtoI(c.text), c.asLong);
    }
  }
}

}  // namespace

namespace {

struct LanguageEdit {
  const char* what;
  std::string before;
  bool chinese;
  std::string after;  // empty: the text is refused
};

}  // namespace

// The window's language is written back into config.xml; nothing else of
// the file may change, not even its spacing, quotes or comments.
TEST(AppConfigTest, TheLanguageIsWrittenBackAndNothingElse) {
  const std::string rest = "<usb vid=\"e7a1\" pid='5b0d' interface=\"1\" subdevice=\"5\" />\n<!-- a note -->\n";
  const LanguageEdit cases[] = {
      {"en to cn", ConfigWith("<local language=\"en\" />\n" + rest), true,
       ConfigWith("<local language=\"cn\" />\n" + rest)},
      {"cn to en, single quotes, blanks around =", ConfigWith("<local  language = 'cn'/>\n" + rest), false,
       ConfigWith("<local  language = 'en'/>\n" + rest)},
      {"another attribute first", ConfigWith("<local theme=\"x\" language=\"fr\"></local>\n" + rest), true,
       ConfigWith("<local theme=\"x\" language=\"cn\"></local>\n" + rest)},
      {"an attribute named like it", ConfigWith("<local xlanguage=\"en\"/>\n" + rest), true,
       ConfigWith("<local language=\"cn\" xlanguage=\"en\"/>\n" + rest)},
      {"no attribute", ConfigWith("<local/>\n" + rest), true, ConfigWith("<local language=\"cn\"/>\n" + rest)},
      {"no element", ConfigWith(rest), true, ConfigWith("<local language=\"cn\" />\n" + rest)},
      {"no change", ConfigWith("<local language=\"en\" />\n" + rest), false,
       ConfigWith("<local language=\"en\" />\n" + rest)},
      {"broken", ConfigWith("<local language=\"en\" <usb>"), true, ""},
      {"UTF-16", std::string("\xFF\xFE<\0l\0", 6), true, ""},
  };
  for (const LanguageEdit& c : cases) {
    std::optional<std::string> edited = AppConfig::WithLanguage(c.before, c.chinese);
    if (c.after.empty()) {
      EXPECT_FALSE(edited.has_value()) << c.what;
      continue;
    }
    ASSERT_TRUE(edited.has_value()) << c.what;
    EXPECT_EQ(*edited, c.after) << c.what;
  }
  // Round trip through the file: read back as the language chosen.
  kbtest::TempFolder folder;
  kbtest::WriteBytes(folder.File("config.xml"), cases[0].before);
  for (bool chinese : {true, false, true}) {
    ASSERT_TRUE(AppConfig::SaveLanguage(folder.WidePath(), chinese));
    AppConfig config;
    ASSERT_TRUE(config.Load(folder.WidePath()));
    EXPECT_EQ(config.isChinese, chinese);
    EXPECT_EQ(config.vid, 0xE7A1);
  }
  // A file that cannot be edited is left alone.
  kbtest::WriteBytes(folder.File("config.xml"), cases[7].before);
  EXPECT_FALSE(AppConfig::SaveLanguage(folder.WidePath(), true));
}
