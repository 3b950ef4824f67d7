// The program's controls in real windows: the host's 10 ms timeline drives
// the animations, messages come through the window procedure, and a window
// showing every control in the program's own skins is drawn to
// controls.png in the output folder (docs/controls.png is that picture).
#include <cmath>
#include <fstream>

#include "UiControlsTestSupport.h"
#include "platform/path.h"
#include "toolkit/core/SResProviderExe.h"
#include "toolkit/core/SResProviderFiles.h"
#include "toolkit/render/PngEncoder.h"
#include "ui/common/ProgramControls.h"
#include "ui/common/SAnimImg.h"
#include "ui/common/SEditEx.h"
#include "ui/common/STabCtrl2.h"

namespace kbtest {
namespace {

// The pointer itself goes there: a message alone would be followed by a
// leave as soon as the window learns where the pointer really is.
void HoverAt(HWND hwnd, Point pt) {
  POINT screen{pt.x, pt.y};
  ClientToScreen(hwnd, &screen);
  SetCursorPos(screen.x, screen.y);
  PostMessageW(hwnd, WM_MOUSEMOVE, 0, PointParam(pt));
}

constexpr char kLive[] =
    "<anmimg name=\"spin\" pos=\"10,10\" ani_in=\"anim5\" interval=\"20\" autorun=\"0\"/>"
    "<tabctrl2 name=\"tab\" pos=\"40,10,@150,@60\" tabHeight=\"20\" tabWidth=\"50\" iconSkin=\"tabicon\" "
    "iconPos=\"2,2\" tabSkin=\"head3\"><page2 ani_in=\"tabin\"/><page2 ani_in=\"tabin\"/></tabctrl2>"
    "<editex name=\"edit\" pos=\"10,80,@120,@24\" text=\"42\"/>";

class GuiControlsTest : public UiControlsTest {
 protected:
  void SetUp() override {
    UiControlsTest::SetUp();
    AddLayout(L"live", kLive, 200, 120);
    host_ = std::make_unique<SHostWnd>(L"layout:live");
    ASSERT_NE(host_->Create(nullptr, 80, 80), nullptr);
    ShowWindow(host_->GetHwnd(), SW_SHOW);
    UpdateWindow(host_->GetHwnd());
  }
  void TearDown() override {
    host_.reset();
    UiControlsTest::TearDown();
  }
  std::unique_ptr<SHostWnd> host_;
};

TEST_F(GuiControlsTest, TheTimelineDrivesTheAnimations) {
  auto* spin = host_->FindChildByName<SAnimImg>(L"spin");
  auto* tab = host_->FindChildByName<STabCtrl2>(L"tab");
  ASSERT_NE(spin, nullptr);
  ASSERT_NE(tab, nullptr);
  std::vector<int> frames;
  EXPECT_TRUE(PumpUntil([&] {
    if (frames.empty() || frames.back() != spin->GetFrame()) frames.push_back(spin->GetFrame());
    return frames.size() >= 6;
  }, 5000)) << "autorun plays by itself";
  HoverAt(host_->GetHwnd(), Point{100, 20});
  EXPECT_TRUE(PumpUntil([&] { return tab->GetPage2(1)->GetFrame() == 3; }, 5000)) << "the hovered head plays to its end";
  EXPECT_EQ(tab->GetPage2(1)->GetAnimState(), STabPage2::AnimState::kIn);
}

TEST_F(GuiControlsTest, DestroyedAnimationsAreNoLongerTicked) {
  SWindow* root = host_->GetRoot();
  Pump(50);
  root->DestroyChild(host_->FindChildByName(L"spin"));
  root->DestroyChild(host_->FindChildByName(L"tab"));
  Pump(150);  // a tick reaching a freed control would be caught here (sanitizer builds)
  EXPECT_EQ(host_->FindChildByName(L"spin"), nullptr);
}

TEST_F(GuiControlsTest, EnterThroughTheWindowProcedure) {
  auto* edit = host_->FindChildByName<SEditEx>(L"edit");
  int enters = 0;
  edit->SubscribeEvent(EventKeyEnter::EventID, [&](EventArgs*) { return ++enters, true; });
  PostClick(host_->GetHwnd(), CenterOf(edit));
  ASSERT_TRUE(PumpUntil([&] { return edit->IsFocused(); }, 3000));
  PostMessageW(host_->GetHwnd(), WM_KEYDOWN, VK_RETURN, 1);
  PostMessageW(host_->GetHwnd(), WM_CHAR, L'\r', 1);
  PostMessageW(host_->GetHwnd(), WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC0000001u));
  EXPECT_TRUE(PumpUntil([&] { return enters == 1; }, 3000));
  Pump(30);
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(edit->GetWindowText(), L"42");
}

// --- the picture of every control in the program's skins ---

std::wstring PackageFolder() {
  const char* out = std::getenv("KB_OUTPUT_DIR");
  const char* source = std::getenv("KB_SOURCE_DIR");
  std::wstring built = kb::PathJoin(kb::Utf8ToWide(out ? out : "."), L"uires");
  std::ifstream probe(kb::WideToUtf8(kb::PathJoin(built, L"uires.idx")));
  if (probe) return built;
  return kb::PathJoin(kb::Utf8ToWide(source ? source : "."), L"uires");
}

// A ring of dots, one brighter each frame: an animation strip for the
// picture (the package has no animation of its own).
std::vector<uint8_t> SpinnerStrip(int size, int frames) {
  kb::render::Bitmap strip(size * frames, size);
  const double pi = 3.14159265358979;
  for (int f = 0; f < frames; ++f)
    for (int dot = 0; dot < frames; ++dot) {
      double angle = 2 * pi * dot / frames;
      int cx = f * size + size / 2 + static_cast<int>(std::lround(std::cos(angle) * size * 0.34));
      int cy = size / 2 + static_cast<int>(std::lround(std::sin(angle) * size * 0.34));
      int age = (f - dot + frames) % frames;
      auto alpha = static_cast<uint8_t>(255 - age * 200 / frames);
      for (int y = -2; y <= 2; ++y)
        for (int x = -2; x <= 2; ++x)
          if (x * x + y * y <= 5) strip.Set(cx + x, cy + y, kb::render::Premultiply(Color::Rgba(0x1e, 0xc8, 0xe6, alpha)));
    }
  return kb::render::EncodePng(strip);
}

constexpr char kGallery[] = R"(
<host size="560,360" title="Program controls" trCtx="main">
  <root colorBkgnd="@color/window">
    <text pos="16,12" class="title">The program's controls</text>
    <text pos="16,34" class="note">checkex and radioex: box skin over the control, icon at iconPos, text moved by textX/textY</text>
    <radioex name="r_macro" pos="16,58,@150,@40" skin="state_funcc_bg" iconSkin="ioc_func_macro" iconPos="12,8"
             textX="10" textY="12" group="fn" checked="1">Macro</radioex>
    <radioex name="r_light" pos="176,58,@150,@40" skin="state_funcc_bg" iconSkin="ioc_func_rgb" iconPos="12,8"
             textX="10" textY="12" group="fn">Lighting</radioex>
    <checkex name="c_record" pos="336,58,@150,@40" skin="state_funcc_bg" iconSkin="state_record" iconPos="6,4"
             textX="8" textY="12" checked="1">Recording</checkex>
    <checkex name="c_nobox" pos="16,110,@230,@24" iconSkin="icon_color_effects" textX="8" textY="4">No box skin: icon and text</checkex>
    <radioex name="r_box" pos="266,113,@18,@18" skin="state_color_effects" checked="1"/>
    <radioex name="r_box2" pos="292,113,@18,@18" skin="state_color_effects"/>
    <checkex name="c_box" pos="320,113,@18,@18" skin="state_color_select" checked="1"/>
    <text pos="16,150" class="label">editex (Enter raises on_key_enter)</text>
    <editex name="edit" pos="16,170,@150,@28" text="120"/>
    <editex name="edit_off" pos="176,170,@150,@28" text="disabled until clicked" enable="0"/>
    <text pos="350,150" class="label">anmimg</text>
    <anmimg name="spin" pos="350,168" ani_in="demo_spinner" interval="80" autorun="0"/>
    <anmimg name="hover" pos="392,168" ani_in="state_add" ani_out="state_del" interval="60"/>
    <text pos="16,212" class="label">tabctrl2 with page2 pages (the mouse is over "Lighting": its icon animates)</text>
    <tabctrl2 name="tab" pos="16,232,@528,@112" tabHeight="40" tabWidth="150" tabSkin="state_func_bg"
              iconSkin="ioc_func_macro" iconPos="12,8" textX="46" textY="12" tabHeadBgSkin="panel"
              sepSkin="separator" sepSize="1" curSel="0">
      <page2 title="Macro" iconIndex="1" ani_in="demo_glow" ani_out="demo_glow">
        <text pos="16,14" class="note">Page 1: heads animate their icon while the mouse is over them.</text>
      </page2>
      <page2 title="Lighting" iconIndex="0" ani_in="demo_glow" ani_out="demo_glow"/>
      <page2 title="Keys" iconIndex="0" ani_in="demo_glow"/>
    </tabctrl2>
    <shellnotifyicon name="tray" tip="KbConfig" menu="SMENU:menu_tray"/>
  </root>
</host>)";

