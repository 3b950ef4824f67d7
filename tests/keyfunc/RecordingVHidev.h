#pragma once
// A virtual keyboard writer that keeps the reports it would send instead of
// writing them to a device.
#include <chrono>
#include <mutex>
#include <vector>

#include "keyfunc/VHidev.h"

namespace kb::test {

struct SentReport {
  uint8_t id = 0;
  std::vector<uint8_t> payload;
  bool operator==(const SentReport&) const = default;
};

class RecordingVHidev : public VHidev {
 public:
  int32_t Write(const uint8_t* data, uint32_t length, uint8_t reportId) override {
    std::lock_guard<std::mutex> hold(mutex);
    sent.push_back({reportId, std::vector<uint8_t>(data, data + length)});
    times.push_back(std::chrono::steady_clock::now());
    return 1;
  }
  std::vector<SentReport> Sent() {
    std::lock_guard<std::mutex> hold(mutex);
    return sent;
  }
  std::vector<std::chrono::steady_clock::time_point> Times() {
    std::lock_guard<std::mutex> hold(mutex);
    return times;
  }
  void Clear() {
    std::lock_guard<std::mutex> hold(mutex);
    sent.clear();
    times.clear();
  }

 private:
  std::mutex mutex;
  std::vector<SentReport> sent;
  std::vector<std::chrono::steady_clock::time_point> times;
};

}  // namespace kb::test
