// What a screen reader gets from a host window on Windows: the window's
// IAccessible lists the controls that take the focus with their names,
// roles, places and focus, and presses buttons.
#include <oleacc.h>

#include "support/MessagePump.h"
#include "ToolkitTestSupport.h"

namespace kbtest {
namespace {

// Spelled out: MinGW's import library gives IID_IAccessible as a function.
constexpr IID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

VARIANT Child(LONG id) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

std::wstring NameOf(IAccessible* acc, LONG id) {
  BSTR name = nullptr;
  if (acc->get_accName(Child(id), &name) != S_OK || !name) return L"";
  std::wstring out(name, SysStringLen(name));
  SysFreeString(name);
  return out;
}

LONG RoleOf(IAccessible* acc, LONG id) {
  VARIANT role;
  VariantInit(&role);
  return acc->get_accRole(Child(id), &role) == S_OK && role.vt == VT_I4 ? role.lVal : -1;
}

class AccessibilityWinTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    host_ = std::make_unique<SHostWnd>();
    host_->SetLayoutXml(
        "<host size=\"300,200\" title=\"Panel\"><root>"
        "<text pos=\"10,0,@80,@10\">label</text>"
        "<button name=\"b\" pos=\"10,10,@80,@30\">OK</button>"
        "<sliderbar name=\"s\" accName=\"Speed\" pos=\"10,50,@100,@20\" min=\"0\" max=\"5\"/>"
        "<imgbtn name=\"x\" tip=\"Close\" pos=\"10,80,@20,@20\"/>"
        "</root></host>");
    ASSERT_NE(host_->Create(nullptr, 40, 40), nullptr);
    ShowWindow(host_->GetHwnd(), SW_SHOW);
    Pump(50);
  }
  void TearDown() override {
    host_.reset();
    OleUninitialize();
    ToolkitTest::TearDown();
  }
  IAccessible* Object() {
    IAccessible* acc = nullptr;
    EXPECT_EQ(AccessibleObjectFromWindow(host_->GetHwnd(), static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                                         reinterpret_cast<void**>(&acc)),
              S_OK);
    return acc;
  }
  std::unique_ptr<SHostWnd> host_;
};

TEST_F(AccessibilityWinTest, ControlsAreNamedChildrenOfTheWindow) {
  IAccessible* acc = Object();
  ASSERT_NE(acc, nullptr);
  LONG count = 0;
  ASSERT_EQ(acc->get_accChildCount(&count), S_OK);
  EXPECT_EQ(count, 3) << "the label takes no focus";
  struct Case {
    LONG id;
    const wchar_t* name;
    LONG role;
  };
  for (const Case& c : {Case{CHILDID_SELF, L"Panel", ROLE_SYSTEM_CLIENT}, Case{1, L"OK", ROLE_SYSTEM_PUSHBUTTON},
                        Case{2, L"Speed", ROLE_SYSTEM_SLIDER}, Case{3, L"Close", ROLE_SYSTEM_PUSHBUTTON}}) {
    EXPECT_EQ(NameOf(acc, c.id), c.name) << c.id;
    EXPECT_EQ(RoleOf(acc, c.id), c.role) << c.id;
  }
  LONG left = 0, top = 0, width = 0, height = 0;
  ASSERT_EQ(acc->accLocation(&left, &top, &width, &height, Child(1)), S_OK);
  POINT origin{10, 10};
  ClientToScreen(host_->GetHwnd(), &origin);
  EXPECT_EQ(left, origin.x);
  EXPECT_EQ(top, origin.y);
  EXPECT_EQ(width, 80);
  EXPECT_EQ(height, 30);
  VARIANT hit;
  VariantInit(&hit);
  ASSERT_EQ(acc->accHitTest(origin.x + 60, origin.y + 45, &hit), S_OK);
  EXPECT_EQ(hit.vt, VT_I4);
  EXPECT_EQ(hit.lVal, 2) << "the slider is under that point";
  EXPECT_EQ(NameOf(acc, 4), L"") << "no fourth child";
  acc->Release();
}

TEST_F(AccessibilityWinTest, FocusAndDefaultAction) {
  IAccessible* acc = Object();
  ASSERT_NE(acc, nullptr);
  EventRecorder clicks(host_->FindChildByName(L"b"), EventCmd::EventID);
  EXPECT_EQ(acc->accDoDefaultAction(Child(1)), S_OK);
  EXPECT_EQ(clicks.Count(), 1);
  EXPECT_EQ(acc->accSelect(SELFLAG_TAKEFOCUS, Child(2)), S_OK);
  EXPECT_TRUE(host_->FindChildByName(L"s")->IsFocused());
  SetFocus(host_->GetHwnd());
  if (GetFocus() == host_->GetHwnd()) {
    VARIANT focus;
    VariantInit(&focus);
    ASSERT_EQ(acc->get_accFocus(&focus), S_OK);
    EXPECT_EQ(focus.vt, VT_I4);
    EXPECT_EQ(focus.lVal, 2);
  }
  // The window goes; the object a reader still holds answers nothing.
  host_.reset();
  LONG count = 0;
  EXPECT_EQ(acc->get_accChildCount(&count), E_FAIL);
  acc->Release();
}

}  // namespace
}  // namespace kbtest
