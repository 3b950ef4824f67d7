// The main dialog against the simulated keyboard: opening, the firmware
// text, lighting commands, the delayed resend, unplugging, the factory
// restore with the keyboard's re-enumeration, the language buttons and the
// assigned keys. Needs a display (scripts/with-xvfb).
#include <cstdlib>
#include <functional>
#include <sstream>

#include "MainDlgTestSupport.h"
#include "app/AppConfig.h"
#include "keyboard/LedEffectTable.h"
#include "keyboard/SideModelTable.h"
#include "keyfunc/VHidev.h"
#include "keyfunc/VirtualKeyboardSetup.h"
#include "macro/MacroStore.h"
#include "macro/RecordStore.h"
#include "keyfunc/VHidev.h"
#include "keyfunc/VirtualKeyboardSetup.h"
#include "main/StartUp.h"
#include "toolkit/controls/SComboBox.h"
#include "platform/text.h"
#include "toolkit/controls/STabCtrl.h"
#include "toolkit/window/SHostDialog.h"
#include "ui/common/CoordButtonImage.h"

namespace kbtest {
namespace {

using namespace kb::ui;

constexpr KeyCode kKeyA = (7u << 16) | 0x04;

KeyRecord CopyOnKeyA() {
  KeyRecord record;
  record.code = kKeyA;
  record.type = 3;
  record.play = 2;
  record.repeat = 1;
  record.name = L"A";
  record.group = L"Copy";
  record.steps = {{(7u << 16) | 0xE0, 1, 21, L""}, {(7u << 16) | 0x06, 1, 21, L""},
                  {(7u << 16) | 0xE0, 0, 20, L""}, {(7u << 16) | 0x06, 0, 20, L""}};
  return record;
}

TEST_F(MainDlgTest, OpensTheKeyboardAndShowsItsFirmware) {
  ASSERT_EQ(sim_.Command({"firmware", "1.2"}).status, 0);
  ASSERT_NE(OpenDialog(), nullptr);
  EXPECT_TRUE(dlg_->KeyboardOpen());
  EXPECT_EQ(dlg_->FirmwareVersion(), 0x0102);
  ASSERT_NE(Find(L"version"), nullptr);
  EXPECT_EQ(Find(L"version")->GetWindowText(), L"Firmware: v1.2");
  EXPECT_TRUE(boxes_.empty());
  // The window carries the property a second start looks for.
  EXPECT_EQ(GetPropW(hwnd_, CMainDlg::ApplicationName().c_str()), reinterpret_cast<HANDLE>(1));
  EXPECT_FALSE(CMainDlg::ApplicationName().empty());
  std::vector<std::string> requests = Sent("set-feature");
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.front(), "07 f1 00 00 00 00 00 00");
  // The stored lighting is shown: the default effect 20 on its page.
  auto* effects = dlg_->FindChildByName<SComboBox>(L"cbx_color_effect");
  ASSERT_NE(effects, nullptr);
  EXPECT_EQ(effects->GetCurSel(), LedEffectTable::kDefaultSel);
  auto* tab = dlg_->FindChildByName<STabCtrl>(L"tab_color_effect");
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(tab->GetCurSel(), 1);
}

// A config.xml without a product id (0: any product of the vendor) looked
// for product 0 and never found the keyboard.
TEST_F(MainDlgTest, ConfigWithoutAProductIdNeverFindsTheKeyboard) {
  AppConfig& config = AppConfig::Instance();
  const int32_t configured = config.pid;
  config.pid = 0;
  HWND opened = OpenDialog();
  config.pid = configured;
  ASSERT_NE(opened, nullptr);
  EXPECT_TRUE(dlg_->KeyboardOpen());
  EXPECT_TRUE(boxes_.empty());
  // Its removal is still the keyboard's.
  ASSERT_EQ(sim_.Command({"unplug"}).status, 0);
  EXPECT_TRUE(PumpUntil([&] { return !dlg_->KeyboardOpen(); }, 10000));
  EXPECT_TRUE(WindowAlive());
}

TEST_F(MainDlgTest, WithoutTheKeyboardOneWarningAndTheWindowIsGone) {
  ASSERT_EQ(sim_.Command({"unplug"}).status, 0);
  EXPECT_EQ(OpenDialog(), nullptr);
  EXPECT_FALSE(WindowAlive());
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].title, L"Warning");
  EXPECT_EQ(boxes_[0].text, L"Please insert USB device!");
  EXPECT_EQ(dlg_->FirmwareVersion(), CMainDlg::kFirmwareUnknown);
}

struct LightingStep {
  const char* what;
  std::function<void(MainDlgTest&)> act;
  const char* report;  // the last feature report the keyboard got
};

