// Every control a keyboard user can reach in the program's windows has a
// name a screen reader can announce, in English and in Chinese, taken from
// the translation files; so have the windows' titles.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "PackageSupport.h"
#include "platform/text.h"
#include "toolkit/window/SHostWnd.h"
#include "ui/common/ProgramControls.h"
#include "ui/common/ResourceNames.h"

namespace kbtest {
namespace {

struct Named {
  std::wstring control;
  std::wstring name;
};

class AccessibleNamesTest : public PackageTest {
 protected:
  // The names of the controls that take the keyboard focus, in tree order.
  std::vector<Named> NamesIn(const wchar_t* layout, const wchar_t* language, std::wstring* title) {
    EXPECT_TRUE(InstallLanguage(language));
    kb::ui::RegisterProgramControls(*app_);
    kb::ui::SHostWnd host(layout);
    EXPECT_TRUE(host.BuildTree());
    if (title) *title = host.GetTitle();
    static const std::set<std::wstring> kFocusable = {
        L"button", L"imgbtn", L"combobox", L"sliderbar", L"edit", L"editex", L"check", L"radio", L"checkex",
        L"radioex", L"listview", L"mclistview", L"cbimg", L"tabctrl", L"tabctrl2"};
    std::vector<Named> out;
    std::function<void(kb::ui::SWindow*)> walk = [&](kb::ui::SWindow* w) {
      if (kFocusable.count(w->GetObjectClass()) && w->WantsFocus()) out.push_back(Named{w->GetName(), w->GetAccessibleName()});
      for (size_t i = 0; i < w->GetChildCount(); ++i) walk(w->GetChild(i));
    };
    walk(host.GetRoot());
    return out;
  }
};

// The language buttons name their language in its own script.
const std::set<std::wstring> kSameInBoth = {L"zh_cn", L"jp"};

TEST_F(AccessibleNamesTest, EveryFocusableControlIsNamedInBothLanguages) {
  struct Case {
    const wchar_t* layout;
    bool titleTranslated;  // the main window is the program's name
  };
  for (const Case& c : {Case{kb::res::kLayoutMainWnd, false}, Case{kb::res::kLayoutMacro, true}}) {
    SCOPED_TRACE(kb::WideToUtf8(c.layout));
    std::wstring titleEn, titleCn;
    std::vector<Named> en = NamesIn(c.layout, kb::res::kLangEn, &titleEn);
    std::vector<Named> cn = NamesIn(c.layout, kb::res::kLangCn, &titleCn);
    EXPECT_FALSE(titleEn.empty());
    EXPECT_EQ(titleEn != titleCn, c.titleTranslated) << kb::WideToUtf8(titleCn);
    ASSERT_EQ(en.size(), cn.size());
    ASSERT_GT(en.size(), 8u);
    for (size_t i = 0; i < en.size(); ++i) {
      const std::string who = kb::WideToUtf8(en[i].control);
      EXPECT_FALSE(en[i].name.empty()) << who << " has no name";
      EXPECT_FALSE(cn[i].name.empty()) << who << " has no Chinese name";
      if (kSameInBoth.count(en[i].control) || en[i].name.empty()) continue;
      EXPECT_NE(en[i].name, cn[i].name) << who << " \"" << kb::WideToUtf8(en[i].name) << "\" is not translated";
    }
  }
}

// The language buttons translate a window that is already up: the names
// follow, also where the control's own text stays as typed.
TEST_F(AccessibleNamesTest, NamesFollowALanguageSwitch) {
  ASSERT_TRUE(InstallLanguage(kb::res::kLangEn));
  kb::ui::RegisterProgramControls(*app_);
  kb::ui::SHostWnd host(kb::res::kLayoutMacro);
  ASSERT_TRUE(host.BuildTree());
  kb::ui::SWindow* repeat = host.FindChildByName(L"edit_macro_repeat_times");
  ASSERT_NE(repeat, nullptr);
  repeat->SetWindowText(L"3");
  EXPECT_EQ(repeat->GetAccessibleName(), L"Repeat times");
  ASSERT_TRUE(InstallLanguage(kb::res::kLangCn));
  host.GetRoot()->NotifyLanguageChanged();
  EXPECT_EQ(repeat->GetAccessibleName(), L"重复次数");
  EXPECT_EQ(repeat->GetWindowText(), L"3");
}

}  // namespace
}  // namespace kbtest
