// Every resource the program and its layouts ask for is in the built
// package under the name asked for, and loads: XML parses with the root its
// reader expects, images decode, the icon loads as an icon.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "PackageSupport.h"
#include "platform/path.h"
#include "platform/text.h"
#include "platform/win32.h"
#include "toolkit/render/ImageDecoder.h"

namespace kbtest {
namespace {

enum class Kind { kXml, kImage, kIcon };

struct Resource {
  const char* name;  // "type:name", letters as the program asks
  Kind kind;
  const char* root;  // XML: the root element
};

const Resource kResources[] = {
    {"uidef:xml_init", Kind::kXml, "uidef"},
    {"LAYOUT:XML_MAINWND", Kind::kXml, "host"},
    {"LAYOUT:macro", Kind::kXml, "host"},
    {"LAYOUT:SYS_XML_MSGBOX", Kind::kXml, "host"},
    {"values:string", Kind::kXml, "string"},
    {"values:color", Kind::kXml, "color"},
    {"values:skin", Kind::kXml, "skin"},
    {"translator:lang_cn", Kind::kXml, "language"},
    {"translator:lang_en", Kind::kXml, "language"},
    {"SMENU:menu_tray", Kind::kXml, "menu"},
    {"smenuex:menu_more", Kind::kXml, "menuRoot"},
    {"ICON:ICON_LOGO", Kind::kIcon, ""},
    {"kb_macro:bg_png", Kind::kImage, ""},
    {"main:table_main_bg_png", Kind::kImage, ""},
    {"main:table_main_icon_png", Kind::kImage, ""},
    {"main:state_func_bg_png", Kind::kImage, ""},
    {"main:state_funcc_bg_png", Kind::kImage, ""},
    {"main:ioc_func_macro_png", Kind::kImage, ""},
    {"main:ioc_func_rgb_png", Kind::kImage, ""},
    {"main:cbox_profile_normal_png", Kind::kImage, ""},
    {"main:cbox_profile_selected_png", Kind::kImage, ""},
    {"main:cbox_profile_ico_png", Kind::kImage, ""},
    {"main:img_keboard_normal_png", Kind::kImage, ""},
    {"main:img_keboard_checked_png", Kind::kImage, ""},
    {"main:img_keboard_pressed_png", Kind::kImage, ""},
    {"main:img_keboard_floating_png", Kind::kImage, ""},
    {"main:win_macro_bg_png", Kind::kImage, ""},
    {"main:bg_macr_keys_png", Kind::kImage, ""},
    {"main:state_del_png", Kind::kImage, ""},
    {"main:state_add_png", Kind::kImage, ""},
    {"main:state_capture_png", Kind::kImage, ""},
    {"main:state_import_png", Kind::kImage, ""},
    {"main:state_export_png", Kind::kImage, ""},
    {"main:state_up_png", Kind::kImage, ""},
    {"main:state_down_png", Kind::kImage, ""},
    {"main:state_record_png", Kind::kImage, ""},
    {"main:state_ok_png", Kind::kImage, ""},
    {"main:state_cancel_png", Kind::kImage, ""},
    {"main:bg_macro_group_png", Kind::kImage, ""},
    {"main:image_bg_macro_content_png", Kind::kImage, ""},
    {"main:bg_progress_bg_png", Kind::kImage, ""},
    {"main:bg_progress_pos_png", Kind::kImage, ""},
    {"main:state_progres_thum_png", Kind::kImage, ""},
    {"main:icon_color_effects_png", Kind::kImage, ""},
    {"main:state_color_effects_png", Kind::kImage, ""},
    {"main:state_color_select_png", Kind::kImage, ""},
    {"main:state_clear_png", Kind::kImage, ""},
    {"main:more_menu_png", Kind::kImage, ""},
    {"main:img_keboard_demo_png", Kind::kImage, ""},
};

std::string Label(const ::testing::TestParamInfo<Resource>& info) {
  std::string label;
  for (const char* c = info.param.name; *c; ++c) label += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
  return label;
}

class ResourceTest : public ::testing::TestWithParam<Resource> {
 protected:
  void SetUp() override { ASSERT_TRUE(files_.Init(PackageFolder())) << kb::WideToUtf8(PackageFolder()); }
  kb::ui::SResProviderFiles files_;
};

TEST_P(ResourceTest, ResolvesAndLoads) {
  const Resource& r = GetParam();
  if (IsKeyboardPicture(r.name) && !KeyboardPicturesBuilt()) GTEST_SKIP() << "no keyboard picture generator";
  std::wstring full = kb::Utf8ToWide(r.name);
  size_t colon = full.find(L':');
  ASSERT_NE(colon, std::wstring::npos);
  std::wstring type = full.substr(0, colon), name = full.substr(colon + 1);
  ASSERT_TRUE(files_.HasResource(type, name)) << r.name << " is not in uires.idx";
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(files_.GetRawBuffer(type, name, bytes)) << r.name << ": its file is missing";
  ASSERT_FALSE(bytes.empty()) << r.name;
  switch (r.kind) {
    case Kind::kXml: {
      pugi::xml_document doc;
      pugi::xml_parse_result parsed = doc.load_buffer(bytes.data(), bytes.size());
      ASSERT_TRUE(parsed) << r.name << ": " << parsed.description() << " at byte " << parsed.offset;
      EXPECT_STREQ(doc.document_element().name(), r.root) << r.name;
      break;
    }
    case Kind::kImage: {
      auto decoder = kb::render::CreateImageDecoder(kb::render::kGdipDecoderName);
      ASSERT_TRUE(decoder);
      kb::render::Bitmap image;
      EXPECT_TRUE(decoder->Decode(bytes.data(), bytes.size(), image)) << r.name << " does not decode";
      EXPECT_FALSE(image.IsEmpty()) << r.name;
      break;
    }
    case Kind::kIcon:
      // Checked through the system's own loader below.
      EXPECT_GE(bytes.size(), 6u);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Package, ResourceTest, ::testing::ValuesIn(kResources), Label);

TEST(PackageIndex, EveryEntryIsAFileInsideThePackage) {
  std::vector<IndexEntry> entries = ReadIndex();
  ASSERT_GE(entries.size(), std::size(kResources));
  for (const IndexEntry& e : entries) {
    if (IsKeyboardPicture(e.name) && !KeyboardPicturesBuilt()) continue;
    SCOPED_TRACE(e.type + ":" + e.name + " -> " + e.path);
    EXPECT_FALSE(e.path.empty());
    EXPECT_EQ(e.path.find(".."), std::string::npos);
    EXPECT_NE(e.path.front(), '/');
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(ReadFileBytes(kb::PathJoin(PackageFolder(), kb::Utf8ToWide(e.path)), bytes));
  }
}

TEST(PackageIndex, NoNameTwiceWithinAType) {
  std::vector<IndexEntry> entries = ReadIndex();
  for (size_t i = 0; i < entries.size(); ++i)
    for (size_t j = i + 1; j < entries.size(); ++j) {
      auto lower = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
      };
      EXPECT_FALSE(lower(entries[i].type) == lower(entries[j].type) && lower(entries[i].name) == lower(entries[j].name))
          << entries[i].type << ":" << entries[i].name;
    }
}

class IconSizeTest : public ::testing::TestWithParam<int> {};

TEST_P(IconSizeTest, LogoLoadsAsAnIconAtTrayAndWindowSizes) {
  std::vector<IndexEntry> entries = ReadIndex();
  std::string path;
  for (const IndexEntry& e : entries)
    if (e.name == "ICON_LOGO") path = e.path;
  ASSERT_FALSE(path.empty());
  std::wstring file = kb::PathJoin(PackageFolder(), kb::Utf8ToWide(path));
  int size = GetParam();
  HANDLE icon = ::LoadImageW(nullptr, file.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE);
  ASSERT_NE(icon, nullptr) << "size " << size << " error " << ::GetLastError();
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(static_cast<HICON>(icon), &info));
  EXPECT_TRUE(info.fIcon);
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  if (info.hbmMask) ::DeleteObject(info.hbmMask);
  EXPECT_TRUE(::DestroyIcon(static_cast<HICON>(icon)));
}

INSTANTIATE_TEST_SUITE_P(Sizes, IconSizeTest, ::testing::Values(16, 24, 32, 48));

}  // namespace
}  // namespace kbtest
