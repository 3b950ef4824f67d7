// Event sets, skin loading, styles per state, text encoding, shapes and
// the tooltip's size.
#include <algorithm>

#include "ToolkitTestSupport.h"
#include "toolkit/controls/SButton.h"
#include "toolkit/controls/SImageWnd.h"
#include "toolkit/core/TextCodec.h"
#include "toolkit/render/PngEncoder.h"
#include "toolkit/render/TextDecode.h"
#include "toolkit/skin/SSkinPool.h"
#include "toolkit/skin/ShapePainter.h"
#include "toolkit/window/STipWnd.h"

namespace kbtest {
namespace {

using kb::render::Bitmap;
using kb::render::Canvas;

TEST(EventSetTest, SubscribersInOrderUntilOneConsumes) {
  SEventSet events;
  events.AddEvent<EventCmd>();
  std::vector<int> calls;
  EXPECT_EQ(events.SubscribeEvent(EventSliderPos::EventID, [](EventArgs*) { return false; }), 0)
      << "an event the set does not raise";
  int first = events.SubscribeEvent(EventCmd::EventID, [&](EventArgs*) { return calls.push_back(1), false; });
  int second = events.SubscribeEvent(EventCmd::EventID, [&](EventArgs*) { return calls.push_back(2), true; });
  events.SubscribeEvent(EventCmd::EventID, [&](EventArgs*) { return calls.push_back(3), false; });
  EventCmd e(nullptr);
  events.FireEvent(e);
  EXPECT_EQ(calls, (std::vector<int>{1, 2}));
  EXPECT_TRUE(e.handled);
  EXPECT_TRUE(events.UnsubscribeEvent(EventCmd::EventID, second));
  EXPECT_FALSE(events.UnsubscribeEvent(EventCmd::EventID, second));
  calls.clear();
  EventCmd again(nullptr);
  events.FireEvent(again);
  EXPECT_EQ(calls, (std::vector<int>{1, 3}));
  events.SetMuted(true);
  events.FireEvent(again);
  EXPECT_EQ(calls.size(), 2u);
  EXPECT_EQ(events.IdOfScriptName(L"on_command"), EventCmd::EventID);
  EXPECT_EQ(events.IdOfScriptName(L"on_nothing"), 0);
  EXPECT_NE(first, 0);
}

TEST(EventSetTest, AHandlerMayUnsubscribeItselfWhileCalled) {
  SEventSet events;
  events.AddEvent<EventCmd>();
  int calls = 0;
  int cookie = 0;
  cookie = events.SubscribeEvent(EventCmd::EventID, [&](EventArgs*) {
    ++calls;
    events.UnsubscribeEvent(EventCmd::EventID, cookie);
    return false;
  });
  EventCmd e(nullptr);
  events.FireEvent(e);
  events.FireEvent(e);
  EXPECT_EQ(calls, 1);
}

class CoreObjectsTest : public ToolkitTest {};

TEST_F(CoreObjectsTest, SkinTablesSkipWhatCannotBeMade) {
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(
      "<skin>"
      "<color name=\"ok\" normal=\"#010101\"/>"
      "<color name=\"badcolor\" normal=\"purple-ish\"/>"
      "<gradient name=\"unknown_type\"/>"
      "<color normal=\"#000\"/>"
      "<shape name=\"badkind\" kind=\"hexagon\"/>"
      "<shape name=\"r\" kind=\"radio\" size=\"12,12\"/>"
      "<imglist name=\"noimage\" src=\"img:absent\"/>"
      "<imgframe name=\"f\" src=\"img:panel9\" left=\"2\" top=\"2\" right=\"2\" bottom=\"-1\"/>"
      "<color name=\"ok\" normal=\"#020202\"/>"
      "</skin>"));
  SSkinPool pool;
  EXPECT_EQ(pool.LoadSkins(doc.child("skin")), 3);
  EXPECT_NE(pool.GetSkin(L"r"), nullptr);
  EXPECT_EQ(pool.GetSkin(L"r")->GetStates(), 8);
  EXPECT_EQ(pool.GetSkin(L"f"), nullptr) << "a negative margin is refused";
  EXPECT_EQ(pool.GetSkin(L"badkind"), nullptr);
  Bitmap b(4, 4);
  Canvas canvas(b);
  pool.GetSkin(L"ok")->Draw(canvas, b.Bounds(), 0);
  EXPECT_EQ(b.ColorAt(1, 1), Color::Rgb(2, 2, 2)) << "a later skin of the same name replaces the earlier";
  EXPECT_TRUE(pool.RemoveSkin(L"ok"));
  EXPECT_EQ(pool.Count(), 1u);
}

// Image skins decode their picture when first drawn or measured, not when
// the package's skins load: what the resource holds at that moment is what
// shows, and a resource that is no picture draws nothing.
TEST_F(CoreObjectsTest, ImageSkinsDecodeWhenFirstUsed) {
  auto solid = [](Color color) {
    Bitmap image(3, 2);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) image.Set(x, y, kb::render::Premultiply(color));
    return kb::render::EncodePng(image);
  };
  memory_->Add(L"img", L"later", solid(Color::Rgb(255, 0, 0)));
  memory_->Add(L"img", L"notapicture", {'n', 'o', 'p', 'e'});
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(
      "<skin><imglist name=\"later\" src=\"img:later\"/><imglist name=\"junk\" src=\"img:notapicture\"/></skin>"));
  SSkinPool pool;
  EXPECT_EQ(pool.LoadSkins(doc.child("skin")), 2) << "both exist; neither is decoded yet";
  memory_->Add(L"img", L"later", solid(Color::Rgb(0, 0, 255)));

  Bitmap b(6, 4);
  Canvas canvas(b);
  pool.GetSkin(L"later")->Draw(canvas, b.Bounds(), 0);
  EXPECT_EQ(b.ColorAt(2, 2), Color::Rgb(0, 0, 255));
  EXPECT_EQ(pool.GetSkin(L"later")->GetSkinSize(), (kb::ui::Size{3, 2}));
  EXPECT_EQ(pool.GetSkin(L"junk")->GetSkinSize(), (kb::ui::Size{}));
  Bitmap untouched(6, 4);
  Canvas blank(untouched);
  pool.GetSkin(L"junk")->Draw(blank, untouched.Bounds(), 0);
  EXPECT_EQ(untouched.ColorAt(2, 2), Bitmap(6, 4).ColorAt(2, 2));
}