TEST_F(MainDlgTest, LightingChangesReachTheKeyboard) {
  ASSERT_NE(OpenDialog(), nullptr);
  // The start-up resend (effect 20, two seconds on) must not land between a
  // step and its check.
  ASSERT_TRUE(PumpUntil([&] { return LastSent("set-feature") == "07 ff ff 14 05 02 00 00"; }, 8000));
  auto select = [](const wchar_t* combo, int index) {
    return [combo, index](MainDlgTest& t) {
      auto* box = t.dlg_->FindChildByName<SComboBox>(combo);
      ASSERT_NE(box, nullptr);
      box->SetCurSel(index);
      t.Settle();
    };
  };
  auto slide = [](const wchar_t* bar, int value) { return [bar, value](MainDlgTest& t) { t.MoveSlider(bar, value); }; };
  auto click = [](const wchar_t* name) { return [name](MainDlgTest& t) { t.Click(name); }; };
  const LightingStep steps[] = {
      {"effect 5 with its defaults", select(L"cbx_color_effect", 5), "07 ff ff 05 05 02 00 00"},
      {"its brightness", slide(L"bar_const_brightness_0", 3), "07 ff ff 05 03 02 00 00"},
      {"its speed", slide(L"bar_general_speed_0", 1), "07 ff ff 05 03 01 00 00"},
      {"its direction", click(L"radio_direction_right_0"), "07 ff ff 05 03 01 00 01"},
      {"effect 21 (loader)", select(L"cbx_color_effect", 21), "07 ff ff 15 05 02 00 00"},
      {"loader brightness stores the left variant", slide(L"bar_const_brightness_3", 2), "07 ff ff 15 02 02 00 00"},
      {"loader centre", click(L"radio_loader_center_3"), "07 ff ff 15 02 02 01 00"},
      {"loader left again", click(L"radio_loader_left_3"), "07 ff ff 15 02 02 00 00"},
      {"back to effect 5 shows what was stored", select(L"cbx_color_effect", 5), "07 ff ff 05 03 01 00 01"},
      {"static effect 0", select(L"cbx_color_effect", 0), "07 ff ff 00 05 02 00 00"},
      {"side mode 4 at its default level", select(L"cbx_side_color_effect", 4), "07 ff ff 20 00 00 74 00"},
      {"side level", slide(L"bar_side_brightness", 3), "07 ff ff 20 00 00 34 00"},
      {"side mode 1 is a speed", select(L"cbx_side_color_effect", 1), "07 ff ff 20 00 00 41 00"},
  };
  for (const LightingStep& step : steps) {
    step.act(*this);
    EXPECT_EQ(LastSent("set-feature"), step.report) << step.what;
  }
  // What was sent is what the tables keep for the next start.
  LedEffectTable reloaded;
  reloaded.Load(LedEffectTable::Instance().Path());
  EXPECT_EQ(reloaded.GetCurrent(), 0);
  // A variant of 0 (none) reads back as the left one.
  EXPECT_EQ(*reloaded.GetEntry(5), (LedEffectEntry{3, 1, 1, 1}));
  EXPECT_EQ(*reloaded.GetEntry(21), (LedEffectEntry{2, 2, 0, 1}));
  SideModelTable sides;
  sides.Load(SideModelTable::Instance().Path());
  EXPECT_EQ(sides.GetCurrent(), 1);
  EXPECT_EQ(sides.GetEntry(4)->brightness, 3);
  ASSERT_NE(Find(L"text_side_brightness"), nullptr);
  EXPECT_EQ(Find(L"text_side_brightness")->GetWindowText(true), L"Speed");
  select(L"cbx_side_color_effect", 7)(*this);
  EXPECT_EQ(Find(L"text_side_brightness")->GetWindowText(true), L"Brightness");
  // The picked effect's page is shown.
  EXPECT_EQ(dlg_->FindChildByName<STabCtrl>(L"tab_color_effect")->GetCurSel(), 2);
}

