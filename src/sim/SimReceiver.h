#pragma once
// A second simulated device: a single-interface wireless receiver of the same
// vendor (a mouse collection and a vendor collection). Its paths have no
// "&mi_" part, as single-interface devices have on Windows; it keeps the last
// feature report it was given and answers it back.
#include "sim/SimHidDevice.h"

namespace kb::sim {

inline constexpr uint16_t kReceiverProductId = 0x5B0E;

class SimReceiver : public SimHidDevice {
 public:
  explicit SimReceiver(SimLog* log);

 protected:
  ReportResult OnSetFeature(size_t collection, const std::vector<uint8_t>& report) override;
  ReportResult OnGetFeature(size_t collection, const std::vector<uint8_t>& request) override;

 private:
  std::vector<uint8_t> lastFeature_;
};

}  // namespace kb::sim
