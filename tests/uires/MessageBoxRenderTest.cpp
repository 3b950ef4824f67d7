// The message box drawn in the theme: its texts must stand out from their
// backgrounds (light text on the dark body, dark text on the accent button).
// The picture is kept in the output folder for looking at.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "PackageSupport.h"
#include "platform/path.h"
#include "platform/text.h"
#include "toolkit/controls/STabCtrl.h"
#include "toolkit/render/PngEncoder.h"
#include "toolkit/window/SHostWnd.h"
#include "ui/common/ResourceNames.h"

namespace kbtest {
namespace {

int Luminance(kb::render::Color c) { return (c.r * 299 + c.g * 587 + c.b * 114) / 1000; }

struct LuminanceRange {
  int darkest = 255;
  int lightest = 0;
};

LuminanceRange RangeIn(const kb::render::Bitmap& image, const kb::ui::Rect& r) {
  LuminanceRange range;
  for (int y = std::max(0, r.top); y < std::min(image.Height(), r.bottom); ++y)
    for (int x = std::max(0, r.left); x < std::min(image.Width(), r.right); ++x) {
      int l = Luminance(image.ColorAt(x, y));
      range.darkest = std::min(range.darkest, l);
      range.lightest = std::max(range.lightest, l);
    }
  return range;
}

struct Box {
  const wchar_t* language;
  int buttons;
};

class MessageBoxRenderTest : public PackageTest, public ::testing::WithParamInterface<Box> {};

TEST_P(MessageBoxRenderTest, TextsStandOutFromTheirBackgrounds) {
  ASSERT_TRUE(InstallLanguage(GetParam().language));
  kb::ui::SHostWnd host(kb::res::kLayoutMsgBox);
  ASSERT_TRUE(host.BuildTree());
  host.FindChildByName(L"msgtitle")->SetWindowText(L"Warning");
  host.FindChildByName(L"msgtext")
      ->SetWindowText(L"All settings will be restored, are you sure you want to continue?");
  auto* pages = host.FindChildByName<kb::ui::STabCtrl>(L"btnSwitch");
  ASSERT_NE(pages, nullptr);
  int buttons = GetParam().buttons;
  pages->SetCurSel(buttons - 1, false);
  kb::ui::STabPage* page = pages->GetItem(buttons - 1);
  const wchar_t* names[] = {L"button1st", L"button2nd", L"button3rd"};
  const wchar_t* texts[] = {L"OK", L"Cancel", L"Cancel"};
  for (int i = 0; i < buttons; ++i) page->FindChildByName(names[i])->SetWindowText(texts[i]);
  host.LayoutTo(host.GetLayoutSize());
  kb::render::Bitmap picture;
  ASSERT_TRUE(host.RenderTo(picture));

  std::wstring file = kb::PathJoin(PackageFolder(), L"..");
  file = kb::PathJoin(file, std::wstring(L"test-uires-msgbox-") + GetParam().language + L"-" +
                                std::to_wstring(buttons) + L".png");
  std::vector<uint8_t> png = kb::render::EncodePng(picture);
  std::ofstream(kb::WideToUtf8(file), std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                               static_cast<std::streamsize>(png.size()));

  LuminanceRange body = RangeIn(picture, host.FindChildByName(L"msgtext")->GetWindowRect());
  EXPECT_LT(body.darkest, 70) << "body background";
  EXPECT_GT(body.lightest, 180) << "body text";
  LuminanceRange title = RangeIn(picture, host.FindChildByName(L"msgtitle")->GetWindowRect());
  EXPECT_GT(title.lightest - title.darkest, 120) << "title text against the caption";
  LuminanceRange primary = RangeIn(picture, page->FindChildByName(L"button1st")->GetWindowRect());
  EXPECT_LT(primary.darkest, 80) << "primary button text";
  EXPECT_GT(primary.lightest, 140) << "primary button face";
  if (buttons > 1) {
    LuminanceRange secondary = RangeIn(picture, page->FindChildByName(L"button2nd")->GetWindowRect());
    EXPECT_GT(secondary.lightest - secondary.darkest, 120) << "secondary button text";
  }
}

INSTANTIATE_TEST_SUITE_P(Package, MessageBoxRenderTest,
                         ::testing::Values(Box{L"lang_en", 1}, Box{L"lang_en", 2}, Box{L"lang_cn", 2},
                                           Box{L"lang_cn", 3}));

}  // namespace
}  // namespace kbtest
