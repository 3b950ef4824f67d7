// Language packs, the translator and the re-translation of a window.
#include "ToolkitTestSupport.h"
#include "toolkit/controls/SComboBox.h"
#include "toolkit/controls/STabCtrl.h"

namespace kbtest {
namespace {

std::shared_ptr<SLangPack> PackFrom(const char* xml) {
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_string(xml));
  auto pack = std::make_shared<SLangPack>();
  pack->Load(doc.document_element());
  return pack;
}

TEST(LangPackTest, ContextFirstThenGlobal) {
  auto pack = PackFrom(
      "<language name=\"ui\"><item src=\"A\" tr=\"a\"/><context name=\"c\"><item src=\"A\" tr=\"ca\"/>"
      "<item src=\"B\" tr=\"cb\"/></context></language>");
  struct Case {
    const wchar_t* src;
    const wchar_t* ctx;
    std::optional<std::wstring> expected;
  };
  const Case cases[] = {{L"A", L"", L"a"},   {L"A", L"c", L"ca"},           {L"B", L"c", L"cb"},
                        {L"B", L"", std::nullopt}, {L"A", L"other", L"a"}, {L"Z", L"c", std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(pack->Translate(c.src, c.ctx), c.expected);
  EXPECT_EQ(pack->Count(), 3u);
}

TEST(LangPackTest, NameIsKeptWithinSixtyThreeCharacters) {
  std::string longName(100, 'n');
  auto pack = PackFrom(("<language name=\"" + longName + "\"/>").c_str());
  EXPECT_EQ(pack->Name().size(), SLangPack::kMaxNameLength);
  wchar_t buffer[64];
  EXPECT_EQ(pack->GetName(buffer, 64), 63u);
  STranslatorMgr mgr;
  ASSERT_TRUE(mgr.InstallLanguage(pack));
  // The name read back uninstalls the pack, so switching languages never
  // stacks packs up.
  EXPECT_TRUE(mgr.UninstallLanguage(buffer));
  EXPECT_EQ(mgr.LanguageCount(), 0u);
}

TEST(LangPackTest, RejectsWhatIsNotALanguage) {
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string("<lang name=\"x\"/>"));
  SLangPack pack;
  EXPECT_FALSE(pack.Load(doc.document_element()));
  ASSERT_TRUE(doc.load_string("<language/>"));
  EXPECT_FALSE(pack.Load(doc.document_element()));
  STranslatorMgr mgr;
  EXPECT_FALSE(mgr.InstallLanguage(nullptr));
  EXPECT_FALSE(mgr.InstallLanguage(std::make_shared<SLangPack>()));
}

TEST(TranslatorMgrTest, NewestPackAnswersAndSameNameReplaces) {
  STranslatorMgr mgr;
  mgr.InstallLanguage(PackFrom("<language name=\"base\"><item src=\"A\" tr=\"base-a\"/><item src=\"B\" tr=\"base-b\"/></language>"));
  mgr.InstallLanguage(PackFrom("<language name=\"ui\"><item src=\"A\" tr=\"ui-a\"/></language>"));
  EXPECT_EQ(mgr.Translate(L"A", L""), L"ui-a");
  EXPECT_EQ(mgr.Translate(L"B", L""), L"base-b");
  EXPECT_EQ(mgr.Translate(L"C", L""), L"C");
  EXPECT_EQ(mgr.Translate(L"", L""), L"");
  mgr.InstallLanguage(PackFrom("<language name=\"ui\"><item src=\"A\" tr=\"ui2-a\"/></language>"));
  EXPECT_EQ(mgr.LanguageCount(), 2u);
  EXPECT_EQ(mgr.Translate(L"A", L""), L"ui2-a");
  EXPECT_TRUE(mgr.UninstallLanguage(L"ui"));
  EXPECT_FALSE(mgr.UninstallLanguage(L"ui"));
  EXPECT_EQ(mgr.Translate(L"A", L""), L"base-a");
}

class WindowTranslationTest : public ToolkitTest {};

TEST_F(WindowTranslationTest, LanguageChangeTranslatesEveryTextAndBack) {
  auto host = LoadHost(L"layout:all_controls");
  SWindow* title = host->FindChildByName(L"title");
  SWindow* check = host->FindChildByName(L"chk_one");
  auto* tab = host->FindChildByName<STabCtrl>(L"tab_main");
  auto* combo = host->FindChildByName<SComboBox>(L"cbx_color");
  SWindow* button = host->FindChildByName(L"btn_first");
  ASSERT_TRUE(title && check && tab && combo && button);
  EXPECT_EQ(title->GetWindowText(), L"Hello");
  EXPECT_EQ(check->GetWindowText(), L"Speed");

  ASSERT_TRUE(InstallLanguage(L"translator:lang_cn"));
  Deliver(*host, SHostWnd::kMsgLanguageChanged);
  EXPECT_EQ(title->GetWindowText(), L"你好");
  EXPECT_EQ(check->GetWindowText(), L"速度（上下文）") << "the host's trCtx comes first";
  EXPECT_EQ(check->GetWindowText(true), L"Speed");
  EXPECT_EQ(tab->GetItem(0)->GetTitle(), L"第一页");
  EXPECT_EQ(tab->GetItem(1)->GetTitle(), L"Page two") << "texts without translation stay";
  EXPECT_EQ(combo->GetLBText(0), L"红色");
  EXPECT_EQ(combo->GetLBText(0, true), L"Red");
  EXPECT_EQ(button->GetToolTipText(CenterOf(button)), L"按钮提示");

  ASSERT_TRUE(InstallLanguage(L"translator:lang_en"));
  EXPECT_EQ(translator_->LanguageCount(), 1u) << "both packs are named \"ui\"";
  Deliver(*host, SHostWnd::kMsgLanguageChanged);
  EXPECT_EQ(title->GetWindowText(), L"Hello");
  EXPECT_EQ(check->GetWindowText(), L"Speed");
  EXPECT_EQ(tab->GetItem(0)->GetTitle(), L"Page one");
  EXPECT_EQ(combo->GetLBText(1), L"Green");
  EXPECT_EQ(button->GetToolTipText(CenterOf(button)), L"Tip of the button");
}

TEST_F(WindowTranslationTest, EditContentIsNeverTranslated) {
  auto host = LoadHost(L"layout:all_controls");
  ASSERT_TRUE(InstallLanguage(L"translator:lang_cn"));
  SWindow* edit = host->FindChildByName(L"edit_name");
  ASSERT_NE(edit, nullptr);
  edit->SetWindowText(L"Hello");
  Deliver(*host, SHostWnd::kMsgLanguageChanged);
  EXPECT_EQ(edit->GetWindowText(), L"Hello");
}

}  // namespace
}  // namespace kbtest
