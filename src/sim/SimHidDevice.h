#pragma once
// A simulated USB HID device: its top-level collections with their Windows
// device paths and capabilities, and the checks the HID class driver makes on
// every report before the device sees it. Subclasses give the device its
// behaviour (the keyboard's vendor commands, for instance).
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/linux/kbsim_protocol.h"
#include "sim/SimLog.h"

namespace kb::sim {

// The device interface class of every HID collection.
inline constexpr char kHidInterfaceGuidText[] = "{4d1e55b2-f16f-11cf-88cb-001111000030}";
inline constexpr WireGuid kHidInterfaceGuid = {
    {0xb2, 0x55, 0x1e, 0x4d, 0x6f, 0xf1, 0xcf, 0x11, 0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

struct SimCollection {
  std::string name;              // "mi_01&col05": the interface and collection part of the path
  std::string path;              // the full device path, lower case
  HidCapsWire caps;
  uint8_t reportId = 0;          // 0: the collection's reports carry no id (byte 0 is then 0)
  bool systemExclusive = false;  // keyboards and mice: the system holds them; no read or write opens
  std::deque<std::vector<uint8_t>> inputReports;
};

// What a report transfer came to: a Win32 error (0 = done) and, for a
// feature request, the report the device answered with.
struct ReportResult {
  uint32_t error = 0;
  std::vector<uint8_t> reply;
  std::string note;  // what the device made of it, for the log
};

class SimHidDevice {
 public:
  SimHidDevice(std::string name, uint16_t vendorId, uint16_t productId, uint16_t version, SimLog* log);
  virtual ~SimHidDevice() = default;
  SimHidDevice(const SimHidDevice&) = delete;
  SimHidDevice& operator=(const SimHidDevice&) = delete;

  const std::string& Name() const { return name_; }
  uint16_t VendorId() const { return vendorId_; }
  uint16_t ProductId() const { return productId_; }
  uint16_t Version() const { return version_; }
  bool Plugged() const { return plugged_; }
  void SetPlugged(bool plugged) { plugged_ = plugged; }
  // A root-enumerated device whose driver is removed has no device node:
  // its interfaces are not even listed as absent.
  bool ListedWhenAbsent() const { return listedWhenAbsent_; }
  std::vector<SimCollection>& Collections() { return collections_; }
  const std::vector<SimCollection>& Collections() const { return collections_; }
  // Index of the collection with this path (compared without case), or -1.
  int FindCollection(const std::string& path) const;

  // Report transfers as they reach the device, after the class driver's checks.
  ReportResult SetFeature(size_t collection, const std::vector<uint8_t>& report);
  ReportResult GetFeature(size_t collection, const std::vector<uint8_t>& request);
  ReportResult Output(size_t collection, const std::vector<uint8_t>& report);
  // Checks a read buffer length; 0 when a report can be read into it.
  uint32_t CheckReadLength(size_t collection, size_t length) const;
  // Queues an input report (the device sends it); false when its length or id is wrong.
  bool QueueInput(size_t collection, const std::vector<uint8_t>& report);

  // Faults: a stalled device answers nothing until it is released; an armed
  // drop makes the device leave the bus in the middle of the n-th transfer.
  bool Stalled() const { return stalled_; }
  void SetStalled(bool stalled) { stalled_ = stalled; }
  void ArmDrop(int afterTransfers) { dropAfter_ = afterTransfers; }
  bool DropArmed() const { return dropAfter_ >= 0; }
  // Counts a transfer; true when the device drops off during this one.
  bool TakeDrop();
  // True once after the device asked to be enumerated again (a reset).
  bool TakeReenumerationRequest();

  virtual std::string StatusText() const;
  void LogLine(int collection, const std::string& kind, const std::vector<uint8_t>& bytes, const std::string& note);

  // A HID device path as Windows spells it: mi < 0 and col < 0 leave those parts out.
  static std::string MakePath(uint16_t vendorId, uint16_t productId, int mi, int col, const std::string& instance);

 protected:
  virtual ReportResult OnSetFeature(size_t collection, const std::vector<uint8_t>& report);
  virtual ReportResult OnGetFeature(size_t collection, const std::vector<uint8_t>& request);
  virtual ReportResult OnOutput(size_t collection, const std::vector<uint8_t>& report);
  void RequestReenumeration() { reenumerate_ = true; }
  void SetListedWhenAbsent(bool listed) { listedWhenAbsent_ = listed; }
  SimCollection& AddCollection(int mi, int col, const std::string& instance, uint16_t usagePage, uint16_t usage);

 private:
  uint32_t CheckReport(const SimCollection& c, const std::vector<uint8_t>& report, uint16_t length) const;

  std::string name_;
  uint16_t vendorId_;
  uint16_t productId_;
  uint16_t version_;
  SimLog* log_;
  bool plugged_ = true;
  bool listedWhenAbsent_ = true;
  bool stalled_ = false;
  int dropAfter_ = -1;
  bool reenumerate_ = false;
  std::vector<SimCollection> collections_;
};

}  // namespace kb::sim
