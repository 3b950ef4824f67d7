// Macro timing: the step delays a record asks for against the gaps between
// the reports kbsim's virtual keyboard receives. The floor is a bare
// clock_nanosleep loop of the same delays, measured in the same run.
//   bench_macro_timing [STEPS-PER-DELAY]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "bench/BenchMachine.h"
#include "bench/BenchStats.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kDelaysMs[] = {1, 2, 5, 10, 50};
constexpr int kMinSteps = 60;

KeyRecord Taps(int delayMs, int steps) {
  KeyRecord record;
  record.code = MakeKeyCode(7, 0x3A);
  record.play = kPlayCount;
  record.repeat = steps / 2;
  record.steps = {KeyStep{MakeKeyCode(7, 0x04), 1, delayMs, L"A"}, KeyStep{MakeKeyCode(7, 0x04), 0, delayMs, L"A"}};
  return record;
}

std::vector<double> SleepErrors(int delayMs, int count) {
  std::vector<double> errors;
  timespec request{delayMs / 1000, (delayMs % 1000) * 1000000L};
  for (int i = 0; i < count; ++i) {
    Clock::time_point start = Clock::now();
    clock_nanosleep(CLOCK_MONOTONIC, 0, &request, nullptr);
    double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    errors.push_back(us - delayMs * 1000.0);
  }
  return errors;
}

std::vector<double> StepErrors(kb::bench::BenchMachine& machine, int delayMs, int steps) {
  machine.records.Clear();
  machine.Assign(Taps(delayMs, steps));
  machine.Command({"reset-typed"});
  machine.runner->OnKeyEvent(7, 0x3A, true);
  while (machine.runner->CurrentRecord().code != 0 ||
         machine.Lines("typed", " vkbd ").size() < static_cast<size_t>(steps))
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::vector<kb::bench::Stamped> typed = machine.Lines("typed", " vkbd ");
  std::vector<double> errors;
  for (size_t i = 1; i < typed.size(); ++i)
    errors.push_back(static_cast<double>(typed[i].timeUs - typed[i - 1].timeUs) - delayMs * 1000.0);
  return errors;
}

}  // namespace

int main(int argc, char** argv) {
  const int baseSteps = argc > 1 ? std::atoi(argv[1]) : 1000;
  kb::bench::BenchMachine machine;
  if (!machine.Start()) return 1;
  std::printf("Macro step timing: observed gap minus requested delay\n");
  for (int delayMs : kDelaysMs) {
    int steps = std::max(kMinSteps, baseSteps / delayMs) & ~1;
    std::vector<double> steady = StepErrors(machine, delayMs, steps);
    std::vector<double> floor = SleepErrors(delayMs, static_cast<int>(steady.size()));
    char label[64];
    std::snprintf(label, sizeof label, "  %2d ms steps", delayMs);
    std::printf("%s\n", kb::bench::Line(label, kb::bench::Summarise(steady), "us").c_str());
    std::snprintf(label, sizeof label, "  %2d ms floor: clock_nanosleep", delayMs);
    std::printf("%s\n", kb::bench::Line(label, kb::bench::Summarise(floor), "us").c_str());
  }
  return 0;
}