// The radios used to keep the layout's defaults (Left) whatever was stored,
// and the next slider move stored and sent them over the user's choice.
TEST_F(MainDlgTest, RadiosShowTheStoredDirectionAndVariantAndASliderMoveKeepsThem) {
  LedEffectTable& effects = LedEffectTable::Instance();
  *effects.GetEntry(5) = LedEffectEntry{3, 1, 1, 1};   // direction right
  *effects.GetEntry(21) = LedEffectEntry{2, 2, 0, 2};  // loader from the centre
  effects.SetCurrent(5);
  effects.Save();
  // As after a restart: the table comes from the file.
  effects.Load(effects.Path());
  ASSERT_NE(OpenDialog(), nullptr);
  ASSERT_NE(Find(L"radio_direction_right_0"), nullptr);
  EXPECT_TRUE(Find(L"radio_direction_right_0")->IsChecked());
  EXPECT_FALSE(Find(L"radio_direction_left_0")->IsChecked());
  MoveSlider(L"bar_general_speed_0", 0);
  EXPECT_EQ(LastSent("set-feature"), "07 ff ff 05 03 00 00 01");
  auto* combo = dlg_->FindChildByName<SComboBox>(L"cbx_color_effect");
  ASSERT_NE(combo, nullptr);
  combo->SetCurSel(21);
  Settle();
  ASSERT_NE(Find(L"radio_loader_center_3"), nullptr);
  EXPECT_TRUE(Find(L"radio_loader_center_3")->IsChecked());
  EXPECT_FALSE(Find(L"radio_loader_left_3")->IsChecked());
  MoveSlider(L"bar_const_brightness_3", 4);
  EXPECT_EQ(LastSent("set-feature"), "07 ff ff 15 04 02 01 00");
  LedEffectTable reloaded;
  reloaded.Load(effects.Path());
  EXPECT_EQ(*reloaded.GetEntry(5), (LedEffectEntry{3, 0, 1, 1}));
  EXPECT_EQ(*reloaded.GetEntry(21), (LedEffectEntry{4, 2, 0, 2}));
}

// A "Right" loader radio stored and sent variant 1, which is Left: the
// loader only starts from the left or the centre.
TEST_F(MainDlgTest, LoaderOffersNoRightThatRunsLeft) {
  ASSERT_NE(OpenDialog(), nullptr);
  auto* combo = dlg_->FindChildByName<SComboBox>(L"cbx_color_effect");
  ASSERT_NE(combo, nullptr);
  combo->SetCurSel(21);
  EXPECT_NE(Find(L"radio_loader_left_3"), nullptr);
  EXPECT_NE(Find(L"radio_loader_center_3"), nullptr);
  EXPECT_EQ(Find(L"radio_loader_right_3"), nullptr);
}

// A slider moved while the effect box had no selection stored effect -1 as
// the current effect.
TEST_F(MainDlgTest, SliderMoveWithoutAnEffectSelectedStoresNoEffect) {
  LedEffectTable::Instance().SetCurrent(9);
  ASSERT_NE(OpenDialog(), nullptr);
  auto* combo = dlg_->FindChildByName<SComboBox>(L"cbx_color_effect");
  ASSERT_NE(combo, nullptr);
  combo->SetCurSel(-1);
  MoveSlider(L"bar_const_brightness_1", 2);
  EXPECT_EQ(LedEffectTable::Instance().GetCurrent(), 9);
  LedEffectTable reloaded;
  reloaded.Load(LedEffectTable::Instance().Path());
  EXPECT_EQ(reloaded.GetCurrent(), 9);
}

TEST_F(MainDlgTest, TheEffectIsSentAgainTwoSecondsAfterStartUp) {
  LedEffectTable& effects = LedEffectTable::Instance();
  *effects.GetEntry(20) = LedEffectEntry{4, 1, 1, 2};
  effects.Save();
  ASSERT_NE(OpenDialog(), nullptr);
  PumpUntil([&] { return dlg_->StartUpResendDone(); }, 8000);
  PumpUntil([&] { return LastSent("set-feature") == "07 ff ff 14 04 01 01 01"; }, 3000);
  std::vector<std::string> lines = kb::test::LogLines(sim_, "set-feature");
  long long openedUs = -1;
  long long resentUs = -1;
  int resends = 0;
  for (const std::string& line : lines) {
    if (line.find("07 f1 00") != std::string::npos && openedUs < 0) openedUs = kb::test::LogTimeUs(line);
    if (line.find("07 ff ff 14 04 01 01 01") != std::string::npos) {
      ++resends;
      resentUs = kb::test::LogTimeUs(line);
    }
  }
  ASSERT_EQ(resends, 1);
  ASSERT_GE(openedUs, 0);
  // Measured from the firmware request, which comes a little after the
  // task's clock starts: generous bounds for a loaded machine.
  EXPECT_GE(resentUs - openedUs, 1500 * 1000LL);
  EXPECT_LE(resentUs - openedUs, 7000 * 1000LL);
  Pump(600);
  EXPECT_EQ(kb::test::LogLines(sim_, "07 ff ff 14 04 01 01 01").size(), 1u) << "sent once only";
}

