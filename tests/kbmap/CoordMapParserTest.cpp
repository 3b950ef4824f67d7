// Reading key maps: attribute values and whole files, good and bad.
#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "ui/common/CoordMapParser.h"

namespace {

using coordmap::ParseCoordButtons;
using coordmap::ParseKeyColor;
using coordmap::ParseKeyRect;
using kb::ui::Color;
using kb::ui::Rect;

const Color kDefault = Color::Rgb(0xFF, 0xFF, 0xFF);

TEST(CoordMapParser, KeyColors) {
  struct Case {
    const char* text;
    bool readable;
    uint32_t argb;
  };
  const Case cases[] = {
      {"#FF8000", true, 0xFFFF8000},
      {"FF 80 00", true, 0xFFFF8000},
      {"# ff 80 00", true, 0xFFFF8000},
      {"ff8000", true, 0xFFFF8000},
      {"0xff8000", true, 0xFFFF8000},
      {"#80FF8000", true, 0x80FF8000},  // eight digits: alpha first
      {"#00FF8000", true, 0x00FF8000},
      {"FF", true, 0xFF0000FF},
      {"#000000", true, 0xFF000000},
      {"12xyz", true, 0xFF000012},      // reading stops at the first non-digit
      {"FFFFFFFFFF", true, 0xFFFFFFFF}, // too many digits saturate
      {"", false, 0},
      {"#", false, 0},
      {"   ", false, 0},
      {"xyz", false, 0},
      {"#g00000", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto color = ParseKeyColor(c.text);
    ASSERT_EQ(color.has_value(), c.readable);
    if (c.readable) {
      EXPECT_EQ(color->ToArgb(), c.argb);
    }
  }
}

TEST(CoordMapParser, KeyRects) {
  struct Case {
    const char* text;
    Rect rect;
  };
  const Case cases[] = {
      {"10, 20, 30, 40", Rect{10, 20, 40, 60}},
      {"10,20,30,40", Rect{10, 20, 40, 60}},
      {" 10 ,  20 , 30 , 40 ", Rect{10, 20, 40, 60}},
      {"10,20,30", Rect{10, 20, 40, 20}},  // height not read: 0
      {"10,20", Rect{10, 20, 10, 20}},
      {"10", Rect{10, 0, 10, 0}},
      {"", Rect{}},
      {"abc", Rect{}},
      {"10;20;30;40", Rect{10, 0, 10, 0}},  // the separator must be a comma
      {"10,20,x,40", Rect{10, 20, 10, 20}},
      {"-5,-6,10,10", Rect{-5, -6, 5, 4}},
      {"+5,6,7,8", Rect{5, 6, 12, 14}},
      {"10,20,30,40,50", Rect{10, 20, 40, 60}},
      {"10,20,-30,40", Rect{10, 20, -20, 60}},  // an empty rectangle, never hit
      {"10\t,20,30,40", Rect{10, 0, 10, 0}},    // only spaces are removed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseKeyRect(c.text), c.rect);
  }
}

// Numbers that would overflow when the key is moved to the control's place
// on the window are kept within reach.
TEST(CoordMapParser, HugeRectanglesStayInRange) {
  Rect r = ParseKeyRect("2147483647, -2147483648, 2147483647, 99999999999999");
  EXPECT_EQ(r.left, coordmap::kCoordLimit);
  EXPECT_EQ(r.top, -coordmap::kCoordLimit);
  EXPECT_EQ(r.right, coordmap::kCoordLimit);
  EXPECT_LE(r.bottom, coordmap::kCoordLimit);
  Rect moved = r.Offset(10000, 10000);
  EXPECT_GT(moved.left, r.left);
}

TEST(CoordMapParser, Files) {
  struct Case {
    const char* name;
    std::string xml;
    bool parses;
    size_t keys;
  };
  const Case cases[] = {
      {"one key", "<positions><key id=\"4\" va=\"7\" name=\"A\" rect=\"1,2,3,4\" color=\"#102030\"/></positions>", true,
       1},
      {"any element name counts", "<positions><a/><b id=\"1\"/><c/></positions>", true, 3},
      {"declaration and comments", "<?xml version=\"1.0\"?><!-- map --><positions><!-- k --><k/></positions>", true,
       1},
      {"text between keys is no key", "<positions>text<k/>more<k/></positions>", true, 2},
      {"nested elements are not keys", "<positions><row><k/><k/></row></positions>", true, 1},
      {"first positions only", "<positions><k/></positions><positions><k/><k/></positions>", true, 1},
      {"no positions", "<keys><k/></keys>", true, 0},
      {"positions not at the root", "<root><positions><k/></positions></root>", true, 0},
      {"empty positions", "<positions/>", true, 0},
      {"not closed", "<positions><k/>", false, 0},
      {"not xml", "hello", false, 0},
      {"empty", "", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto buttons = ParseCoordButtons(c.xml, kDefault);
    ASSERT_EQ(buttons.has_value(), c.parses);
    if (c.parses) {
      EXPECT_EQ(buttons->size(), c.keys);
    }
  }
}

TEST(CoordMapParser, KeyFieldsAndDefaults) {
  auto buttons = ParseCoordButtons(
      "<positions>"
      "<key id=\"41\" va=\"7\" name=\"Esc\" rect=\"10, 20, 30, 40\" color=\"#102030\"/>"
      "<key/>"
      "<key id=\"x\" va=\"\" name=\"\" color=\"zz\"/>"
      "<key id=\"-12\" va=\"0x10\" name=\"&lt;&amp;&gt;\"/>"
      "<key id=\"99999999999\"/>"
      "</positions>",
      Color::Rgb(1, 2, 3));
  ASSERT_TRUE(buttons);
  ASSERT_EQ(buttons->size(), 5u);
  const CoordButton& esc = (*buttons)[0];
  EXPECT_EQ(esc.id, 41);
  EXPECT_EQ(esc.va, 7);
  EXPECT_EQ(esc.name, L"Esc");
  EXPECT_EQ(esc.rect, (Rect{10, 20, 40, 60}));
  EXPECT_EQ(esc.color, Color::Rgb(0x10, 0x20, 0x30));
  EXPECT_TRUE(esc.tip.empty());
  EXPECT_EQ(esc.checked + esc.hover + esc.pressed, 0u);

  const CoordButton& bare = (*buttons)[1];
  EXPECT_EQ(bare.id, -1);
  EXPECT_EQ(bare.va, -1);
  EXPECT_TRUE(bare.name.empty());
  EXPECT_EQ(bare.rect, Rect{});
  EXPECT_EQ(bare.color, Color::Rgb(1, 2, 3)) << "missing colour: the control's default";

  const CoordButton& unreadable = (*buttons)[2];
  EXPECT_EQ(unreadable.id, 0) << "present but not a number reads as 0, as the C runtime does";
  EXPECT_EQ(unreadable.va, 0);
  EXPECT_EQ(unreadable.color, Color::Rgb(1, 2, 3)) << "unreadable colour: the control's default";

  EXPECT_EQ((*buttons)[3].id, -12);
  EXPECT_EQ((*buttons)[3].va, 0) << "decimal only: \"0x10\" stops at the x";
  EXPECT_EQ((*buttons)[3].name, L"<&>");
  EXPECT_EQ((*buttons)[4].id, INT32_MAX) << "saturates like strtol";
}

// The files are XML in whatever encoding its declaration or byte-order mark
// says; names come out as the same wide text.
TEST(CoordMapParser, EncodingsGiveTheSameNames) {
  const std::wstring name = L"\u00c4\u4e2d";
  std::string utf8 = "<positions><k name=\"" + kb::WideToUtf8(name) + "\"/></positions>";
  std::string bom = "\xEF\xBB\xBF" + utf8;
  std::string utf16le = "\xFF\xFE";
  for (char32_t c : std::u32string(U"<positions><k name=\"\u00c4\u4e2d\"/></positions>")) {
    utf16le.push_back(static_cast<char>(c & 0xFF));
    utf16le.push_back(static_cast<char>(c >> 8));
  }
  std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><positions><k name=\"\xC4\"/></positions>";
  for (const std::string& bytes : {utf8, bom, utf16le}) {
    auto buttons = ParseCoordButtons(bytes, kDefault);
    ASSERT_TRUE(buttons);
    ASSERT_EQ(buttons->size(), 1u);
    EXPECT_EQ((*buttons)[0].name, name);
  }
  auto buttons = ParseCoordButtons(latin1, kDefault);
  ASSERT_TRUE(buttons);
  ASSERT_EQ(buttons->size(), 1u);
  EXPECT_EQ((*buttons)[0].name, L"\u00c4");
}

}  // namespace
