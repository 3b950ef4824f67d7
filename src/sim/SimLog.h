#pragma once
// What the simulated machine received and did, line by line, with wall-clock
// timestamps in microseconds. `kbsim log` prints it; end-to-end tests read it.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace kb::sim {

struct SimLogEntry {
  int64_t timeUs = 0;      // microseconds since 1970-01-01 UTC
  std::string device;      // "keyboard"
  std::string interface;   // "mi_01&col05", "" for device-wide lines
  std::string kind;        // "set-feature", "get-feature", "output", "plug", ...
  std::vector<uint8_t> bytes;
  std::string note;        // reply bytes, error, what the device made of it
};

class SimLog {
 public:
  void Add(SimLogEntry entry);
  void Clear();
  std::vector<SimLogEntry> Entries() const;
  // One line per entry: "<sec>.<usec> <device> <interface> <kind> <hex bytes> [<note>]".
  std::string Text() const;

  static int64_t NowUs();
  static std::string Hex(const std::vector<uint8_t>& bytes);
  static std::string FormatLine(const SimLogEntry& entry);

 private:
  mutable std::mutex mutex_;
  std::vector<SimLogEntry> entries_;
};

}  // namespace kb::sim
