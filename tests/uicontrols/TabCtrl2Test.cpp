// STabCtrl2 and STabPage2: the heads' background, separators and the
// widened current head, the icon place showing the pages' hover animations,
// the animations over the timeline (ticked by hand), and the frame.
#include "UiControlsTestSupport.h"
#include "ui/common/STabCtrl2.h"

namespace kbtest {
namespace {

// Heads 40 wide, 10 apart, from x 5: 5-45, 55-95, 105-145, 155-195.
constexpr char kTabs[] =
    "<tabctrl2 name=\"tab\" pos=\"0,0,@200,@100\" tabHeight=\"20\" tabWidth=\"40\" tabInterval=\"10\" tabPos=\"5\" "
    "tabSkin=\"head3\" iconSkin=\"tabicon\" iconPos=\"2,2\" sepSkin=\"sep\" sepSize=\"4\" frameSkin=\"frame\" "
    "tabHeadBgSkin=\"headbg\" curSel=\"1\">"
    "<page2 ani_in=\"tabin\" ani_out=\"tabout\"/>"
    "<page2 ani_in=\"tabin\" ani_out=\"tabout\"/>"
    "<page2 ani_in=\"tabin\" ani_out=\"tabout\" iconIndex=\"3\"/>"
    "<page2 ani_out=\"tabout\"/>"
    "</tabctrl2>";

class TabCtrl2Test : public UiControlsTest {
 protected:
  void SetUp() override {
    UiControlsTest::SetUp();
    AddLayout(L"tabs", kTabs, 200, 100);
    host_ = LoadHost(L"tabs");
    tab_ = host_->FindChildByName<STabCtrl2>(L"tab");
    ASSERT_NE(tab_, nullptr);
    ASSERT_EQ(tab_->GetItemCount(), 4);
  }
  // The icon place of head i: 2,2 inside the head, 8 x 8.
  static Point IconPixel(int head) { return Point{5 + head * 50 + 2 + 3, 5}; }
  // What head i's icon place shows: "icon:N", "in:N", "out:N".
  std::string Icon(int head) {
    kb::render::Bitmap b = Render(*host_);
    Point p = IconPixel(head);
    if (head == tab_->GetCurSel()) p.x -= 4;  // the current head is widened
    if (int f = FrameAt(b, L"tabin", p); f >= 0) return "in:" + std::to_string(f);
    if (int f = FrameAt(b, L"tabout", p); f >= 0) return "out:" + std::to_string(f);
    if (int f = FrameAt(b, L"tabicon", p); f >= 0) return "icon:" + std::to_string(f);
    return "?";
  }
  void Tick(int count) {
    for (int i = 0; i < count; ++i) tab_->OnNextFrame();
  }
  static Point HeadPoint(int head) { return Point{5 + head * 50 + 30, 15}; }

