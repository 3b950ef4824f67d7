#pragma once
// The simulated machine for key function tests: a private kbsim daemon with
// its virtual keyboard installed, and what its system received, parsed.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/KbsimProcess.h"

namespace kb::test {

struct TypedEvent {
  long long timeUs = 0;
  std::string source;
  bool down = false;
  uint32_t code = 0;  // page << 16 | usage; 0 for a movement
  std::string text;   // the whole line
};

class KeySim {
 public:
  // Starts the daemon; false when it does not answer.
  bool Start();
  void Stop();
  KbsimResult Command(const std::vector<std::string>& args) const { return daemon->Command(args); }
  KbsimProcess& Daemon() { return *daemon; }

  std::vector<TypedEvent> Typed(const std::string& source = "") const;
  std::vector<uint32_t> Held() const;
  // A line of `kbsim filter` ("event-reads 3" -> 3), or -1.
  long long FilterValue(const std::string& key) const;
  std::vector<std::string> InterceptList() const;

 private:
  std::unique_ptr<KbsimProcess> daemon;
};

// Polls `done` until it holds or `timeoutMs` passes; true when it held.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000);
std::vector<TypedEvent> OnlyKeys(const std::vector<TypedEvent>& events);
constexpr uint32_t Key(uint32_t page, uint32_t usage) { return page << 16 | usage; }

}  // namespace kb::test
