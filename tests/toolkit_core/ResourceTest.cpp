// Resource providers, UI definitions, images and the system resources.
#include <pugixml.hpp>

#include <filesystem>
#include <fstream>

#include "ToolkitTestSupport.h"
#include "toolkit/core/SResProviderExe.h"
#include "toolkit/render/PngEncoder.h"
#include "toolkit/skin/ISkinObj.h"

namespace kbtest {
namespace {

TEST(ResProviderFilesTest, IndexMapsTypeAndNameWithoutLetterCase) {
  SResProviderFiles files;
  ASSERT_TRUE(files.Init(TestResFolder()));
  struct Case {
    const wchar_t* type;
    const wchar_t* name;
    bool present;
  };
  const Case cases[] = {{L"layout", L"all_controls", true}, {L"LAYOUT", L"ALL_CONTROLS", true},
                        {L"uidef", L"XML_INIT", true},      {L"smenuex", L"menu_ex", true},
                        {L"layout", L"menu_ex", false},     {L"translator", L"lang_cn", true},
                        {L"nothing", L"x", false}};
  for (const Case& c : cases) EXPECT_EQ(files.HasResource(c.type, c.name), c.present);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(files.GetRawBuffer(L"Translator", L"LANG_CN", bytes));
  EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("你好"), std::string::npos);
}

TEST(ResProviderFilesTest, PathsOutsideTheFolderAreRefused) {
  SResProviderFiles files;
  ASSERT_TRUE(files.Init(TestResFolder()));
  for (const wchar_t* name : {L"up", L"abs", L"drive", L"deep"}) {
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(files.HasResource(L"evil", name)) << kb::WideToUtf8(name);
    EXPECT_FALSE(files.GetRawBuffer(L"evil", name, bytes));
  }
  struct Case {
    const wchar_t* path;
    bool safe;
  };
  const Case cases[] = {{L"img/a.png", true}, {L"a..b/c", true},     {L"..", false},
                        {L"a/../b", false},  {L"a\\..\\b", false},  {L"\\a", false},
                        {L"/a", false},      {L"c:a", false},       {L"", false}};
  for (const Case& c : cases) EXPECT_EQ(SResProviderFiles::IsSafeRelativePath(c.path), c.safe) << kb::WideToUtf8(c.path);
}

TEST(ResProviderFilesTest, MissingIndexGivesNoResources) {
  SResProviderFiles files;
  EXPECT_FALSE(files.Init(TestResFolder() + L"_missing"));
  EXPECT_EQ(files.Count(), 0u);
  EXPECT_FALSE(files.HasResource(L"layout", L"all_controls"));
}

TEST(ResProviderFilesTest, ListedFileThatIsMissingReadsAsAbsent) {
  SResProviderFiles files;
  ASSERT_TRUE(files.Init(TestResFolder()));
  std::vector<uint8_t> bytes{1, 2, 3};
  EXPECT_FALSE(files.GetRawBuffer(L"smenu", L"menu_broken", bytes));
  EXPECT_TRUE(bytes.empty());
}

TEST(ResProviderExeTest, SystemResourcesAreInTheExecutable) {
  SResProviderExe exe;
  exe.Init(nullptr);
  for (const wchar_t* name : {SApplication::kSysSkin, SApplication::kSysEditMenu, SApplication::kSysMsgBox}) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(exe.GetRawBuffer(SApplication::kSysResType, name, bytes)) << kb::WideToUtf8(name);
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_buffer(bytes.data(), bytes.size())) << "system resource is not XML";
  }
  EXPECT_TRUE(exe.HasResource(L"xml", L"sys_xml_msgbox")) << "names compare without letter case";
  EXPECT_FALSE(exe.HasResource(L"XML", L"SYS_XML_NOTHING"));
}

class ApplicationResourceTest : public ToolkitTest {};

