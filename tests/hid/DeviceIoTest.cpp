// The Linux platform layer's device I/O against the simulated keyboard,
// checked for the Windows behaviour the program relies on.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/linux/kbsim_client.h"
#include "platform/win32.h"
#include "sim/KbsimProcess.h"
#include "hid/SimDevicePaths.h"

namespace {

using kbtest::kVendorPath;
using kbtest::kBootPath;
using kbtest::kConsumerPath;
using Clock = std::chrono::steady_clock;
constexpr DWORD kSeed = 0xdeadbeef;
constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;

class DeviceIoTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sim_.Start()); }
  void TearDown() override {
    for (HANDLE h : handles_) CloseHandle(h);
  }
  HANDLE Open(const wchar_t* path, DWORD access = kReadWrite, DWORD share = kShareAll,
              DWORD flags = FILE_FLAG_OVERLAPPED) {
    HANDLE h = CreateFileW(path, access, share, nullptr, OPEN_EXISTING, flags, nullptr);
    if (h != INVALID_HANDLE_VALUE) handles_.push_back(h);
    return h;
  }
  void QueueInput() { ASSERT_EQ(sim_.Command({"input", "07", "aa", "bb", "cc", "dd", "ee", "ff", "11"}).status, 0); }

  kb::test::KbsimProcess sim_;
  std::vector<HANDLE> handles_;
};

struct OpenCase {
  const char* name;
  const wchar_t* path;
  DWORD access, share;
  DWORD error;  // 0: opens
};

