// Remap latency: from a physical key event in kbsim to the virtual keyboard's
// report of the replacement key, over many presses of a direct-key record.
// The floor is a plain round trip on the program's own connection to the
// simulated machine, measured in the same run.
//   bench_remap [PRESSES]
//   bench_remap --floor      the floor line only
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "bench/BenchMachine.h"
#include "bench/BenchStats.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRoundTrips = 5000;
constexpr int kBatch = 1000;

double MicrosSince(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

KeyRecord DirectKey() {
  KeyRecord record;
  record.code = MakeKeyCode(7, 0x3A);  // F1 types A
  record.play = kPlayDirectKey;
  record.steps = {KeyStep{MakeKeyCode(7, 0x04), 1, 0, L"A"}};
  return record;
}

std::vector<double> RoundTrips(kb::bench::BenchMachine& machine) {
  std::vector<double> times;
  HANDLE device = machine.vhidev.Device();
  for (int i = 0; i < kRoundTrips; ++i) {
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    Clock::time_point start = Clock::now();
    HidD_GetAttributes(device, &attributes);
    times.push_back(MicrosSince(start));
  }
  return times;
}

// Taps the key `count` times and adds the latency of every press and release.
bool Batch(kb::bench::BenchMachine& machine, int count, std::vector<double>* latency) {
  machine.Command({"reset-log"});
  machine.Command({"reset-typed"});
  for (int i = 0; i < count; ++i) {
    machine.Command({"tap", "f1"});
    // Paced, so that a press never waits behind the one before.
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  Clock::time_point waitStart = Clock::now();
  std::vector<kb::bench::Stamped> typed;
  while (MicrosSince(waitStart) < 30e6) {
    typed = machine.Lines("typed", " vkbd ");
    if (typed.size() >= static_cast<size_t>(2 * count)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::vector<kb::bench::Stamped> physical = machine.Lines("log", " key ");
  if (typed.size() != physical.size()) {
    std::fprintf(stderr, "bench_remap: %zu key events but %zu reports\n", physical.size(), typed.size());
    return false;
  }
  for (size_t i = 0; i < typed.size(); ++i)
    latency->push_back(static_cast<double>(typed[i].timeUs - physical[i].timeUs));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const bool floorOnly = argc > 1 && std::strcmp(argv[1], "--floor") == 0;
  const int presses = argc > 1 && !floorOnly ? std::atoi(argv[1]) : 10000;
  kb::bench::BenchMachine machine;
  if (!machine.Start()) return 1;
  machine.Assign(DirectKey());
  std::vector<double> floor = RoundTrips(machine);
  if (floorOnly) {
    std::printf("%s\n", kb::bench::Line("  floor: socket round trip", kb::bench::Summarise(floor), "us").c_str());
    return 0;
  }
  std::vector<double> latency;
  // In batches: kbsim answers a command with at most a megabyte of text.
  for (int done = 0; done < presses;) {
    int batch = std::min(kBatch, presses - done);
    if (!Batch(machine, batch, &latency)) return 1;
    done += batch;
  }
  std::printf("Remap latency (direct key F1 -> A, %d presses, press and release each)\n", presses);
  std::printf("%s\n", kb::bench::Line("  key event -> virtual keyboard", kb::bench::Summarise(latency), "us").c_str());
  std::printf("%s\n", kb::bench::Line("  floor: socket round trip", kb::bench::Summarise(floor), "us").c_str());
  return 0;
}
