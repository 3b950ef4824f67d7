// The keyboard picture in a real window: mouse messages through the window
// procedure, the tooltip window, mouse capture around the listener, and a
// picture of the control with the program's own resources. Needs a display
// (scripts/with-xvfb).
#include <chrono>
#include <functional>

#include "support/MessagePump.h"
#include "KbmapTestSupport.h"
#include "platform/path.h"
#include "platform/save_file.h"
#include "platform/text.h"
#include "toolkit/core/SResProviderFiles.h"
#include "toolkit/render/PngEncoder.h"

namespace kbtest {
namespace {

using Clock = std::chrono::steady_clock;


LPARAM At(Point pt) { return MAKELPARAM(pt.x, pt.y); }

// Puts the real pointer there too: the window tracks the pointer for
// WM_MOUSELEAVE, which would otherwise end the hover at once.
void PointerTo(HWND hwnd, Point pt, WPARAM flags = 0) {
  POINT screen{pt.x, pt.y};
  ClientToScreen(hwnd, &screen);
  SetCursorPos(screen.x, screen.y);
  PostMessageW(hwnd, WM_MOUSEMOVE, flags, At(pt));
}

const char kMap[] =
    "<positions>"
    "<key id=\"4\" va=\"7\" name=\"A\" rect=\"10,20,30,40\"/>"
    "<key id=\"5\" va=\"7\" name=\"B\" rect=\"50,20,30,40\"/>"
    "</positions>";

class CoordButtonImageGuiTest : public KbmapTest {
 protected:
  void SetUp() override {
    KbmapTest::SetUp();
    std::string crdxml = kb::WideToUtf8(WriteKeyMap("gui.xml", kMap));
    host_ = MakeHost("crdxml=\"" + crdxml + "\" type=\"2\" bg=\"img:bg\" chking=\"img:hover\"");
    picture_ = Picture(*host_);
    ASSERT_NE(picture_, nullptr);
    picture_->SetClickListener(&listener_);
    ASSERT_NE(host_->Create(nullptr, 60, 60), nullptr);
    ShowWindow(host_->GetHwnd(), SW_SHOW);
    UpdateWindow(host_->GetHwnd());
    Pump(50);
  }
  void TearDown() override {
    host_.reset();
    KbmapTest::TearDown();
  }
  void Post(UINT msg, WPARAM flags, Point pt) {
    if (msg == WM_MOUSEMOVE) {
      PointerTo(host_->GetHwnd(), pt, flags);
      return;
    }
    PostMessageW(host_->GetHwnd(), msg, flags, At(pt));
  }