TEST_F(DeviceIoTest, CreateFileFailsAsWindowsFailsIt) {
  HANDLE first = Open(kVendorPath, kReadWrite, 0);
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  const OpenCase cases[] = {
      {"no such device", L"\\\\?\\hid#vid_0bad&pid_0bad#1#{x}", kReadWrite, kShareAll, ERROR_FILE_NOT_FOUND},
      {"system keyboard for reading", kBootPath, GENERIC_READ, kShareAll, ERROR_ACCESS_DENIED},
      {"system keyboard without rights", kBootPath, 0, kShareAll, 0},
      {"exclusively held collection", kVendorPath, kReadWrite, kShareAll, ERROR_SHARING_VIOLATION},
      {"exclusively held, no rights asked", kVendorPath, 0, kShareAll, 0},
      {"upper-case name of another collection", L"\\\\?\\HID#VID_E7A1&PID_5B0D&MI_01&COL01#8&2B0FFEE2&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030}",
       kReadWrite, kShareAll, 0},
      {"a file-system path", L"/tmp/not-a-device", GENERIC_READ, kShareAll, ERROR_NOT_SUPPORTED},
      {"no name", nullptr, GENERIC_READ, kShareAll, ERROR_PATH_NOT_FOUND},
  };
  for (const OpenCase& c : cases) {
    SetLastError(kSeed);
    HANDLE h = Open(c.path, c.access, c.share);
    if (c.error == 0) {
      EXPECT_NE(h, INVALID_HANDLE_VALUE) << c.name << " error " << GetLastError();
    } else {
      EXPECT_EQ(h, INVALID_HANDLE_VALUE) << c.name;
      EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
  }
}

struct LengthCase {
  const char* name;
  const wchar_t* path;
  bool write;
  DWORD length;
  DWORD access;
  DWORD error;
};

TEST_F(DeviceIoTest, TransfersOfTheWrongKindOrLengthFailAtOnce) {
  const LengthCase cases[] = {
      {"short output report", kVendorPath, true, 7, kReadWrite, ERROR_INVALID_USER_BUFFER},
      {"long output report", kVendorPath, true, 9, kReadWrite, ERROR_INVALID_USER_BUFFER},
      {"short read buffer", kVendorPath, false, 4, kReadWrite, ERROR_INVALID_USER_BUFFER},
      {"collection without output reports", kConsumerPath, true, 8, kReadWrite, ERROR_INVALID_FUNCTION},
      {"write without write access", kVendorPath, true, 8, GENERIC_READ, ERROR_ACCESS_DENIED},
      {"read without read access", kVendorPath, false, 8, GENERIC_WRITE, ERROR_ACCESS_DENIED},
  };
  for (const LengthCase& c : cases) {
    HANDLE h = Open(c.path, c.access);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << c.name;
    uint8_t buffer[16] = {7};
    OVERLAPPED ov{};
    SetLastError(kSeed);
    BOOL ok = c.write ? WriteFile(h, buffer, c.length, nullptr, &ov) : ReadFile(h, buffer, c.length, nullptr, &ov);
    EXPECT_FALSE(ok) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
  }
}

TEST_F(DeviceIoTest, OverlappedReadCompletesOnTheFileHandle) {
  HANDLE h = Open(kVendorPath);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  uint8_t buffer[8] = {};
  OVERLAPPED ov{};
  SetLastError(kSeed);
  ASSERT_FALSE(ReadFile(h, buffer, sizeof buffer, nullptr, &ov));
  ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
  DWORD count = 99;
  EXPECT_FALSE(GetOverlappedResult(h, &ov, &count, FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_INCOMPLETE));
  EXPECT_FALSE(HasOverlappedIoCompleted(&ov));
  EXPECT_EQ(WaitForSingleObject(h, 50), static_cast<DWORD>(WAIT_TIMEOUT));
  QueueInput();
  ASSERT_EQ(WaitForSingleObject(h, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  // A file stays signalled: waiting does not consume it.
  EXPECT_EQ(WaitForSingleObject(h, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  ASSERT_TRUE(GetOverlappedResult(h, &ov, &count, FALSE));
  EXPECT_EQ(count, 8u);
  const uint8_t expected[8] = {0x07, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff, 0x11};
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 8), std::vector<uint8_t>(expected, expected + 8));
  // The next transfer makes it non-signalled again.
  ASSERT_FALSE(ReadFile(h, buffer, sizeof buffer, nullptr, &ov));
  EXPECT_EQ(WaitForSingleObject(h, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  // The OVERLAPPED lives on this stack: the transfer must end before it does.
  EXPECT_TRUE(CancelIo(h));
  EXPECT_FALSE(GetOverlappedResult(h, &ov, &count, TRUE));
}

TEST_F(DeviceIoTest, OverlappedWithAnEventSignalsTheEvent) {
  HANDLE h = Open(kVendorPath);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  HANDLE event = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  uint8_t buffer[8];
  OVERLAPPED ov{};
  ov.hEvent = event;
  ASSERT_FALSE(ReadFile(h, buffer, sizeof buffer, nullptr, &ov));
  ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
  EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "starting the read resets the event";
  QueueInput();
  EXPECT_EQ(WaitForSingleObject(event, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD count = 0;
  EXPECT_TRUE(GetOverlappedResult(h, &ov, &count, TRUE));
  EXPECT_EQ(count, 8u);
  CloseHandle(event);
}

TEST_F(DeviceIoTest, CancelIoEndsOnlyTheCallingThreadsTransfers) {
  HANDLE h = Open(kVendorPath);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  uint8_t buffer[8];
  OVERLAPPED ov{};
  ASSERT_FALSE(ReadFile(h, buffer, sizeof buffer, nullptr, &ov));
  std::thread other([&] { EXPECT_TRUE(CancelIo(h)); });
  other.join();
  DWORD count = 0;
  EXPECT_FALSE(GetOverlappedResult(h, &ov, &count, FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_INCOMPLETE));
  EXPECT_TRUE(CancelIo(h));
  SetLastError(kSeed);
  EXPECT_FALSE(GetOverlappedResult(h, &ov, &count, TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OPERATION_ABORTED));
  EXPECT_EQ(count, 0u);
  // The cancelled read took nothing: the next report goes to the next read.
  QueueInput();
  ASSERT_FALSE(ReadFile(h, buffer, sizeof buffer, nullptr, &ov));
  EXPECT_TRUE(GetOverlappedResult(h, &ov, &count, TRUE));
  EXPECT_EQ(count, 8u);
  EXPECT_EQ(buffer[1], 0xaa);
}

TEST_F(DeviceIoTest, ClosingTheHandleEndsItsPendingTransfer) {
  HANDLE h = CreateFileW(kVendorPath, kReadWrite, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  uint8_t buffer[8];
  OVERLAPPED ov{};
  ASSERT_FALSE(ReadFile(h, buffer, sizeof buffer, nullptr, &ov));
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_TRUE(HasOverlappedIoCompleted(&ov));
  EXPECT_EQ(ov.Internal, static_cast<ULONG_PTR>(STATUS_CANCELLED));
}

TEST_F(DeviceIoTest, RemovalFailsPendingAndLaterTransfers) {
  HANDLE h = Open(kVendorPath);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  uint8_t buffer[8] = {7};
  OVERLAPPED ov{};
  ASSERT_FALSE(ReadFile(h, buffer, sizeof buffer, nullptr, &ov));
  ASSERT_EQ(sim_.Command({"unplug"}).status, 0);
  DWORD count = 0;
  EXPECT_FALSE(GetOverlappedResult(h, &ov, &count, TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
  EXPECT_FALSE(HidD_SetFeature(h, buffer, 8));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
  HIDD_ATTRIBUTES attributes{};
  EXPECT_FALSE(HidD_GetAttributes(h, &attributes));
  // The old handle stays useless after the keyboard is back; a new one works.
  ASSERT_EQ(sim_.Command({"plug"}).status, 0);
  EXPECT_FALSE(HidD_SetFeature(h, buffer, 8));
  HANDLE again = Open(kVendorPath);
  ASSERT_NE(again, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(HidD_SetFeature(again, buffer, 8));
}

TEST_F(DeviceIoTest, FeatureReportsRoundTripAndAreChecked) {
  HANDLE h = Open(kVendorPath);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  uint8_t request[8] = {0x07, 0xF1, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(sim_.Command({"firmware", "3.4"}).status, 0);
  ASSERT_TRUE(HidD_SetFeature(h, request, 8));
  ASSERT_TRUE(HidD_GetFeature(h, request, 8));
  EXPECT_EQ(request[0], 7);
  EXPECT_EQ(request[1], 3);
  EXPECT_EQ(request[2], 4);
  uint8_t nine[9] = {7};
  SetLastError(kSeed);
  EXPECT_FALSE(HidD_SetFeature(h, nine, 9));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
  SetLastError(kSeed);
  EXPECT_FALSE(HidD_GetFeature(h, nine, 7));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
  uint8_t wrongId[8] = {6};
  EXPECT_FALSE(HidD_SetFeature(h, wrongId, 8));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
  HANDLE consumer = Open(kConsumerPath, 0);
  ASSERT_NE(consumer, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(HidD_SetFeature(consumer, request, 8));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
  // Feature reports need no access rights.
  HANDLE bare = Open(kVendorPath, 0);
  EXPECT_TRUE(HidD_SetFeature(bare, request, 8));
}

TEST_F(DeviceIoTest, SynchronousHandleBlocksUntilTheReportArrives) {
  HANDLE h = Open(kVendorPath, kReadWrite, kShareAll, FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::thread feeder([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    QueueInput();
  });
  uint8_t buffer[64] = {};
  DWORD count = 0;
  auto start = Clock::now();
  EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &count, nullptr));
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(100));
  EXPECT_EQ(count, 8u) << "one report per read, whatever the buffer";
  feeder.join();
  uint8_t report[8] = {0x07, 0xFF, 0xFF, 3, 1, 1, 0, 0};
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(h, report, 8, &written, nullptr));
  EXPECT_EQ(written, 8u);
  EXPECT_NE(sim_.Command({"status"}).text.find("effect: 3\n"), std::string::npos);
}

TEST_F(DeviceIoTest, StalledFeatureTransferTimesOut) {
  HANDLE h = Open(kVendorPath);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ASSERT_EQ(sim_.Command({"stall", "on"}).status, 0);
  uint8_t report[8] = {0x07, 0xF1};
  auto start = Clock::now();
  SetLastError(kSeed);
  EXPECT_FALSE(HidD_SetFeature(h, report, 8));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SEM_TIMEOUT));
  auto took = Clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(4500));
  EXPECT_LT(took, std::chrono::seconds(30));
}

TEST_F(DeviceIoTest, LosingTheDaemonFailsPendingTransfersAndANewOneIsFound) {
  HANDLE h = Open(kVendorPath);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  uint8_t buffer[8];
  OVERLAPPED ov{};
  ASSERT_FALSE(ReadFile(h, buffer, sizeof buffer, nullptr, &ov));
  sim_.Stop();
  DWORD count = 0;
  EXPECT_FALSE(GetOverlappedResult(h, &ov, &count, TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
  EXPECT_EQ(Open(kVendorPath), INVALID_HANDLE_VALUE);
  ASSERT_TRUE(sim_.Start());
  HANDLE fresh = Open(kVendorPath);
  ASSERT_NE(fresh, INVALID_HANDLE_VALUE);
  uint8_t report[8] = {7};
  EXPECT_TRUE(HidD_SetFeature(fresh, report, 8));
  EXPECT_FALSE(HidD_SetFeature(h, report, 8)) << "a handle of the old machine stays dead";
}

TEST_F(DeviceIoTest, SubscribersHearRemovalThenArrivalAfterAFactoryReset) {
  struct Event {
    kb::sim::EventKind kind;
    std::string path;
    Clock::time_point at;
  };
  std::mutex mutex;
  std::condition_variable cv;
  std::vector<Event> events;
  auto& client = kb::platform::KbsimClient::Instance();
  int token = client.Subscribe([&](kb::sim::EventKind kind, const kb::sim::WireGuid&, const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex);
    events.push_back({kind, path, Clock::now()});
    cv.notify_all();
  });
  HANDLE h = Open(kVendorPath);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  uint8_t reset[8] = {0x07, 0xF0, 0xAA};
  OVERLAPPED ov{};
  DWORD count = 0;
  if (!WriteFile(h, reset, 8, nullptr, &ov)) {
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
  }
  ASSERT_TRUE(GetOverlappedResult(h, &ov, &count, TRUE));
  {
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(10), [&] { return events.size() >= 12; }));
  }
  client.Unsubscribe(token);
  std::lock_guard<std::mutex> lock(mutex);
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(events[i].kind, kb::sim::EventKind::kRemoval) << i;
  for (size_t i = 6; i < 12; ++i) EXPECT_EQ(events[i].kind, kb::sim::EventKind::kArrival) << i;
  EXPECT_NE(events[5].path.find("mi_01&col05"), std::string::npos);
  auto gap = events[6].at - events[5].at;
  EXPECT_GE(gap, std::chrono::milliseconds(800));
  EXPECT_LT(gap, std::chrono::seconds(5));
}

}  // namespace