TEST_F(ApplicationResourceTest, UiDefinitionsAreLoaded) {
  EXPECT_EQ(app_->Strings().Get(0), L"KbToolkitTest");
  EXPECT_EQ(app_->ResolveString(L"@string/hello"), L"Hello");
  EXPECT_EQ(app_->ResolveString(L"@string/none"), L"@string/none");
  EXPECT_EQ(app_->ResolveString(L"plain"), L"plain");
  EXPECT_EQ(app_->ResolveColor(L"@color/accent"), Color::Rgb(0x20, 0x60, 0xc0));
  EXPECT_EQ(app_->ResolveColor(L"@color/broken"), std::nullopt);
  EXPECT_EQ(app_->Fonts().DefaultFont().pixelSize, 13);
  EXPECT_NE(app_->Styles().Find(L"title"), nullptr);
  EXPECT_NE(app_->ObjectDefaults().Find(L"sliderbar"), nullptr);
  // Application skins, then the system's.
  EXPECT_NE(app_->GetSkin(L"row"), nullptr);
  EXPECT_NE(app_->GetSkin(L"states4"), nullptr);
  EXPECT_NE(app_->GetSkin(L"_sys.button"), nullptr);
  EXPECT_EQ(app_->GetSkin(L"missing_image"), nullptr) << "a skin whose image is missing is not made";
  EXPECT_EQ(app_->GetSkin(L"nothing"), nullptr);
}

TEST_F(ApplicationResourceTest, EverySystemSkinLoads) {
  std::string xml = app_->GetSystemResource(SApplication::kSysSkin);
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(xml.c_str()));
  int count = 0;
  for (pugi::xml_node skin : doc.child("skin").children()) {
    if (skin.type() != pugi::node_element) continue;
    ++count;
    EXPECT_NE(app_->SystemSkins().GetSkin(kb::Utf8ToWide(skin.attribute("name").value())), nullptr)
        << skin.attribute("name").value();
  }
  EXPECT_GT(count, 20);
}

TEST_F(ApplicationResourceTest, ImagesAreDecodedOnceAndMissingOnesRemembered) {
  auto first = app_->GetImage(L"img:states4");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Width(), 40);
  EXPECT_EQ(app_->GetImage(L"IMG:STATES4").get(), first.get());
  EXPECT_EQ(app_->GetImage(L"img:nothere"), nullptr);
  EXPECT_EQ(app_->GetImage(L"layout:dialog"), nullptr) << "a layout is not an image";
}

TEST_F(ApplicationResourceTest, NewerProvidersAnswerFirst) {
  auto overlay = std::make_shared<SResProviderMemory>();
  overlay->AddText(L"values", L"string", "<string><x value=\"overlay\"/></string>");
  app_->AddResProvider(overlay, L"");
  pugi::xml_document doc;
  ASSERT_TRUE(app_->LoadXmlDocument(doc, L"values:string"));
  EXPECT_NE(doc.child("string").child("x"), nullptr);
  EXPECT_TRUE(app_->RemoveResProvider(overlay.get()));
  ASSERT_TRUE(app_->LoadXmlDocument(doc, L"values:string"));
  EXPECT_EQ(doc.child("string").child("x"), nullptr);
}

TEST_F(ApplicationResourceTest, BrokenXmlIsReportedAsMissing) {
  auto broken = std::make_shared<SResProviderMemory>();
  broken->AddText(L"layout", L"broken", "<host><root></host>");
  app_->AddResProvider(broken, L"");
  pugi::xml_document doc;
  EXPECT_FALSE(app_->LoadXmlDocument(doc, L"layout:broken"));
  EXPECT_FALSE(doc.document_element());
  SHostWnd host(L"layout:broken");
  EXPECT_FALSE(host.BuildTree());
  EXPECT_EQ(host.GetRoot(), nullptr);
}

