// SCheckBoxEx and SRadioBoxEx: no box unless the layout gives one, the box
// skin over the whole control by pushed/hover/checked, the icon at its offset
// with the eight-state index, the text moved past the icon, no focus
// rectangle, and the base's behaviour kept.
#include "UiControlsTestSupport.h"
#include "toolkit/controls/SRadioBox.h"
#include "ui/common/SCheckBoxEx.h"
#include "ui/common/SRadioBoxEx.h"

namespace kbtest {
namespace {

class ToggleBoxExTest : public UiControlsTest {
 protected:
  // The control "t" at 10,10, 40 x 20.
  std::unique_ptr<SHostWnd> Host(const std::string& cls, const std::string& attributes) {
    AddLayout(L"toggle", "<" + cls + " name=\"t\" pos=\"10,10,@40,@20\" " + attributes + "/>");
    return LoadHost(L"toggle");
  }
};

constexpr Point kBoxPixel{45, 26};   // inside the control, away from the icon
constexpr Point kIconPixel{14, 15};  // inside the icon at 12,13 (6 x 6)

enum Setup : unsigned { kNormal = 0, kHover = 1, kPushed = 2, kChecked = 4, kDisabled = 8 };

void Apply(SToggleBox* box, unsigned setup) {
  box->SetCheck((setup & kChecked) != 0);
  box->ModifyState(((setup & kHover) ? kStateHover : 0) | ((setup & kPushed) ? kStatePushed : 0), 0);
  if (setup & kDisabled) box->EnableWindow(false);
}

TEST_F(ToggleBoxExTest, BoxAndIconFramesFollowTheState) {
  struct Case {
    unsigned setup;
    int boxFrame;   // of the 8-state box skin
    int box4Frame;  // of the 4-state box skin
    int iconFrame;  // the eight-state index
  };
  const Case cases[] = {
      {kNormal, 0, 0, 0},          {kHover, 1, 1, 1},   {kPushed, 2, 2, 2},
      {kHover | kPushed, 2, 2, 2}, {kChecked, 7, 3, 4}, {kChecked | kHover, 1, 1, 5},
      {kChecked | kPushed, 2, 2, 6}, {kDisabled, 0, 0, 3}, {kDisabled | kChecked, 7, 3, 7},
  };
  for (const char* cls : {"checkex", "radioex"}) {
    for (const char* box : {"box8", "box4"}) {
      for (const Case& c : cases) {
        auto host = Host(cls, std::string("skin=\"") + box + "\" iconSkin=\"icon8\" iconPos=\"2,3\"");
        auto* t = host->FindChildByName<SToggleBox>(L"t");
        ASSERT_NE(t, nullptr);
        Apply(t, c.setup);
        kb::render::Bitmap b = Render(*host);
        int expectedBox = std::string(box) == "box8" ? c.boxFrame : c.box4Frame;
        EXPECT_EQ(FrameAt(b, kb::Utf8ToWide(box), kBoxPixel), expectedBox) << cls << " " << box << " setup " << c.setup;
        EXPECT_EQ(FrameAt(b, L"icon8", kIconPixel), c.iconFrame) << cls << " " << box << " setup " << c.setup;
        // The box fills the whole control, corners included.
        EXPECT_EQ(FrameAt(b, kb::Utf8ToWide(box), Point{10, 10}), expectedBox);
        EXPECT_EQ(FrameAt(b, kb::Utf8ToWide(box), Point{49, 29}), expectedBox);
      }
    }
  }
}

TEST_F(ToggleBoxExTest, WithoutBoxSkinOnlyIconAndText) {
  for (const char* cls : {"checkex", "radioex"}) {
    auto host = Host(cls, "iconSkin=\"icon8\" iconPos=\"2,3\"");
    auto* t = host->FindChildByName<SToggleBox>(L"t");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetBoxSkin(), nullptr) << "the base's default box is gone";
    Apply(t, kChecked | kHover);
    kb::render::Bitmap b = Render(*host);
    EXPECT_EQ(b.ColorAt(kBoxPixel.x, kBoxPixel.y), kBackground) << cls;
    // Without a box the icon's state index is -1: its first frame shows.
    EXPECT_EQ(FrameAt(b, L"icon8", kIconPixel), 0) << cls;
    EXPECT_EQ(b.ColorAt(11, 12), kBackground) << "the icon sits at its offset, at its own size";
    EXPECT_EQ(b.ColorAt(18, 19), kBackground);
    EXPECT_NE(FrameAt(b, L"icon8", Point{17, 18}), -1);
  }
  // The plain check box keeps its default box.
  AddLayout(L"plain", "<check name=\"p\" pos=\"10,10\"/>");
  auto plain = LoadHost(L"plain");
  EXPECT_NE(plain->FindChildByName<SToggleBox>(L"p")->GetBoxSkin(), nullptr);
}

// The leftmost and topmost pixel that is neither background nor icon.
Point TextOrigin(const kb::render::Bitmap& b, const Rect& icon) {
  Point origin{b.Width(), b.Height()};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      if (icon.Contains(Point{x, y}) || b.ColorAt(x, y) == kBackground) continue;
      origin.x = std::min(origin.x, x);
      origin.y = std::min(origin.y, y);
    }
  return origin;
}

