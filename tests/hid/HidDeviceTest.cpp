// HidDevice against the simulated keyboard's vendor collection.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "hid/HidDevice.h"
#include "sim/KbsimProcess.h"
#include "hid/SimDevicePaths.h"

namespace {

using kbtest::kVendorPath;
using kbtest::kBootPath;
using kbtest::kReadWriteAccess;
using kbtest::kVendor;
using kbtest::kProduct;
using Clock = std::chrono::steady_clock;

class HidDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim_.Start());
    ASSERT_EQ(device_.Open(kVendorPath, kReadWriteAccess), 1);
  }
  void TearDown() override { device_.Close(); }
  void QueueInput() { ASSERT_EQ(sim_.Command({"input", "07", "01", "02", "03", "04", "05", "06", "07"}).status, 0); }

  kb::test::KbsimProcess sim_;
  HidDevice device_;
};

TEST_F(HidDeviceTest, OpensByIdentityAndReportsTheVersion) {
  HidDevice other;
  uint16_t version = 0;
  const int32_t products[] = {kProduct};
  ASSERT_EQ(other.Open(kVendor, 1, products, 1, 5, &version, kReadWriteAccess), 1);
  EXPECT_EQ(version, 0x0110);
  EXPECT_EQ(other.Caps().UsagePage, 0xFF00);
  EXPECT_EQ(other.Caps().FeatureReportByteLength, 8);
  EXPECT_EQ(other.Caps().OutputReportByteLength, 8);
  EXPECT_TRUE(other.HasValidHandle());
  other.Close();
  EXPECT_EQ(other.Handle(), nullptr);
  version = 77;
  const int32_t absent[] = {0x1111};
  EXPECT_EQ(other.Open(kVendor, 1, absent, 1, 5, &version, kReadWriteAccess), 0);
  EXPECT_EQ(version, 77);
}

