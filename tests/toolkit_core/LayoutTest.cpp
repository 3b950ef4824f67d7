// Layouts: classes from factories, named ids, attributes, positions.
#include <functional>
#include <set>

#include "ToolkitTestSupport.h"
#include "toolkit/controls/SButton.h"
#include "toolkit/controls/SCheckBox.h"
#include "toolkit/controls/SComboBox.h"
#include "toolkit/controls/SEdit.h"
#include "toolkit/controls/SImageWnd.h"
#include "toolkit/controls/SMCListView.h"
#include "toolkit/controls/SRadioBox.h"
#include "toolkit/controls/SSliderBar.h"
#include "toolkit/controls/STabCtrl.h"
#include "toolkit/skin/SwndStyle.h"

namespace kbtest {
namespace {

class LayoutTest : public ToolkitTest {};

// A program's own control: a check box with an extra attribute.
class STestCheck : public SCheckBox {
  KB_CLASS(STestCheck, SCheckBox, L"testcheck")

 public:
  int extra = 0;

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override {
    if (name == L"extra") {
      extra = std::stoi(value);
      return true;
    }
    return SCheckBox::OnAttribute(name, value, loading);
  }
};

void CountElements(pugi::xml_node node, std::multiset<std::string>& out) {
  static const std::set<std::string> consumed = {"items", "item", "template", "header"};
  for (pugi::xml_node child : node.children()) {
    if (child.type() != pugi::node_element) continue;
    if (consumed.count(child.name())) continue;
    out.insert(child.name());
    CountElements(child, out);
  }
}

void CollectClasses(const SWindow* w, std::multiset<std::string>& out) {
  for (size_t i = 0; i < w->GetChildCount(); ++i) {
    const SWindow* child = w->GetChild(i);
    // Panels of list views and the header come from adapters and templates.
    if (child->IsClass(SItemPanel::ClassName())) continue;
    out.insert(kb::WideToUtf8(child->GetObjectClass()));
    CollectClasses(child, out);
  }
}

TEST_F(LayoutTest, EveryElementBecomesAControlOfItsClass) {
  auto host = LoadHost(L"LAYOUT:ALL_CONTROLS");
  ASSERT_NE(host->GetRoot(), nullptr);
  pugi::xml_document doc;
  ASSERT_TRUE(app_->LoadXmlDocument(doc, L"layout:all_controls"));
  std::multiset<std::string> elements;
  CountElements(doc.child("host").child("root"), elements);
  std::multiset<std::string> classes;
  CollectClasses(host->GetRoot(), classes);
  classes.erase("header");  // the multi-column list's header is a child control too
  EXPECT_EQ(classes, elements);
  EXPECT_EQ(host->GetTitle(), L"KbToolkitTest");
  EXPECT_EQ(host->GetLayoutSize(), (Size{640, 480}));
}

TEST_F(LayoutTest, NamedControlsGetTheirIds) {
  auto host = LoadHost(L"layout:all_controls");
  for (const auto& [name, id] : TestNamedIds()) {
    SWindow* byName = host->FindChildByName(name);
    // Cells of list items exist only in item panels; the rest must be there.
    if (!byName) continue;
    EXPECT_EQ(byName->GetID(), id) << kb::WideToUtf8(name);
    EXPECT_EQ(host->FindChildByID(id), byName) << kb::WideToUtf8(name);
  }
  EXPECT_EQ(host->FindChildByName(L"box")->GetID(), 0) << "a name outside the table has no id";
}

TEST_F(LayoutTest, LookupsCheckTheClass) {
  auto host = LoadHost(L"layout:all_controls");
  EXPECT_NE(host->FindChildByName<SComboBox>(L"cbx_color"), nullptr);
  EXPECT_EQ(host->FindChildByName<SSliderBar>(L"cbx_color"), nullptr);
  EXPECT_NE(host->FindChildByName<SWindow>(L"cbx_color"), nullptr) << "every control is a window";
  EXPECT_NE(host->FindChildByID<SButton>(60001), nullptr);
  EXPECT_EQ(host->FindChildByID<SCheckBox>(60001), nullptr);
  EXPECT_NE(host->FindChildByName<SListView>(L"list_steps"), nullptr) << "a multi-column list is a list view";
  EXPECT_EQ(host->FindChildByName<SButton>(L"no_such_control"), nullptr);
  EXPECT_NE(host->FindChildByName<SImageButton>(L"btn_close"), nullptr);
  EXPECT_NE(host->FindChildByName<SButton>(L"btn_close"), nullptr);
}

TEST_F(LayoutTest, AttributesAreApplied) {
  auto host = LoadHost(L"layout:all_controls");
  auto* first = host->FindChildByName<SButton>(L"btn_first");
  auto* second = host->FindChildByName<SButton>(L"btn_second");
  auto* checkOne = host->FindChildByName<SCheckBox>(L"chk_one");
  auto* radioA = host->FindChildByName<SRadioBox>(L"radio_a");
  auto* combo = host->FindChildByName<SComboBox>(L"cbx_color");
  auto* speed = host->FindChildByName<SSliderBar>(L"bar_speed");
  auto* byDefault = host->FindChildByName<SSliderBar>(L"bar_default");
  auto* tab = host->FindChildByName<STabCtrl>(L"tab_main");
  auto* edit = host->FindChildByName<SEdit>(L"edit_name");
  auto* img = host->FindChildByName<SImageWnd>(L"img_states");
  SWindow* title = host->FindChildByName(L"title");
  SWindow* quiet = host->FindChildByName(L"quiet_text");
  SWindow* restore = host->FindChildByName(L"btn_restore");
  ASSERT_TRUE(first && second && checkOne && radioA && combo && speed && byDefault && tab && edit && img && title &&
              quiet && restore);
  EXPECT_EQ(first->GetWindowText(), L"OK");
  EXPECT_EQ(first->GetToolTipRaw(), L"Tip of the button");
  EXPECT_TRUE(second->IsDisabled());
  EXPECT_FALSE(restore->IsVisible());
  EXPECT_TRUE(checkOne->IsChecked());
  EXPECT_TRUE(radioA->IsChecked());
  EXPECT_EQ(combo->GetCount(), 3);
  EXPECT_EQ(combo->GetCurSel(), 1);
  EXPECT_EQ(combo->GetItemData(2), 30);
  EXPECT_EQ(speed->GetMin(), 1);
  EXPECT_EQ(speed->GetMax(), 4);
  EXPECT_EQ(speed->GetValue(), 3);
  EXPECT_EQ(byDefault->GetMax(), 50) << "object defaults of the UI definitions";
  EXPECT_EQ(byDefault->GetValue(), 40);
  EXPECT_EQ(tab->GetItemCount(), 2);
  EXPECT_EQ(tab->GetCurSel(), 1);
  EXPECT_FALSE(tab->GetItem(0)->IsVisible());
  EXPECT_TRUE(tab->GetItem(1)->IsVisible());
  EXPECT_EQ(img->GetIcon(), 2);
  // Styles: the class first, then the control's own attributes.
  EXPECT_EQ(title->GetStyle().GetFontSpec(0).pixelSize, 18);
  EXPECT_TRUE(title->GetStyle().GetFontSpec(0).bold);
  EXPECT_EQ(title->GetStyle().GetTextColor(0), Color::Rgb(0x20, 0x60, 0xc0));
  EXPECT_EQ(quiet->GetStyle().GetFontSpec(0).pixelSize, 11);
  EXPECT_EQ(quiet->GetStyle().GetTextColor(0), Color::Rgb(0x80, 0x80, 0x80));
  // Edits limit what is typed and what code sets.
  edit->SetWindowText(L"0123456789");
  EXPECT_EQ(edit->GetWindowText(), L"01234567");
}

TEST_F(LayoutTest, PositionsAndBoxes) {
  auto host = LoadHost(L"layout:all_controls");
  struct Case {
    const wchar_t* name;
    Rect expected;
  };
  const Case cases[] = {
      {L"cap", Rect{0, 0, 640, 30}},
      {L"btn_close", Rect{610, 0, 640, 30}},
      {L"btn_first", Rect{10, 40, 110, 68}},
      {L"btn_second", Rect{120, 40, 220, 68}},  // "[10": after the previous sibling
      {L"edit_name", Rect{20, 216, 220, 242}},  // inside the tab page (heads 26 px)
      {L"box_a", Rect{332, 222, 392, 258}},
      {L"box_c", Rect{588, 230, 628, 250}},
  };
  for (const Case& c : cases) {
    SWindow* w = host->FindChildByName(c.name);
    ASSERT_NE(w, nullptr) << kb::WideToUtf8(c.name);
    EXPECT_EQ(w->GetWindowRect(), c.expected) << kb::WideToUtf8(c.name);
  }
  // The weighted child takes what the others leave.
  SWindow* boxB = host->FindChildByName(L"box_b");
  EXPECT_EQ(boxB->GetWindowRect().left, 396);
  EXPECT_EQ(boxB->GetWindowRect().right, 584);
}

TEST(LayoutParamTest, PositionForms) {
  struct Case {
    const wchar_t* pos;
    const wchar_t* size;
    Rect expected;
  };
  const Rect parent{100, 50, 300, 150};  // 200 x 100
  const Rect previous{100, 50, 140, 70};
  const Case cases[] = {
      {L"10,20,-10,-20", L"", Rect{110, 70, 290, 130}},
      {L"0,0,-0,-0", L"", parent},
      {L"%25,%50,%75,%100", L"", Rect{150, 100, 250, 150}},
      {L"|-20,|-10,@40,@20", L"", Rect{180, 90, 220, 110}},
      {L"[5,[5,@10,@10", L"", Rect{145, 75, 155, 85}},
      {L"10,10", L"30,20", Rect{110, 60, 140, 80}},
      {L"10,10", L"-2,-2", Rect{110, 60, 300, 150}},
      {L"10,10", L"", Rect{110, 60, 117, 65}},  // content size
      {L"50,50,10,10", L"", Rect{150, 100, 150, 100}},  // inverted: empty, not negative
  };
  for (const Case& c : cases) {
    SLayoutParam lp;
    ASSERT_TRUE(lp.SetAttribute(L"pos", c.pos)) << kb::WideToUtf8(c.pos);
    if (*c.size) {
      ASSERT_TRUE(lp.SetAttribute(L"size", c.size));
    }
    Rect r = lp.Place(parent, &previous, [] { return Size{7, 5}; });
    EXPECT_EQ(r, c.expected) << kb::WideToUtf8(c.pos);
  }
  SLayoutParam lp;
  for (const wchar_t* bad : {L"1", L"1,2,3", L"a,b", L"@1,2", L"-x,0", L"1,2,-@3,4"}) {
    EXPECT_FALSE(lp.SetAttribute(L"pos", bad)) << kb::WideToUtf8(bad);
  }
  ASSERT_TRUE(lp.SetAttribute(L"pos", L"10,10"));
  ASSERT_TRUE(lp.SetAttribute(L"size", L"40,20"));
  ASSERT_TRUE(lp.SetAttribute(L"offset", L"-0.5,-0.5"));
  EXPECT_EQ(lp.Place(parent, nullptr, [] { return Size{}; }), (Rect{90, 50, 130, 70}));
}

// Numbers far beyond any screen (a broken or hostile layout file) place the
// window at the coordinate bound instead of overflowing an int.
TEST(LayoutParamTest, HugeNumbersAreClampedToTheBound) {
  struct Case {
    const wchar_t* name;
    const wchar_t* value;
    const wchar_t* pos;
    Rect expected;
  };
  constexpr int kMax = SLayoutParam::kMaxCoordinate;
  const Rect parent{100, 50, 300, 150};
  const Case cases[] = {
      {L"pos", L"", L"1e30,-1e30,@1e30,@1e30", Rect{kMax, -kMax, kMax, kMax}},
      {L"pos", L"", L"[1e21,|1e21", Rect{kMax, kMax, kMax, kMax}},
      {L"pos", L"", L"%1e30,%-1e30,-1e30,-0", Rect{kMax, -kMax, kMax, 150}},
      {L"pos", L"", L"-2147483647,0,-0,-0", Rect{-kMax, 50, 300, 150}},
      {L"size", L"2147483647,2147483647", L"10,10", Rect{110, 60, kMax, kMax}},
      {L"offset", L"1e38,-1e38", L"0,0,@40,@20", Rect{kMax, -kMax, kMax, -kMax}},
  };
  for (const Case& c : cases) {
    SLayoutParam lp;
    ASSERT_TRUE(lp.SetAttribute(L"pos", c.pos)) << kb::WideToUtf8(c.pos);
    if (*c.value) {
      ASSERT_TRUE(lp.SetAttribute(c.name, c.value)) << kb::WideToUtf8(c.value);
    }
    Rect r = lp.Place(parent, &parent, [] { return Size{7, 5}; });
    EXPECT_EQ(r, c.expected) << kb::WideToUtf8(c.pos) << " " << kb::WideToUtf8(c.value);
  }
}

TEST_F(LayoutTest, FactoriesAreNotReplacedAndProgramClassesWork) {
  EXPECT_TRUE(app_->RegisterWindowClass<STestCheck>());
  EXPECT_FALSE(app_->RegisterWindowClass<STestCheck>()) << "an existing factory stays";
  EXPECT_FALSE(app_->RegisterObjectFactory(TplSObjectFactory<SComboBox>()));
  EXPECT_EQ(app_->Factories().BaseClassOf(L"testcheck"), L"check");
  auto overlay = std::make_shared<SResProviderMemory>();
  overlay->AddText(L"layout", L"custom",
                   "<host size=\"100,40\"><root><testCheck name=\"tc\" extra=\"7\" pos=\"0,0,-0,-0\">Hi</testCheck>"
                   "<unknownclass name=\"u\"/></root></host>");
  app_->AddResProvider(overlay, L"");
  SHostWnd host(L"layout:custom");
  EXPECT_FALSE(host.BuildTree()) << "an unknown class makes the layout fail";
  auto* custom = host.FindChildByName<STestCheck>(L"tc");
  ASSERT_NE(custom, nullptr);
  EXPECT_EQ(custom->extra, 7);
  EXPECT_TRUE(custom->IsClass(L"check"));
  EXPECT_TRUE(custom->IsClass(L"window"));
  EXPECT_FALSE(custom->IsClass(L"radio"));
  EXPECT_NE(host.FindChildByName<SCheckBox>(L"tc"), nullptr);
  EXPECT_EQ(host.FindChildByName(L"u"), nullptr);
}

TEST_F(LayoutTest, ListViewsBuildItemsFromTheirTemplate) {
  auto host = LoadHost(L"layout:all_controls");
  auto* steps = host->FindChildByName<SMCListView>(L"list_steps");
  ASSERT_NE(steps, nullptr);
  ASSERT_NE(steps->GetHeader(), nullptr);
  EXPECT_EQ(steps->GetHeader()->GetItemCount(), 2);
  EXPECT_EQ(steps->GetHeader()->GetItemWidth(1), 120);
  EXPECT_EQ(steps->GetItemCount(), 0) << "no adapter, no items";
  EXPECT_TRUE(steps->GetTemplate());
  EXPECT_EQ(steps->GetItemHeight(), 22);
}

}  // namespace
}  // namespace kbtest