TEST_F(ToggleBoxExTest, TextStartsPastTheIconAndItsOffsets) {
  struct Case {
    const char* attributes;
    int minLeft;
    int maxLeft;
    int minTop;
  };
  const Rect icon = Rect::FromSize(12, 13, 6, 6);
  const Case cases[] = {
      // client left 10 + icon x 2 + icon width 6 + textX
      {"textX=\"5\" textY=\"4\"", 23, 26, 17},
      {"textX=\"0x0\" textY=\"0\"", 18, 21, 13},
      {"textX=\"12\" textY=\"-3\"", 30, 33, 10},
  };
  for (const char* cls : {"checkex", "radioex"}) {
    for (const Case& c : cases) {
      auto host = Host(cls, std::string("iconSkin=\"icon8\" iconPos=\"2,3\" align=\"left\" valign=\"top\" text=\"HH\" ") +
                                c.attributes);
      Point origin = TextOrigin(Render(*host), icon);
      EXPECT_GE(origin.x, c.minLeft) << cls << " " << c.attributes;
      EXPECT_LE(origin.x, c.maxLeft) << cls << " " << c.attributes;
      EXPECT_GE(origin.y, c.minTop) << cls << " " << c.attributes;
      EXPECT_LE(origin.y, c.minTop + 5) << cls << " " << c.attributes;
    }
  }
}

TEST_F(ToggleBoxExTest, AttributesAreReadOrRefused) {
  struct Case {
    const wchar_t* name;
    const wchar_t* value;
    bool accepted;
    Point iconPos;
    int textX;
    int textY;
  };
  const Case cases[] = {
      {L"iconPos", L"3,4", true, {3, 4}, 0, 0},
      {L"iconPos", L"-2, 7", true, {-2, 7}, 0, 0},
      {L"iconPos", L"3", false, {0, 0}, 0, 0},
      {L"iconPos", L"a,b", false, {0, 0}, 0, 0},
      {L"textX", L"0x10", true, {0, 0}, 16, 0},
      {L"textX", L"-5", true, {0, 0}, -5, 0},
      {L"textX", L"five", false, {0, 0}, 0, 0},
      {L"textY", L"7", true, {0, 0}, 0, 7},
      {L"textY", L"", false, {0, 0}, 0, 0},
  };
  for (const Case& c : cases) {
    SCheckBoxEx check;
    SRadioBoxEx radio;
    EXPECT_EQ(check.SetAttribute(c.name, c.value), c.accepted) << kb::WideToUtf8(c.name) << "=" << kb::WideToUtf8(c.value);
    EXPECT_EQ(radio.SetAttribute(c.name, c.value), c.accepted);
    for (const ToggleBoxExPart* part : {&check.Part(), &radio.Part()}) {
      EXPECT_EQ(part->GetIconPos().x, c.iconPos.x);
      EXPECT_EQ(part->GetIconPos().y, c.iconPos.y);
      EXPECT_EQ(part->GetTextX(), c.textX);
      EXPECT_EQ(part->GetTextY(), c.textY);
    }
  }
  SCheckBoxEx check;
  EXPECT_TRUE(check.SetAttribute(L"iconSkin", L"icon8"));
  EXPECT_EQ(check.Part().GetIconSkinName(), L"icon8");
  EXPECT_TRUE(check.SetAttribute(L"checked", L"1")) << "the base's attributes still work";
  EXPECT_TRUE(check.IsChecked());
}