TEST_F(HidDeviceTest, FailedOpenLeavesTheInvalidHandleAndFeatureCallsFail) {
  HidDevice other;
  EXPECT_EQ(other.Open(nullptr, kReadWriteAccess), 0);
  EXPECT_EQ(other.Handle(), nullptr);
  EXPECT_EQ(other.Open(kBootPath, kReadWriteAccess), 0);  // the system holds keyboards
  EXPECT_EQ(other.Handle(), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(other.HasValidHandle());
  uint8_t report[8] = {7};
  EXPECT_EQ(other.SetFeature(report), 0);
  EXPECT_EQ(other.GetFeature(report), 0);
  EXPECT_EQ(other.Open(kBootPath, 0x00000003), 1) << "no access rights opens it";
  other.Close();
}

// After a failed open, Close called CloseHandle(INVALID_HANDLE_VALUE) (on
// Windows the current process's pseudo handle), and the capabilities of the
// interface open before stayed as if they were this one's.
TEST_F(HidDeviceTest, FailedOpenClosesTheInvalidHandleAndKeepsStaleCaps) {
  HidDevice other;
  ASSERT_EQ(other.Open(kVendorPath, kReadWriteAccess), 1);
  ASSERT_EQ(other.Caps().OutputReportByteLength, 8);
  EXPECT_EQ(other.Open(kBootPath, kReadWriteAccess), 0);
  EXPECT_EQ(other.Caps().OutputReportByteLength, 0);
  EXPECT_EQ(other.Caps().UsagePage, 0);
  SetLastError(0);
  EXPECT_EQ(other.Close(), 1);
  EXPECT_EQ(GetLastError(), 0u) << "a handle that was never open was closed";
  EXPECT_EQ(other.Handle(), nullptr);
  // Separate handles: a failed second handle leaves none open.
  HidDevice separate;
  separate.SetTransferMode(false, true);
  EXPECT_EQ(separate.Open(kBootPath, kReadWriteAccess), 0);
  EXPECT_FALSE(separate.HasValidHandle());
  SetLastError(0);
  separate.Close();
  EXPECT_EQ(GetLastError(), 0u);
}

TEST_F(HidDeviceTest, FeatureTransfersAreAlwaysEightBytes) {
  uint8_t big[16] = {0x07, 0xFF, 0xFF, 6, 4, 1, 0, 1, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  ASSERT_EQ(device_.SetFeature(big), 1);
  std::vector<std::string> sent = kb::test::LogLines(sim_, "set-feature");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_NE(sent[0].find("set-feature 07 ff ff 06 04 01 00 01"), std::string::npos) << sent[0];
  EXPECT_EQ(sent[0].find("ee"), std::string::npos);
  uint8_t request[16] = {0x07, 0xF1, 0, 0, 0, 0, 0, 0, 0xEE, 0xEE};
  ASSERT_EQ(device_.SetFeature(request), 1);
  ASSERT_EQ(device_.GetFeature(request), 1);
  EXPECT_EQ(request[1], 1);
  EXPECT_EQ(request[2], 0);
  EXPECT_EQ(request[8], 0xEE) << "nothing beyond 8 bytes is written";
  EXPECT_EQ(device_.SetFeature(nullptr), 0);
}

TEST_F(HidDeviceTest, FeatureWithReportIdSendsIdAndData) {
  const uint8_t data[8] = {0xFF, 0xFF, 2, 5, 2, 0, 0, 0};
  EXPECT_EQ(device_.SetFeature(0x07, data, 7), 1);
  EXPECT_NE(sim_.Command({"status"}).text.find("effect: 2\n"), std::string::npos);
  EXPECT_EQ(device_.SetFeature(0x07, data, 8), 0) << "a 9-byte block is not the report length";
  EXPECT_EQ(device_.SetFeature(0x07, data, 0), 0);
  uint8_t out[7] = {};
  EXPECT_EQ(device_.GetFeature(0x07, out, 7), 1);
  EXPECT_EQ(device_.GetFeature(0x07, out, 0), 0);
}

TEST_F(HidDeviceTest, WriteSendsEightBytesAsAnOutputReport) {
  const uint8_t report[8] = {0x07, 0xFF, 0xFF, 9, 2, 2, 0, 0};
  EXPECT_EQ(device_.Write(report), 8);
  std::vector<std::string> sent = kb::test::LogLines(sim_, "output");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_NE(sent[0].find("output 07 ff ff 09 02 02 00 00"), std::string::npos);
  const uint8_t data[7] = {0xFF, 0xFF, 10, 2, 2, 0, 0};
  EXPECT_EQ(device_.Write(0x07, data, 7, 1000), 8);
  EXPECT_EQ(device_.Write(0x07, data, 0, 1000), 0);
  EXPECT_EQ(device_.Write(0x07, data, 7, 0), 0) << "a zero time limit writes nothing";
  EXPECT_EQ(kb::test::LogLines(sim_, "output").size(), 2u);
}

TEST_F(HidDeviceTest, StalledWriteReturnsZeroAfterThreeSecondsAndIsNeverDelivered) {
  ASSERT_EQ(sim_.Command({"stall", "on"}).status, 0);
  const uint8_t report[8] = {0x07, 0xFF, 0xFF, 11, 1, 1, 0, 0};
  auto start = Clock::now();
  EXPECT_EQ(device_.Write(report), 0);
  auto took = Clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(2900));
  EXPECT_LT(took, std::chrono::seconds(20));
  ASSERT_EQ(sim_.Command({"stall", "off"}).status, 0);
  EXPECT_TRUE(kb::test::LogLines(sim_, "output").empty()) << "the abandoned report must not arrive later";
  EXPECT_EQ(kb::test::LogLines(sim_, "cancelled").size(), 1u);
  // The OVERLAPPED is free again: the next write works.
  EXPECT_EQ(device_.Write(report), 8);
  EXPECT_NE(sim_.Command({"status"}).text.find("effect: 11\n"), std::string::npos);
}

TEST_F(HidDeviceTest, ReadEndedByItsAbortEventLeavesTheEventReset) {
  HANDLE abort = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread aborter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    SetEvent(abort);
  });
  uint8_t buffer[8] = {};
  auto start = Clock::now();
  // The timeout is far longer than the abort's 200 ms: ending well before it
  // means the abort ended the read, however busy the machine.
  EXPECT_EQ(device_.Read(buffer, 8, 60000, abort), 0);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(30000));
  aborter.join();
  EXPECT_EQ(WaitForSingleObject(abort, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  // The abandoned read took nothing.
  QueueInput();
  EXPECT_EQ(device_.Read(buffer, 8, 2000), 8);
  EXPECT_EQ(buffer[7], 7);
  CloseHandle(abort);
}

TEST_F(HidDeviceTest, ReadWithTimeoutZeroStartsNoTransfer) {
  QueueInput();
  uint8_t buffer[8] = {};
  EXPECT_EQ(device_.Read(buffer, 8, 0), 0);
  EXPECT_EQ(device_.Read(buffer, 8, -5), 0);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(device_.Read(buffer, 8, 2000), 8) << "the queued report is still there";
}

TEST_F(HidDeviceTest, TransfersAreCutToTheReportLength) {
  QueueInput();
  uint8_t buffer[64];
  std::fill(std::begin(buffer), std::end(buffer), 0xCC);
  EXPECT_EQ(device_.Read(buffer, 64, 2000), 8);
  EXPECT_EQ(buffer[1], 1);
  EXPECT_EQ(buffer[8], 0xCC);
  uint8_t longReport[32] = {0x07, 0xFF, 0xFF, 12, 3, 2, 0, 0, 0x55};
  EXPECT_EQ(device_.Write(0x07, longReport + 1, 31, 1000), 8);
  std::vector<std::string> sent = kb::test::LogLines(sim_, "output");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_NE(sent[0].find("output 07 ff ff 0c 03 02 00 00"), std::string::npos) << sent[0];
}

TEST_F(HidDeviceTest, ReadTimesOutAndLeavesLaterReportsForTheNextRead) {
  uint8_t buffer[8] = {};
  auto start = Clock::now();
  EXPECT_EQ(device_.Read(buffer, 8, 300), 0);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(250));
  QueueInput();
  uint8_t out[8] = {};
  EXPECT_EQ(device_.Read(0x07, out, 7, 2000), 8);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[6], 7);
}