TEST_F(MainDlgTest, TheResendKeepsAnEffectPickedBeforeIt) {
  ASSERT_NE(OpenDialog(), nullptr);
  auto* effects = dlg_->FindChildByName<SComboBox>(L"cbx_color_effect");
  ASSERT_NE(effects, nullptr);
  effects->SetCurSel(9);
  Settle();
  ASSERT_EQ(LastSent("set-feature"), "07 ff ff 09 05 02 00 00");
  // The resend is two reports, the side light then the effect (the same
  // bytes as the pick's): wait for the second one of the effect.
  ASSERT_TRUE(PumpUntil([&] { return kb::test::LogLines(sim_, "07 ff ff 09 05 02 00 00").size() >= 2; }, 8000));
  // The start-up form of the effect now chosen, not of effect 20.
  EXPECT_EQ(LastSent("set-feature"), "07 ff ff 09 05 02 00 00");
  EXPECT_EQ(kb::test::LogLines(sim_, "07 ff ff 14").size(), 0u);
  EXPECT_NE(Status().find("effect: 9\n"), std::string::npos) << Status();
}

TEST_F(MainDlgTest, AnotherDeviceComingAndGoingLeavesTheKeyboardAlone) {
  ASSERT_NE(OpenDialog(), nullptr);
  ASSERT_TRUE(dlg_->KeyboardOpen());
  auto eventReads = [this] {
    std::string text = sim_.Command({"filter"}).text;
    size_t at = text.find("event-reads ");
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + 12);
  };
  PumpUntil([&] { return eventReads() > 0; }, 3000);
  // Past the start-up resend, so that nothing else is sent meanwhile.
  ASSERT_TRUE(PumpUntil([&] { return LastSent("set-feature") == "07 ff ff 14 05 02 00 00"; }, 8000));
  int readsBefore = eventReads();
  ASSERT_EQ(sim_.Command({"unplug", "receiver"}).status, 0);
  Pump(500);
  EXPECT_TRUE(WindowAlive()) << "the receiver is not the keyboard";
  ResetLog();
  ASSERT_EQ(sim_.Command({"plug", "receiver"}).status, 0);
  Pump(500);
  EXPECT_TRUE(WindowAlive());
  EXPECT_TRUE(dlg_->KeyboardOpen());
  // The keyboard was neither reopened nor asked for its version again.
  EXPECT_TRUE(Sent("set-feature").empty());
  // Another device says nothing about the filter: its handles and the
  // monitor's pending read stay as they were (closing them under that read
  // lost the key events of the moment).
  Pump(300);
  EXPECT_EQ(eventReads(), readsBefore);
  EXPECT_NE(sim_.Command({"filter"}).text.find("sessions 3\n"), std::string::npos) << sim_.Command({"filter"}).text;
}

KeyRecord F1TypesB() {
  KeyRecord record;
  record.code = (7u << 16) | 0x3A;
  record.type = 1;
  record.play = 1;
  record.name = L"F1";
  record.group = L"B";
  record.steps = {{(7u << 16) | 0x05, 1, 0, L"B"}};
  return record;
}

// The virtual keyboard, through which the program types, for this test only.
class WithVirtualKeyboard {
 public:
  explicit WithVirtualKeyboard(kb::test::KbsimProcess& sim) : sim_(sim) {
    sim_.Command({"vkbd", "install"});
    GUID hid;
    HidD_GetHidGuid(&hid);
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (FindVirtualKeyboard(hid, &handle)) VHidev::Instance().SetDevice(handle);
  }
  ~WithVirtualKeyboard() {
    VHidev::Instance().CloseDevice();
    sim_.Command({"vkbd", "remove"});
  }

 private:
  kb::test::KbsimProcess& sim_;
};

// Taps and releases of a direct key at the moment another device arrives
// reach the system, and nothing stays held.
TEST_F(MainDlgTest, KeysAtAnotherDevicesArrivalAreNeitherLostNorHeld) {
  RecordStore::Instance().Upsert(F1TypesB());
  RecordStore::Instance().Save();
  WithVirtualKeyboard vkbd(sim_);
  ASSERT_NE(OpenDialog(), nullptr);
  ASSERT_TRUE(PumpUntil([&] { return sim_.Command({"filter"}).text.find("intercept 07:003a") != std::string::npos; },
                        3000));
  constexpr int kRounds = 10;
  for (int i = 0; i < kRounds; ++i) {
    ASSERT_EQ(sim_.Command({"unplug", "receiver"}).status, 0);
    Pump(20);
    ASSERT_EQ(sim_.Command({"press", "f1"}).status, 0);
    ASSERT_EQ(sim_.Command({"plug", "receiver"}).status, 0);
    Pump(i % 3 * 5);
    ASSERT_EQ(sim_.Command({"release", "f1"}).status, 0);
    Pump(30);
  }
  EXPECT_TRUE(PumpUntil([&] { return sim_.Command({"held"}).text.empty(); }, 3000)) << sim_.Command({"held"}).text;
  std::string typed = sim_.Command({"typed"}).text;
  size_t downs = 0;
  for (size_t at = typed.find("down 07:0005"); at != std::string::npos; at = typed.find("down 07:0005", at + 1))
    ++downs;
  EXPECT_EQ(downs, static_cast<size_t>(kRounds)) << typed;
}

