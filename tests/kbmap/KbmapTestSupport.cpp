#include "KbmapTestSupport.h"

#include <cstdio>

#include "platform/path.h"
#include "platform/save_file.h"
#include "platform/text.h"
#include "toolkit/core/SResProviderExe.h"
#include "toolkit/render/PngEncoder.h"

namespace kbtest {
namespace {

std::vector<uint8_t> UniformPicture(Color color) {
  kb::render::Bitmap image(kPictureWidth, kPictureHeight);
  image.Fill(kb::render::Premultiply(color));
  return kb::render::EncodePng(image);
}

LPARAM PointParam(Point pt) { return MAKELPARAM(pt.x, pt.y); }

}  // namespace

std::wstring WriteKeyMap(const std::string& name, const std::string& xml) {
  std::wstring folder = kb::PathJoin(kb::ExecutableFolder(), kKeyMapFolder);
  CreateDirectoryW(folder.c_str(), nullptr);
  std::wstring wideName = kb::Utf8ToWide(name);
  EXPECT_TRUE(kb::SaveFileAtomically(kb::PathJoin(folder, wideName), xml)) << name;
  return std::wstring(kKeyMapFolder) + L"/" + wideName;
}

void KbmapTest::SetUp() {
  auto render = std::make_shared<kb::ui::SRenderFactory>();
  render->SetImgDecoderFactory(kb::ui::SImgDecoderFactory::Create(L"imgdecoder-stb"));
  app_ = std::make_unique<kb::ui::SApplication>(render, nullptr, L"KbKbmapTestHost");
  memory_ = std::make_shared<kb::ui::SResProviderMemory>();
  memory_->Add(L"img", L"bg", UniformPicture(kBgColor));
  memory_->Add(L"img", L"hover", UniformPicture(kHoverColor));
  memory_->Add(L"img", L"checked", UniformPicture(kCheckedColor));
  memory_->Add(L"img", L"pressed", UniformPicture(kPressedColor));
  memory_->AddText(L"img", L"broken", "not a picture");
  memory_->AddText(L"values", L"string", "<string><keymap value=\"kbmap-test/strings.xml\"/></string>");
  memory_->AddText(L"uidef", L"xml_init", "<uidef><font face=\"DejaVu Sans\" size=\"12\"/>"
                                          "<string src=\"values:string\"/></uidef>");
  app_->AddResProvider(memory_, L"uidef:xml_init");
  kb::ui::SResProviderExe exe;
  exe.Init(nullptr);
  ASSERT_TRUE(app_->LoadSystemNamedResource(exe));
  app_->RegisterWindowClass<CoordButtonImage>();
}

void KbmapTest::TearDown() { app_.reset(); }

std::unique_ptr<kb::ui::SHostWnd> KbmapTest::MakeHost(const std::string& controlAttributes) {
  char frame[160];
  std::snprintf(frame, sizeof(frame), "pos=\"%d,%d\" size=\"%d,%d\" ", kControlOrigin.x, kControlOrigin.y,
                kPictureWidth, kPictureHeight);
  std::string xml = "<host size=\"300,200\"><root><cbimg name=\"pic\" " + std::string(frame) + controlAttributes +
                    "/></root></host>";
  auto host = std::make_unique<kb::ui::SHostWnd>();
  host->SetLayoutXml(xml);
  EXPECT_TRUE(host->BuildTree()) << xml;
  host->LayoutTo(host->GetLayoutSize());
  return host;
}

CoordButtonImage* KbmapTest::Picture(kb::ui::SHostWnd& host) {
  return host.FindChildByName<CoordButtonImage>(L"pic");
}

void MoveTo(kb::ui::SHostWnd& host, Point pt) { host.HandleMessage(WM_MOUSEMOVE, 0, PointParam(pt)); }

void ButtonDown(kb::ui::SHostWnd& host, Point pt, WPARAM flags) {
  host.HandleMessage(WM_MOUSEMOVE, flags, PointParam(pt));
  host.HandleMessage(WM_LBUTTONDOWN, flags, PointParam(pt));
}

void ButtonUp(kb::ui::SHostWnd& host, Point pt, WPARAM flags) {
  host.HandleMessage(WM_MOUSEMOVE, flags | MK_LBUTTON, PointParam(pt));
  host.HandleMessage(WM_LBUTTONUP, flags, PointParam(pt));
}

void Leave(kb::ui::SHostWnd& host) { host.HandleMessage(WM_MOUSELEAVE, 0, 0); }

Point HostPoint(int x, int y) { return Point{kControlOrigin.x + x, kControlOrigin.y + y}; }

}  // namespace kbtest
