#include "support/MessagePump.h"
#include "UiControlsTestSupport.h"

#include <cstring>

#include "platform/text.h"
#include "support/ToolkitApp.h"
#include "toolkit/render/PngEncoder.h"
#include "ui/common/ProgramControls.h"

namespace kbtest {

namespace {

void PutU16(std::vector<uint8_t>& d, uint16_t v) {
  d.push_back(static_cast<uint8_t>(v));
  d.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& d, uint32_t v) {
  for (int i = 0; i < 4; ++i) d.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> StripPng(const SkinSpec& spec) {
  kb::render::Bitmap image(spec.width * spec.states, spec.height);
  for (int frame = 0; frame < spec.states; ++frame)
    for (int y = 0; y < spec.height; ++y)
      for (int x = 0; x < spec.width; ++x)
        image.Set(frame * spec.width + x, y, kb::render::Premultiply(FrameColor(spec.name, frame)));
  return kb::render::EncodePng(image);
}

std::string UiDef() {
  std::string skins;
  for (const SkinSpec& s : TestSkins()) {
    std::string name = kb::WideToUtf8(s.name);
    skins += "<imglist name=\"" + name + "\" src=\"img:" + name + "\" states=\"" + std::to_string(s.states) + "\"/>";
  }
  return "<uidef><font face=\"DejaVu Sans\" size=\"13\"/><skin>" + skins + "</skin></uidef>";
}

}  // namespace

const std::vector<SkinSpec>& TestSkins() {
  static const std::vector<SkinSpec> skins = {
      {L"box8", 8, 10, 10},   {L"box4", 4, 10, 10},   {L"icon8", 8, 6, 6},    {L"icon2", 2, 6, 6},
      {L"anim5", 5, 12, 12},  {L"anim3", 3, 12, 12},  {L"head3", 3, 8, 8},    {L"headbg", 1, 4, 4},
      {L"sep", 1, 2, 2},      {L"frame", 1, 4, 4},    {L"tabicon", 4, 8, 8},  {L"tabin", 4, 8, 8},
      {L"tabout", 3, 8, 8},
  };
  return skins;
}

Color FrameColor(const std::wstring& skin, int frame) {
  const auto& skins = TestSkins();
  int index = 0;
  for (size_t i = 0; i < skins.size(); ++i)
    if (skin == skins[i].name) index = static_cast<int>(i);
  // Distinct for up to 16 skins of up to 8 frames; far from the background.
  return Color::Rgb(static_cast<uint8_t>(20 + index * 13), static_cast<uint8_t>(20 + frame * 25),
                    static_cast<uint8_t>(200 - index * 7));
}

int FrameAt(const kb::render::Bitmap& bitmap, const std::wstring& skin, Point pt) {
  Color c = bitmap.ColorAt(pt.x, pt.y);
  for (const SkinSpec& s : TestSkins()) {
    if (skin != s.name) continue;
    for (int frame = 0; frame < s.states; ++frame)
      if (FrameColor(skin, frame) == c) return frame;
  }
  return -1;
}

std::vector<uint8_t> SolidPng(int width, int height, Color color) {
  kb::render::Bitmap image(width, height);
  image.Fill(kb::render::Premultiply(color));
  return kb::render::EncodePng(image);
}

std::vector<uint8_t> SolidIco(int width, int height, Color color) {
  std::vector<uint8_t> d;
  PutU16(d, 0);
  PutU16(d, 1);
  PutU16(d, 1);
  uint32_t maskStride = ((static_cast<uint32_t>(width) + 31) / 32) * 4;
  uint32_t size = 40 + static_cast<uint32_t>(width * height * 4) + maskStride * height;
  d.push_back(static_cast<uint8_t>(width));
  d.push_back(static_cast<uint8_t>(height));
  d.push_back(0);
  d.push_back(0);
  PutU16(d, 1);
  PutU16(d, 32);
  PutU32(d, size);
  PutU32(d, 22);
  PutU32(d, 40);
  PutU32(d, static_cast<uint32_t>(width));
  PutU32(d, static_cast<uint32_t>(height * 2));
  PutU16(d, 1);
  PutU16(d, 32);
  for (int i = 0; i < 6; ++i) PutU32(d, 0);
  for (int i = 0; i < width * height; ++i) {
    d.push_back(color.b);
    d.push_back(color.g);
    d.push_back(color.r);
    d.push_back(color.a);
  }
  d.insert(d.end(), maskStride * height, 0);
  return d;
}

void UiControlsTest::SetUp() {
  app_ = MakeTestApplication(L"KbUiControlsTestHost");
  memory_ = std::make_shared<SResProviderMemory>();
  for (const SkinSpec& s : TestSkins()) memory_->Add(L"img", s.name, StripPng(s));
  memory_->AddText(L"uidef", L"xml_init", UiDef());
  app_->AddResProvider(memory_, L"uidef:xml_init");
  InstallSystemResources(*app_, translator_);
  if (HasFatalFailure()) return;
  RegisterProgramControls(*app_);
}

void UiControlsTest::TearDown() {
  app_->SetModalHook(nullptr);
  app_.reset();
}

void UiControlsTest::AddLayout(const std::wstring& name, const std::string& body, int width, int height,
                               const std::string& hostAttributes) {
  std::string xml = "<host size=\"" + std::to_string(width) + "," + std::to_string(height) + "\" " + hostAttributes +
                    "><root colorBkgnd=\"#fafafa\">" + body + "</root></host>";
  memory_->AddText(L"layout", name, xml);
}

std::unique_ptr<SHostWnd> UiControlsTest::LoadHost(const std::wstring& name) {
  auto host = std::make_unique<SHostWnd>(L"layout:" + name);
  EXPECT_TRUE(host->BuildTree()) << kb::WideToUtf8(name);
  host->LayoutTo(host->GetLayoutSize());
  return host;
}

kb::render::Bitmap UiControlsTest::Render(SHostWnd& host) {
  kb::render::Bitmap out;
  EXPECT_TRUE(host.RenderTo(out));
  return out;
}

}  // namespace kbtest

#include <chrono>
#include <cstdlib>

#include "toolkit/menu/SMenuItemWnd.h"
#include "toolkit/menu/SMenuPopup.h"

namespace kbtest {


void PostClick(HWND hwnd, Point pt) {
  PostMessageW(hwnd, WM_MOUSEMOVE, 0, PointParam(pt));
  PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(pt));
  PostMessageW(hwnd, WM_LBUTTONUP, 0, PointParam(pt));
}

void PostClickOnMenuItem(SHostWnd& popup, int id) {
  auto& menu = static_cast<SMenuPopup&>(popup);
  for (int i = 0; SMenuItemWnd* row = menu.GetItemWnd(i); ++i) {
    if (!row->Info()->separator && row->Info()->id == id) {
      PostClick(popup.GetHwnd(), CenterOf(row));
      return;
    }
  }
  ADD_FAILURE() << "no menu item " << id;
}

bool HaveTray() { return std::getenv("KB_TRAY") != nullptr; }

}  // namespace kbtest