TEST_F(CoreObjectsTest, StylesGiveEachStateItsFontAndColour) {
  SwndStyle style;
  ASSERT_TRUE(style.SetAttribute(L"font", L"size:12"));
  ASSERT_TRUE(style.SetAttribute(L"fontHover", L"bold:1"));
  ASSERT_TRUE(style.SetAttribute(L"colorText", L"#112233"));
  ASSERT_TRUE(style.SetAttribute(L"colorTextPush", L"@color/accent"));
  EXPECT_FALSE(style.SetAttribute(L"colorTextHover", L"#12"));
  EXPECT_FALSE(style.SetAttribute(L"align", L"middle"));
  EXPECT_FALSE(style.SetAttribute(L"unknown", L"1"));
  EXPECT_EQ(style.GetFontSpec(kVisualNormal).pixelSize, 12);
  EXPECT_TRUE(style.GetFontSpec(kVisualHover).bold);
  EXPECT_EQ(style.GetFontSpec(kVisualHover).pixelSize, 12) << "a state's font starts from the normal one";
  EXPECT_FALSE(style.GetFontSpec(kVisualPushed).bold);
  EXPECT_EQ(style.GetTextColor(kVisualNormal), Color::Rgb(0x11, 0x22, 0x33));
  EXPECT_EQ(style.GetTextColor(kVisualHover), Color::Rgb(0x11, 0x22, 0x33));
  EXPECT_EQ(style.GetTextColor(kVisualPushed), Color::Rgb(0x20, 0x60, 0xc0));
  EXPECT_NE(style.GetTextColor(kVisualDisabled), Color::Rgb(0x11, 0x22, 0x33)) << "disabled text is greyed";
  ASSERT_TRUE(style.SetAttribute(L"multiLines", L"1"));
  ASSERT_TRUE(style.SetAttribute(L"align", L"right"));
  EXPECT_EQ(style.GetTextFormat() & (kb::render::kTextWordBreak | kb::render::kTextRight),
            kb::render::kTextWordBreak | kb::render::kTextRight);
}

