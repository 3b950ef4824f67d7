// The main window's rules that need no window: which broadcast paths are the
// keyboard, which page shows an effect and what its controls store, and the
// "-hid" decision of start-up; the About box's text.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "main/StartUp.h"
#include "platform/text.h"
#include "ui/AboutBox.h"
#include "ui/DeviceNotification.h"
#include "ui/EffectPages.h"
#include "ui/ProductInfo.h"

namespace {

const KeyboardIdentity kKeyboard{0xE7A1, 0x5B0D, 1, 5};

struct PathCase {
  const wchar_t* path;
  KeyboardIdentity identity;
  DevicePathKind expected;
};

TEST(DeviceNotification, ClassifiesBroadcastPaths) {
  const PathCase cases[] = {
      // The form device-change broadcasts carry: upper case.
      {L"\\\\?\\HID#VID_E7A1&PID_5B0D&MI_01&COL05#8&2d3a&0&0004#{4d1e55b2-f16f-11cf-88cb-001111000030}", kKeyboard,
       DevicePathKind::Keyboard},
      {L"\\\\?\\hid#vid_e7a1&pid_5b0d&mi_01&col05#8&2d3a&0&0004#{4d1e55b2-f16f-11cf-88cb-001111000030}", kKeyboard,
       DevicePathKind::Keyboard},
      // Another collection or interface of the same keyboard.
      {L"\\\\?\\HID#VID_E7A1&PID_5B0D&MI_01&COL04#8&2d3a&0&0003#{4d1e55b2-f16f-11cf-88cb-001111000030}", kKeyboard,
       DevicePathKind::Other},
      {L"\\\\?\\HID#VID_E7A1&PID_5B0D&MI_00#8&1111&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", kKeyboard,
       DevicePathKind::Other},
      // Parts a path does not carry do not speak against it.
      {L"\\\\?\\HID#VID_E7A1&PID_5B0D#8&1111&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", kKeyboard,
       DevicePathKind::Keyboard},
      {L"\\\\?\\HID#VID_E7A1&PID_5B0D&MI_01#8&1111&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", kKeyboard,
       DevicePathKind::Keyboard},
      // Other devices.
      {L"\\\\?\\HID#VID_DEED&PID_FEED#1&2&0&0#{4d1e55b2-f16f-11cf-88cb-001111000030}", kKeyboard,
       DevicePathKind::Other},
      {L"\\\\?\\HID#VID_E7A1&PID_5B0E&MI_01&COL05#8&2d3a&0&0004#{4d1e55b2-f16f-11cf-88cb-001111000030}", kKeyboard,
       DevicePathKind::Other},
      // Interface 0 of a keyboard configured with interface 0.
      {L"\\\\?\\HID#VID_E7A1&PID_5B0D&MI_00&COL01#8&1111&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}",
       KeyboardIdentity{0xE7A1, 0x5B0D, 0, 1}, DevicePathKind::Keyboard},
      // A configuration without a product id takes any product of the vendor.
      {L"\\\\?\\HID#VID_E7A1&PID_5B0E&MI_01&COL05#8&2d3a&0&0004#{4d1e55b2-f16f-11cf-88cb-001111000030}",
       KeyboardIdentity{0xE7A1, 0, 1, 5}, DevicePathKind::Keyboard},
      {L"\\\\?\\HID#VID_DEED&PID_5B0E&MI_01&COL05#8&2d3a&0&0004#{4d1e55b2-f16f-11cf-88cb-001111000030}",
       KeyboardIdentity{0xE7A1, 0, 1, 5}, DevicePathKind::Other},
      // Not HID interface paths at all.
      {L"\\\\?\\STORAGE#Volume#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}", kKeyboard, DevicePathKind::Unparsable},
      {L"", kKeyboard, DevicePathKind::Unparsable},
      {nullptr, kKeyboard, DevicePathKind::Unparsable},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(ClassifyDevicePath(c.path, c.identity), c.expected) << (c.path ? kb::WideToUtf8(c.path) : std::string("(null)"));
  }
}

TEST(DeviceNotification, OnlyDeviceInterfaceBroadcastsCarryAPath) {
  EXPECT_EQ(DeviceInterfacePath(0), nullptr);
  DEV_BROADCAST_HDR volume{};
  volume.dbch_size = sizeof volume;
  volume.dbch_devicetype = 2;  // DBT_DEVTYP_VOLUME
  EXPECT_EQ(DeviceInterfacePath(reinterpret_cast<LPARAM>(&volume)), nullptr);
  std::vector<unsigned char> block(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) + 64 * sizeof(wchar_t));
  auto* broadcast = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(block.data());
  broadcast->dbcc_size = static_cast<DWORD>(block.size());
  broadcast->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  const wchar_t name[] = L"\\\\?\\HID#VID_E7A1&PID_5B0D#1";
  std::memcpy(broadcast->dbcc_name, name, sizeof name);
  const wchar_t* path = DeviceInterfacePath(reinterpret_cast<LPARAM>(broadcast));
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(std::wstring(path), name);
}

TEST(DeviceNotification, NoWindowNoRegistration) { EXPECT_EQ(RegisterHidNotification(nullptr), nullptr); }

TEST(EffectPages, EveryEffectHasItsPage) {
  using namespace effect_pages;
  const int expected[] = {kPageStatic,  kPageStatic,  kPageDynamic, kPageDynamic, kPageMoving,  kPageMoving,
                          kPageMoving,  kPageMoving,  kPageDynamic, kPageDynamic, kPageDynamic, kPageDynamic,
                          kPageDynamic, kPageDynamic, kPageDynamic, kPageDynamic, kPageDynamic, kPageDynamic,
                          kPageDynamic, kPageDynamic, kPageDynamic, kPageLoader};
  for (int effect = 0; effect < 22; ++effect) EXPECT_EQ(PageOfEffect(effect), expected[effect]) << effect;
  EXPECT_EQ(PageOfEffect(-1), kNoPage);
  EXPECT_EQ(PageOfEffect(22), kNoPage);
  EXPECT_EQ(PageOfEffect(1000), kNoPage);
}

