// SAnimImg over the timeline, ticked by hand (each tick is 10 ms): the
// autorun cycle, hover-in and leave-out playing, what shows at rest,
// attributes and the size it asks for.
#include <utility>

#include "UiControlsTestSupport.h"
#include "ui/common/SAnimImg.h"

namespace kbtest {
namespace {

using ChangeList = std::vector<std::pair<int, std::string>>;

class AnimImgTest : public UiControlsTest {
 protected:
  std::unique_ptr<SHostWnd> Host(const std::string& attributes) {
    AddLayout(L"anim", "<anmimg name=\"a\" pos=\"10,10\" " + attributes + "/>");
    auto host = LoadHost(L"anim");
    anim_ = host->FindChildByName<SAnimImg>(L"a");
    EXPECT_NE(anim_, nullptr);
    return host;
  }
  // What the picture shows: "in:N", "out:N" or "none".
  std::string Shown(SHostWnd& host) {
    kb::render::Bitmap b = Render(host);
    Point p{16, 16};
    if (int f = FrameAt(b, L"anim5", p); f >= 0) return "in:" + std::to_string(f);
    if (int f = FrameAt(b, L"anim3", p); f >= 0) return "out:" + std::to_string(f);
    return "none";
  }
  // Ticks `count` times and lists the ticks (1-based) at which the shown
  // picture changed, with what it changed to.
  ChangeList Changes(SHostWnd& host, int count, int first = 1) {
    ChangeList out;
    std::string last = Shown(host);
    for (int tick = first; tick < first + count; ++tick) {
      anim_->OnNextFrame();
      std::string now = Shown(host);
      if (now != last) out.emplace_back(tick, now);
      last = now;
    }
    return out;
  }
  SAnimImg* anim_ = nullptr;
};


TEST_F(AnimImgTest, AutorunPlaysFramesThenRestsAndRepeats) {
  auto host = Host("ani_in=\"anim5\" interval=\"100\" autorun=\"2\"");
  EXPECT_EQ(Shown(*host), "in:0") << "at rest the first frame shows";
  EXPECT_TRUE(anim_->IsAutorunPending());
  // 2 s of rest (200 ticks), then a frame every 100 ms, then 2 s again.
  ChangeList expected = {{210, "in:1"}, {220, "in:2"}, {230, "in:3"}, {240, "in:4"}, {250, "in:0"},
                      {459, "in:1"}, {469, "in:2"}, {479, "in:3"}, {489, "in:4"}, {499, "in:0"}};
  EXPECT_EQ(Changes(*host, 520), expected);
  EXPECT_EQ(anim_->GetAnimState(), SAnimImg::AnimState::kIdle);
  EXPECT_TRUE(anim_->IsAutorunPending());
}

TEST_F(AnimImgTest, AutorunZeroRepeatsWithoutRest) {
  auto host = Host("ani_in=\"anim5\" interval=\"50\" autorun=\"0\"");
  ChangeList changes = Changes(*host, 130);
  // Frames 1..4 every 50 ms, back to 0, and the next run starts at once.
  ChangeList expected;
  for (int run = 0; run < 5; ++run)
    for (int frame = 1; frame <= 5; ++frame)
      expected.emplace_back(1 + run * 25 + frame * 5, "in:" + std::to_string(frame % 5));
  EXPECT_EQ(changes, expected);
}

TEST_F(AnimImgTest, HoverPlaysInOnceHoldsItThenLeavePlaysOut) {
  auto host = Host("ani_in=\"anim5\" ani_out=\"anim3\" interval=\"50\"");
  EXPECT_FALSE(anim_->IsAutorunPending());
  EXPECT_TRUE(Changes(*host, 50).empty()) << "nothing plays without the mouse";
  MouseMove(*host, Point{16, 16});
  EXPECT_EQ(anim_->GetHoverCount(), 1);
  ChangeList in = {{5, "in:1"}, {10, "in:2"}, {15, "in:3"}, {20, "in:4"}};
  EXPECT_EQ(Changes(*host, 200), in) << "the last frame holds while the mouse stays";
  MouseMove(*host, Point{150, 100});
  EXPECT_EQ(anim_->GetHoverCount(), 0);
  ChangeList out = Changes(*host, 60, 201);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0].second, "out:0");
  EXPECT_LE(out[0].first, 205) << "the out frames start within one frame's time";
  EXPECT_EQ(out[1], std::make_pair(out[0].first + 5, std::string("out:1")));
  EXPECT_EQ(out[2], std::make_pair(out[0].first + 10, std::string("out:2")));
  EXPECT_EQ(out[3], std::make_pair(out[0].first + 15, std::string("in:0"))) << "then the rest picture";
  EXPECT_EQ(anim_->GetAnimState(), SAnimImg::AnimState::kIdle);
}

