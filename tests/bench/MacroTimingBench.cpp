// Macro timing: the step delays a record asks for against the gaps between
// the reports kbsim's virtual keyboard receives, as |observed - requested|,
// and how far every span of 100 steps ends from the sum of its delays. The
// floor is a bare clock_nanosleep loop of the same delays, measured in the
// same run.
//   bench_macro_timing [STEPS-PER-DELAY]
//   bench_macro_timing --floor [SAMPLES]   the floor lines only
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "bench/BenchMachine.h"
#include "bench/BenchStats.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kDelaysMs[] = {1, 2, 5, 10, 20, 50, 100};
constexpr int kMinSteps = 60;
constexpr size_t kSpanSteps = 100;

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
    errors.push_back(std::fabs(us - delayMs * 1000.0));
  }
  return errors;
}

// The virtual keyboard's report times of one playback of `steps` steps.
std::vector<long long> StepTimes(kb::bench::BenchMachine& machine, int delayMs, int steps) {
  machine.records.Clear();
  machine.Assign(Taps(delayMs, steps));
  machine.Command({"reset-typed"});
  machine.runner->OnKeyEvent(7, 0x3A, true);
  while (machine.runner->CurrentRecord().code != 0 ||
         machine.Lines("typed", " vkbd ").size() < static_cast<size_t>(steps))
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::vector<long long> times;
  for (const kb::bench::Stamped& line : machine.Lines("typed", " vkbd ")) times.push_back(line.timeUs);
  return times;
}

std::vector<double> GapErrors(const std::vector<long long>& times, int delayMs) {
  std::vector<double> errors;
  for (size_t i = 1; i < times.size(); ++i)
    errors.push_back(std::fabs(static_cast<double>(times[i] - times[i - 1]) - delayMs * 1000.0));
  return errors;
}

// Every run of kSpanSteps consecutive gaps: its length against the sum of
// its delays.
std::vector<double> SpanErrors(const std::vector<long long>& times, int delayMs) {
  std::vector<double> errors;
  for (size_t i = 0; i + kSpanSteps < times.size(); ++i)
    errors.push_back(std::fabs(static_cast<double>(times[i + kSpanSteps] - times[i]) - kSpanSteps * delayMs * 1000.0));
  return errors;
}

void PrintFloor(int delayMs, int samples) {
  char label[64];
  std::snprintf(label, sizeof label, "  %3d ms floor: clock_nanosleep", delayMs);
  std::printf("%s\n", kb::bench::Line(label, kb::bench::Summarise(SleepErrors(delayMs, samples)), "us").c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--floor") == 0) {
    const int samples = argc > 2 ? std::atoi(argv[2]) : 100;
    for (int delayMs : kDelaysMs) PrintFloor(delayMs, samples);
    return 0;
  }
  const int baseSteps = argc > 1 ? std::atoi(argv[1]) : 1000;
  kb::bench::BenchMachine machine;
  if (!machine.Start()) return 1;
  std::printf("Macro step timing: |observed gap - requested delay|; 100-step spans: |length - sum of delays|\n");
  for (int delayMs : kDelaysMs) {
    // Whole taps, at least baseSteps gaps.
    const int steps = ((std::max(kMinSteps, baseSteps) + 1) / 2) * 2 + 2;
    std::vector<long long> times = StepTimes(machine, delayMs, steps);
    char label[64];
    std::snprintf(label, sizeof label, "  %3d ms steps", delayMs);
    std::printf("%s\n", kb::bench::Line(label, kb::bench::Summarise(GapErrors(times, delayMs)), "us").c_str());
    std::snprintf(label, sizeof label, "  %3d ms 100-step spans", delayMs);
    std::printf("%s\n", kb::bench::Line(label, kb::bench::Summarise(SpanErrors(times, delayMs)), "us").c_str());
    PrintFloor(delayMs, static_cast<int>(times.size()) - 1);
  }
  return 0;
}
