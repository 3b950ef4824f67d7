// The main dialog and the keyboard coming and going: the start-up resend,
// unplugging and replugging, the firmware check, the keyboard plugged in at
// the "insert" box, the language remembered. Needs a display
// (scripts/with-xvfb).
#include <chrono>
#include <cstdio>

#include "MainDlgTestSupport.h"
#include "app/AppConfig.h"
#include "keyboard/KeyboardCommands.h"
#include "keyboard/LedEffectTable.h"
#include "macro/RecordStore.h"
#include "platform/path.h"
#include "platform/save_file.h"
#include "platform/text.h"
#include "toolkit/controls/SComboBox.h"
#include "toolkit/window/SHostDialog.h"
#include "ui/common/CoordButtonImage.h"
#include "ui/common/SShellNotifyIcon.h"

namespace kbtest {
namespace {

using namespace kb::ui;

// The resend built its report with direction and variant swapped and the
// variant unmapped: two seconds after every start the keyboard switched to
// a direction or variant neither the window nor ledeffect.xml showed.
TEST_F(MainDlgTest, TheResendSendsWhatSettingTheEffectSends) {
  struct Case {
    int effect;
    LedEffectEntry entry;
  };
  std::vector<Case> cases;
  for (int effect = 0; effect < KeyboardCommands::kEffectCount; ++effect) cases.push_back({effect, {3, 1, 0, 1}});
  for (int effect : {4, 5, 6, 7}) cases.push_back({effect, {5, 2, 1, 1}});  // direction Right
  cases.push_back({21, {4, 0, 0, 2}});                                       // loader from the centre
  cases.push_back({20, {5, 2, 0, 0}});                                       // after a factory restore
  beforeInit_ = [](CMainDlg& dialog) { dialog.SetResendDelay(50); };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "effect " << c.effect << " direction " << int(c.entry.deriction)
                                    << " selection " << int(c.entry.selection));
    LedEffectTable& effects = LedEffectTable::Instance();
    *effects.GetEntry(c.effect) = c.entry;
    effects.SetCurrent(c.effect);
    effects.Save();
    ResetLog();
    ASSERT_NE(OpenDialog(), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return dlg_->StartUpResendDone(); }, 8000));
    FeatureReport expected = KeyboardCommands::BacklightEffectReport(c.effect, c.entry);
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "07 ff ff %02x", c.effect);
    std::vector<std::string> sent;
    for (const std::string& report : Sent("set-feature"))
      if (report.rfind(prefix, 0) == 0) sent.push_back(report);
    ASSERT_FALSE(sent.empty());
    std::string bytes;
    for (uint8_t byte : expected.bytes) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%02x ", byte);
      bytes += hex;
    }
    bytes.pop_back();
    for (const std::string& report : sent) EXPECT_EQ(report, bytes);
    std::string status = Status();
    EXPECT_NE(status.find("direction: " + std::to_string(c.entry.deriction) + "\n"), std::string::npos) << status;
    EXPECT_NE(status.find("variant: " + std::to_string(KeyboardCommands::MapSelection(c.entry.selection)) + "\n"),
              std::string::npos)
        << status;
    CloseDialog();
  }
}

