// Skins and controls drawn into small bitmaps, checked pixel by pixel.
#include "ToolkitTestSupport.h"
#include "toolkit/controls/SCheckBox.h"
#include "toolkit/render/Canvas.h"
#include "toolkit/skin/ISkinObj.h"

namespace kbtest {
namespace {

using kb::render::Bitmap;
using kb::render::Canvas;

class SkinRenderTest : public ToolkitTest {
 protected:
  Bitmap Draw(const wchar_t* skinName, int state, Size size = Size{20, 20}, Rect dest = Rect{}) {
    Bitmap bitmap(size.cx, size.cy);
    Canvas canvas(bitmap);
    canvas.Clear(Color::Rgb(1, 2, 3));
    ISkinObj* skin = app_->GetSkin(skinName);
    EXPECT_NE(skin, nullptr) << kb::WideToUtf8(skinName);
    if (dest.IsEmpty()) dest = bitmap.Bounds();
    if (skin) skin->Draw(canvas, dest, state);
    return bitmap;
  }
};

// Pixels whose colour differs from `background` inside `area`.
int CountChanged(const Bitmap& b, const Rect& area, Color background) {
  int n = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (b.ColorAt(x, y) != background) ++n;
  return n;
}

TEST_F(SkinRenderTest, ColorSkinStatesFallBack) {
  struct Case {
    int state;
    Color expected;
  };
  const Case cases[] = {{0, Color::Rgb(0xff, 0xff, 0xff)}, {1, Color::Rgb(0xe0, 0xe0, 0xff)},
                        {2, Color::Rgb(0xc0, 0xc0, 0xff)}, {3, Color::Rgb(0xee, 0xee, 0xee)},
                        {5, Color::Rgb(0xe0, 0xe0, 0xff)}, {7, Color::Rgb(0xee, 0xee, 0xee)},
                        {42, Color::Rgb(0xff, 0xff, 0xff)}};
  for (const Case& c : cases) EXPECT_EQ(Draw(L"row", c.state).ColorAt(10, 10), c.expected) << c.state;
  Bitmap framed = Draw(L"framed", 0);
  EXPECT_EQ(framed.ColorAt(0, 5), Color::Rgb(255, 0, 0));
  EXPECT_EQ(framed.ColorAt(19, 19), Color::Rgb(255, 0, 0));
  EXPECT_EQ(framed.ColorAt(1, 1), Color::Rgb(255, 255, 255));
}

TEST_F(SkinRenderTest, ImageListDrawsTheFrameOfTheState) {
  for (int state = 0; state < 4; ++state) EXPECT_EQ(Draw(L"states4", state).ColorAt(10, 10), kStateColors[state]);
  EXPECT_EQ(Draw(L"states4", 9).ColorAt(10, 10), kStateColors[0]) << "a state past the last shows frame 0";
  EXPECT_EQ(app_->GetSkin(L"states4")->GetSkinSize(), (Size{10, 10}));
  // Only the destination is touched.
  Bitmap partial = Draw(L"states4", 1, Size{20, 20}, Rect{5, 5, 15, 15});
  EXPECT_EQ(partial.ColorAt(4, 4), Color::Rgb(1, 2, 3));
  EXPECT_EQ(partial.ColorAt(15, 15), Color::Rgb(1, 2, 3));
  EXPECT_EQ(partial.ColorAt(5, 5), kStateColors[1]);
}

TEST_F(SkinRenderTest, NinePatchKeepsItsBorders) {
  Bitmap b = Draw(L"panel9", 0, Size{30, 20});
  const Color black = Color::Rgb(0, 0, 0);
  const Color white = Color::Rgb(255, 255, 255);
  for (Point p : {Point{0, 0}, Point{1, 10}, Point{29, 19}, Point{28, 0}, Point{15, 18}}) EXPECT_EQ(b.ColorAt(p.x, p.y), black);
  for (Point p : {Point{2, 2}, Point{15, 10}, Point{27, 17}}) EXPECT_EQ(b.ColorAt(p.x, p.y), white);
}

TEST_F(SkinRenderTest, DrawnSkinsStayInsideAndShowTheirStates) {
  const Color bg = Color::Rgb(1, 2, 3);
  Rect dest{4, 4, 22, 22};
  Bitmap unchecked = Draw(L"_sys.checkbox", 0, Size{26, 26}, dest);
  Bitmap checked = Draw(L"_sys.checkbox", 4, Size{26, 26}, dest);
  Bitmap outside = unchecked;
  EXPECT_EQ(CountChanged(unchecked, Rect{0, 0, 26, 4}, bg), 0);
  EXPECT_EQ(CountChanged(unchecked, Rect{0, 22, 26, 26}, bg), 0);
  int dark = 0;
  for (int y = 8; y < 18; ++y)
    for (int x = 8; x < 18; ++x)
      if (checked.ColorAt(x, y).r < 100 && unchecked.ColorAt(x, y).r > 200) ++dark;
  EXPECT_GT(dark, 6) << "the tick shows in the checked state";
  for (const wchar_t* name : {L"_sys.button", L"_sys.radio", L"_sys.edit", L"_sys.slider.thumb", L"_sys.msgicon",
                              L"_sys.wnd.close", L"_sys.dropbtn", L"_sys.menu.arrow"}) {
    for (int state = 0; state < 4; ++state) {
      Bitmap b = Draw(name, state, Size{40, 40}, Rect{5, 5, 35, 35});
      EXPECT_EQ(CountChanged(b, Rect{0, 0, 40, 5}, bg) + CountChanged(b, Rect{0, 35, 40, 40}, bg) +
                    CountChanged(b, Rect{0, 5, 5, 35}, bg) + CountChanged(b, Rect{35, 5, 40, 35}, bg),
                0)
          << kb::WideToUtf8(name) << " state " << state;
    }
  }
  // Each message-box icon looks different.
  Bitmap icons[4];
  for (int i = 0; i < 4; ++i) icons[i] = Draw(L"_sys.msgicon", i, Size{32, 32});
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j) {
      int diff = 0;
      for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) diff += icons[i].ColorAt(x, y) != icons[j].ColorAt(x, y);
      EXPECT_GT(diff, 20) << i << " vs " << j;
    }
}