// The keyboard's key interface arriving means a new filter device: the
// program opens it again and gives it the intercept table.
TEST_F(MainDlgTest, TheKeyboardsKeyInterfaceArrivingReopensTheFilter) {
  RecordStore::Instance().Upsert(F1TypesB());
  RecordStore::Instance().Save();
  WithVirtualKeyboard vkbd(sim_);
  ASSERT_NE(OpenDialog(), nullptr);
  std::string keyInterface;
  std::istringstream devices(sim_.Command({"devices"}).text);
  for (std::string line; std::getline(devices, line);)
    if (line.find("mi_00") != std::string::npos && line.find("&col") == std::string::npos &&
        line.find("e7a1") != std::string::npos)
      keyInterface = line.substr(line.find("\\\\"));
  ASSERT_FALSE(keyInterface.empty()) << sim_.Command({"devices"}).text;
  auto eventReads = [this] {
    std::string text = sim_.Command({"filter"}).text;
    size_t at = text.find("event-reads ");
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + 12);
  };
  ASSERT_TRUE(PumpUntil([&] { return eventReads() > 0; }, 3000));
  int readsBefore = eventReads();
  std::wstring path = kb::Utf8ToWide(keyInterface);
  std::vector<uint8_t> buffer(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) + path.size() * sizeof(wchar_t));
  auto* broadcast = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(buffer.data());
  broadcast->dbcc_size = static_cast<DWORD>(buffer.size());
  broadcast->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  std::copy(path.begin(), path.end(), broadcast->dbcc_name);
  ::SendMessageW(hwnd_, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(broadcast));
  EXPECT_TRUE(PumpUntil([&] { return eventReads() > readsBefore; }, 3000)) << "a read on the new handles";
  EXPECT_NE(sim_.Command({"filter"}).text.find("intercept 07:003a"), std::string::npos);
  ASSERT_EQ(sim_.Command({"tap", "f1"}).status, 0);
  EXPECT_TRUE(PumpUntil([&] { return sim_.Command({"typed"}).text.find("down 07:0005") != std::string::npos; }, 3000));
  EXPECT_TRUE(PumpUntil([&] { return sim_.Command({"held"}).text.empty(); }, 3000)) << sim_.Command({"held"}).text;
}

TEST_F(MainDlgTest, FactoryRestoreSurvivesTheReEnumeration) {
  RecordStore::Instance().Upsert(CopyOnKeyA());
  RecordStore::Instance().Save();
  LedEffectTable::Instance().SetCurrent(3);
  ASSERT_NE(OpenDialog(), nullptr);
  ResetLog();
  answers_ = {IDOK};
  Click(L"btn_restore_factory");
  // The reports go out from the worker, the reset last.
  ASSERT_TRUE(PumpUntil([&] { return !Sent("output").empty(); }, 10000));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, L"All settings will be restored, are you sure you want to continue?");
  EXPECT_EQ(boxes_[0].title, L"Warning");
  EXPECT_EQ(RecordStore::Instance().Count(), 0u);
  EXPECT_EQ(LedEffectTable::Instance().GetCurrent(), LedEffectTable::kDefaultSel);
  // The defaults are shown and sent before the keyboard resets itself.
  std::vector<std::string> features = Sent("set-feature");
  ASSERT_FALSE(features.empty());
  EXPECT_EQ(features.back(), "07 ff ff 14 05 02 00 00");
  std::vector<std::string> outputs = Sent("output");
  ASSERT_EQ(outputs.size(), 1u);
  EXPECT_EQ(outputs[0], "07 f0 aa 00 00 00 00 00");
  // The keyboard leaves the bus and comes back; the program stays.
  EXPECT_TRUE(PumpUntil([&] { return !dlg_->RestoringFactory(); }, 15000));
  EXPECT_TRUE(WindowAlive());
  EXPECT_TRUE(dlg_->KeyboardOpen());
  EXPECT_TRUE(boxes_.size() == 1u);
  if (auto* picture = dlg_->FindChildByName<CoordButtonImage>(L"img_keyboard")) {
    CoordButton key;
    if (picture->GetButton(0x04, &key)) {
      EXPECT_EQ(key.checked, 0u);
      EXPECT_EQ(key.tip, L"");
    }
  }
  // Once back, an unplug is an unplug again: the window stays and says so.
  ASSERT_EQ(sim_.Command({"unplug"}).status, 0);
  EXPECT_TRUE(PumpUntil([&] { return !dlg_->KeyboardOpen(); }, 10000));
  EXPECT_TRUE(WindowAlive());
  EXPECT_FALSE(dlg_->RestoringFactory());
}