TEST_F(HidDeviceTest, DifferentOperationsRunAtTheSameTime) {
  std::atomic<int32_t> readResult{-1};
  std::thread reader([&] {
    uint8_t buffer[8];
    readResult = device_.Read(buffer, 8, 60000);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const uint8_t report[8] = {0x07, 0xFF, 0xFF, 7, 2, 1, 0, 1};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(device_.SetFeature(report), 1);
  EXPECT_EQ(device_.Write(report), 8);
  // Had they waited for the read, it would have timed out and set its result.
  EXPECT_EQ(readResult.load(), -1) << "the read is still waiting: feature and write did not wait for it";
  QueueInput();
  reader.join();
  EXPECT_EQ(readResult.load(), 8);
}

TEST_F(HidDeviceTest, KeyboardDroppingOffMidTransferFailsIt) {
  ASSERT_EQ(sim_.Command({"drop"}).status, 0);
  const uint8_t report[8] = {0x07, 0xFF, 0xFF, 1, 1, 1, 0, 0};
  EXPECT_EQ(device_.SetFeature(report), 0);
  EXPECT_NE(sim_.Command({"status"}).text.find("plugged: no"), std::string::npos);
  EXPECT_EQ(device_.SetFeature(report), 0);
  HidDevice other;
  EXPECT_EQ(other.Open(kVendorPath, kReadWriteAccess), 0);
  ASSERT_EQ(sim_.Command({"plug"}).status, 0);
  EXPECT_EQ(device_.Open(kVendorPath, kReadWriteAccess), 1) << "reopening replaces the dead handle";
  EXPECT_EQ(device_.SetFeature(report), 1);
}

TEST_F(HidDeviceTest, ReportExchangesThatAreNotUsedReturnZero) {
  uint8_t buffer[8] = {7};
  EXPECT_EQ(device_.SetOutputReport(buffer), 0);
  EXPECT_EQ(device_.SetOutputReport(7, buffer, 7), 0);
  EXPECT_EQ(device_.GetInputReport(buffer), 0);
  EXPECT_EQ(device_.GetInputReport(7, buffer, 7), 0);
  EXPECT_TRUE(kb::test::LogLines(sim_, "output").empty());
}

TEST_F(HidDeviceTest, SynchronousSeparateHandlesWork) {
  HidDevice other;
  other.SetTransferMode(false, true);
  EXPECT_EQ(other.Open(kVendorPath, 0x00000003), 0) << "separate handles need access rights";
  ASSERT_EQ(other.Open(kVendorPath, kReadWriteAccess), 1);
  const uint8_t report[8] = {0x07, 0xFF, 0xFF, 13, 1, 1, 0, 0};
  EXPECT_EQ(other.Write(report), 8);
  QueueInput();
  uint8_t buffer[8];
  EXPECT_EQ(other.Read(buffer, 8, 1000), 8);
  EXPECT_EQ(other.Close(), 1);
  EXPECT_EQ(other.Handle(), nullptr);
}

TEST(HidDeviceWithoutMachineTest, NothingOpens) {
  kb::test::KbsimProcess::UseNoDaemon();
  HidDevice device;
  EXPECT_EQ(device.Open(kVendorPath, kReadWriteAccess), 0);
  const int32_t products[] = {kProduct};
  EXPECT_EQ(device.Open(kVendor, 1, products, 1, 5, nullptr, kReadWriteAccess), 0);
}

}  // namespace
