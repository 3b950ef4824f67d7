// Remap latency: from a physical key event in kbsim to the virtual keyboard's
// report of the replacement key, over many presses of a direct-key record.
// The floors are plain round trips on the program's own connection to the
// simulated machine, measured in the same run: back to back, and paced like
// the key events.
//   bench_remap [PRESSES [PACE_US]]        events PACE_US apart (1000)
//   bench_remap --floor [PACE_US [COUNT]]  the floor lines only
//
// Every key event comes alone, as a person's press and release do (tens of
// milliseconds apart at the fastest). Sent together, a release waits for the
// press's report and the next read to go round, which is queueing, not
// latency. Paced events find the cores idle: on a virtual machine each of the
// three wake-ups on the way (kbsim to the I/O thread, to the key monitor, to
// kbsim) then costs a halted virtual CPU's wake-up, which the back-to-back
// floor never pays and the paced floor pays as the events do.
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
constexpr int kPacedRoundTrips = 2000;
constexpr int kBatch = 1000;
constexpr int kDefaultPaceUs = 1000;

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

// `count` round trips, `paceUs` apart (0: back to back).
std::vector<double> RoundTrips(kb::bench::BenchMachine& machine, int count, int paceUs) {
  std::vector<double> times;
  HANDLE device = machine.vhidev.Device();
  for (int i = 0; i < count; ++i) {
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    Clock::time_point start = Clock::now();
    HidD_GetAttributes(device, &attributes);
    times.push_back(MicrosSince(start));
    if (paceUs > 0) std::this_thread::sleep_for(std::chrono::microseconds(paceUs));
  }
  return times;
}

void PrintFloors(kb::bench::BenchMachine& machine, int paceUs, int pacedCount) {
  const auto backToBack = kb::bench::Summarise(RoundTrips(machine, kRoundTrips, 0));
  std::printf("%s\n", kb::bench::Line("  floor: socket round trip", backToBack, "us").c_str());
  char label[64];
  std::snprintf(label, sizeof label, "  floor: round trip, %g ms apart", paceUs / 1000.0);
  const auto paced = kb::bench::Summarise(RoundTrips(machine, pacedCount, paceUs));
  std::printf("%s\n", kb::bench::Line(label, paced, "us").c_str());
}

// Presses and releases the key `count` times, every event `paceUs` after the
// one before, and adds the latency of each.
bool Batch(kb::bench::BenchMachine& machine, int count, int paceUs, std::vector<double>* latency) {
  machine.Command({"reset-log"});
  machine.Command({"reset-typed"});
  for (int i = 0; i < count; ++i) {
    for (const char* command : {"press", "release"}) {
      machine.Command({command, "f1"});
      std::this_thread::sleep_for(std::chrono::microseconds(paceUs));
    }
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

// An argument as a number, `fallback` when it is missing or not positive.
int Arg(int argc, char** argv, int index, int fallback) {
  const int value = argc > index ? std::atoi(argv[index]) : 0;
  return value > 0 ? value : fallback;
}

int main(int argc, char** argv) {
  const bool floorOnly = argc > 1 && std::strcmp(argv[1], "--floor") == 0;
  kb::bench::BenchMachine machine;
  if (!machine.Start()) return 1;
  machine.Assign(DirectKey());
  if (floorOnly) {
    PrintFloors(machine, Arg(argc, argv, 2, kDefaultPaceUs), Arg(argc, argv, 3, kPacedRoundTrips));
    return 0;
  }
  const int presses = Arg(argc, argv, 1, 10000);
  const int paceUs = Arg(argc, argv, 2, kDefaultPaceUs);
  std::vector<double> latency;
  // In batches: kbsim answers a command with at most a megabyte of text.
  for (int done = 0; done < presses;) {
    int batch = std::min(kBatch, presses - done);
    if (!Batch(machine, batch, paceUs, &latency)) return 1;
    done += batch;
  }
  std::printf("Remap latency (direct key F1 -> A, %d presses, every event %g ms after the last)\n", presses,
              paceUs / 1000.0);
  std::printf("%s\n", kb::bench::Line("  key event -> virtual keyboard", kb::bench::Summarise(latency), "us").c_str());
  PrintFloors(machine, paceUs, kPacedRoundTrips);
  return 0;
}