TEST(ControlsPictureTest, EveryControlInTheProgramsSkins) {
  auto render = std::make_shared<SRenderFactory>();
  render->SetImgDecoderFactory(SImgDecoderFactory::Create(L"imgdecoder-stb"));
  SApplication app(render, nullptr, L"KbUiControlsGallery");
  auto files = std::make_shared<SResProviderFiles>();
  ASSERT_TRUE(files->Init(PackageFolder()));
  app.AddResProvider(files, L"uidef:xml_init");
  SResProviderExe exe;
  exe.Init(nullptr);
  ASSERT_TRUE(app.LoadSystemNamedResource(exe));
  app.SetTranslator(std::make_shared<STranslatorMgr>());
  auto extra = std::make_shared<SResProviderMemory>();
  extra->Add(L"img", L"demo_spinner", SpinnerStrip(32, 8));
  extra->Add(L"img", L"demo_glow", SpinnerStrip(24, 6));
  extra->AddText(L"uidef", L"demo",
                 "<uidef><skin><imglist name=\"demo_spinner\" src=\"img:demo_spinner\" states=\"8\"/>"
                 "<imglist name=\"demo_glow\" src=\"img:demo_glow\" states=\"6\"/></skin></uidef>");
  extra->AddText(L"layout", L"gallery", kGallery);
  app.AddResProvider(extra, L"uidef:demo");
  RegisterProgramControls(app);

  SHostWnd host(L"layout:gallery");
  ASSERT_NE(host.Create(nullptr, 40, 40), nullptr);
  ShowWindow(host.GetHwnd(), SW_SHOW);
  UpdateWindow(host.GetHwnd());
  Pump(100);
  auto* tab = host.FindChildByName<STabCtrl2>(L"tab");
  ASSERT_NE(tab, nullptr);
  Rect head = tab->GetItemRect(1);
  HoverAt(host.GetHwnd(), Point{head.left + 100, head.top + 20});
  ASSERT_TRUE(PumpUntil([&] { return tab->GetPage2(1)->GetFrame() >= 3; }, 5000));
  kb::render::Bitmap shot;
  ASSERT_TRUE(host.RenderTo(shot));
  EXPECT_EQ(shot.Width(), 560);
  EXPECT_EQ(shot.Height(), 360);
  std::vector<uint8_t> png = kb::render::EncodePng(shot);
  const char* out = std::getenv("KB_OUTPUT_DIR");
  std::string path = kb::WideToUtf8(kb::PathJoin(kb::Utf8ToWide(out ? out : "."), L"controls.png"));
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  EXPECT_TRUE(file.good()) << path;
}

}  // namespace
}  // namespace kbtest
