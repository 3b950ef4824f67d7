// The keyboard picture control without a display: messages go straight into
// the host's message map, pictures are rendered into bitmaps.
#include <string>

#include "KbmapTestSupport.h"
#include "platform/path.h"
#include "platform/text.h"

namespace kbtest {
namespace {

// Keys on a 200 x 100 picture. C and D overlap in x 120..139, y 30..59; the
// second key with id 5 comes last.
const char kTestMap[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<positions>\n"
    "\t<key id=\"4\" va=\"7\" name=\"A\" rect=\"10, 20, 30, 40\" color=\"#FF0000\"/>\n"
    "\t<key id=\"5\" va=\"7\" name=\"B\" rect=\"50,20,30,40\" color=\"00 FF 00\"/>\n"
    "\t<key id=\"6\" va=\"7\" name=\"C\" rect=\"100, 20, 40, 40\"/>\n"
    "\t<key id=\"7\" va=\"7\" name=\"D\" rect=\"120, 30, 40, 40\" color=\"#0000FF\"/>\n"
    "\t<key id=\"5\" va=\"12\" name=\"B2\" rect=\"170, 20, 20, 20\" color=\"#FFFF00\"/>\n"
    "</positions>\n";

constexpr int kIdA = 4;
constexpr int kIdB = 5;
constexpr int kIdC = 6;
constexpr int kIdD = 7;

class CoordButtonImageTest : public KbmapTest {
 protected:
  void SetUp() override {
    KbmapTest::SetUp();
    crdxml_ = kb::WideToUtf8(WriteKeyMap("keys.xml", kTestMap));
  }
  std::unique_ptr<kb::ui::SHostWnd> Host(const std::string& more = "") {
    auto host = MakeHost("crdxml=\"" + crdxml_ + "\" " + more);
    picture_ = Picture(*host);
    EXPECT_NE(picture_, nullptr);
    if (picture_) picture_->SetClickListener(&listener_);
    return host;
  }
  std::vector<int> Checked() const {
    std::vector<int> ids;
    for (const CoordButton& b : picture_->GetButtons())
      if (b.checked) ids.push_back(b.id);
    return ids;
  }
  std::string crdxml_;
  CoordButtonImage* picture_ = nullptr;
  RecordingListener listener_;
};

TEST_F(CoordButtonImageTest, IsCreatedFromLayoutsAsCbimgAndIsAWindow) {
  auto host = Host();
  kb::ui::SWindow* w = host->FindChildByName(L"pic");
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->IsClass(L"cbimg"));
  EXPECT_TRUE(w->IsClass(L"window"));
  EXPECT_FALSE(w->IsClass(L"img"));
  EXPECT_STREQ(w->GetObjectClass(), L"cbimg");
}

TEST_F(CoordButtonImageTest, LoadsTheKeysInFileOrder) {
  auto host = Host();
  const auto& keys = picture_->GetButtons();
  ASSERT_EQ(keys.size(), 5u);
  EXPECT_EQ(keys[0].name, L"A");
  EXPECT_EQ(keys[0].rect, (Rect{10, 20, 40, 60}));
  EXPECT_EQ(keys[0].color, Color::Rgb(255, 0, 0));
  EXPECT_EQ(keys[1].color, Color::Rgb(0, 255, 0));
  EXPECT_EQ(keys[2].color, Color::Rgb(255, 255, 255)) << "a missing colour is the default, white";
  EXPECT_EQ(keys[4].va, 12);
}

TEST_F(CoordButtonImageTest, KeyMapPathIsUnderTheExecutablesFolder) {
  struct Case {
    std::string crdxml;
    size_t keys;
  };
  const std::string plain = crdxml_;
  const Case cases[] = {
      {plain, 5},
      {"/" + plain, 5},
      {"\\" + plain, 5},
      {"kbmap-test\\keys.xml", 5},
      {"@string/keymap", 2},  // resolved through the string table
      {"kbmap-test/missing.xml", 0},
      {"kbmap-test/broken.xml", 0},
      {"", 0},
  };
  WriteKeyMap("strings.xml", "<positions><k rect=\"0,0,5,5\"/><k/></positions>");
  WriteKeyMap("broken.xml", "<positions><k/>");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.crdxml);
    auto host = MakeHost("crdxml=\"" + c.crdxml + "\"");
    CoordButtonImage* pic = Picture(*host);
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(pic->GetButtons().size(), c.keys);
  }
  auto a = MakeHost("crdxml=\"/" + plain + "\"");
  auto b = MakeHost("crdxml=\"" + plain + "\"");
  EXPECT_EQ(Picture(*a)->CoordFilePath(), Picture(*b)->CoordFilePath());
  EXPECT_EQ(Picture(*b)->CoordFilePath(), kb::PathJoin(kb::ExecutableFolder(), kb::Utf8ToWide(plain)));
}