TEST_F(ApplicationResourceTest, ImageDecoderChosenByName) {
  EXPECT_NE(SImgDecoderFactory::Create(L"imgdecoder-stb"), nullptr);
  EXPECT_NE(SImgDecoderFactory::Create(L"imgdecoder-gdip"), nullptr);
  EXPECT_EQ(SImgDecoderFactory::Create(L"imgdecoder-wic"), nullptr);
  EXPECT_EQ(SImgDecoderFactory::Create(L""), nullptr);
  // Without a decoder no image loads, and nothing breaks.
  auto render = std::make_shared<SRenderFactory>();
  SApplication bare(render, nullptr, L"KbBare");
  bare.AddResProvider(memory_, L"");
  EXPECT_EQ(bare.GetImage(L"img:states4"), nullptr);
}

TEST(ResProviderFilesTest, ScaledVariantsLieBesideTheFile) {
  struct Case {
    const wchar_t* path;
    const wchar_t* suffix;
    const wchar_t* variant;
  };
  const Case cases[] = {
      {L"img/bg.png", L"@2x", L"img/bg@2x.png"},
      {L"img/bg.9.png", L"@1.5x", L"img/bg.9@1.5x.png"},
      {L"img/noext", L"@2x", L"img/noext@2x"},
      {L"img.d/noext", L"@2x", L"img.d/noext@2x"},
      {L"bg.png", L"@2x", L"bg@2x.png"},
  };
  for (const Case& c : cases) EXPECT_EQ(SResProviderFiles::VariantPath(c.path, c.suffix), c.variant);
}

TEST(ApplicationImageScaleTest, NearestDrawnScaleFirstLargerOnATie) {
  struct Case {
    int dpi;
    std::vector<int> order;
  };
  const std::vector<Case> cases = {
      {96, {96, 144, 192}}, {120, {144, 96, 192}}, {144, {144, 192, 96}}, {168, {192, 144, 96}},
      {192, {192, 144, 96}}, {240, {192, 144, 96}}, {100, {96, 144, 192}},
  };
  for (const Case& c : cases) EXPECT_EQ(SApplication::ImageDpiPreference(c.dpi), c.order) << c.dpi;
}

// A package folder with an image drawn at 1x and 2x but not 1.5x: each dpi
// gets the nearest there is, with the dpi it was drawn for.
TEST(ApplicationImageScaleTest, TheNearestVariantThatExistsIsUsed) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("kb-variants-" + std::to_string(::GetCurrentProcessId()));
  fs::create_directories(folder / "img");
  {
    std::ofstream index(folder / "uires.idx");
    index << "<resource><img><file name=\"pic\" path=\"img/pic.png\"/></img></resource>";
  }
  auto write = [&](const char* name, int size) {
    kb::render::Bitmap image(size, size);
    std::vector<uint8_t> png = kb::render::EncodePng(image);
    std::ofstream out(folder / "img" / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  };
  write("pic.png", 4);
  write("pic@2x.png", 8);
  auto render = std::make_shared<SRenderFactory>();
  render->SetImgDecoderFactory(SImgDecoderFactory::Create(L"imgdecoder-stb"));
  SApplication app(render, nullptr, L"KbVariants");
  auto files = std::make_shared<SResProviderFiles>();
  ASSERT_TRUE(files->Init(folder.wstring()));
  app.AddResProvider(files, L"");
  struct Case {
    int dpi;
    int width;
    int imageDpi;
  };
  for (const Case& c : {Case{96, 4, 96}, Case{120, 4, 96}, Case{144, 8, 192}, Case{192, 8, 192}, Case{288, 8, 192}}) {
    SApplication::ScaledImage image = app.GetImageForDpi(L"img:pic", c.dpi);
    ASSERT_NE(image.bitmap, nullptr) << c.dpi;
    EXPECT_EQ(image.bitmap->Width(), c.width) << c.dpi;
    EXPECT_EQ(image.dpi, c.imageDpi) << c.dpi;
  }
  EXPECT_EQ(app.GetImageForDpi(L"img:none", 144).bitmap, nullptr);
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}

}  // namespace
}  // namespace kbtest
