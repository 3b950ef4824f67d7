#include "sim/SimHidDevice.h"

#include <algorithm>
#include <cstdio>
#include <strings.h>

#include "sim/SimErrors.h"

namespace kb::sim {


SimHidDevice::SimHidDevice(std::string name, uint16_t vendorId, uint16_t productId, uint16_t version, SimLog* log)
    : name_(std::move(name)), vendorId_(vendorId), productId_(productId), version_(version), log_(log) {}

int SimHidDevice::FindCollection(const std::string& path) const {
  for (size_t i = 0; i < collections_.size(); ++i)
    if (strcasecmp(collections_[i].path.c_str(), path.c_str()) == 0) return static_cast<int>(i);
  return -1;
}

std::string SimHidDevice::MakePath(uint16_t vendorId, uint16_t productId, int mi, int col, const std::string& instance) {
  char text[96];
  std::snprintf(text, sizeof text, "\\\\?\\hid#vid_%04x&pid_%04x", vendorId, productId);
  std::string path = text;
  if (mi >= 0) {
    std::snprintf(text, sizeof text, "&mi_%02x", mi);
    path += text;
  }
  if (col >= 0) {
    std::snprintf(text, sizeof text, "&col%02x", col);
    path += text;
  }
  return path + "#" + instance + "#" + kHidInterfaceGuidText;
}

SimCollection& SimHidDevice::AddCollection(int mi, int col, const std::string& instance, uint16_t usagePage,
                                           uint16_t usage) {
  SimCollection c;
  char name[32] = "";
  if (mi >= 0 && col >= 0)
    std::snprintf(name, sizeof name, "mi_%02x&col%02x", mi, col);
  else if (mi >= 0)
    std::snprintf(name, sizeof name, "mi_%02x", mi);
  else if (col >= 0)
    std::snprintf(name, sizeof name, "col%02x", col);
  c.name = name;
  c.path = MakePath(vendorId_, productId_, mi, col, instance);
  c.caps.usagePage = usagePage;
  c.caps.usage = usage;
  collections_.push_back(std::move(c));
  return collections_.back();
}

uint32_t SimHidDevice::CheckReport(const SimCollection& c, const std::vector<uint8_t>& report, uint16_t length) const {
  if (length == 0) return kErrorInvalidFunction;
  if (report.size() != length) return kErrorInvalidUserBuffer;
  if (report[0] != c.reportId) return kErrorGenFailure;
  return 0;
}

ReportResult SimHidDevice::SetFeature(size_t collection, const std::vector<uint8_t>& report) {
  const SimCollection& c = collections_.at(collection);
  ReportResult result;
  result.error = CheckReport(c, report, c.caps.featureLength);
  if (result.error == 0) result = OnSetFeature(collection, report);
  LogLine(static_cast<int>(collection), "set-feature", report,
          result.error ? "error " + std::to_string(result.error) : result.note);
  return result;
}

ReportResult SimHidDevice::GetFeature(size_t collection, const std::vector<uint8_t>& request) {
  const SimCollection& c = collections_.at(collection);
  ReportResult result;
  result.error = CheckReport(c, request, c.caps.featureLength);
  if (result.error == 0) result = OnGetFeature(collection, request);
  std::string note = result.error ? "error " + std::to_string(result.error) : "-> " + SimLog::Hex(result.reply);
  LogLine(static_cast<int>(collection), "get-feature", request, note);
  return result;
}

ReportResult SimHidDevice::Output(size_t collection, const std::vector<uint8_t>& report) {
  const SimCollection& c = collections_.at(collection);
  ReportResult result;
  result.error = CheckReport(c, report, c.caps.outputLength);
  if (result.error == 0) result = OnOutput(collection, report);
  LogLine(static_cast<int>(collection), "output", report,
          result.error ? "error " + std::to_string(result.error) : result.note);
  return result;
}

uint32_t SimHidDevice::CheckReadLength(size_t collection, size_t length) const {
  const SimCollection& c = collections_.at(collection);
  if (c.caps.inputLength == 0) return kErrorInvalidFunction;
  if (length < c.caps.inputLength) return kErrorInvalidUserBuffer;
  return 0;
}

bool SimHidDevice::QueueInput(size_t collection, const std::vector<uint8_t>& report) {
  SimCollection& c = collections_.at(collection);
  if (CheckReport(c, report, c.caps.inputLength) != 0) return false;
  c.inputReports.push_back(report);
  return true;
}

bool SimHidDevice::TakeDrop() {
  if (dropAfter_ < 0) return false;
  if (dropAfter_ > 0) {
    --dropAfter_;
    return false;
  }
  dropAfter_ = -1;
  return true;
}

bool SimHidDevice::TakeReenumerationRequest() {
  bool requested = reenumerate_;
  reenumerate_ = false;
  return requested;
}

ReportResult SimHidDevice::OnSetFeature(size_t, const std::vector<uint8_t>&) { return {}; }

ReportResult SimHidDevice::OnGetFeature(size_t collection, const std::vector<uint8_t>& request) {
  ReportResult result;
  result.reply.assign(collections_.at(collection).caps.featureLength, 0);
  result.reply[0] = request[0];
  return result;
}

ReportResult SimHidDevice::OnOutput(size_t, const std::vector<uint8_t>&) { return {}; }

std::string SimHidDevice::StatusText() const {
  char text[160];
  std::snprintf(text, sizeof text, "device: %s\nplugged: %s\nvendor: %04x\nproduct: %04x\nversion: %04x\n",
                name_.c_str(), plugged_ ? "yes" : "no", vendorId_, productId_, version_);
  std::string status = text;
  status += std::string("stall: ") + (stalled_ ? "on" : "off") + "\n";
  status += "drop: " + (dropAfter_ < 0 ? std::string("off") : "after " + std::to_string(dropAfter_)) + "\n";
  return status;
}

void SimHidDevice::LogLine(int collection, const std::string& kind, const std::vector<uint8_t>& bytes,
                           const std::string& note) {
  if (!log_) return;
  SimLogEntry entry;
  entry.device = name_;
  if (collection >= 0) entry.interface = collections_.at(static_cast<size_t>(collection)).name;
  entry.kind = kind;
  entry.bytes = bytes;
  entry.note = note;
  log_->Add(std::move(entry));
}

}  // namespace kb::sim