// The restore cleared the macros in memory only: they came back at the next
// start, unless the editor saved first and erased them.
TEST_F(MainDlgTest, FactoryRestoreClearsMacrosInMemoryOnly) {
  MacroStore& macros = MacroStore::Instance();
  macros.AddGroup();
  macros.GroupAt(0)->steps = {KeyStep{(7u << 16) | 0x04, 1, 10, L"A"}};
  macros.Settings().repeat = 7;
  ASSERT_TRUE(macros.Save());
  ASSERT_NE(OpenDialog(), nullptr);
  answers_ = {IDOK};
  Click(L"btn_restore_factory");
  EXPECT_EQ(macros.GroupCount(), 0);
  MacroStore reloaded;
  ASSERT_TRUE(reloaded.Load(macros.Path()));
  EXPECT_EQ(reloaded.GroupCount(), 0);
  EXPECT_EQ(reloaded.Settings().repeat, MacroSettings().repeat);
  EXPECT_TRUE(PumpUntil([&] { return !dlg_->RestoringFactory(); }, 15000));
}

// A failed reset report looked like success, and the restoring state never
// cleared when the keyboard did not come back: its removal no longer ended
// the program.
TEST_F(MainDlgTest, FailedFactoryResetLooksLikeSuccess) {
  // Effect and side mode away from the defaults: the restore sends both
  // before its reset report, which the keyboard drops, leaving the bus.
  LedEffectTable::Instance().SetCurrent(3);
  SideModelTable::Instance().SetCurrent(4);
  ASSERT_NE(OpenDialog(), nullptr);
  ResetLog();
  ASSERT_EQ(sim_.Command({"drop", "2"}).status, 0);
  answers_ = {IDOK, IDOK};
  Click(L"btn_restore_factory");
  ASSERT_TRUE(PumpUntil([&] { return boxes_.size() == 2u; }, 10000));
  EXPECT_EQ(kb::test::LogLines(sim_, "dropped").size(), 1u);
  EXPECT_EQ(boxes_[1].text, L"The keyboard could not be reset to its factory settings.");
  EXPECT_FALSE(dlg_->RestoringFactory());
  // Its removal is an unplug as any other.
  EXPECT_TRUE(PumpUntil([&] { return !dlg_->KeyboardOpen(); }, 10000));
  EXPECT_TRUE(WindowAlive());
}

// The restore's time limit: once it has passed, the restoring state ends;
// a keyboard that is not back is shown as away, and reopened when it comes.
TEST_F(MainDlgTest, FactoryRestoreStateEndsAfterItsTimeLimit) {
  ASSERT_NE(OpenDialog(), nullptr);
  answers_ = {IDOK};
  Click(L"btn_restore_factory");
  ASSERT_TRUE(dlg_->RestoringFactory());
  ASSERT_TRUE(PumpUntil([&] { return !dlg_->KeyboardOpen(); }, 5000));
  // The limit's timer message, as it comes when the keyboard stays away.
  ::SendMessageW(hwnd_, WM_TIMER, CMainDlg::kTimerFactoryRestore, 0);
  EXPECT_FALSE(dlg_->RestoringFactory());
  EXPECT_TRUE(WindowAlive());
  EXPECT_TRUE(PumpUntil([&] { return dlg_->KeyboardOpen(); }, 10000));
}

TEST_F(MainDlgTest, FactoryRestoreCancelledChangesNothing) {
  RecordStore::Instance().Upsert(CopyOnKeyA());
  RecordStore::Instance().Save();
  ASSERT_NE(OpenDialog(), nullptr);
  ResetLog();
  answers_ = {IDCANCEL};
  Click(L"btn_restore_factory");
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(RecordStore::Instance().Count(), 1u);
  EXPECT_FALSE(dlg_->RestoringFactory());
  EXPECT_TRUE(Sent("output").empty());
}

