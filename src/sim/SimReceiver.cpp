#include "sim/SimReceiver.h"

#include "sim/SimKeyboard.h"

namespace kb::sim {

namespace {
constexpr uint16_t kReceiverVersion = 0x0203;
constexpr uint8_t kVendorReportId = 9;
constexpr uint16_t kVendorReportLength = 8;
}  // namespace

SimReceiver::SimReceiver(SimLog* log) : SimHidDevice("receiver", kKeyboardVendorId, kReceiverProductId, kReceiverVersion, log) {
  SimCollection& mouse = AddCollection(-1, 1, "7&3d0ffee3&0&0000", 0x01, 0x02);
  mouse.reportId = 1;
  mouse.caps.inputLength = 5;
  mouse.caps.inputButtonCaps = 1;
  mouse.caps.inputValueCaps = 3;
  mouse.systemExclusive = true;
  SimCollection& vendor = AddCollection(-1, 2, "7&3d0ffee3&0&0001", 0xFF01, 0x01);
  vendor.reportId = kVendorReportId;
  vendor.caps.inputLength = kVendorReportLength;
  vendor.caps.featureLength = kVendorReportLength;
  vendor.caps.inputValueCaps = 1;
  vendor.caps.featureValueCaps = 1;
}

ReportResult SimReceiver::OnSetFeature(size_t, const std::vector<uint8_t>& report) {
  lastFeature_ = report;
  return {};
}

ReportResult SimReceiver::OnGetFeature(size_t collection, const std::vector<uint8_t>& request) {
  if (lastFeature_.empty()) return SimHidDevice::OnGetFeature(collection, request);
  return {0, lastFeature_, ""};
}

}  // namespace kb::sim
