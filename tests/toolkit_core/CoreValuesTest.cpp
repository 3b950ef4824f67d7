// Attribute values, named ids, value tables and style sets.
#include <gtest/gtest.h>

#include <optional>

#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SAttrSetPool.h"
#include "toolkit/core/SFontPool.h"
#include "toolkit/core/SNamedID.h"
#include "toolkit/core/SNamedValues.h"

namespace kbtest {
namespace {

using namespace kb::ui;

TEST(AttrParseTest, Integers) {
  struct Case {
    const wchar_t* text;
    std::optional<int> expected;
  };
  const Case cases[] = {
      {L"0", 0},           {L" 42 ", 42},           {L"-17", -17},       {L"+5", 5},
      {L"0x1F", 31},       {L"0XfF", 255},          {L"0xFFFFFFFF", -1}, {L"2147483647", 2147483647},
      {L"-2147483648", std::numeric_limits<int>::min()},
      {L"2147483648", std::nullopt}, {L"0x100000000", std::nullopt},
      {L"", std::nullopt}, {L"-", std::nullopt}, {L"12a", std::nullopt}, {L"0x", std::nullopt},
      {L"1 2", std::nullopt}, {L"0xG1", std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(ParseInt(c.text), c.expected) << std::wstring(c.text).size();
}

TEST(AttrParseTest, BoolsListsAndMargins) {
  EXPECT_EQ(ParseBool(L"TRUE"), true);
  EXPECT_EQ(ParseBool(L" no "), false);
  EXPECT_EQ(ParseBool(L"2"), std::nullopt);
  EXPECT_EQ(SplitList(L" a , b ,,c ", L',').size(), 4u);
  EXPECT_TRUE(SplitList(L"   ", L',').empty());

  struct MarginCase {
    const wchar_t* text;
    std::optional<Margins> expected;
  };
  const MarginCase margins[] = {{L"3", Margins{3, 3, 3, 3}},
                                {L"1,2", Margins{1, 2, 1, 2}},
                                {L"1, 2, 3, 4", Margins{1, 2, 3, 4}},
                                {L"1,2,3", std::nullopt},
                                {L"1,x", std::nullopt},
                                {L"", std::nullopt}};
  for (const auto& c : margins) EXPECT_EQ(ParseMargins(c.text), c.expected);
  EXPECT_EQ(ParsePoint(L"-3, 7"), (Point{-3, 7}));
  EXPECT_EQ(ParseSize(L"10,20,30"), std::nullopt);
}

TEST(AttrParseTest, ColorsAndResourceNames) {
  EXPECT_EQ(ParseColorText(L" #ff0000 "), Color::Rgb(255, 0, 0));
  EXPECT_EQ(ParseColorText(L"rgba(1,2,3,4)"), Color::Rgba(1, 2, 3, 4));
  EXPECT_EQ(ParseColorText(L"red"), std::nullopt);

  ResName full = SplitResName(L"LAYOUT:XML_MAINWND");
  EXPECT_EQ(full.type, L"LAYOUT");
  EXPECT_EQ(full.name, L"XML_MAINWND");
  ResName bare = SplitResName(L"macro", L"layout");
  EXPECT_EQ(bare.type, L"layout");
  EXPECT_EQ(bare.name, L"macro");
  EXPECT_TRUE(EqualsNoCase(L"smenuex", L"SMENUEX"));
  EXPECT_FALSE(EqualsNoCase(L"smenu", L"smenuex"));
}

TEST(NamedIdTest, UnsortedInputIsSortedAndFirstDuplicateWins) {
  const wchar_t* names[] = {L"zeta", L"alpha", L"mid", L"alpha", nullptr};
  const int ids[] = {3, 1, 2, 99, 5};
  SNamedID table;
  table.Init(names, ids, 5);
  ASSERT_EQ(table.Count(), 3u);
  EXPECT_EQ(table.Entries()[0].first, L"alpha");
  EXPECT_EQ(table.Entries()[2].first, L"zeta");
  EXPECT_EQ(table.IdOf(L"alpha"), 1);
  EXPECT_EQ(table.IdOf(L"mid"), 2);
  EXPECT_EQ(table.IdOf(L"Alpha"), 0) << "names are case-sensitive";
  EXPECT_EQ(table.IdOf(L"nothing"), 0);
  EXPECT_EQ(table.NameOf(3), L"zeta");
  EXPECT_EQ(table.NameOf(99), L"");
}

TEST(NamedIdTest, ConsecutiveTableLooksUpEveryName) {
  // Like a program's table: consecutive ids handed over in declaration order.
  std::vector<std::wstring> names;
  for (int i = 0; i < 69; ++i) names.push_back(L"name_" + std::to_wstring(68 - i));
  std::vector<const wchar_t*> raw;
  std::vector<int> ids;
  for (size_t i = 0; i < names.size(); ++i) {
    raw.push_back(names[i].c_str());
    ids.push_back(65535 + static_cast<int>(i));
  }
  SNamedID table;
  table.Init(raw.data(), ids.data(), raw.size());
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(table.IdOf(names[i]), ids[i]);
}

TEST(NamedValuesTest, StringTableKeepsOrderAndFirstDefinition) {
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string("<string><app value=\"KbConfig\"/><b value=\"x\"/><app value=\"later\"/>"
                              "<c>inner text</c></string>"));
  SNamedString strings;
  strings.Load(doc.child("string"));
  EXPECT_EQ(strings.Count(), 3u);
  EXPECT_EQ(strings.Get(0), L"KbConfig");
  EXPECT_EQ(strings.Find(L"app"), std::wstring(L"KbConfig"));
  EXPECT_EQ(strings.Find(L"c"), std::wstring(L"inner text"));
  EXPECT_EQ(strings.Get(7), L"");
}

TEST(NamedValuesTest, ColorTableSkipsBadValues) {
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string("<color><ok value=\"#010203\"/><bad value=\"blue-ish\"/></color>"));
  SNamedColor colors;
  colors.Load(doc.child("color"));
  EXPECT_EQ(colors.Count(), 1u);
  EXPECT_EQ(colors.Find(L"ok"), Color::Rgb(1, 2, 3));
  EXPECT_EQ(colors.Find(L"bad"), std::nullopt);
}

TEST(AttrSetPoolTest, LaterDefinitionsOverrideOnlyWhatTheyName) {
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string("<style><class name=\"s\" a=\"1\" b=\"2\"/><class name=\"s\" b=\"3\" c=\"4\"/>"
                              "<class a=\"no name\"/></style>"));
  SAttrSetPool pool;
  pool.Load(doc.child("style"), false);
  ASSERT_EQ(pool.Count(), 1u);
  const AttrList* set = pool.Find(L"s");
  ASSERT_NE(set, nullptr);
  AttrList expected = {{L"a", L"1"}, {L"b", L"3"}, {L"c", L"4"}};
  EXPECT_EQ(*set, expected);
}

TEST(FontPoolTest, SpecsStartFromTheDefault) {
  kb::render::FontSpec base;
  base.face = L"DejaVu Sans";
  base.pixelSize = 13;
  struct Case {
    const wchar_t* text;
    bool ok;
    int size;
    bool bold;
    const wchar_t* face;
  };
  const Case cases[] = {{L"size:16", true, 16, false, L"DejaVu Sans"},
                        {L"face:Noto Sans CJK SC,bold:1", true, 13, true, L"Noto Sans CJK SC"},
                        {L"size:0", false, 0, false, L""},
                        {L"size:9999", false, 0, false, L""},
                        {L"weight:3", false, 0, false, L""},
                        {L"bold", false, 0, false, L""},
                        {L"", true, 13, false, L"DejaVu Sans"}};
  for (const Case& c : cases) {
    auto spec = SFontPool::ParseFont(c.text, base);
    ASSERT_EQ(spec.has_value(), c.ok) << std::wstring(c.text).size();
    if (!spec) continue;
    EXPECT_EQ(spec->pixelSize, c.size);
    EXPECT_EQ(spec->bold, c.bold);
    EXPECT_EQ(spec->face, c.face);
  }
}

}  // namespace
}  // namespace kbtest