TEST_F(MainDlgTest, LanguageButtonsTranslateTheWindow) {
  ASSERT_EQ(sim_.Command({"firmware", "1.5"}).status, 0);
  ASSERT_NE(OpenDialog(), nullptr);
  SWindow* label = Find(L"text_side_brightness");
  SWindow* version = Find(L"version");
  ASSERT_NE(label, nullptr);
  ASSERT_NE(version, nullptr);
  std::wstring chineseSpeed = App()->Translate(L"Speed", L"main");
  Click(L"zh_cn");
  chineseSpeed = App()->Translate(L"Speed", L"main");
  EXPECT_NE(chineseSpeed, L"Speed") << "lang_cn translates the main window";
  EXPECT_EQ(label->GetWindowText(), chineseSpeed);
  EXPECT_EQ(version->GetWindowText(), App()->Translate(L"Firmware", L"main") + L": v1.5");
  EXPECT_NE(version->GetWindowText(), L"Firmware: v1.5");
  Click(L"jp");
  EXPECT_EQ(label->GetWindowText(), L"Speed");
  EXPECT_EQ(version->GetWindowText(), L"Firmware: v1.5");
}

TEST_F(MainDlgTest, ExitCommandClosesTheWindow) {
  ASSERT_NE(OpenDialog(), nullptr);
  ::SendMessageW(hwnd_, WM_COMMAND, CMainDlg::kCmdExit, 0);
  EXPECT_TRUE(PumpUntil([&] { return !WindowAlive(); }, 5000));
}

TEST_F(MainDlgTest, AssignedKeysAreMarkedAndInterceptedAtStart) {
  RecordStore::Instance().Upsert(CopyOnKeyA());
  RecordStore::Instance().Save();
  ASSERT_NE(OpenDialog(), nullptr);
  auto* picture = dlg_->FindChildByName<CoordButtonImage>(L"img_keyboard");
  ASSERT_NE(picture, nullptr);
  CoordButton key;
  ASSERT_TRUE(picture->GetButton(0x04, &key)) << "the key map has key A";
  EXPECT_EQ(key.checked, 1u);
  EXPECT_EQ(key.tip, L"A : " + App()->Translate(L"Copy", L""));
  CoordButton other;
  ASSERT_TRUE(picture->GetButton(0x05, &other));
  EXPECT_EQ(other.checked, 0u);
  // The filter driver withholds the assigned key.
  std::string filter = sim_.Command({"filter"}).text;
  EXPECT_NE(filter.find("intercept 07:0004"), std::string::npos) << filter;
}

TEST_F(MainDlgTest, AKeyClickedOnThePictureOpensTheAssignmentDialog) {
  ASSERT_NE(OpenDialog(), nullptr);
  auto* picture = dlg_->FindChildByName<CoordButtonImage>(L"img_keyboard");
  ASSERT_NE(picture, nullptr);
  CoordButton key;
  ASSERT_TRUE(picture->GetButton(0x04, &key));
  const Rect& origin = picture->GetWindowRect();
  Point centre{origin.left + (key.rect.left + key.rect.right) / 2, origin.top + (key.rect.top + key.rect.bottom) / 2};
  int dialogs = 0;
  std::wstring shownKey;
  App()->SetModalHook([&](SHostWnd& popup) {
    if (!popup.FindChildByName(L"tab_macro_mode_selection")) return;
    ++dialogs;
    if (SWindow* keys = popup.FindChildByName(L"text_recording_keys")) shownKey = keys->GetWindowText(true);
    if (auto* dialog = dynamic_cast<SHostDialog*>(&popup)) dialog->EndDialog(IDCANCEL);
  });
  // The press alone opens nothing; the release over the same key does.
  picture->OnLButtonDown(MK_LBUTTON, centre);
  EXPECT_EQ(dialogs, 0);
  picture->OnLButtonUp(0, centre);
  EXPECT_EQ(dialogs, 1);
  EXPECT_NE(shownKey.find(L"A"), std::wstring::npos) << kb::WideToUtf8(shownKey);
  // Cancelled: nothing assigned, the main window still there.
  EXPECT_EQ(RecordStore::Instance().Count(), 0u);
  EXPECT_TRUE(WindowAlive());
  ASSERT_TRUE(picture->GetButton(0x04, &key));
  EXPECT_EQ(key.checked, 0u);
}

