#include "ToolkitTestSupport.h"

#include <cstdlib>

#include "platform/path.h"
#include "platform/text.h"
#include "support/ToolkitApp.h"
#include "toolkit/render/PngEncoder.h"

namespace kbtest {

const Color kStateColors[4] = {Color::Rgb(200, 0, 0), Color::Rgb(0, 200, 0), Color::Rgb(0, 0, 200),
                               Color::Rgb(200, 200, 0)};

const std::vector<std::pair<std::wstring, int>>& TestNamedIds() {
  static const std::vector<std::pair<std::wstring, int>> ids = {
      {L"btn_first", 60001},   {L"btn_second", 60002}, {L"chk_one", 60003},    {L"chk_two", 60004},
      {L"radio_a", 60005},     {L"radio_b", 60006},    {L"radio_c", 60007},    {L"cbx_color", 60008},
      {L"bar_speed", 60009},   {L"tab_main", 60010},   {L"edit_name", 60011},  {L"edit_number", 60012},
      {L"list_groups", 60013}, {L"list_steps", 60014}, {L"group_name", 60015}, {L"key_code", 60016},
      {L"col1", 60017},        {L"col2", 60018},       {L"key_name", 60019},   {L"title", 60020}};
  return ids;
}

std::wstring TestResFolder() {
  const char* source = std::getenv("KB_SOURCE_DIR");
  std::wstring root = source ? kb::Utf8ToWide(source) : std::wstring(L".");
  return kb::PathJoin(kb::PathJoin(kb::PathJoin(root, L"tests"), L"toolkit_core"), L"res");
}

namespace {

std::vector<uint8_t> StatesImage() {
  kb::render::Bitmap image(40, 10);
  for (int frame = 0; frame < 4; ++frame)
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) image.Set(frame * 10 + x, y, kb::render::Premultiply(kStateColors[frame]));
  return kb::render::EncodePng(image);
}

// A 6 x 6 nine-patch: a 2-pixel black border around a white centre.
std::vector<uint8_t> PanelImage() {
  kb::render::Bitmap image(6, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      bool border = x < 2 || y < 2 || x >= 4 || y >= 4;
      image.Set(x, y, kb::render::Premultiply(border ? Color::Rgb(0, 0, 0) : Color::Rgb(255, 255, 255)));
    }
  return kb::render::EncodePng(image);
}

}  // namespace

void ToolkitTest::SetUp() {
  app_ = MakeTestApplication(L"KbToolkitTestHost");
  memory_ = std::make_shared<SResProviderMemory>();
  memory_->Add(L"img", L"states4", StatesImage());
  memory_->Add(L"img", L"panel9", PanelImage());
  // Images first: the UI definitions' skins use them.
  app_->AddResProvider(memory_, L"");
  std::vector<std::pair<std::wstring, int>> ids = TestNamedIds();
  std::vector<const wchar_t*> names;
  std::vector<int> values;
  for (const auto& [name, id] : ids) {
    names.push_back(name.c_str());
    values.push_back(id);
  }
  app_->InitXmlNamedID(names.data(), values.data(), names.size());
  files_ = std::make_shared<SResProviderFiles>();
  ASSERT_TRUE(files_->Init(TestResFolder()));
  app_->AddResProvider(files_, L"uidef:xml_init");
  InstallSystemResources(*app_, translator_);
}

void ToolkitTest::TearDown() {
  app_.reset();
}

std::unique_ptr<SHostWnd> ToolkitTest::LoadHost(const std::wstring& layout) {
  auto host = std::make_unique<SHostWnd>(layout);
  EXPECT_TRUE(host->BuildTree()) << kb::WideToUtf8(layout);
  host->LayoutTo(host->GetLayoutSize());
  return host;
}

bool ToolkitTest::InstallLanguage(const std::wstring& resName) {
  pugi::xml_document doc;
  if (!app_->LoadXmlDocument(doc, resName, L"translator")) return false;
  auto pack = translator_->CreateLangPack();
  if (!pack->Load(doc.child("language"))) return false;
  translator_->UninstallLanguage(pack->Name());
  return translator_->InstallLanguage(pack);
}

EventRecorder::EventRecorder(SWindow* control, int eventId) {
  EXPECT_NE(control, nullptr);
  if (!control) return;
  int cookie = control->SubscribeEvent(eventId, [this](EventArgs* e) {
    ++count_;
    if (auto* sel = dynamic_cast<EventCBSelChange*>(e)) values_.push_back(sel->nCurSel);
    else if (auto* pos = dynamic_cast<EventSliderPos*>(e)) values_.push_back(pos->nPos);
    else if (auto* tab = dynamic_cast<EventTabSelChanged*>(e)) values_.push_back(tab->uNewSel);
    else if (auto* hover = dynamic_cast<EventTabItemHover*>(e)) values_.push_back(hover->iHover);
    else if (auto* leave = dynamic_cast<EventTabItemLeave*>(e)) values_.push_back(-1 - leave->iLeave);
    else if (auto* lv = dynamic_cast<EventLVSelChanged*>(e)) values_.push_back(lv->iNewSel);
    return false;
  });
  EXPECT_NE(cookie, 0) << "the control does not raise event " << eventId;
}

}  // namespace kbtest