TEST_F(CoreObjectsTest, ObjectDefaultsFollowTheClassChain) {
  auto overlay = std::make_shared<SResProviderMemory>();
  overlay->AddText(L"layout", L"chain",
                   "<host size=\"200,100\"><root>"
                   "<button name=\"b\" pos=\"0,0,@50,@20\"/><imgbtn name=\"i\" pos=\"0,30,@50,@20\"/>"
                   "<imgbtn name=\"own\" pos=\"0,60,@50,@20\" colorText=\"#00ff00\"/>"
                   "</root></host>");
  app_->AddResProvider(overlay, L"");
  app_->ObjectDefaults().Add(L"button", {{L"colorText", L"#ff0000"}});
  app_->ObjectDefaults().Add(L"imgbtn", {{L"padding", L"3"}});
  auto host = LoadHost(L"layout:chain");
  auto* plain = host->FindChildByName<SButton>(L"b");
  auto* image = host->FindChildByName<SImageButton>(L"i");
  auto* own = host->FindChildByName<SImageButton>(L"own");
  ASSERT_TRUE(plain && image && own);
  EXPECT_EQ(plain->GetStyle().GetTextColor(0), Color::Rgb(255, 0, 0));
  EXPECT_EQ(image->GetStyle().GetTextColor(0), Color::Rgb(255, 0, 0)) << "an image button is a button";
  EXPECT_EQ(image->GetStyle().GetPadding(), (Margins{3, 3, 3, 3}));
  EXPECT_EQ(plain->GetStyle().GetPadding().left, 10) << "the imgbtn defaults do not reach plain buttons";
  EXPECT_EQ(own->GetStyle().GetTextColor(0), Color::Rgb(0, 255, 0)) << "the layout's own attributes win";
}

TEST(TextCodecTest, RoundTripsThroughWideStrings) {
  const std::u32string samples[] = {U"", U"abc", U"键盘", U"\U0001F600x\U00010000", U"\u00e9\uFFFD"};
  for (const std::u32string& s : samples) EXPECT_EQ(kb::render::DecodeWide(EncodeWide(s)), s);
  // Values that are no characters become the replacement character.
  EXPECT_EQ(kb::render::DecodeWide(EncodeWide(U"\xD800|\x110000")), U"\uFFFD|\uFFFD");
  if constexpr (sizeof(wchar_t) == 2) EXPECT_EQ(EncodeWide(U"\U0001F600").size(), 2u);
  else EXPECT_EQ(EncodeWide(U"\U0001F600").size(), 1u);
}

TEST(ShapePainterTest, CoverageStaysInsideAndEdgesAreSoft) {
  Bitmap b(20, 20);
  Canvas canvas(b);
  ShapePainter painter(canvas);
  painter.FillEllipse(Rect{2, 2, 18, 18}, Color::Rgb(0, 0, 0));
  EXPECT_EQ(kb::render::PixelAlpha(b.At(10, 10)), 255);
  EXPECT_EQ(kb::render::PixelAlpha(b.At(0, 0)), 0);
  EXPECT_EQ(kb::render::PixelAlpha(b.At(19, 10)), 0);
  int partial = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      uint8_t a = kb::render::PixelAlpha(b.At(x, y));
      if (a > 0 && a < 255) ++partial;
    }
  EXPECT_GT(partial, 8) << "the rim is anti-aliased";
  // The clip is respected.
  Bitmap clipped(20, 20);
  Canvas clippedCanvas(clipped);
  clippedCanvas.PushClip(Rect{0, 0, 10, 20});
  ShapePainter(clippedCanvas).FillRoundRect(clipped.Bounds(), 4, Color::Rgb(0, 0, 0));
  EXPECT_EQ(kb::render::PixelAlpha(clipped.At(15, 10)), 0);
  EXPECT_EQ(kb::render::PixelAlpha(clipped.At(5, 10)), 255);
}