  std::unique_ptr<SHostWnd> host_;
  STabCtrl2* tab_ = nullptr;
};

TEST_F(TabCtrl2Test, HeadsBackgroundSeparatorsAndWidenedCurrentHead) {
  kb::render::Bitmap b = Render(*host_);
  struct Case {
    int x;
    const wchar_t* skin;
    int frame;
  };
  const Case cases[] = {
      {2, L"headbg", 0},   // before the first head
      {30, L"head3", 0},   // head 0, normal
      {47, L"headbg", 0},  // no separator before the current head...
      {52, L"head3", 2},   // ...which covers 4 pixels on each side
      {98, L"head3", 2},
      {101, L"headbg", 0},  // none after it either
      {130, L"head3", 0},
      {146, L"sep", 0},  // between heads 2 and 3: the separator right after head 2
      {150, L"headbg", 0},
      {190, L"head3", 0},
      {198, L"headbg", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(FrameAt(b, c.skin, Point{c.x, 18}), c.frame) << "x " << c.x;
  EXPECT_EQ(FrameAt(b, L"frame", Point{100, 60}), 0) << "the frame around the pages";
  EXPECT_EQ(FrameAt(b, L"frame", Point{0, 99}), 0);
  // Icons: the head's index, or the page's own.
  EXPECT_EQ(Icon(0), "icon:0");
  EXPECT_EQ(Icon(1), "icon:1");
  EXPECT_EQ(Icon(2), "icon:3");
  EXPECT_EQ(Icon(3), "icon:3");
}

TEST_F(TabCtrl2Test, HoveredHeadShowsStateOne) {
  MouseMove(*host_, HeadPoint(2));
  EXPECT_EQ(FrameAt(Render(*host_), L"head3", Point{130, 18}), 1);
}

TEST_F(TabCtrl2Test, HoverPlaysInAndHoldsTheLastFrame) {
  MouseMove(*host_, HeadPoint(0));
  STabPage2* page = tab_->GetPage2(0);
  EXPECT_EQ(page->GetAnimState(), STabPage2::AnimState::kIn);
  EXPECT_EQ(page->GetTimeLeft(), 50);
  EXPECT_EQ(Icon(0), "in:0");
  std::vector<std::string> seen;
  for (int step = 0; step < 6; ++step) {
    Tick(4);
    EXPECT_EQ(Icon(0), "in:" + std::to_string(std::min(step, 3))) << "a frame lasts 50 ms";
    Tick(1);
    seen.push_back(Icon(0));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"in:1", "in:2", "in:3", "in:3", "in:3", "in:3"}));
  EXPECT_EQ(page->GetAnimState(), STabPage2::AnimState::kIn) << "it stays in, on the last frame";
}

TEST_F(TabCtrl2Test, MovingToTheNextHeadStartsOutAndInTogether) {
  MouseMove(*host_, HeadPoint(2));
  Tick(30);
  MouseMove(*host_, HeadPoint(3));
  EXPECT_EQ(tab_->GetPage2(2)->GetAnimState(), STabPage2::AnimState::kOut);
  EXPECT_EQ(tab_->GetPage2(3)->GetAnimState(), STabPage2::AnimState::kIn);
  EXPECT_EQ(Icon(2), "out:0");
  // Page 3 has no "ani_in": its icon shows, and its animation ends on the
  // first frame change.
  EXPECT_EQ(Icon(3), "icon:3");
  Tick(5);
  EXPECT_EQ(Icon(2), "out:1");
  EXPECT_EQ(tab_->GetPage2(3)->GetAnimState(), STabPage2::AnimState::kNone);
  Tick(5);
  EXPECT_EQ(Icon(2), "out:2");
  Tick(5);
  EXPECT_EQ(Icon(2), "icon:3") << "after the last out frame the icon is back";
  EXPECT_EQ(tab_->GetPage2(2)->GetAnimState(), STabPage2::AnimState::kNone);
  // Leaving the control plays page 3's out frames.
  MouseMove(*host_, Point{100, 60});
  EXPECT_EQ(Icon(3), "out:0");
}

TEST_F(TabCtrl2Test, OtherSubscribersStillGetTheHeadEvents) {
  std::vector<int> events;
  tab_->SubscribeEvent(EventTabItemHover::EventID, [&](EventArgs* e) {
    events.push_back(static_cast<EventTabItemHover*>(e)->iHover);
    return false;
  });
  tab_->SubscribeEvent(EventTabItemLeave::EventID, [&](EventArgs* e) {
    events.push_back(-1 - static_cast<EventTabItemLeave*>(e)->iLeave);
    return false;
  });
  MouseMove(*host_, HeadPoint(0));
  MouseMove(*host_, HeadPoint(1));
  EXPECT_EQ(events, (std::vector<int>{0, -1, 1}));
  EXPECT_EQ(tab_->GetPage2(0)->GetAnimState(), STabPage2::AnimState::kOut);
}

TEST_F(TabCtrl2Test, ClicksStillChangePages) {
  Click(*host_, HeadPoint(3));
  EXPECT_EQ(tab_->GetCurSel(), 3);
  EXPECT_TRUE(tab_->GetItem(3)->IsVisible());
  EXPECT_FALSE(tab_->GetItem(1)->IsVisible());
}

TEST_F(TabCtrl2Test, PlainPagesAndNoIconSkin) {
  AddLayout(L"mixed",
            "<tabctrl2 name=\"t\" pos=\"0,0,@200,@100\" tabWidth=\"40\" tabHeight=\"20\" tabSkin=\"head3\">"
            "<page2 ani_in=\"tabin\"/><page/></tabctrl2>",
            200, 100);
  auto host = LoadHost(L"mixed");
  auto* t = host->FindChildByName<STabCtrl2>(L"t");
  ASSERT_EQ(t->GetItemCount(), 2);
  EXPECT_EQ(t->GetPage2(1), nullptr);
  MouseMove(*host, Point{60, 10});
  MouseMove(*host, Point{20, 10});
  for (int i = 0; i < 20; ++i) t->OnNextFrame();
  // Without an icon skin the icon place is empty: no frame shows anywhere.
  kb::render::Bitmap b = Render(*host);
  for (int x = 0; x < 80; ++x) EXPECT_EQ(FrameAt(b, L"tabin", Point{x, 5}), -1) << x;
  EXPECT_TRUE(t->GetIconRect(t->GetItemRect(0)).IsEmpty());
}

TEST_F(TabCtrl2Test, Attributes) {
  STabCtrl2 tab;
  EXPECT_TRUE(tab.SetAttribute(L"tabHeadBgSkin", L"headbg"));
  EXPECT_NE(tab.GetHeadBgSkin(), nullptr);
  EXPECT_TRUE(tab.SetAttribute(L"sepSize", L"3")) << "the base's attributes";
  EXPECT_EQ(tab.GetSepSize(), 3);
  STabPage2 page;
  EXPECT_TRUE(page.SetAttribute(L"ani_in", L"tabin"));
  EXPECT_TRUE(page.SetAttribute(L"ani_out", L"tabout"));
  EXPECT_TRUE(page.SetAttribute(L"title", L"Macro"));
  EXPECT_EQ(page.GetAniIn()->GetStates(), 4);
  EXPECT_EQ(page.GetAniOut()->GetStates(), 3);
  EXPECT_EQ(page.GetTitle(), L"Macro");
}

}  // namespace
}  // namespace kbtest