  std::unique_ptr<kb::ui::SHostWnd> host_;
  CoordButtonImage* picture_ = nullptr;
  RecordingListener listener_;
};

TEST_F(CoordButtonImageGuiTest, ClicksThroughTheWindowProcedure) {
  Post(WM_MOUSEMOVE, 0, HostPoint(55, 30));
  Post(WM_LBUTTONDOWN, MK_LBUTTON, HostPoint(55, 30));
  Post(WM_LBUTTONUP, 0, HostPoint(56, 31));
  ASSERT_TRUE(PumpUntil([&] { return listener_.calls.size() == 2; }, 3000));
  EXPECT_EQ(listener_.calls[0].id, 5);
  EXPECT_EQ(listener_.calls[0].action, kCoordButtonPress);
  EXPECT_EQ(listener_.calls[1].action, kCoordButtonRelease);
  EXPECT_EQ(listener_.calls[1].x, 56);
  CoordButton b;
  picture_->GetButton(5, &b);
  EXPECT_EQ(b.checked, 1u) << "type 2 toggles";
  EXPECT_EQ(b.pressed, 0u);
}

TEST_F(CoordButtonImageGuiTest, ReleaseOverAnotherKeyIsNotReported) {
  Post(WM_MOUSEMOVE, 0, HostPoint(15, 30));
  Post(WM_LBUTTONDOWN, MK_LBUTTON, HostPoint(15, 30));
  Post(WM_MOUSEMOVE, MK_LBUTTON, HostPoint(55, 30));
  Post(WM_LBUTTONUP, 0, HostPoint(55, 30));
  ASSERT_TRUE(PumpUntil([&] { return !listener_.calls.empty(); }, 3000));
  Pump(100);
  ASSERT_EQ(listener_.calls.size(), 1u);
  EXPECT_EQ(listener_.calls[0].id, 4);
  EXPECT_EQ(picture_->GetButtons()[1].hover, 1u) << "the mouse went on to B while captured";
  EXPECT_EQ(picture_->GetButtons()[0].pressed, 0u) << "let go where the button came up";
}

TEST_F(CoordButtonImageGuiTest, TooltipShowsTheKeysTipOrName) {
  picture_->SetButtonTip(5, L"B : macro");
  Post(WM_MOUSEMOVE, 0, HostPoint(15, 30));
  EXPECT_TRUE(PumpUntil([&] { return host_->GetShownToolTip() == L"A"; }, 5000));
  Post(WM_MOUSEMOVE, 0, HostPoint(55, 30));
  EXPECT_TRUE(PumpUntil([&] { return host_->GetShownToolTip() == L"B : macro"; }, 5000));
  Post(WM_MOUSEMOVE, 0, HostPoint(45, 30));
  EXPECT_TRUE(PumpUntil([&] { return host_->GetShownToolTip().empty(); }, 5000));
}

// The main window opens its assignment dialog from the release; the dialog
// must get the mouse, so the picture lets go of it first.
TEST_F(CoordButtonImageGuiTest, MouseIsNotCapturedWhileTheListenerRunsTheRelease) {
  HWND captureDuringRelease = host_->GetHwnd();
  listener_.onClick = [&](const ClickCall& call) {
    if (call.action == kCoordButtonRelease) captureDuringRelease = GetCapture();
  };
  Post(WM_MOUSEMOVE, 0, HostPoint(15, 30));
  Post(WM_LBUTTONDOWN, MK_LBUTTON, HostPoint(15, 30));
  Post(WM_LBUTTONUP, 0, HostPoint(15, 30));
  ASSERT_TRUE(PumpUntil([&] { return listener_.calls.size() == 2; }, 3000));
  EXPECT_NE(captureDuringRelease, host_->GetHwnd());
}

// The control as the main window shows it, with the program's resource
// package: a few keys checked (assigned), one pressed, one under the mouse.
TEST_F(CoordButtonImageGuiTest, PictureWithTheProgramsResources) {
  auto files = std::make_shared<kb::ui::SResProviderFiles>();
  ASSERT_TRUE(files->Init(kb::PathJoin(kb::ExecutableFolder(), L"uires")));
  app_->AddResProvider(files, L"");
  auto host = std::make_unique<kb::ui::SHostWnd>();
  host->SetLayoutXml(
      "<host size=\"1040,370\"><root colorBkgnd=\"#14161b\">"
      "<cbimg name=\"pic\" pos=\"20,20\" size=\"1000,330\" crdxml=\"uires/keyboard/keymap.xml\""
      " bg=\"main:img_keboard_normal_png\" chking=\"main:img_keboard_floating_png\""
      " chked=\"main:img_keboard_checked_png\" pressed=\"main:img_keboard_pressed_png\"/>"
      "</root></host>");
  ASSERT_NE(host->Create(nullptr, 40, 40), nullptr);
  ShowWindow(host->GetHwnd(), SW_SHOW);
  auto* pic = host->FindChildByName<CoordButtonImage>(L"pic");
  ASSERT_NE(pic, nullptr);
  ASSERT_EQ(pic->GetButtons().size(), 104u);
  for (int usage : {0x29, 0x1A, 0x04, 0x16, 0x07, 0x2C, 0x3A}) pic->SetButtonChecked(usage, true);  // Esc W A S D Space F1
  pic->SetButtonTip(0x04, L"A : macro 1");
  CoordButton pressed;
  CoordButton hovered;
  ASSERT_TRUE(pic->GetButton(0x15, &pressed));  // R
  ASSERT_TRUE(pic->GetButton(0x28, &hovered));  // Enter
  auto centre = [](const CoordButton& key) {
    return Point{20 + (key.rect.left + key.rect.right) / 2, 20 + (key.rect.top + key.rect.bottom) / 2};
  };
  Pump(50);
  PointerTo(host->GetHwnd(), centre(pressed));
  PostMessageW(host->GetHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(centre(pressed)));
  PointerTo(host->GetHwnd(), centre(hovered), MK_LBUTTON);
  ASSERT_TRUE(PumpUntil([&] { return pic->GetButtons().size() == 104 && pic->GetButton(0x28, &hovered) && hovered.hover; },
                        3000));
  ASSERT_TRUE(pic->GetButton(0x15, &pressed));
  EXPECT_EQ(pressed.pressed, 1u);

  kb::render::Bitmap shot;
  ASSERT_TRUE(host->RenderTo(shot));
  // The pressed, hovered and checked keys show their pictures' faces.
  EXPECT_NE(shot.ColorAt(centre(pressed).x, centre(pressed).y), shot.ColorAt(centre(hovered).x, centre(hovered).y));
  std::vector<uint8_t> png = kb::render::EncodePng(shot);
  std::wstring out = kb::PathJoin(kb::PathJoin(kb::ExecutableFolder(), kKeyMapFolder), L"keyboard-picture.png");
  EXPECT_TRUE(kb::SaveFileAtomically(out, std::string(png.begin(), png.end())));
  PostMessageW(host->GetHwnd(), WM_LBUTTONUP, 0, At(centre(hovered)));
  Pump(50);
}

}  // namespace
}  // namespace kbtest
