// Device arrival and removal from the simulated machine reach a registered
// window as WM_DEVICECHANGE, with the interface path in upper case as Windows
// sends it. Linux only: the simulated machine is the Linux build's hardware.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <set>

#include "UserTestSupport.h"
#include "platform/text.h"
#include "sim/KbsimProcess.h"

namespace kbtest {

namespace {

const GUID kHidClass = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

struct Change {
  WPARAM event;
  DWORD size;
  DWORD type;
  GUID guid;
  std::wstring name;
};

class DeviceNotifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim_.Start());
    hwnd_ = CreateLoggingWindow(WS_POPUP);
    SetHandler(hwnd_, [this](HWND, UINT m, WPARAM w, LPARAM l) -> std::optional<LRESULT> {
      if (m != WM_DEVICECHANGE || !l) return std::nullopt;
      // The broadcast lives only as long as the message is being handled.
      auto* b = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(l);
      changes_.push_back(Change{w, b->dbcc_size, b->dbcc_devicetype, b->dbcc_classguid, b->dbcc_name});
      return TRUE;
    });
  }
  void TearDown() override {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  HDEVNOTIFY Register(DWORD flags) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kHidClass;
    return RegisterDeviceNotificationW(hwnd_, &filter, flags);
  }
  std::vector<Change> Of(WPARAM event) {
    std::vector<Change> out;
    for (const Change& c : changes_)
      if (c.event == event) out.push_back(c);
    return out;
  }
  kb::test::KbsimProcess sim_;
  HWND hwnd_ = nullptr;
  std::vector<Change> changes_;
};

std::set<std::wstring> Names(const std::vector<Change>& changes) {
  std::set<std::wstring> names;
  for (const Change& c : changes) names.insert(c.name);
  return names;
}

}  // namespace

TEST_F(DeviceNotifyTest, UnplugAndPlugArriveAsDeviceChange) {
  ASSERT_NE(Register(DEVICE_NOTIFY_WINDOW_HANDLE), nullptr);
  PumpFor(100);
  EXPECT_TRUE(changes_.empty());  // what was there before registering is not announced
  ASSERT_EQ(sim_.Command({"unplug"}).status, 0);
  ASSERT_TRUE(PumpUntil([&] { return !Of(DBT_DEVICEREMOVECOMPLETE).empty(); }, 10000));
  PumpFor(200);
  std::vector<Change> removed = Of(DBT_DEVICEREMOVECOMPLETE);
  for (const Change& c : removed) {
    EXPECT_EQ(c.type, static_cast<DWORD>(DBT_DEVTYP_DEVICEINTERFACE));
    EXPECT_EQ(c.guid, kHidClass);
    EXPECT_EQ(c.size, offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + (c.name.size() + 1) * sizeof(wchar_t));
    EXPECT_EQ(c.name.rfind(L"\\\\?\\HID#VID_", 0), 0u) << kb::WideToUtf8(c.name);
    size_t guidAt = c.name.rfind(L"#{");
    ASSERT_NE(guidAt, std::wstring::npos);
    EXPECT_TRUE(std::none_of(c.name.begin(), c.name.begin() + guidAt, [](wchar_t ch) { return iswlower(ch); }));
  }
  changes_.clear();
  ASSERT_EQ(sim_.Command({"plug"}).status, 0);
  ASSERT_TRUE(PumpUntil([&] { return Of(DBT_DEVICEARRIVAL).size() >= removed.size(); }, 10000));
  EXPECT_EQ(Names(Of(DBT_DEVICEARRIVAL)), Names(removed));
}

TEST_F(DeviceNotifyTest, UnregisteredOrDestroyedWindowsHearNothing) {
  HDEVNOTIFY handle = Register(DEVICE_NOTIFY_WINDOW_HANDLE | DEVICE_NOTIFY_ALL_INTERFACE_CLASSES);
  ASSERT_NE(handle, nullptr);
  EXPECT_TRUE(UnregisterDeviceNotification(handle));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(UnregisterDeviceNotification(handle));
  ASSERT_EQ(sim_.Command({"unplug"}).status, 0);
  PumpFor(500);
  EXPECT_TRUE(changes_.empty());
  ASSERT_NE(Register(DEVICE_NOTIFY_WINDOW_HANDLE), nullptr);
  DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  ASSERT_EQ(sim_.Command({"plug"}).status, 0);
  PumpFor(500);
  EXPECT_TRUE(changes_.empty());
}

TEST_F(DeviceNotifyTest, TheMachineGoingAwayRemovesItsDevices) {
  ASSERT_NE(Register(DEVICE_NOTIFY_WINDOW_HANDLE), nullptr);
  // Known to be following this daemon once one of its changes has come through.
  ASSERT_EQ(sim_.Command({"unplug"}).status, 0);
  ASSERT_EQ(sim_.Command({"plug"}).status, 0);
  ASSERT_TRUE(PumpUntil([&] { return !Of(DBT_DEVICEARRIVAL).empty(); }, 10000));
  PumpFor(200);
  changes_.clear();
  sim_.Stop();
  ASSERT_TRUE(PumpUntil([&] { return !Of(DBT_DEVICEREMOVECOMPLETE).empty(); }, 10000));
  PumpFor(200);
  std::vector<Change> removedChanges = Of(DBT_DEVICEREMOVECOMPLETE);
  size_t removed = removedChanges.size();
  changes_.clear();
  ASSERT_TRUE(sim_.Start());
  // This daemon listens on a socket of its own; a registration made now
  // names it (a program's daemon keeps its socket).
  ASSERT_NE(Register(DEVICE_NOTIFY_WINDOW_HANDLE), nullptr);
  EXPECT_TRUE(PumpUntil([&] { return Of(DBT_DEVICEARRIVAL).size() >= removed; }, 10000));
  PumpFor(200);
  // Each interface once per window, whatever the number of its registrations.
  std::vector<Change> arrived = Of(DBT_DEVICEARRIVAL);
  EXPECT_EQ(Names(arrived).size(), arrived.size());
  std::set<std::wstring> gone = Names(removedChanges), back = Names(arrived);
  EXPECT_TRUE(std::includes(back.begin(), back.end(), gone.begin(), gone.end()));
}

TEST_F(DeviceNotifyTest, FilterErrors) {
  DEV_BROADCAST_HDR tooSmall{2, DBT_DEVTYP_DEVICEINTERFACE, 0};
  SetLastError(0xdeadbeef);
  EXPECT_EQ(RegisterDeviceNotificationW(hwnd_, &tooSmall, DEVICE_NOTIFY_WINDOW_HANDLE), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
}

}  // namespace kbtest
