// SEditEx: Enter raises EventKeyEnter (by id, by layout binding, to the
// host's event map) and inserts nothing; other keys edit as usual; a click
// enables a disabled cell and lets the user type in it.
#include "UiControlsTestSupport.h"
#include "ui/common/SEditEx.h"

namespace kbtest {
namespace {

class EnterHost : public SHostWnd {
 public:
  using SHostWnd::SHostWnd;
  int mapped = 0;
  bool OnFireEvent(EventArgs& e) override {
    if (e.GetID() == EventKeyEnter::EventID && e.NameFrom() == L"bound_nowhere") ++mapped;
    return false;
  }
};

class EditExTest : public UiControlsTest {
 protected:
  void SetUp() override {
    UiControlsTest::SetUp();
    AddLayout(L"edits",
              "<editex name=\"e\" pos=\"10,10,@120,@24\" text=\"abc\"/>"
              "<editex name=\"bound\" pos=\"10,40,@120,@24\" on_key_enter=\"OnEnter\"/>"
              "<editex name=\"bound_nowhere\" pos=\"10,70,@120,@24\"/>"
              "<editex name=\"off\" pos=\"140,10,@50,@24\" enable=\"0\" text=\"12\"/>"
              "<edit name=\"plain_off\" pos=\"140,40,@50,@24\" enable=\"0\"/>");
  }
};

TEST_F(EditExTest, EnterRaisesTheEventAndInsertsNothing) {
  auto host = LoadHost(L"edits");
  auto* e = host->FindChildByName<SEditEx>(L"e");
  ASSERT_NE(e, nullptr);
  int enters = 0;
  SWindow* sender = nullptr;
  ASSERT_NE(e->SubscribeEvent(10000500, [&](EventArgs* a) {
    ++enters;
    sender = a->Sender();
    EXPECT_EQ(a->IdFrom(), e->GetID());
    EXPECT_EQ(a->NameFrom(), L"e");
    return false;
  }), 0) << "the event is known by its id";
  Click(*host, CenterOf(e));
  ASSERT_TRUE(e->IsFocused());
  KeyPress(*host, VK_RETURN, true);
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(sender, e);
  EXPECT_EQ(e->GetWindowText(), L"abc");
  // Other keys still edit.
  KeyPress(*host, VK_END);
  TypeText(*host, L"d");
  EXPECT_EQ(e->GetWindowText(), L"abcd");
  KeyPress(*host, VK_RETURN, true);
  EXPECT_EQ(enters, 2);
  EXPECT_EQ(e->GetWindowText(), L"abcd");
}

TEST_F(EditExTest, LayoutBindingAndHostEventMap) {
  EnterHost host(L"layout:edits");
  ASSERT_TRUE(host.BuildTree());
  host.LayoutTo(host.GetLayoutSize());
  int named = 0;
  host.SetNamedHandler(L"OnEnter", [&](EventArgs* a) { return ++named, true; });
  Click(host, CenterOf(host.FindChildByName(L"bound")));
  KeyPress(host, VK_RETURN);
  EXPECT_EQ(named, 1);
  EXPECT_EQ(host.mapped, 0) << "consumed by the bound handler";
  Click(host, CenterOf(host.FindChildByName(L"bound_nowhere")));
  KeyPress(host, VK_RETURN);
  EXPECT_EQ(host.mapped, 1);
}

TEST_F(EditExTest, AClickEnablesADisabledCellForTyping) {
  auto host = LoadHost(L"edits");
  auto* off = host->FindChildByName<SEditEx>(L"off");
  ASSERT_TRUE(off->IsDisabled());
  Click(*host, CenterOf(off));
  EXPECT_FALSE(off->IsDisabled());
  EXPECT_TRUE(off->IsFocused()) << "the cell can be typed in at once";
  KeyPress(*host, VK_END);
  TypeText(*host, L"5");
  EXPECT_EQ(off->GetWindowText(), L"125");
  // A plain edit stays disabled.
  SWindow* plain = host->FindChildByName(L"plain_off");
  Click(*host, CenterOf(plain));
  EXPECT_TRUE(plain->IsDisabled());
  EXPECT_FALSE(plain->IsFocused());
}

TEST_F(EditExTest, DisabledParentKeepsTheCellDisabled) {
  AddLayout(L"nested", "<window name=\"panel\" pos=\"0,0,-0,-0\" enable=\"0\"><editex name=\"cell\" pos=\"10,10,@80,@24\"/></window>");
  auto host = LoadHost(L"nested");
  SWindow* cell = host->FindChildByName(L"cell");
  Click(*host, CenterOf(cell));
  EXPECT_FALSE(cell->IsFocused());
}

}  // namespace
}  // namespace kbtest
