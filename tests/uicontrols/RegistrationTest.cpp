// The eight program control classes: their factories in start-up order,
// registration that never replaces a factory already there, and the class
// test answering for each class's own name and its base chain.
#include "UiControlsTestSupport.h"
#include "toolkit/controls/SEdit.h"
#include "ui/common/ProgramControls.h"

namespace kbtest {
namespace {

using RegistrationTest = UiControlsTest;

TEST(ProgramControlFactoriesTest, InStartUpOrderWithLayoutAndBaseNames) {
  struct Expected {
    const wchar_t* name;
    const wchar_t* base;
  };
  const Expected expected[] = {
      {L"shellnotifyicon", L"window"}, {L"cbimg", L"window"}, {L"page2", L"page"},   {L"tabctrl2", L"tabctrl"},
      {L"anmimg", L"window"},          {L"editex", L"edit"},  {L"radioex", L"radio"}, {L"checkex", L"check"},
  };
  auto factories = ProgramControlFactories();
  ASSERT_EQ(factories.size(), std::size(expected));
  for (size_t i = 0; i < factories.size(); ++i) {
    EXPECT_EQ(factories[i]->ClassName(), expected[i].name) << i;
    EXPECT_EQ(factories[i]->BaseClassName(), expected[i].base) << i;
  }
}

TEST_F(RegistrationTest, EveryClassAnswersForItsChainOnly) {
  struct Case {
    const wchar_t* cls;
    std::vector<const wchar_t*> is;
    std::vector<const wchar_t*> isNot;
  };
  const Case cases[] = {
      {L"shellnotifyicon", {L"shellnotifyicon", L"window"}, {L"img", L"text"}},
      {L"cbimg", {L"cbimg", L"window"}, {L"img"}},
      {L"page2", {L"page2", L"page", L"window"}, {L"tabctrl"}},
      {L"tabctrl2", {L"tabctrl2", L"tabctrl", L"window"}, {L"page"}},
      {L"anmimg", {L"anmimg", L"window"}, {L"img"}},
      {L"editex", {L"editex", L"edit", L"window"}, {L"text"}},
      {L"radioex", {L"radioex", L"radio", L"window"}, {L"check", L"checkex"}},
      {L"checkex", {L"checkex", L"check", L"window"}, {L"radio", L"radioex"}},
  };
  for (const Case& c : cases) {
    std::unique_ptr<SWindow> w = app_->CreateWindowByName(c.cls);
    ASSERT_NE(w, nullptr) << kb::WideToUtf8(c.cls);
    EXPECT_EQ(std::wstring(w->GetObjectClass()), c.cls);
    for (const wchar_t* name : c.is) EXPECT_TRUE(w->IsClass(name)) << kb::WideToUtf8(c.cls) << " is " << kb::WideToUtf8(name);
    for (const wchar_t* name : c.isNot)
      EXPECT_FALSE(w->IsClass(name)) << kb::WideToUtf8(c.cls) << " is not " << kb::WideToUtf8(name);
    EXPECT_EQ(app_->Factories().BaseClassOf(c.cls), c.is[1]);
  }
}

// A class a skin or test registered first keeps its factory.
class OwnEdit : public SEdit {
  KB_CLASS(OwnEdit, SEdit, L"editex")
};

TEST(RegisterProgramControlsTest, KeepsFactoriesAlreadyThere) {
  auto render = std::make_shared<SRenderFactory>();
  SApplication app(render, nullptr, L"KbUiControlsRegisterHost");
  size_t before = app.Factories().Count();
  ASSERT_TRUE(app.RegisterObjectFactory(TplSObjectFactory<OwnEdit>()));
  RegisterProgramControls(app);
  EXPECT_EQ(app.Factories().Count(), before + 8);
  std::unique_ptr<SWindow> edit = app.CreateWindowByName(L"editex");
  ASSERT_NE(edit, nullptr);
  EXPECT_NE(dynamic_cast<OwnEdit*>(edit.get()), nullptr);
  // Registering twice changes nothing either.
  RegisterProgramControls(app);
  EXPECT_EQ(app.Factories().Count(), before + 8);
  EXPECT_TRUE(app.Factories().HasFactory(L"CheckEx")) << "class names compare without letter case";
}

}  // namespace
}  // namespace kbtest
