// List views with adapters: items from the template, selection events,
// scrolling, rebuilding, and the multi-column list's cells and header.
#include "ToolkitTestSupport.h"
#include "toolkit/controls/SEdit.h"
#include "toolkit/controls/SMCListView.h"

namespace kbtest {
namespace {

class NameAdapter : public ILvAdapter {
 public:
  std::vector<std::wstring> names;
  int views = 0;
  int GetCount() override { return static_cast<int>(names.size()); }
  void GetView(int position, SWindow* item, pugi::xml_node) override {
    ++views;
    if (SWindow* edit = item->FindChildByName(L"group_name")) edit->SetWindowText(names[static_cast<size_t>(position)]);
  }
};

class StepsAdapter : public IMcAdapter {
 public:
  int count = 3;
  int GetCount() override { return count; }
  void GetView(int position, SWindow* item, pugi::xml_node) override {
    item->FindChildByName(L"key_code")->SetWindowText(std::to_wstring(position));
    item->FindChildByName(L"key_name")->SetWindowText(L"step " + std::to_wstring(position));
  }
  std::wstring GetColumnName(int column) const override { return L"col" + std::to_wstring(column + 1); }
};

class ListViewTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    host_ = LoadHost(L"layout:all_controls");
    list_ = host_->FindChildByName<SListView>(L"list_groups");
    ASSERT_NE(list_, nullptr);
    for (int i = 0; i < 10; ++i) adapter_.names.push_back(L"group " + std::to_wstring(i));
    list_->SetAdapter(&adapter_);
    host_->UpdateLayoutNow();
  }
  void TearDown() override {
    if (list_) list_->SetAdapter(nullptr);
    host_.reset();
    ToolkitTest::TearDown();
  }
  std::unique_ptr<SHostWnd> host_;
  SListView* list_ = nullptr;
  NameAdapter adapter_;
};

TEST_F(ListViewTest, ItemsComeFromTheTemplateAndTheAdapter) {
  ASSERT_EQ(list_->GetItemCount(), 10);
  EXPECT_EQ(adapter_.views, 10);
  SItemPanel* third = list_->GetItemPanel(2);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(third->GetItemIndex(), 2);
  SWindow* name = third->FindChildByName(L"group_name");
  ASSERT_NE(name, nullptr);
  EXPECT_TRUE(name->IsClass(L"edit"));
  EXPECT_EQ(name->GetWindowText(), L"group 2");
  EXPECT_EQ(FindItemPanel(name), third);
  EXPECT_EQ(FindItemPanel(list_), nullptr);
  // 24-pixel rows from the top of the list's client area.
  const Rect& listRect = list_->GetWindowRect();
  EXPECT_EQ(third->GetWindowRect().top, listRect.top + 2 * 24);
  EXPECT_EQ(third->GetWindowRect().Height(), 24);
  EXPECT_LT(third->GetWindowRect().right, listRect.right) << "room for the scroll bar: 10 rows do not fit";
}

TEST_F(ListViewTest, ClickingAControlInAnItemSelectsTheItem) {
  EventRecorder changes(list_, EventLVSelChanged::EventID);
  EventRecorder clicks(list_, EventLVItemClick::EventID);
  SWindow* edit = list_->GetItemPanel(1)->FindChildByName(L"group_name");
  Click(*host_, CenterOf(edit));
  EXPECT_EQ(list_->GetSel(), 1);
  EXPECT_TRUE(edit->IsFocused()) << "the edit in the item still gets the click";
  Click(*host_, CenterOf(edit));
  EXPECT_EQ(changes.Values(), std::vector<int>{1});
  EXPECT_EQ(clicks.Count(), 2) << "every click is reported, the selection change once";
  list_->SetSel(3);
  EXPECT_EQ(changes.Count(), 1) << "SetSel raises nothing";
}

TEST_F(ListViewTest, KeysMoveTheSelectionAndScrollItIntoView) {
  EventRecorder changes(list_, EventLVSelChanged::EventID);
  list_->SetFocus();
  KeyPress(*host_, VK_DOWN);
  KeyPress(*host_, VK_END);
  EXPECT_EQ(list_->GetSel(), 9);
  EXPECT_GT(list_->GetScrollPos(), 0);
  const Rect last = list_->GetItemPanel(9)->GetWindowRect();
  EXPECT_LE(last.bottom, list_->GetWindowRect().bottom);
  KeyPress(*host_, VK_HOME);
  EXPECT_EQ(list_->GetScrollPos(), 0);
  KeyPress(*host_, VK_UP);
  EXPECT_EQ(changes.Values(), (std::vector<int>{0, 9, 0}));
}

TEST_F(ListViewTest, WheelScrollsWithinTheRange) {
  Point inside = CenterOf(list_);
  Deliver(*host_, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), PointParam(inside));
  // Windowless the wheel's screen point is the client point.
  int afterOne = list_->GetScrollPos();
  for (int i = 0; i < 20; ++i) Deliver(*host_, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), PointParam(inside));
  int bottom = list_->GetScrollPos();
  EXPECT_EQ(bottom, 10 * 24 - list_->GetWindowRect().Height()) << "scrolled to the end and no further";
  for (int i = 0; i < 20; ++i) Deliver(*host_, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), PointParam(inside));
  EXPECT_EQ(list_->GetScrollPos(), 0);
  EXPECT_GT(afterOne, 0);
}

