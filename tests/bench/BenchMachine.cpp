#include "bench/BenchMachine.h"

#include <cstdio>
#include <sstream>

#include "keyfunc/VirtualKeyboardSetup.h"

namespace kb::bench {

bool BenchMachine::Start() {
  if (!sim.Start()) {
    std::fprintf(stderr, "bench: kbsim did not start\n");
    return false;
  }
  sim.Command({"vkbd", "install"});
  GUID hid;
  HidD_GetHidGuid(&hid);
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (!FindVirtualKeyboard(hid, &handle)) {
    std::fprintf(stderr, "bench: no virtual keyboard\n");
    return false;
  }
  vhidev.SetDevice(handle);
  runner = std::make_unique<KeyActionRunner>(vhidev, records);
  monitor = std::make_unique<HidUsbFilter::KeyMonitor>();
  monitor->AddProxy(runner.get(), &KeyActionRunner::OnKeyEvent);
  if (monitor->OpenFilter() == INVALID_HANDLE_VALUE || !monitor->Start()) {
    std::fprintf(stderr, "bench: no filter driver\n");
    return false;
  }
  return true;
}

void BenchMachine::Assign(const KeyRecord& record) {
  records.Upsert(record);
  monitor->SendInterceptTable(records.Codes());
}

std::vector<Stamped> BenchMachine::Lines(const std::string& command, const std::string& part) const {
  std::vector<Stamped> lines;
  std::istringstream text(sim.Command({command}).text);
  std::string line;
  while (std::getline(text, line)) {
    if (line.find(part) == std::string::npos) continue;
    long long seconds = 0, micros = 0;
    if (std::sscanf(line.c_str(), "%lld.%6lld", &seconds, &micros) != 2) continue;
    lines.push_back({seconds * 1000000 + micros, line});
  }
  return lines;
}

}  // namespace kb::bench