TEST_F(CoordButtonImageTest, ChangingTheKeyMapLaterKeepsTheKeys) {
  auto host = Host();
  ASSERT_TRUE(picture_->SetAttribute(L"crdxml", L"kbmap-test/missing.xml"));
  EXPECT_EQ(picture_->GetButtons().size(), 5u);
  EXPECT_EQ(picture_->GetCoordFile(), L"kbmap-test/missing.xml");
}

TEST_F(CoordButtonImageTest, Attributes) {
  struct Case {
    const wchar_t* name;
    const wchar_t* value;
    bool accepted;
    int type;
  };
  const Case cases[] = {
      {L"type", L"1", true, 1},         {L"type", L"0x2", true, 2},   {L"type", L"7", true, 7},
      {L"type", L"abc", false, 0},      {L"bg", L"img:bg", true, 0},  {L"bg", L"img:nothing", false, 0},
      {L"bg", L"img:broken", false, 0}, {L"chking", L"img:hover", true, 0}, {L"chked", L"img:missing", false, 0},
      {L"pressed", L"img:pressed", true, 0}, {L"tip", L"ignored", true, 0}, {L"nonsense", L"1", false, 0},
      // Overlays are decoded when a key first needs them: one that exists
      // but is no picture is taken and later draws nothing.
      {L"pressed", L"img:broken", true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(kb::WideToUtf8(std::wstring(c.name) + L"=" + c.value));
    auto host = Host();
    EXPECT_EQ(picture_->SetAttribute(c.name, c.value), c.accepted);
    EXPECT_EQ(picture_->GetSelectionType(), c.type);
  }
}

TEST_F(CoordButtonImageTest, ProgramSetsTipsAndCheckedStates) {
  auto host = Host();
  CoordButton b;
  ASSERT_TRUE(picture_->GetButton(kIdB, &b));
  EXPECT_EQ(b.name, L"B") << "the first key with the id";
  EXPECT_FALSE(picture_->GetButton(99, &b));
  EXPECT_FALSE(picture_->GetButton(CoordButtonImage::kAllButtons));
  EXPECT_TRUE(picture_->GetButton(kIdD));

  picture_->SetButtonChecked(kIdB, true);
  EXPECT_EQ(Checked(), (std::vector<int>{kIdB})) << "only the first key with the id";
  picture_->ToggleButton(kIdB);
  EXPECT_TRUE(Checked().empty());
  picture_->ToggleButton(CoordButtonImage::kAllButtons);
  EXPECT_EQ(Checked().size(), 5u);
  picture_->ToggleButton(kIdA);
  EXPECT_EQ(Checked().size(), 4u);
  picture_->SetButtonChecked(CoordButtonImage::kAllButtons, false);
  EXPECT_TRUE(Checked().empty()) << "restore factory clears every key";
  picture_->SetButtonChecked(99, true);
  EXPECT_TRUE(Checked().empty());

  picture_->SetButtonTip(kIdA, L"A : macro");
  picture_->SetButtonTip(CoordButtonImage::kAllButtons, L"all");
  picture_->SetButtonTip(kIdC, L"");
  std::vector<std::wstring> tips;
  for (const CoordButton& key : picture_->GetButtons()) tips.push_back(key.tip);
  EXPECT_EQ(tips, (std::vector<std::wstring>{L"all", L"all", L"", L"all", L"all"}));

  picture_->SetButtonChecked(kIdD, true);
  ASSERT_TRUE(picture_->GetButton(kIdD, &b));
  EXPECT_EQ(b.checked, 1u);
  EXPECT_EQ(b.tip, L"all");
  EXPECT_EQ(b.rect, (Rect{120, 30, 160, 70}));
  EXPECT_EQ(b.va, 7);
}

// The left and top edges are inside a key, the right and bottom edges not.
TEST_F(CoordButtonImageTest, HitTestingAtKeyEdges) {
  auto host = Host();
  struct Case {
    int x;
    int y;
    int index;
  };
  const Case cases[] = {
      {10, 20, 0},  {39, 59, 0},  {40, 20, -1}, {10, 60, -1}, {9, 20, -1}, {10, 19, -1}, {25, 40, 0},
      {49, 40, -1}, {50, 40, 1},  {79, 59, 1},  {80, 40, -1}, {119, 40, 2}, {120, 40, 2}, {139, 59, 2},
      {140, 40, 3}, {159, 69, 3}, {160, 69, -1}, {170, 20, 4}, {189, 39, 4}, {190, 39, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    EXPECT_EQ(picture_->FirstButtonAt(Point{c.x, c.y}), c.index);
    listener_.calls.clear();
    ButtonDown(*host, HostPoint(c.x, c.y));
    ButtonUp(*host, HostPoint(c.x, c.y));
    if (c.index < 0) {
      EXPECT_TRUE(listener_.calls.empty());
      continue;
    }
    ASSERT_EQ(listener_.calls.size(), 2u);
    EXPECT_EQ(listener_.calls[0].name, picture_->GetButtons()[static_cast<size_t>(c.index)].name);
  }
}

TEST_F(CoordButtonImageTest, PressAndReleaseReachTheListener) {
  auto host = Host();
  ButtonDown(*host, HostPoint(12, 22), MK_LBUTTON | MK_SHIFT);
  ASSERT_EQ(listener_.calls.size(), 1u);
  const ClickCall& press = listener_.calls[0];
  EXPECT_EQ(press.id, kIdA);
  EXPECT_EQ(press.name, L"A");
  EXPECT_EQ(press.action, kCoordButtonPress);
  EXPECT_EQ(press.flags, static_cast<UINT>(MK_LBUTTON | MK_SHIFT));
  EXPECT_EQ(press.x, 12) << "in the control's own coordinates";
  EXPECT_EQ(press.y, 22);
  CoordButton a;
  picture_->GetButton(kIdA, &a);
  EXPECT_EQ(a.pressed, 1u);
  ButtonUp(*host, HostPoint(30, 50));
  ASSERT_EQ(listener_.calls.size(), 2u);
  EXPECT_EQ(listener_.calls[1].action, kCoordButtonRelease);
  EXPECT_EQ(listener_.calls[1].x, 30);
  EXPECT_EQ(listener_.calls[1].y, 50);
  picture_->GetButton(kIdA, &a);
  EXPECT_EQ(a.pressed, 0u);
}

// The pressed look goes wherever the button comes up; only a release on the
// key pressed clicks it.
TEST_F(CoordButtonImageTest, ReleaseOffTheKeyLetsItGoWithoutAClick) {
  struct Case {
    const char* where;
    int x, y;
  };
  for (const Case& c : {Case{"on another key", 55, 30}, Case{"outside every key", 5, 5}}) {
    listener_.calls.clear();
    auto host = Host();
    ButtonDown(*host, HostPoint(15, 30));
    ButtonUp(*host, HostPoint(c.x, c.y));
    ASSERT_EQ(listener_.calls.size(), 1u) << c.where << ": the press only";
    EXPECT_EQ(listener_.calls[0].id, kIdA);
    CoordButton a;
    picture_->GetButton(kIdA, &a);
    EXPECT_EQ(a.pressed, 0u) << c.where;
    ButtonUp(*host, HostPoint(15, 30));
    EXPECT_EQ(listener_.calls.size(), 1u) << c.where << ": a later release on A is no click";
  }
}

TEST_F(CoordButtonImageTest, OverlappingKeys) {
  auto host = Host();
  const Point overlap = HostPoint(125, 40);
  MoveTo(*host, overlap);
  EXPECT_EQ(picture_->GetButtons()[2].hover, 1u);
  EXPECT_EQ(picture_->GetButtons()[3].hover, 1u);
  EXPECT_EQ(picture_->GetToolTipText(overlap), L"D") << "the later key's text";
  picture_->SetButtonTip(kIdD, L"D : macro");
  EXPECT_EQ(picture_->GetToolTipText(overlap), L"D : macro");
  ButtonDown(*host, overlap);
  ASSERT_EQ(listener_.calls.size(), 1u);
  EXPECT_EQ(listener_.calls[0].id, kIdC) << "a press goes to the earlier key";
}

TEST_F(CoordButtonImageTest, HoverAndTooltipFollowTheMouse) {
  auto host = Host();
  picture_->SetButtonTip(kIdB, L"B : copy");
  struct Step {
    Point at;
    std::wstring tip;
  };
  const Step steps[] = {
      {HostPoint(15, 30), L"A"},         {HostPoint(55, 30), L"B : copy"}, {HostPoint(45, 30), L""},
      {HostPoint(105, 25), L"C"},        {HostPoint(150, 65), L"D"},       {HostPoint(175, 25), L"B2"},
  };
  for (const Step& s : steps) {
    MoveTo(*host, s.at);
    EXPECT_EQ(picture_->GetToolTipText(s.at), s.tip);
    int hovered = 0;
    for (const CoordButton& key : picture_->GetButtons()) hovered += key.hover;
    EXPECT_EQ(hovered, s.tip.empty() ? 0 : 1);
  }
  Leave(*host);
  for (const CoordButton& key : picture_->GetButtons()) EXPECT_EQ(key.hover, 0u);
  EXPECT_EQ(picture_->GetToolTipText(HostPoint(175, 25)), L"");
}

TEST_F(CoordButtonImageTest, SelectionTypes) {
  struct Case {
    const char* type;
    std::vector<Point> presses;
    std::vector<int> checked;
  };
  const Point a = HostPoint(15, 30);
  const Point b = HostPoint(55, 30);
  const Point none = HostPoint(5, 5);
  const Case cases[] = {
      {"1", {a, b}, {kIdB}},
      {"1", {a, b, b}, {kIdB}},  // exactly one key stays checked
      {"1", {a, none}, {kIdA}},
      {"0x1", {b, a}, {kIdA}},
      {"2", {a, b}, {kIdA, kIdB}},
      {"2", {a, b, a}, {kIdB}},
      {"0", {a, b}, {}},
      {"3", {a}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("type ") + c.type);
    auto host = Host(std::string("type=\"") + c.type + "\"");
    for (Point p : c.presses) {
      ButtonDown(*host, p);
      ButtonUp(*host, p);
    }
    EXPECT_EQ(Checked(), c.checked);
  }
}

TEST_F(CoordButtonImageTest, SingleSelectionClearsKeysTheProgramChecked) {
  auto host = Host("type=\"1\"");
  picture_->SetButtonChecked(CoordButtonImage::kAllButtons, true);
  ButtonDown(*host, HostPoint(55, 30));
  EXPECT_EQ(Checked(), (std::vector<int>{kIdB}));
}

TEST_F(CoordButtonImageTest, ListenerThatHandlesThePressKeepsCheckedStates) {
  for (const char* type : {"1", "2"}) {
    SCOPED_TRACE(type);
    auto host = Host(std::string("type=\"") + type + "\"");
    picture_->SetButtonChecked(kIdD, true);
    listener_.pressResult = true;
    ButtonDown(*host, HostPoint(15, 30));
    ButtonUp(*host, HostPoint(15, 30));
    EXPECT_EQ(Checked(), (std::vector<int>{kIdD}));
    CoordButton a;
    picture_->GetButton(kIdA, &a);
    EXPECT_EQ(a.pressed, 0u);
  }
}

TEST_F(CoordButtonImageTest, WithoutAListenerTheSelectionTypeStillApplies) {
  auto host = Host("type=\"2\"");
  picture_->SetClickListener(nullptr);
  ButtonDown(*host, HostPoint(15, 30));
  ButtonUp(*host, HostPoint(15, 30));
  EXPECT_EQ(Checked(), (std::vector<int>{kIdA}));
}

TEST_F(CoordButtonImageTest, ReleaseChangesNoCheckedState) {
  auto host = Host("type=\"2\"");
  ButtonDown(*host, HostPoint(15, 30));
  EXPECT_EQ(Checked(), (std::vector<int>{kIdA}));
  ButtonUp(*host, HostPoint(15, 30));
  EXPECT_EQ(Checked(), (std::vector<int>{kIdA}));
}

// The main window's listener runs the assignment dialog on a release; the
// key must not look held down meanwhile, and the dialog may end with the
// main window (and this control) gone.
TEST_F(CoordButtonImageTest, ListenerSeesTheKeyReleasedAndMayDestroyTheControl) {
  auto host = Host();
  uint32_t pressedDuringRelease = 99;
  listener_.onClick = [&](const ClickCall& call) {
    if (call.action != kCoordButtonRelease) return;
    CoordButton a;
    picture_->GetButton(kIdA, &a);
    pressedDuringRelease = a.pressed;
    EXPECT_EQ(host->GetCaptureWindow(), nullptr) << "the mouse is free for the dialog";
  };
  ButtonDown(*host, HostPoint(15, 30));
  ButtonUp(*host, HostPoint(15, 30));
  EXPECT_EQ(pressedDuringRelease, 0u);

  listener_.onClick = [&](const ClickCall&) { host->GetRoot()->DestroyChild(picture_); };
  ButtonDown(*host, HostPoint(15, 30));
  EXPECT_EQ(host->FindChildByName(L"pic"), nullptr);
  listener_.calls.clear();
  ButtonUp(*host, HostPoint(15, 30));
  EXPECT_TRUE(listener_.calls.empty());
}

// --- painting ---

class CoordButtonImagePaintTest : public CoordButtonImageTest {
 protected:
  kb::render::Bitmap Render(kb::ui::SHostWnd& host) {
    kb::render::Bitmap out;
    EXPECT_TRUE(host.RenderTo(out));
    return out;
  }
  static Color At(const kb::render::Bitmap& bmp, int x, int y) {
    Point p = HostPoint(x, y);
    return bmp.ColorAt(p.x, p.y);
  }
};

TEST_F(CoordButtonImagePaintTest, KeyColoursWithoutPictures) {
  auto host = Host();
  kb::render::Bitmap bmp = Render(*host);
  EXPECT_EQ(At(bmp, 10, 20), Color::Rgb(255, 0, 0));
  EXPECT_EQ(At(bmp, 39, 59), Color::Rgb(255, 0, 0));
  EXPECT_EQ(At(bmp, 55, 30), Color::Rgb(0, 255, 0)) << "\"00 FF 00\"";
  EXPECT_EQ(At(bmp, 105, 25), Color::Rgb(255, 255, 255));
  EXPECT_EQ(At(bmp, 125, 40), Color::Rgb(0, 0, 255)) << "later keys are drawn over earlier ones";
  EXPECT_NE(At(bmp, 40, 20), Color::Rgb(255, 0, 0));
}

TEST_F(CoordButtonImagePaintTest, OverlaysAreCopiedKeyByKey) {
  auto host = Host("bg=\"img:bg\" chking=\"img:hover\" chked=\"img:checked\" pressed=\"img:pressed\"");
  picture_->SetButtonChecked(kIdA, true);
  picture_->SetButtonChecked(kIdD, true);
  MoveTo(*host, HostPoint(55, 30));
  kb::render::Bitmap bmp = Render(*host);
  EXPECT_EQ(At(bmp, 0, 0), kBgColor) << "the background covers the key colours";
  EXPECT_EQ(At(bmp, 105, 25), kBgColor);
  EXPECT_EQ(At(bmp, 10, 20), kCheckedColor);
  EXPECT_EQ(At(bmp, 39, 59), kCheckedColor);
  EXPECT_EQ(At(bmp, 40, 59), kBgColor);
  EXPECT_EQ(At(bmp, 55, 30), kHoverColor);
  EXPECT_EQ(At(bmp, 79, 59), kHoverColor);
  EXPECT_EQ(At(bmp, 80, 59), kBgColor);
  EXPECT_EQ(At(bmp, 159, 69), kCheckedColor);
  EXPECT_EQ(At(bmp, 160, 69), kBgColor);
  EXPECT_NE(At(bmp, -1, 20), kBgColor) << "nothing outside the control";

  ButtonDown(*host, HostPoint(55, 30));
  bmp = Render(*host);
  EXPECT_EQ(At(bmp, 55, 30), kPressedColor) << "a pressed key over its hover";
  ButtonUp(*host, HostPoint(55, 30));
  bmp = Render(*host);
  EXPECT_EQ(At(bmp, 55, 30), kHoverColor);
  // Checked is drawn over hover.
  MoveTo(*host, HostPoint(15, 30));
  bmp = Render(*host);
  EXPECT_EQ(At(bmp, 15, 30), kCheckedColor);
  Leave(*host);
  picture_->SetButtonChecked(CoordButtonImage::kAllButtons, false);
  bmp = Render(*host);
  EXPECT_EQ(At(bmp, 55, 30), kBgColor);
  EXPECT_EQ(At(bmp, 15, 30), kBgColor);
}

TEST_F(CoordButtonImagePaintTest, ABadImageKeepsThePreviousOne) {
  auto host = Host("bg=\"img:bg\"");
  EXPECT_FALSE(picture_->SetAttribute(L"bg", L"img:broken"));
  EXPECT_EQ(At(Render(*host), 0, 0), kBgColor);
  EXPECT_TRUE(picture_->SetAttribute(L"bg", L"img:hover"));
  EXPECT_EQ(At(Render(*host), 0, 0), kHoverColor);
}


// --- keyboard ---

void PressKey(kb::ui::SHostWnd& host, UINT vk) {
  host.HandleMessage(WM_KEYDOWN, vk, 1);
  host.HandleMessage(WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
}

// Without a mouse: Tab reaches the picture, the arrows move the ring, Enter
// and Space click the key with the ring as the mouse does.
TEST_F(CoordButtonImagePaintTest, KeyboardFocusRingAndActivation) {
  auto host = Host("type=\"1\"");
  host->HandleMessage(WM_SETFOCUS, 0, 0);
  PressKey(*host, VK_TAB);
  ASSERT_TRUE(picture_->IsFocused()) << "the picture is a Tab stop";
  EXPECT_EQ(picture_->GetFocusedKey(), 0);
  const Color ring = At(Render(*host), 8, 40);  // two pixels left of A
  EXPECT_NE(ring, At(Render(*host), 45, 40)) << "a ring around A, none around B";
  PressKey(*host, VK_RIGHT);
  EXPECT_EQ(picture_->GetFocusedKey(), 1);
  kb::render::Bitmap moved = Render(*host);
  EXPECT_EQ(At(moved, 48, 40), ring) << "the ring went to B";
  EXPECT_NE(At(moved, 8, 40), ring);

  struct Case {
    UINT vk;
    const char* what;
  };
  for (const Case& c : {Case{VK_RETURN, "Enter"}, Case{VK_SPACE, "Space"}}) {
    listener_.calls.clear();
    PressKey(*host, c.vk);
    ASSERT_EQ(listener_.calls.size(), 2u) << c.what;
    EXPECT_EQ(listener_.calls[0].id, kIdB) << c.what;
    EXPECT_EQ(listener_.calls[0].action, kCoordButtonPress) << c.what;
    EXPECT_EQ(listener_.calls[1].action, kCoordButtonRelease) << c.what;
    EXPECT_EQ(listener_.calls[1].x, 65) << c.what << ": at the key's centre";
    EXPECT_EQ(listener_.calls[1].y, 40) << c.what;
    EXPECT_EQ(Checked(), std::vector<int>{kIdB}) << c.what << ": the selection type applies as for a click";
  }
  // A held key repeats: one assignment, not one per repeat.
  listener_.calls.clear();
  host->HandleMessage(WM_KEYDOWN, VK_RETURN, static_cast<LPARAM>(0x40000001));
  EXPECT_TRUE(listener_.calls.empty());

  // A click moves the ring's key there and, the mouse being in use, hides it.
  ButtonDown(*host, HostPoint(105, 25));
  ButtonUp(*host, HostPoint(105, 25));
  EXPECT_EQ(picture_->GetFocusedKey(), 2);
  EXPECT_NE(At(Render(*host), 98, 40), ring);
  PressKey(*host, VK_LEFT);
  EXPECT_EQ(picture_->GetFocusedKey(), 1) << "the arrows go on from the clicked key";
}

TEST_F(CoordButtonImageTest, KeyboardWithoutKeysLeavesTheKeysToTheWindow) {
  const std::wstring empty = WriteKeyMap("empty.xml", "<positions/>");
  auto host = MakeHost("crdxml=\"" + kb::WideToUtf8(empty) + "\"");
  CoordButtonImage* picture = Picture(*host);
  ASSERT_NE(picture, nullptr);
  picture->SetClickListener(&listener_);
  EXPECT_FALSE(picture->OnKeyDown(VK_RIGHT, 1, 0));
  EXPECT_FALSE(picture->OnKeyDown(VK_RETURN, 1, 0)) << "Enter then reaches the default button";
  EXPECT_TRUE(listener_.calls.empty());
}

}  // namespace
}  // namespace kbtest