// Unplugging the keyboard (a KVM switch, a loose cable) ended the program
// without a word, with its tray icon and its key functions.
TEST_F(MainDlgTest, UnpluggingKeepsTheProgramAndTheKeyboardsReturnRestoresIt) {
  *LedEffectTable::Instance().GetEntry(6) = LedEffectEntry{2, 1, 1, 1};
  LedEffectTable::Instance().SetCurrent(6);
  LedEffectTable::Instance().Save();
  ASSERT_NE(OpenDialog(), nullptr);
  auto* effects = dlg_->FindChildByName<SComboBox>(L"cbx_color_effect");
  auto* tray = dlg_->FindChildByName<SShellNotifyIcon>(L"tray_icon");
  ASSERT_NE(effects, nullptr);
  ASSERT_NE(tray, nullptr);
  ASSERT_EQ(sim_.Command({"unplug"}).status, 0);
  ASSERT_TRUE(PumpUntil([&] { return !dlg_->KeyboardOpen(); }, 10000));
  Pump(100);
  EXPECT_TRUE(WindowAlive());
  EXPECT_EQ(dlg_->FirmwareVersion(), CMainDlg::kFirmwareUnknown);
  EXPECT_EQ(Find(L"version")->GetWindowText(), L"Keyboard disconnected");
  EXPECT_EQ(tray->GetTip(), CMainDlg::ApplicationName() + L" - Keyboard disconnected");
  EXPECT_TRUE(effects->IsDisabled());
  EXPECT_TRUE(Find(L"bar_side_brightness")->IsDisabled());
  EXPECT_TRUE(boxes_.empty());
  // The keyboard forgot its lighting while it was away.
  sim_.Command({"firmware", "1.4"});
  ResetLog();
  ASSERT_EQ(sim_.Command({"plug"}).status, 0);
  ASSERT_TRUE(PumpUntil([&] { return dlg_->KeyboardOpen(); }, 10000));
  EXPECT_TRUE(PumpUntil([&] { return Status().find("effect: 6\n") != std::string::npos; }, 5000)) << Status();
  EXPECT_NE(Status().find("direction: 1\n"), std::string::npos) << Status();
  // Read on the worker, ahead of the lights.
  EXPECT_TRUE(PumpUntil([&] { return dlg_->FirmwareVersion() == 0x0104; }, 5000));
  EXPECT_EQ(Find(L"version")->GetWindowText(), L"Firmware: v1.4");
  EXPECT_EQ(tray->GetTip(), CMainDlg::ApplicationName());
  EXPECT_FALSE(effects->IsDisabled());
}

// On the keyboard's return the window read the firmware version itself and
// waited out a stalled transfer: for seconds it answered nothing, not even
// the window manager's pings.
TEST_F(MainDlgTest, AKeyboardThatStallsOnItsReturnLeavesTheWindowAnswering) {
  ASSERT_NE(OpenDialog(), nullptr);
  // How long a stalled transfer holds its caller here: the firmware check
  // answers once the worker's request gives up.
  sim_.Command({"stall", "on"});
  auto asked = std::chrono::steady_clock::now();
  ::SendMessageW(hwnd_, WM_COMMAND, CMainDlg::kCmdCheckFirmware, 0);
  ASSERT_TRUE(PumpUntil([&] { return !boxes_.empty(); }, 30000));
  auto stalledFor = std::chrono::steady_clock::now() - asked;
  ASSERT_EQ(boxes_[0].text, L"The keyboard did not answer the firmware request.");
  boxes_.clear();
  ASSERT_EQ(sim_.Command({"unplug"}).status, 0);
  ASSERT_TRUE(PumpUntil([&] { return !dlg_->KeyboardOpen(); }, 10000));
  sim_.Command({"firmware", "1.3"});
  // An unplug ends a stall; this one is on when the keyboard comes back.
  ASSERT_EQ(sim_.Command({"stall", "on"}).status, 0);
  auto plugged = std::chrono::steady_clock::now();
  ASSERT_EQ(sim_.Command({"plug"}).status, 0);
  ASSERT_TRUE(PumpUntil([&] { return dlg_->KeyboardOpen(); }, 30000));
  auto arrivalTook = std::chrono::steady_clock::now() - plugged;
  EXPECT_LT(arrivalTook, stalledFor / 2) << "the arrival waited for the stalled version read";
  EXPECT_EQ(dlg_->FirmwareVersion(), CMainDlg::kFirmwareUnknown);
  // The check runs after the stalled read on the worker; that read gives up
  // without a box, so the only box is the check's.
  sim_.Command({"stall", "off"});
  ::SendMessageW(hwnd_, WM_COMMAND, CMainDlg::kCmdCheckFirmware, 0);
  ASSERT_TRUE(PumpUntil([&] { return !boxes_.empty(); }, 30000));
  Pump(200);
  EXPECT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(dlg_->FirmwareVersion(), 0x0103);
  EXPECT_EQ(Find(L"version")->GetWindowText(), L"Firmware: v1.3");
}