TEST_F(ListViewTest, RebuildReusesItemsAndKeepsAValidSelection) {
  SItemPanel* first = list_->GetItemPanel(0);
  list_->SetSel(8);
  adapter_.names.resize(4);
  adapter_.NotifyDataSetChanged();
  EXPECT_EQ(list_->GetItemCount(), 4);
  EXPECT_EQ(list_->GetItemPanel(0), first) << "items are reused";
  EXPECT_EQ(list_->GetSel(), -1) << "the selected item is gone";
  adapter_.names.push_back(L"new");
  adapter_.NotifyDataSetChanged();
  EXPECT_EQ(list_->GetItemPanel(4)->FindChildByName(L"group_name")->GetWindowText(), L"new");
}

TEST_F(ListViewTest, AnItemClickMayRebuildTheListItCameFrom) {
  // The program deletes the clicked group and refreshes the list from the
  // click's own event; the clicked item is freed only after the message.
  list_->SubscribeEvent(EventLVItemClick::EventID, [&](EventArgs* e) {
    adapter_.names.erase(adapter_.names.begin() + static_cast<EventLVItemClick*>(e)->iItem);
    adapter_.NotifyDataSetChanged();
    return true;
  });
  Click(*host_, CenterOf(list_->GetItemPanel(2)->FindChildByName(L"group_name")));
  EXPECT_EQ(list_->GetItemCount(), 9);
  EXPECT_EQ(adapter_.names[2], L"group 3");
  Click(*host_, CenterOf(list_->GetItemPanel(1)));
  EXPECT_EQ(list_->GetItemCount(), 8);
  EXPECT_EQ(list_->GetItemPanel(1)->FindChildByName(L"group_name")->GetWindowText(), L"group 3");
}

TEST_F(ListViewTest, AnItemClickMayEmptyTheList) {
  // The clicked item itself goes away while its click is being handled.
  list_->SubscribeEvent(EventLVItemClick::EventID, [&](EventArgs*) {
    adapter_.names.clear();
    adapter_.NotifyDataSetChanged();
    return true;
  });
  SWindow* edit = list_->GetItemPanel(0)->FindChildByName(L"group_name");
  Point where = CenterOf(edit);
  MouseMove(*host_, where);
  Deliver(*host_, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(where));
  EXPECT_EQ(list_->GetItemCount(), 0);
  EXPECT_EQ(host_->GetFocusedWindow(), list_) << "the edit never got the focus";
  MouseMove(*host_, where, MK_LBUTTON);
  Deliver(*host_, WM_LBUTTONUP, 0, PointParam(where));
  EXPECT_EQ(host_->GetCaptureWindow(), nullptr);
}

TEST_F(ListViewTest, AdapterGoneBeforeTheList) {
  auto temporary = std::make_unique<NameAdapter>();
  temporary->names = {L"a", L"b"};
  list_->SetAdapter(temporary.get());
  EXPECT_EQ(list_->GetItemCount(), 2);
  temporary.reset();
  EXPECT_EQ(list_->GetAdapter(), nullptr);
  EXPECT_EQ(list_->GetItemCount(), 0);
  list_ = nullptr;  // nothing to detach in TearDown
}

TEST_F(ListViewTest, MultiColumnCellsFollowTheHeader) {
  auto* steps = host_->FindChildByName<SMCListView>(L"list_steps");
  ASSERT_NE(steps, nullptr);
  StepsAdapter adapter;
  steps->SetAdapter(&adapter);
  host_->UpdateLayoutNow();
  SHeaderCtrl* header = steps->GetHeader();
  SItemPanel* row = steps->GetItemPanel(1);
  ASSERT_TRUE(header && row);
  SWindow* col1 = row->FindChildByName(L"col1");
  SWindow* col2 = row->FindChildByName(L"col2");
  EXPECT_EQ(col1->GetWindowRect().left, header->GetItemRect(0).left);
  EXPECT_EQ(col1->GetWindowRect().right, header->GetItemRect(0).right);
  EXPECT_EQ(col2->GetWindowRect().left, header->GetItemRect(1).left);
  EXPECT_EQ(row->FindChildByName(L"key_name")->GetWindowText(), L"step 1");
  EXPECT_EQ(row->GetWindowRect().top, header->GetWindowRect().bottom + 22) << "rows start below the header";

  // Dragging the border of the first head widens its column and moves the rest.
  EventRecorder resized(header, EventHeaderItemChanged::EventID);
  Point border{header->GetItemRect(0).right, (header->GetWindowRect().top + header->GetWindowRect().bottom) / 2};
  MouseMove(*host_, border);
  Deliver(*host_, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(border));
  MouseMove(*host_, Point{border.x + 30, border.y}, MK_LBUTTON);
  MouseMove(*host_, Point{border.x - 500, border.y}, MK_LBUTTON);
  Deliver(*host_, WM_LBUTTONUP, 0, PointParam(Point{border.x - 500, border.y}));
  host_->UpdateLayoutNow();
  EXPECT_EQ(header->GetItemWidth(0), SHeaderCtrl::kMinColumnWidth) << "a column never gets narrower than the minimum";
  EXPECT_EQ(resized.Count(), 2);
  EXPECT_EQ(col2->GetWindowRect().left, header->GetItemRect(1).left);
  steps->SetAdapter(nullptr);
}

}  // namespace
}  // namespace kbtest
