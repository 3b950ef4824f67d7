#include <gtest/gtest.h>

#include <algorithm>

#include "RenderTestSupport.h"
#include "platform/text.h"
#include "toolkit/render/Canvas.h"
#include "toolkit/render/FontRegistry.h"
#include "toolkit/render/TextDecode.h"

namespace {

using namespace kb::render;
using kbtest::InkBox;
using kbtest::InkCount;

const Pixel kWhite = Premultiply(Color::Rgb(255, 255, 255));
const Color kInk = Color::Rgb(0, 0, 0);

std::shared_ptr<const Font> Latin(int size = 16, bool underline = false) {
  FontSpec spec{L"DejaVu Sans", size};
  spec.underline = underline;
  return FontRegistry::Instance().GetFont(spec);
}

Bitmap Render(const Font& font, std::wstring_view text, Size size, const Rect& box, unsigned format) {
  Bitmap bitmap(size.cx, size.cy);
  Canvas canvas(bitmap);
  canvas.Clear(Color::Rgb(255, 255, 255));
  canvas.DrawString(font, text, box, kInk, format);
  return bitmap;
}

std::string Utf8(const std::u32string& text) {
  std::wstring wide;
  for (char32_t c : text) {
    if (sizeof(wchar_t) == 2 && c >= 0x10000) {
      wide.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
      wide.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      wide.push_back(static_cast<wchar_t>(c));
    }
  }
  return kb::WideToUtf8(wide);
}

TEST(TextLayoutTest, WideStringsDecodeToCodePoints) {
  struct Case {
    std::vector<uint32_t> units;  // wchar_t values as the platform holds them
    std::u32string expected;
    bool onlyUtf16;
  };
  const Case cases[] = {
      {{'a', 0x4E2D}, U"a\u4E2D", false}, {{0xD83D, 0xDE00}, U"\U0001F600", true},  // surrogate pair
      {{0xD83D, 'x'}, U"\uFFFDx", false},                                           // lone high surrogate
      {{0xDE00}, U"\uFFFD", false},                                                 // lone low surrogate
      {{'a', 0xD83D}, U"a\uFFFD", false},                                           // high surrogate at the end
  };
  for (const Case& c : cases) {
    if (c.onlyUtf16 && sizeof(wchar_t) != 2) continue;
    std::wstring text;
    for (uint32_t unit : c.units) text.push_back(static_cast<wchar_t>(unit));
    EXPECT_EQ(DecodeWide(text), c.expected) << Utf8(c.expected);
  }
  if constexpr (sizeof(wchar_t) == 4) {
    std::wstring astral(1, static_cast<wchar_t>(0x1F600));
    EXPECT_EQ(DecodeWide(astral), U"\U0001F600");
  }
}

TEST(TextLayoutTest, ExtentOfALine) {
  auto font = Latin();
  Size hello = MeasureText(*font, L"Hello");
  Size world = MeasureText(*font, L" world");
  Size both = MeasureText(*font, L"Hello world");
  EXPECT_GT(hello.cx, 5 * 5);
  EXPECT_LT(hello.cx, 5 * 16);
  EXPECT_EQ(hello.cy, font->LineHeight());
  EXPECT_NEAR(both.cx, hello.cx + world.cx, 1);
  EXPECT_EQ(MeasureText(*font, L""), (Size{0, font->LineHeight()}));
  // A tab is a space; other control characters take no room.
  EXPECT_EQ(MeasureText(*font, L"a\tb"), MeasureText(*font, L"a b"));
  EXPECT_EQ(MeasureText(*font,
                        L"a\x01\x7F"
                        L"b"),
            MeasureText(*font, L"ab"));
  // Bigger size, wider text.
  EXPECT_GT(MeasureText(*Latin(24), L"Hello").cx, hello.cx);
}

TEST(TextLayoutTest, GlyphPixelsLandInsideTheMeasuredBox) {
  auto font = Latin();
  const std::wstring text = L"Hello, Wg!";
  Size extent = MeasureText(*font, text);
  Bitmap bitmap = Render(*font, text, Size{200, 60}, Rect{20, 10, 200, 60}, kTextSingleLine);
  Rect ink = InkBox(bitmap, kWhite);
  ASSERT_FALSE(ink.IsEmpty());
  EXPECT_GE(ink.left, 20);
  EXPECT_LE(ink.left, 22);
  EXPECT_GE(ink.top, 10);
  EXPECT_LE(ink.right, 20 + extent.cx + 1);
  EXPECT_GE(ink.right, 20 + extent.cx - 3);
  EXPECT_LE(ink.bottom, 10 + extent.cy);
  // 'g' reaches below the baseline, 'H' up to the cap height.
  EXPECT_GT(ink.bottom, 10 + font->Ascent());
  EXPECT_LT(ink.top, 10 + font->Ascent() / 2);
}

TEST(TextLayoutTest, AlignmentPlacesTheInk) {
  auto font = Latin();
  const Rect box{10, 10, 190, 90};
  Size extent = MeasureText(*font, L"Align");
  struct Case {
    unsigned format;
    int expectedLeft;  // of the layout box of the line
    int expectedTop;
  };
  const int centreLeft = 10 + (180 - extent.cx) / 2;
  const int rightLeft = 190 - extent.cx;
  const int middleTop = 10 + (80 - extent.cy) / 2;
  const int bottomTop = 90 - extent.cy;
  const Case cases[] = {
      {kTextLeft | kTextTop, 10, 10},
      {kTextCenter | kTextTop, centreLeft, 10},
      {kTextRight | kTextTop, rightLeft, 10},
      {kTextLeft | kTextVCenter, 10, middleTop},
      {kTextCenter | kTextVCenter, centreLeft, middleTop},
      {kTextRight | kTextBottom, rightLeft, bottomTop},
  };
  Rect reference = InkBox(Render(*font, L"Align", Size{200, 100}, box, kTextSingleLine), kWhite);
  for (const Case& c : cases) {
    Rect ink = InkBox(Render(*font, L"Align", Size{200, 100}, box, c.format | kTextSingleLine), kWhite);
    EXPECT_EQ(ink.left - reference.left, c.expectedLeft - 10) << "format " << c.format;
    EXPECT_EQ(ink.top - reference.top, c.expectedTop - 10) << "format " << c.format;
  }
}

TEST(TextLayoutTest, TextIsClippedToItsBoxUnlessAskedNotTo) {
  auto font = Latin(20);
  const Rect box{10, 10, 40, 20};
  Bitmap clipped = Render(*font, L"Overflowing", Size{200, 60}, box, kTextSingleLine);
  Rect ink = InkBox(clipped, kWhite);
  EXPECT_FALSE(ink.IsEmpty());
  EXPECT_EQ(ink.Intersect(box), ink);
  Bitmap free = Render(*font, L"Overflowing", Size{200, 60}, box, kTextSingleLine | kTextNoClip);
  EXPECT_GT(InkBox(free, kWhite).right, 40);
}

TEST(TextLayoutTest, ChineseRendersInALatinFace) {
  auto font = Latin(16);
  Bitmap bitmap = Render(*font, L"键盘灯光", Size{100, 30}, Rect{0, 0, 100, 30}, kTextSingleLine | kTextVCenter);
  Rect ink = InkBox(bitmap, kWhite);
  EXPECT_GT(InkCount(bitmap, kWhite), 100);
  EXPECT_GE(ink.Width(), 4 * 16 - 6);
  // Four characters of about one em each.
  EXPECT_NEAR(MeasureText(*font, L"键盘灯光").cx, 64, 2);
  // Each character is its own shape, not four missing-glyph boxes.
  Bitmap one = Render(*font, L"键", Size{30, 30}, Rect{0, 0, 30, 30}, kTextSingleLine);
  Bitmap other = Render(*font, L"光", Size{30, 30}, Rect{0, 0, 30, 30}, kTextSingleLine);
  EXPECT_FALSE(std::equal(one.Pixels(), one.Pixels() + 900, other.Pixels()));
}

TEST(TextLayoutTest, EndEllipsisShortensOverlongLines) {
  auto font = Latin();
  const std::wstring longLine = L"This sentence is much too long for the box";
  const int full = MeasureText(*font, longLine).cx;
  struct Case {
    const char* name;
    std::wstring text;
    int width;
    bool truncated;
  };
  const Case cases[] = {
      {"fits", L"Short", 200, false},
      {"exactly fits", longLine, full, false},
      {"one pixel short", longLine, full - 1, true},
      {"half", longLine, full / 2, true},
      {"Chinese", L"恢复出厂设置并重新启动键盘", 80, true},
      {"narrower than the ellipsis", longLine, 3, true},
  };
  for (const Case& c : cases) {
    TextLayout layout(*font, c.text, Size{c.width, 20}, kTextSingleLine | kTextEndEllipsis);
    ASSERT_EQ(layout.Lines().size(), 1u) << c.name;
    const TextLine& line = layout.Lines()[0];
    EXPECT_EQ(layout.Truncated(), c.truncated) << c.name;
    if (!c.truncated) {
      EXPECT_EQ(line.text, DecodeWide(c.text)) << c.name;
      continue;
    }
    EXPECT_EQ(line.text.back(), U'\u2026') << c.name;
    EXPECT_LT(line.text.size(), DecodeWide(c.text).size()) << c.name;
    if (c.width >= font->MeasureWidth(U"\u2026")) {
      EXPECT_LE(line.width, c.width) << c.name;
    }
    // What is kept is the start of the text, without trailing spaces.
    std::u32string kept = line.text.substr(0, line.text.size() - 1);
    EXPECT_EQ(DecodeWide(c.text).rfind(kept, 0), 0u) << c.name;
    if (!kept.empty()) {
      EXPECT_NE(kept.back(), U' ') << c.name;
    }
  }
  // Without the flag an overlong line is kept whole (and clipped when drawn).
  TextLayout plain(*font, longLine, Size{50, 20}, kTextSingleLine);
  EXPECT_FALSE(plain.Truncated());
  EXPECT_EQ(plain.Lines()[0].width, full);
}

TEST(TextLayoutTest, LineBreaksAndWordWrap) {
  auto font = Latin();
  struct Case {
    const char* name;
    std::wstring text;
    unsigned format;
    int width;
    std::vector<std::u32string> lines;
  };
  const int word = std::max(font->MeasureWidth(U"alpha beta"), font->MeasureWidth(U"gamma delta"));
  const Case cases[] = {
      {"explicit breaks", L"a\nb\r\nc\rd", kTextLeft, 0, {U"a", U"b", U"c", U"d"}},
      {"single line ignores breaks", L"a\nb", kTextSingleLine, 0, {U"a b"}},
      {"empty lines kept", L"a\n\nb", kTextLeft, 0, {U"a", U"", U"b"}},
      {"wrap at spaces", L"alpha beta gamma delta", kTextWordBreak, word, {U"alpha beta", U"gamma delta"}},
      {"wide box does not wrap", L"alpha beta", kTextWordBreak, 1000, {U"alpha beta"}},
      {"overlong word broken",
       L"xxxxxxxxxxxx",
       kTextWordBreak,
       font->MeasureWidth(U"xxxxx"),
       {U"xxxxx", U"xxxxx", U"xx"}},
      {"Chinese wraps between characters",
       L"键盘灯光效果",
       kTextWordBreak,
       font->MeasureWidth(U"键盘灯") + 1,
       {U"键盘灯", U"光效果"}},
      {"closing punctuation stays on its line",
       L"键盘灯，光效",
       kTextWordBreak,
       font->MeasureWidth(U"键盘灯") + 1,
       {U"键盘", U"灯，光", U"效"}},
  };
  for (const Case& c : cases) {
    TextLayout layout(*font, c.text, Size{c.width, 0}, c.format);
    std::vector<std::u32string> lines;
    for (const TextLine& line : layout.Lines()) {
      lines.push_back(line.text);
      if (line.text.size() > 1 && c.width > 0) {
        EXPECT_LE(line.width, c.width) << c.name;
      }
    }
    EXPECT_EQ(lines, c.lines) << c.name;
    EXPECT_EQ(layout.Extent().cy, static_cast<int>(c.lines.size()) * font->LineHeight()) << c.name;
  }
}

TEST(TextLayoutTest, WrappedTextTooTallForItsBoxEndsWithAnEllipsis) {
  auto font = Latin();
  const int lineHeight = font->LineHeight();
  const std::wstring text = L"one two three four five six seven eight nine ten";
  const Size box{font->MeasureWidth(U"three four"), lineHeight * 2 + lineHeight / 2};
  TextLayout layout(*font, text, box, kTextWordBreak | kTextEndEllipsis);
  ASSERT_EQ(layout.Lines().size(), 2u);
  EXPECT_TRUE(layout.Truncated());
  EXPECT_EQ(layout.Lines()[1].text.back(), U'\u2026');
  EXPECT_LE(layout.Lines()[1].width, box.cx);
}

TEST(TextLayoutTest, UnderlineRunsUnderTheWholeLine) {
  auto plain = Latin(20);
  auto underlined = Latin(20, true);
  const Rect box{5, 5, 195, 45};
  Bitmap without = Render(*plain, L"a b", Size{200, 50}, box, kTextSingleLine);
  Bitmap with = Render(*underlined, L"a b", Size{200, 50}, box, kTextSingleLine);
  const int width = MeasureText(*plain, L"a b").cx;
  const int row = 5 + plain->Ascent() + underlined->UnderlineOffset();
  EXPECT_TRUE(kbtest::AllPixelsAre(with, Rect{5, row, 5 + width, row + 1}, Premultiply(kInk)));
  EXPECT_EQ(InkCount(with, kWhite) - InkCount(without, kWhite),
            width * underlined->LineThickness() -
                kbtest::InkCountIn(without, kWhite, Rect{5, row, 5 + width, row + underlined->LineThickness()}));
}

TEST(TextLayoutTest, DrawingIsDeterministic) {
  auto font = Latin(13);
  const std::wstring text = L"Repeatable 像素 pixels";
  Bitmap first = Render(*font, text, Size{160, 20}, Rect{0, 0, 160, 20}, kTextSingleLine);
  Bitmap second = Render(*font, text, Size{160, 20}, Rect{0, 0, 160, 20}, kTextSingleLine);
  EXPECT_TRUE(std::equal(first.Pixels(), first.Pixels() + 160 * 20, second.Pixels()));
}

}  // namespace