// Pixels decided from their corners (inside a filled shape, inside a
// stroke's hole) must come out exactly as when every pixel is sampled 4 x 4:
// the shapes by their definitions, over a background, in a translucent colour.
TEST(ShapePainterTest, CornerShortcutsGiveTheSampledPixels) {
  auto inRound = [](float x, float y, float l, float t, float r, float b, float radius) {
    if (x < l || x >= r || y < t || y >= b) return false;
    float dx = x - std::clamp(x, l + radius, r - radius);
    float dy = y - std::clamp(y, t + radius, b - radius);
    return dx * dx + dy * dy <= radius * radius;
  };
  auto inEllipse = [](float x, float y, float l, float t, float r, float b) {
    float rx = (r - l) / 2, ry = (b - t) / 2;
    if (rx <= 0 || ry <= 0) return false;
    float dx = (x - (l + rx)) / rx, dy = (y - (t + ry)) / ry;
    return dx * dx + dy * dy <= 1.0f;
  };
  struct Case {
    const char* what;
    Rect rect;
    float radius;  // round rectangles
    float width;   // strokes; 0 fills
    bool ellipse;
  };
  const Case cases[] = {
      {"panel", {3, 2, 61, 37}, 8, 0, false},          {"panel border", {3, 2, 61, 37}, 8, 1, false},
      {"thumb", {10, 4, 22, 24}, 4, 0, false},         {"thick border", {1, 1, 40, 30}, 6, 3.5f, false},
      {"no radius", {5, 5, 25, 15}, 0, 0, false},      {"pill", {2, 10, 60, 14}, 2, 0, false},
      {"radius over half", {4, 4, 20, 12}, 30, 1.5f, false}, {"disc", {2, 3, 45, 30}, 0, 0, true},
      {"ring", {2, 3, 45, 30}, 0, 2, true},            {"thin ring", {10, 10, 24, 24}, 0, 1, true},
  };
  const Color color = Color::Rgba(0x1e, 0xc8, 0xe6, 0xb0);
  for (const Case& c : cases) {
    Bitmap drawn(64, 40);
    drawn.Fill(kb::render::Premultiply(Color::Rgb(0x1c, 0x1f, 0x26)));
    Bitmap expected = drawn;
    Canvas canvas(drawn);
    ShapePainter painter(canvas);
    if (c.ellipse && c.width > 0) painter.StrokeEllipse(c.rect, c.width, color);
    else if (c.ellipse) painter.FillEllipse(c.rect, color);
    else if (c.width > 0) painter.StrokeRoundRect(c.rect, c.radius, c.width, color);
    else painter.FillRoundRect(c.rect, c.radius, color);

    float l = c.rect.left, t = c.rect.top, r = c.rect.right, b = c.rect.bottom, w = c.width;
    float radius = std::min({c.radius, (r - l) / 2, (b - t) / 2});
    auto covered = [&](float x, float y) {
      if (c.ellipse) return inEllipse(x, y, l, t, r, b) && !(w > 0 && inEllipse(x, y, l + w, t + w, r - w, b - w));
      return inRound(x, y, l, t, r, b, radius) &&
             !(w > 0 && inRound(x, y, l + w, t + w, r - w, b - w, std::max(0.0f, radius - w)));
    };
    for (int y = 0; y < expected.Height(); ++y)
      for (int x = 0; x < expected.Width(); ++x) {
        int hits = 0;
        for (int sy = 0; sy < 4; ++sy)
          for (int sx = 0; sx < 4; ++sx) hits += covered(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4);
        if (hits == 0) continue;
        auto cover = static_cast<uint32_t>(hits * 255 / 16);
        expected.Set(x, y, kb::render::BlendOver(expected.At(x, y), kb::render::ScalePixel(kb::render::Premultiply(color), cover)));
      }
    int differing = 0;
    for (int y = 0; y < expected.Height(); ++y)
      for (int x = 0; x < expected.Width(); ++x) differing += drawn.At(x, y) != expected.At(x, y);
    EXPECT_EQ(differing, 0) << c.what;
  }
}

TEST_F(CoreObjectsTest, TooltipSizeFollowsItsText) {
  Size one = STipWnd::Measure(L"short");
  Size longer = STipWnd::Measure(L"a much longer tooltip text than that");
  EXPECT_GT(longer.cx, one.cx);
  std::wstring paragraph;
  for (int i = 0; i < 40; ++i) paragraph += L"word ";
  Size wrapped = STipWnd::Measure(paragraph);
  EXPECT_LE(wrapped.cx, STipWnd::kMaxWidth);
  EXPECT_GT(wrapped.cy, 2 * one.cy) << "long tips wrap instead of running off the screen";
  Bitmap drawn;
  STipWnd::Render(L"键盘", drawn);
  EXPECT_EQ(drawn.GetSize(), STipWnd::Measure(L"键盘"));
}

TEST_F(CoreObjectsTest, PicturesFromImagesOrSkins) {
  auto overlay = std::make_shared<SResProviderMemory>();
  overlay->AddText(L"layout", L"pics",
                   "<host size=\"100,40\"><root>"
                   "<img name=\"a\" pos=\"0,0\" src=\"img:states4\"/>"
                   "<img name=\"b\" pos=\"50,0\" skin=\"states4\" iconIndex=\"3\"/>"
                   "<img name=\"c\" pos=\"80,0\" src=\"img:absent\"/>"
                   "</root></host>");
  app_->AddResProvider(overlay, L"");
  SHostWnd host(L"layout:pics");
  ASSERT_TRUE(host.BuildTree());
  host.LayoutTo(host.GetLayoutSize());
  EXPECT_EQ(host.FindChildByName(L"a")->GetWindowRect(), (Rect{0, 0, 40, 10})) << "the image's own size";
  EXPECT_EQ(host.FindChildByName(L"b")->GetWindowRect(), (Rect{50, 0, 60, 10})) << "one frame of the skin";
  Bitmap shot;
  ASSERT_TRUE(host.RenderTo(shot));
  EXPECT_EQ(shot.ColorAt(55, 5), kStateColors[3]);
  EXPECT_EQ(shot.ColorAt(35, 5), kStateColors[3]) << "the whole image, all frames";
  EXPECT_EQ(shot.ColorAt(5, 5), kStateColors[0]);
}

}  // namespace
}  // namespace kbtest