TEST_F(ToggleBoxExTest, DesiredSizeIsTheBoxSkinsOrTheText) {
  AddLayout(L"sizes",
            "<checkex name=\"a\" pos=\"0,0\" skin=\"box8\" text=\"a long text that is wider\"/>"
            "<radioex name=\"b\" pos=\"0,30\" skin=\"box4\"/>"
            "<checkex name=\"c\" pos=\"0,60\" text=\"Text\"/>",
            300, 100);
  auto host = LoadHost(L"sizes");
  EXPECT_EQ(host->FindChildByName(L"a")->GetWindowRect().Width(), 10);
  EXPECT_EQ(host->FindChildByName(L"a")->GetWindowRect().Height(), 10);
  EXPECT_EQ(host->FindChildByName(L"b")->GetWindowRect().Width(), 10);
  const Rect& c = host->FindChildByName(L"c")->GetWindowRect();
  EXPECT_GT(c.Width(), 20) << "without a box: the plain window's rule, the text's size";
  EXPECT_GT(c.Height(), 8);
}

// Keyboard users must see which box Space toggles: the boxes of the program
// drew no focus cue at all.
TEST_F(ToggleBoxExTest, FocusRectangleOnlyWithFocusCues) {
  AddLayout(L"focus",
            "<checkex name=\"ex\" pos=\"10,10,@40,@20\"/>"
            "<radioex name=\"rx\" pos=\"10,50,@40,@20\"/>");
  auto host = LoadHost(L"focus");
  Deliver(*host, WM_SETFOCUS);
  auto count = [&](const Rect& r) {
    kb::render::Bitmap b = Render(*host);
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += b.ColorAt(x, y) != kBackground;
    return n;
  };
  const Rect exRect{10, 10, 50, 30};
  const Rect rxRect{10, 50, 50, 70};
  host->FindChildByName(L"ex")->SetFocus();
  ASSERT_TRUE(host->FindChildByName(L"ex")->IsFocused());
  host->SetShowFocusCues(false);
  EXPECT_EQ(count(exRect), 0) << "after the mouse was used no frame is drawn";
  host->SetShowFocusCues(true);
  EXPECT_GT(count(exRect), 0) << "check box";
  EXPECT_EQ(count(rxRect), 0) << "only the focused box";
  host->FindChildByName(L"rx")->SetFocus();
  EXPECT_GT(count(rxRect), 0) << "radio box";
  EXPECT_EQ(count(exRect), 0);
}

TEST_F(ToggleBoxExTest, ClicksKeepTheBaseBehaviour) {
  AddLayout(L"group",
            "<radioex name=\"r1\" pos=\"0,0,@20,@20\" skin=\"box8\" checked=\"1\"/>"
            "<radio name=\"r2\" pos=\"30,0,@20,@20\"/>"
            "<radioex name=\"r3\" pos=\"60,0,@20,@20\" skin=\"box8\"/>"
            "<checkex name=\"c\" pos=\"0,40,@20,@20\" skin=\"box8\"/>");
  auto host = LoadHost(L"group");
  auto* r1 = host->FindChildByName<SRadioBox>(L"r1");
  auto* r3 = host->FindChildByName<SRadioBox>(L"r3");
  ASSERT_NE(r1, nullptr);
  ASSERT_NE(r3, nullptr);
  EXPECT_EQ(r1->GetGroup().size(), 3u) << "the ex radio boxes group with plain ones";
  int changes = 0;
  r3->SubscribeEvent(EventCheckChanged::EventID, [&](EventArgs*) { return ++changes, false; });
  Click(*host, CenterOf(r3));
  EXPECT_TRUE(r3->IsChecked());
  EXPECT_FALSE(r1->IsChecked());
  EXPECT_EQ(changes, 1);
  SWindow* c = host->FindChildByName(L"c");
  int commands = 0;
  c->SubscribeEvent(EventCmd::EventID, [&](EventArgs*) { return ++commands, false; });
  Click(*host, CenterOf(c));
  EXPECT_TRUE(c->IsChecked());
  Click(*host, CenterOf(c));
  EXPECT_FALSE(c->IsChecked());
  EXPECT_EQ(commands, 2);
}

}  // namespace
}  // namespace kbtest