// Opening the macro editor left running playback alone: an endless macro
// went on typing into the editor, where the keyboard could not stop it.
TEST_F(MainDlgTest, EndlessMacroTypesIntoTheOpenedEditor) {
  KeyRecord endless;
  endless.code = kKeyA;
  endless.type = 0;
  endless.play = 2;
  endless.repeat = -1;
  endless.name = L"A";
  endless.group = L"Endless";
  endless.steps = {{(7u << 16) | 0x05, 1, 3, L"B"}, {(7u << 16) | 0x05, 0, 3, L"B"}};
  RecordStore::Instance().Upsert(endless);
  RecordStore::Instance().Save();
  // Playback types through the virtual keyboard, as after the start-up's
  // driver check.
  sim_.Command({"vkbd", "install"});
  ASSERT_TRUE(EnsureVirtualKeyboard(L""));
  struct CloseVirtualKeyboard {
    ~CloseVirtualKeyboard() { VHidev::Instance().CloseDevice(); }
  } closeAtEnd;
  ASSERT_NE(OpenDialog(), nullptr);
  auto typedLines = [this] { return sim_.Command({"typed", "vkbd"}).text; };
  sim_.Command({"reset-typed"});
  ASSERT_EQ(sim_.Command({"tap", "a"}).status, 0);
  ASSERT_TRUE(PumpUntil([&] { return typedLines().find("07:0005") != std::string::npos; }, 5000))
      << "the macro plays";
  auto* picture = dlg_->FindChildByName<CoordButtonImage>(L"img_keyboard");
  ASSERT_NE(picture, nullptr);
  CoordButton key;
  ASSERT_TRUE(picture->GetButton(0x06, &key));
  const Rect& origin = picture->GetWindowRect();
  Point centre{origin.left + (key.rect.left + key.rect.right) / 2, origin.top + (key.rect.top + key.rect.bottom) / 2};
  std::string typedAtOpen;
  std::string typedLater;
  std::string held;
  App()->SetModalHook([&](SHostWnd& popup) {
    if (!popup.FindChildByName(L"tab_macro_mode_selection")) return;
    typedAtOpen = typedLines();
    // Several of the macro's 3 ms steps would have gone out meanwhile.
    Pump(150);
    typedLater = typedLines();
    held = sim_.Command({"held"}).text;
    if (auto* dialog = dynamic_cast<SHostDialog*>(&popup)) dialog->EndDialog(IDCANCEL);
  });
  picture->OnLButtonDown(MK_LBUTTON, centre);
  picture->OnLButtonUp(0, centre);
  ASSERT_FALSE(typedAtOpen.empty());
  EXPECT_EQ(typedLater, typedAtOpen) << "the macro went on typing";
  EXPECT_EQ(held.find("07:0005"), std::string::npos) << held;
}

TEST_F(MainDlgTest, UnpluggingWhileTheAssignmentDialogIsOpenKeepsBoth) {
  ASSERT_NE(OpenDialog(), nullptr);
  auto* picture = dlg_->FindChildByName<CoordButtonImage>(L"img_keyboard");
  ASSERT_NE(picture, nullptr);
  CoordButton key;
  ASSERT_TRUE(picture->GetButton(0x05, &key));
  const Rect& origin = picture->GetWindowRect();
  Point centre{origin.left + (key.rect.left + key.rect.right) / 2, origin.top + (key.rect.top + key.rect.bottom) / 2};
  bool awayDuringDialog = false;
  App()->SetModalHook([&](SHostWnd& popup) {
    if (!popup.FindChildByName(L"tab_macro_mode_selection")) return;
    // The keyboard goes away while the dialog's own loop runs.
    sim_.Command({"unplug"});
    awayDuringDialog = PumpUntil([&] { return !dlg_->KeyboardOpen(); }, 10000) && WindowAlive();
    if (auto* dialog = dynamic_cast<SHostDialog*>(&popup)) dialog->EndDialog(IDCANCEL);
  });
  picture->OnLButtonDown(MK_LBUTTON, centre);
  picture->OnLButtonUp(0, centre);
  EXPECT_TRUE(awayDuringDialog);
  EXPECT_TRUE(WindowAlive());
  EXPECT_EQ(RecordStore::Instance().Count(), 0u);
}

TEST_F(MainDlgTest, SecondStartBringsTheMarkedWindowForward) {
  ASSERT_NE(OpenDialog(), nullptr);
  ::ShowWindow(hwnd_, SW_HIDE);
  Pump(100);
  ASSERT_FALSE(IsWindowVisible(hwnd_));
  // The window of the test before may still be on its way out of the X
  // server for a moment; then two marked windows answer, later only this one.
  EXPECT_TRUE(PumpUntil([&] { return startup::BringRunningInstanceForward(CMainDlg::ApplicationName()) == 1; },
                        10000));
  EXPECT_TRUE(IsWindowVisible(hwnd_));
  EXPECT_EQ(startup::BringRunningInstanceForward(L"NoSuchProgramName"), 0);
}

}  // namespace
}  // namespace kbtest
