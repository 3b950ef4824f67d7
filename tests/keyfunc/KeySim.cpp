#include "keyfunc/KeySim.h"

#include <chrono>
#include <cstdio>
#include <sstream>
#include <thread>

namespace kb::test {

bool KeySim::Start() {
  daemon = std::make_unique<KbsimProcess>();
  return daemon->Start();
}

void KeySim::Stop() { daemon.reset(); }

std::vector<TypedEvent> KeySim::Typed(const std::string& source) const {
  std::vector<TypedEvent> events;
  std::istringstream text(Command({"typed"}).text);
  std::string line;
  while (std::getline(text, line)) {
    TypedEvent e;
    e.text = line;
    long long seconds = 0, micros = 0;
    char who[64] = "", what[16] = "";
    unsigned page = 0, usage = 0;
    int n = std::sscanf(line.c_str(), "%lld.%6lld %63s %15s %x:%x", &seconds, &micros, who, what, &page, &usage);
    if (n < 4) continue;
    e.timeUs = seconds * 1000000 + micros;
    e.source = who;
    e.down = std::string(what) == "down";
    if (n == 6) e.code = page << 16 | usage;
    if (source.empty() || e.source == source) events.push_back(e);
  }
  return events;
}

std::vector<uint32_t> KeySim::Held() const {
  std::vector<uint32_t> held;
  std::istringstream text(Command({"held"}).text);
  std::string line;
  while (std::getline(text, line)) {
    unsigned page = 0, usage = 0;
    if (std::sscanf(line.c_str(), "%x:%x", &page, &usage) == 2) held.push_back(page << 16 | usage);
  }
  return held;
}

long long KeySim::FilterValue(const std::string& key) const {
  std::istringstream text(Command({"filter"}).text);
  std::string line;
  while (std::getline(text, line))
    if (line.rfind(key + " ", 0) == 0) return std::stoll(line.substr(key.size() + 1));
  return -1;
}

std::vector<std::string> KeySim::InterceptList() const {
  std::istringstream text(Command({"filter"}).text);
  std::string line;
  std::vector<std::string> codes;
  while (std::getline(text, line)) {
    if (line.rfind("intercept", 0) != 0) continue;
    std::istringstream words(line.substr(9));
    std::string word;
    while (words >> word) codes.push_back(word);
  }
  return codes;
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return done();
}

std::vector<TypedEvent> OnlyKeys(const std::vector<TypedEvent>& events) {
  std::vector<TypedEvent> keys;
  for (const TypedEvent& e : events)
    if (e.code != 0) keys.push_back(e);
  return keys;
}

}  // namespace kb::test