class ControlRenderTest : public ToolkitTest {};

Rect Inner(const SWindow* w) { return w->GetWindowRect(); }

TEST_F(ControlRenderTest, ChineseTextIsDrawnAfterTheLanguageChanges) {
  auto host = LoadHost(L"layout:all_controls");
  SWindow* title = host->FindChildByName(L"title");
  Bitmap english;
  ASSERT_TRUE(host->RenderTo(english));
  ASSERT_TRUE(InstallLanguage(L"translator:lang_cn"));
  Deliver(*host, SHostWnd::kMsgLanguageChanged);
  Bitmap chinese;
  ASSERT_TRUE(host->RenderTo(chinese));
  Rect area = Inner(title);
  int inked = 0;
  int changed = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      Color c = chinese.ColorAt(x, y);
      if (c.r < 0x60 && c.b > 0x80) ++inked;  // the title's accent colour
      if (c != english.ColorAt(x, y)) ++changed;
    }
  EXPECT_GT(inked, 30) << "你好 drawn in the title colour";
  EXPECT_GT(changed, 30);
}

TEST_F(ControlRenderTest, CheckedStateAndDisabledTextShow) {
  auto host = LoadHost(L"layout:all_controls");
  auto* check = host->FindChildByName<SCheckBox>(L"chk_one");
  Bitmap before;
  ASSERT_TRUE(host->RenderTo(before));
  check->SetCheck(false);
  Bitmap after;
  ASSERT_TRUE(host->RenderTo(after));
  Rect box = Inner(check);
  box.right = box.left + 20;
  int diff = 0;
  for (int y = box.top; y < box.bottom; ++y)
    for (int x = box.left; x < box.right; ++x) diff += before.ColorAt(x, y) != after.ColorAt(x, y);
  EXPECT_GT(diff, 10);
  // The disabled button's text is grey, the enabled one's dark.
  auto darkest = [&](const SWindow* w) {
    int best = 255;
    Rect r = w->GetWindowRect().Deflate(4, 4, 4, 4);
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) best = std::min<int>(best, after.ColorAt(x, y).g);
    return best;
  };
  EXPECT_LT(darkest(host->FindChildByName(L"btn_first")), 0x50);
  EXPECT_GT(darkest(host->FindChildByName(L"btn_second")), 0x70);
}

TEST_F(ControlRenderTest, FocusRectangleOnlyAfterKeyboardUse) {
  auto host = LoadHost(L"layout:all_controls");
  SWindow* button = host->FindChildByName(L"btn_first");
  Deliver(*host, WM_SETFOCUS);
  button->SetFocus();
  Bitmap quiet;
  ASSERT_TRUE(host->RenderTo(quiet));
  host->SetShowFocusCues(true);
  Bitmap cued;
  ASSERT_TRUE(host->RenderTo(cued));
  Rect r = button->GetWindowRect();
  int diff = 0;
  for (int x = r.left; x < r.right; ++x) diff += quiet.ColorAt(x, r.top + 2) != cued.ColorAt(x, r.top + 2);
  EXPECT_GT(diff, 10);
}

}  // namespace
}  // namespace kbtest