struct PageCase {
  const char* what;
  int effect;
  effect_pages::PageValues values;
  LedEffectEntry before;
  LedEffectEntry after;
};

TEST(EffectPages, PageControlsGoIntoTheEntry) {
  const PageCase cases[] = {
      {"moving effect takes speed, brightness, direction", 5, {1, 3, 1, 0}, {5, 2, 0, 0}, {3, 1, 1, 0}},
      {"no checked direction keeps the direction", 6, {0, 4, -1, 1}, {5, 2, 1, 0}, {4, 0, 1, 0}},
      {"dynamic effect has no direction", 12, {2, 1, 0, 1}, {5, 1, 1, 2}, {1, 2, 1, 2}},
      {"static effect has no speed", 0, {1, 2, 1, 1}, {5, 2, 0, 0}, {2, 2, 0, 0}},
      {"loader left", 21, {0, 5, 1, 0}, {1, 2, 0, 0}, {5, 2, 0, 1}},
      {"loader centre", 21, {0, 5, 1, 1}, {1, 2, 0, 0}, {5, 2, 0, 2}},
      {"loader without a checked radio", 21, {0, 5, 1, -1}, {1, 2, 0, 2}, {5, 2, 0, 1}},
      {"loader speed is not the effect's", 21, {0, 5, -1, 0}, {1, 1, 0, 0}, {5, 1, 0, 1}},
      {"sliders beyond the keyboard's range", 2, {9, 300, -1, -1}, {1, 1, 0, 0}, {5, 2, 0, 0}},
      {"missing sliders change nothing", 9, {-1, -1, -1, -1}, {3, 1, 1, 2}, {3, 1, 1, 2}},
      {"no entry for effect 22", 22, {1, 1, 1, 1}, {3, 1, 1, 2}, {3, 1, 1, 2}},
  };
  for (const PageCase& c : cases) {
    LedEffectEntry entry = c.before;
    effect_pages::ApplyPageValues(c.effect, c.values, entry);
    EXPECT_EQ(entry, c.after) << c.what;
  }
}

TEST(EffectPages, SideLabelAndLevel) {
  using namespace effect_pages;
  for (int mode = 0; mode < 12; ++mode)
    EXPECT_STREQ(SideLabelOfMode(mode), mode < 3 ? L"Speed" : L"Brightness") << mode;
  const int sliders[] = {-3, 0, 4, 7, 8, 255};
  const uint8_t levels[] = {0, 0, 4, 7, 7, 7};
  for (size_t i = 0; i < std::size(sliders); ++i) EXPECT_EQ(SideLevelFromSlider(sliders[i]), levels[i]) << sliders[i];
}

TEST(StartUp, OnlyTheExactSwitchStartsHidden) {
  struct {
    const wchar_t* line;
    int show;
  } cases[] = {
      {L"-hid", SW_HIDE},         {L"-HID", SW_SHOWNORMAL},     {L"-hid ", SW_SHOWNORMAL},
      {L"-hid x", SW_SHOWNORMAL}, {L"\"-hid\"", SW_SHOWNORMAL}, {L"", SW_SHOWNORMAL},
      {nullptr, SW_SHOWNORMAL},   {L"-hidden", SW_SHOWNORMAL},  {L"/hid", SW_SHOWNORMAL},
  };
  for (const auto& c : cases) EXPECT_EQ(startup::ShowCommandFor(c.line), c.show) << (c.line ? "line" : "null");
}

}  // namespace

// The About box: name and version as the executable's VERSIONINFO has them,
// the build date, every third-party notice, and each phrase through the
// translator (the version and the names are not translated).
TEST(AboutText, NamesVersionDateAndEveryNoticeTranslated) {
  std::wstring version = kb::product::Version();
  ASSERT_FALSE(version.empty());
  std::wstring date = kb::product::BuildDate();
  ASSERT_EQ(date.size(), 10u);
  EXPECT_EQ(date[4], L'-');
  EXPECT_EQ(date[7], L'-');
  ASSERT_FALSE(kb::product::Notices().empty());

  std::wstring plain = kb::ui::AboutText(nullptr);
  EXPECT_EQ(plain.rfind(std::wstring(kb::product::Name()) + L" " + version + L"\n", 0), 0u) << kb::WideToUtf8(plain);
  EXPECT_NE(plain.find(L"Build date: " + date), std::wstring::npos);
  EXPECT_NE(plain.find(L"Licence: " + std::wstring(kb::product::Licence()) + L"\n"), std::wstring::npos);
  for (const kb::product::Notice& notice : kb::product::Notices()) {
    EXPECT_NE(plain.find(std::wstring(notice.name) + L" \u2014 " + notice.licence), std::wstring::npos)
        << kb::WideToUtf8(notice.name);
  }

  std::wstring marked = kb::ui::AboutText([](const std::wstring& text) { return L"<" + text + L">"; });
  EXPECT_EQ(marked.rfind(std::wstring(kb::product::Name()) + L" " + version, 0), 0u);
  EXPECT_NE(marked.find(L"<Build date><: >" + date), std::wstring::npos);
  EXPECT_NE(marked.find(L"<Keyboard configuration utility>"), std::wstring::npos);
}
