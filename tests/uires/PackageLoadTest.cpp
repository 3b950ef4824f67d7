// The package loaded the way the program starts: UI definitions with every
// skin at its documented size and state count, the theme's colours, the
// application name, the message box layout and both languages.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "PackageSupport.h"
#include "platform/text.h"
#include "toolkit/controls/STabCtrl.h"
#include "toolkit/core/SLangPack.h"
#include "toolkit/skin/ISkinObj.h"
#include "toolkit/window/SHostWnd.h"
#include "ui/common/ResourceNames.h"

namespace kbtest {
namespace {

struct DocumentedSkin {
  const wchar_t* name;
  int width;  // one frame; 0 for pictures drawn from the key map
  int height;
  int states;
};

// What uires/README.md promises layout authors.
const DocumentedSkin kSkins[] = {
    {L"table_main_bg", 1000, 640, 1},
    {L"table_main_icon", 24, 24, 1},
    {L"state_func_bg", 140, 40, 4},
    {L"state_funcc_bg", 140, 40, 8},
    {L"ioc_func_macro", 24, 24, 2},
    {L"ioc_func_rgb", 24, 24, 2},
    {L"cbox_profile_normal", 160, 32, 4},
    {L"cbox_profile_selected", 160, 32, 1},
    {L"cbox_profile_ico", 20, 32, 4},
    {L"img_keboard_normal", 0, 0, 1},
    {L"img_keboard_checked", 0, 0, 1},
    {L"img_keboard_pressed", 0, 0, 1},
    {L"img_keboard_floating", 0, 0, 1},
    {L"img_keboard_demo", 0, 0, 1},
    {L"more_menu", 32, 32, 4},
    {L"icon_color_effects", 24, 24, 1},
    {L"state_color_effects", 18, 18, 8},
    {L"state_color_select", 18, 18, 8},
    {L"bg_progress_bg", 24, 6, 1},
    {L"bg_progress_pos", 24, 6, 1},
    {L"state_progres_thum", 18, 18, 4},
    {L"win_macro_bg", 760, 560, 1},
    {L"kb_macro_bg", 64, 64, 1},
    {L"bg_macr_keys", 48, 48, 1},
    {L"bg_macro_group", 48, 48, 1},
    {L"image_bg_macro_content", 48, 48, 1},
    {L"state_del", 32, 32, 4},
    {L"state_add", 32, 32, 4},
    {L"state_capture", 32, 32, 4},
    {L"state_import", 32, 32, 4},
    {L"state_export", 32, 32, 4},
    {L"state_up", 32, 32, 4},
    {L"state_down", 32, 32, 4},
    {L"state_clear", 32, 32, 4},
    {L"state_record", 32, 32, 8},
    {L"state_ok", 100, 34, 4},
    {L"state_cancel", 100, 34, 4},
};

std::string SkinLabel(const ::testing::TestParamInfo<DocumentedSkin>& info) { return kb::WideToUtf8(info.param.name); }

class SkinTest : public PackageTest, public ::testing::WithParamInterface<DocumentedSkin> {};

TEST_P(SkinTest, HasItsSizeAndStates) {
  const DocumentedSkin& want = GetParam();
  if (IsKeyboardPicture(kb::WideToUtf8(want.name)) && !KeyboardPicturesBuilt())
    GTEST_SKIP() << "no keyboard picture generator";
  kb::ui::ISkinObj* skin = app_->Skins().GetSkin(want.name);
  ASSERT_NE(skin, nullptr) << "no skin " << kb::WideToUtf8(want.name);
  EXPECT_EQ(skin->GetStates(), want.states);
  kb::ui::Size size = skin->GetSkinSize();
  if (want.width == 0) {
    EXPECT_GT(size.cx, 0);
    EXPECT_GT(size.cy, 0);
    return;
  }
  EXPECT_EQ(size.cx, want.width);
  EXPECT_EQ(size.cy, want.height);
}

INSTANTIATE_TEST_SUITE_P(Package, SkinTest, ::testing::ValuesIn(kSkins), SkinLabel);

// Every image skin of the table is in the test table, so nothing goes
// undocumented; frames divide the image evenly.
TEST_F(PackageTest, EveryImageSkinIsDocumentedAndDividesIntoFrames) {
  pugi::xml_document doc;
  ASSERT_TRUE(app_->LoadXmlDocument(doc, L"values:skin", L"values"));
  std::set<std::wstring> documented;
  for (const DocumentedSkin& s : kSkins) documented.insert(s.name);
  int images = 0;
  for (pugi::xml_node node : doc.child("skin").children()) {
    std::string kind = node.name();
    if (kind != "imglist" && kind != "imgframe") continue;
    ++images;
    std::wstring name = kb::Utf8ToWide(node.attribute("name").as_string());
    if (IsKeyboardPicture(node.attribute("name").as_string()) && !KeyboardPicturesBuilt()) continue;
    EXPECT_TRUE(documented.count(name)) << kb::WideToUtf8(name) << " is not documented";
    auto image = app_->GetImage(kb::Utf8ToWide(node.attribute("src").as_string()));
    ASSERT_TRUE(image) << node.attribute("src").as_string();
    int states = node.attribute("states").as_int(1);
    EXPECT_EQ(image->Width() % states, 0) << kb::WideToUtf8(name);
  }
  EXPECT_EQ(images, static_cast<int>(std::size(kSkins)));
}

TEST_F(PackageTest, ApplicationNameIsStringZero) {
  EXPECT_EQ(app_->Strings().Get(0), L"KbConfig");
  EXPECT_EQ(app_->ResolveString(L"@string/app"), L"KbConfig");
}

class ColourTest : public PackageTest, public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(ColourTest, Resolves) {
  EXPECT_TRUE(app_->ResolveColor(std::wstring(L"@color/") + GetParam()).has_value()) << kb::WideToUtf8(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Theme, ColourTest,
                         ::testing::Values(L"window", L"panel", L"panel_alt", L"field", L"border", L"text",
                                           L"text_muted", L"text_disabled", L"text_on_accent", L"accent",
                                           L"accent_hover", L"accent_pressed", L"danger", L"success"));

// Styles and skins the layouts and the toolkit's controls rely on.
TEST_F(PackageTest, ThemeSkinsOverrideTheToolkitDefaults) {
  for (const wchar_t* name : {L"_sys.button", L"_sys.checkbox", L"_sys.radio", L"_sys.edit", L"_sys.combobox",
                              L"_sys.slider.thumb", L"_sys.menu.bg", L"_sys.msgbox.bg", L"wnd_close", L"wnd_min",
                              L"msgbox_bg", L"list_row"}) {
    EXPECT_NE(app_->Skins().GetSkin(name), nullptr) << kb::WideToUtf8(name);
  }
  EXPECT_TRUE(app_->Styles().Find(L"btn_primary")) << "style btn_primary";
  EXPECT_TRUE(app_->Styles().Find(L"heading")) << "style heading";
}

TEST_F(PackageTest, MessageBoxHasItsNamedControlsAndButtonPages) {
  kb::ui::SHostWnd host(kb::res::kLayoutMsgBox);
  ASSERT_TRUE(host.BuildTree());
  const std::pair<const wchar_t*, int> named[] = {{L"msgtitle", kb::id::kMsgTitle},
                                                  {L"msgicon", kb::id::kMsgIcon},
                                                  {L"msgtext", kb::id::kMsgText},
                                                  {L"btnSwitch", kb::id::kBtnSwitch}};
  for (const auto& [name, id] : named) {
    kb::ui::SWindow* control = host.FindChildByName(name);
    ASSERT_NE(control, nullptr) << kb::WideToUtf8(name);
    EXPECT_EQ(control->GetID(), id) << kb::WideToUtf8(name);
  }
  auto* pages = host.FindChildByName<kb::ui::STabCtrl>(L"btnSwitch");
  ASSERT_NE(pages, nullptr) << "btnSwitch is not a tab control";
  ASSERT_EQ(pages->GetItemCount(), 3);
  const wchar_t* buttons[] = {L"button1st", L"button2nd", L"button3rd"};
  for (int page = 0; page < 3; ++page) {
    for (int b = 0; b < 3; ++b) {
      kb::ui::SWindow* button = pages->GetItem(page)->FindChildByName(buttons[b]);
      EXPECT_EQ(button != nullptr, b <= page) << "page " << page << " " << kb::WideToUtf8(buttons[b]);
    }
  }
}

struct Translation {
  const wchar_t* context;
  const wchar_t* english;
  const wchar_t* chinese;
};

const Translation kMessageBoxTexts[] = {
    {L"msgbox", L"Warning", L"警告"},
    {L"msgbox", L"OK", L"确定"},
    {L"msgbox", L"Cancel", L"取消"},
    {L"msgbox", L"Please insert USB device!", L"请插入USB设备！"},
    {L"msgbox", L"Please insert USB device", L"请插入USB设备"},
    {L"msgbox", L"The firmware is already the latest version and no upgrade is required.",
     L"固件已是最新版本，无需升级。"},
    {L"msgbox", L"All settings will be restored, are you sure you want to continue?",
     L"所有设置都将恢复，确定要继续吗？"},
    {L"msgbox", L"This file is not a settings backup or is damaged. Nothing was changed.",
     L"此文件不是设置备份或已损坏，未做任何更改。"},
    {L"main", L"Import settings…", L"导入设置…"},
};

class MessageBoxTextTest : public PackageTest, public ::testing::WithParamInterface<Translation> {};

TEST_P(MessageBoxTextTest, ChineseThenEnglishAgain) {
  const Translation& t = GetParam();
  ASSERT_TRUE(InstallLanguage(kb::res::kLangCn));
  EXPECT_EQ(app_->Translate(t.english, t.context), t.chinese);
  // Switching back replaces the pack: both files carry the same pack name.
  ASSERT_TRUE(InstallLanguage(kb::res::kLangEn));
  EXPECT_EQ(app_->Translate(t.english, t.context), t.english);
}

INSTANTIATE_TEST_SUITE_P(Package, MessageBoxTextTest, ::testing::ValuesIn(kMessageBoxTexts));

class LanguageFileTest : public PackageTest, public ::testing::WithParamInterface<const wchar_t*> {};

// Entries added by several hands: every item translates to something, no
// text is listed twice in one context, and the contexts the windows use
// exist.
TEST_P(LanguageFileTest, ItemsAreCompleteAndUnique) {
  pugi::xml_document doc;
  ASSERT_TRUE(app_->LoadXmlDocument(doc, std::wstring(L"translator:") + GetParam(), L"translator"));
  pugi::xml_node language = doc.child("language");
  EXPECT_STREQ(language.attribute("name").as_string(), "kbconfig");
  std::set<std::string> contexts;
  for (pugi::xml_node context : language.children("context")) {
    std::string name = context.attribute("name").as_string();
    EXPECT_TRUE(contexts.insert(name).second) << "context " << name << " twice";
    std::set<std::string> sources;
    for (pugi::xml_node item : context.children("item")) {
      std::string src = item.attribute("src").as_string();
      EXPECT_FALSE(src.empty()) << "item without src in " << name;
      EXPECT_FALSE(std::string(item.attribute("tr").as_string()).empty()) << name << ": " << src;
      EXPECT_TRUE(sources.insert(src).second) << name << ": \"" << src << "\" twice";
    }
  }
  for (const char* needed : {"main", "macro", "msgbox"}) EXPECT_TRUE(contexts.count(needed)) << needed;
}

INSTANTIATE_TEST_SUITE_P(Package, LanguageFileTest, ::testing::Values(L"lang_cn", L"lang_en"));

}  // namespace
}  // namespace kbtest