// "Check firmware" answered "latest" without asking once v1.0 had been
// read, and re-read any other version silently.
TEST_F(MainDlgTest, FirmwareCheckAsksEveryTimeAndAlwaysTells) {
  struct Case {
    const char* atStart;
    const char* whenChecked;  // the keyboard's version by then; "stall": no answer
    const wchar_t* box;
    const wchar_t* label;
  };
  const Case cases[] = {
      {"1.0", "1.0", L"The firmware is already the latest version and no upgrade is required.", L"Firmware: v1.0"},
      {"1.0", "0.9", L"The keyboard has an older firmware version: v0.9", L"Firmware: v0.9"},
      {"1.3", "1.5", L"The firmware is already the latest version and no upgrade is required.", L"Firmware: v1.5"},
      {"0.0", "0.0", L"The keyboard has an older firmware version: Early version", L"Firmware: Early version"},
      {"1.2", "stall", L"The keyboard did not answer the firmware request.", L"Firmware: v1.2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.whenChecked);
    ASSERT_EQ(sim_.Command({"firmware", c.atStart}).status, 0);
    ASSERT_NE(OpenDialog(), nullptr);
    boxes_.clear();
    ResetLog();
    if (std::string(c.whenChecked) == "stall") sim_.Command({"stall", "on"});
    else sim_.Command({"firmware", c.whenChecked});
    ::SendMessageW(hwnd_, WM_COMMAND, CMainDlg::kCmdCheckFirmware, 0);
    ASSERT_TRUE(PumpUntil([&] { return !boxes_.empty(); }, 15000));
    sim_.Command({"stall", "off"});
    EXPECT_EQ(boxes_[0].text, c.box);
    EXPECT_EQ(boxes_[0].title, L"Information");
    // A stalled request is never delivered, so never logged.
    if (std::string(c.whenChecked) != "stall")
      EXPECT_FALSE(kb::test::LogLines(sim_, "07 f1 00").empty()) << "the keyboard is asked";
    EXPECT_EQ(Find(L"version")->GetWindowText(), c.label);
    CloseDialog();
  }
}

// The keyboard plugged in while "Please insert USB device!" was shown did
// not help: the program ended after OK.
TEST_F(MainDlgTest, KeyboardPluggedInWhileAskedForGoesOnToTheWindow) {
  ASSERT_EQ(sim_.Command({"unplug"}).status, 0);
  App()->SetModalHook([&](SHostWnd& popup) {
    SWindow* text = popup.FindChildByName(L"msgtext");
    auto* dialog = dynamic_cast<SHostDialog*>(&popup);
    if (!text || !dialog) return;
    boxes_.push_back({L"", text->GetWindowText(true)});
    sim_.Command({"plug"});
    PumpUntil([&] { return Status().find("plugged: yes") != std::string::npos; }, 5000);
    Pump(200);
    dialog->EndDialog(IDOK);
  });
  ASSERT_NE(OpenDialog(), nullptr);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, L"Please insert USB device!");
  EXPECT_TRUE(dlg_->KeyboardOpen());
  EXPECT_EQ(dlg_->FirmwareVersion(), 0x0100);
  // Only now is the window marked for a second start.
  EXPECT_EQ(GetPropW(hwnd_, CMainDlg::ApplicationName().c_str()), reinterpret_cast<HANDLE>(1));
}

// The language chosen in the window was forgotten at the next start.
TEST_F(MainDlgTest, TheLanguageChosenIsRememberedInConfigXml) {
  ASSERT_NE(OpenDialog(), nullptr);
  std::wstring config = kb::PathJoin(kb::Utf8ToWide(folder_), AppConfig::kFileName);
  std::string before;
  ASSERT_TRUE(kb::ReadFileBytes(config, before));
  Click(L"zh_cn");
  std::string after;
  ASSERT_TRUE(kb::ReadFileBytes(config, after));
  AppConfig reloaded;
  ASSERT_TRUE(reloaded.Load(kb::Utf8ToWide(folder_)));
  EXPECT_TRUE(reloaded.isChinese);
  EXPECT_EQ(reloaded.vid, AppConfig::Instance().vid);
  EXPECT_EQ(after.size(), before.size()) << "only en became cn";
  Click(L"jp");
  ASSERT_TRUE(kb::ReadFileBytes(config, after));
  EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace kbtest