TEST_F(AnimImgTest, LeavingBeforeTheEndGoesOutAfterTheLastInFrame) {
  auto host = Host("ani_in=\"anim5\" ani_out=\"anim3\" interval=\"50\"");
  MouseMove(*host, Point{16, 16});
  Changes(*host, 7);
  MouseMove(*host, Point{150, 100});
  ChangeList expected = {{10, "in:2"}, {15, "in:3"}, {20, "in:4"}, {25, "out:0"}, {30, "out:1"}, {35, "out:2"},
                      {40, "in:0"}};
  EXPECT_EQ(Changes(*host, 50, 8), expected);
}

TEST_F(AnimImgTest, WithoutOutTheLastInFrameStays) {
  auto host = Host("ani_in=\"anim5\" interval=\"50\"");
  MouseMove(*host, Point{16, 16});
  Changes(*host, 30);
  MouseMove(*host, Point{150, 100});
  EXPECT_TRUE(Changes(*host, 300).empty());
  EXPECT_EQ(Shown(*host), "in:4");
  // The next hover starts again from the first frame.
  MouseMove(*host, Point{16, 16});
  EXPECT_EQ(Shown(*host), "in:0");
}

TEST_F(AnimImgTest, NothingToShowWithoutFrames) {
  auto host = Host("ani_out=\"anim3\"");
  MouseMove(*host, Point{11, 11});
  EXPECT_TRUE(Changes(*host, 50).empty());
  EXPECT_EQ(anim_->GetWindowRect().Width(), 0) << "no ani_in, no size";
  EXPECT_EQ(anim_->GetWindowRect().Height(), 0);
}

TEST_F(AnimImgTest, DesiredSize) {
  struct Case {
    const char* attributes;
    int width;
    int height;
  };
  const Case cases[] = {
      {"ani_in=\"anim5\"", 12, 12},
      {"ani_in=\"anim5\" size=\"30,-1\"", 30, 12},
      {"ani_in=\"anim5\" size=\"-1,40\"", 12, 40},
      {"", 0, 0},
  };
  for (const Case& c : cases) {
    auto host = Host(c.attributes);
    EXPECT_EQ(anim_->GetWindowRect().Width(), c.width) << c.attributes;
    EXPECT_EQ(anim_->GetWindowRect().Height(), c.height) << c.attributes;
  }
}

TEST_F(AnimImgTest, Attributes) {
  struct Case {
    const wchar_t* name;
    const wchar_t* value;
    bool accepted;
    int interval;
    int autorun;
  };
  const Case cases[] = {
      {L"interval", L"100", true, 100, -1},   {L"interval", L"0x20", true, 32, -1},
      {L"interval", L"-5", false, 50, -1},    {L"interval", L"fast", false, 50, -1},
      {L"autorun", L"2", true, 50, 2},        {L"autorun", L"0", true, 50, 0},
      {L"autorun", L"-1", true, 50, -1},      {L"autorun", L"-7", true, 50, -1},
      {L"autorun", L"0x3", true, 50, 3},      {L"autorun", L"soon", false, 50, -1},
  };
  for (const Case& c : cases) {
    SAnimImg anim;
    EXPECT_EQ(anim.SetAttribute(c.name, c.value), c.accepted) << kb::WideToUtf8(c.name) << "=" << kb::WideToUtf8(c.value);
    EXPECT_EQ(anim.GetInterval(), c.interval);
    EXPECT_EQ(anim.GetAutorun(), c.autorun);
  }
}

TEST_F(AnimImgTest, AHugeAutorunDelayWaitsWithoutOverflow) {
  auto host = Host("ani_in=\"anim5\" autorun=\"2147483647\"");
  EXPECT_TRUE(Changes(*host, 100).empty());
  EXPECT_TRUE(anim_->IsAutorunPending());
}

}  // namespace
}  // namespace kbtest
