#pragma once
// Distributions of measured times: p50, p99 and max, printed in one line.
#include <cstdint>
#include <string>
#include <vector>

namespace kb::bench {

struct Distribution {
  size_t count = 0;
  double p50 = 0;
  double p99 = 0;
  double max = 0;
  double min = 0;
};

Distribution Summarise(std::vector<double> values);
// "label  n=...  p50 ...  p99 ...  max ..." with the unit after each figure.
std::string Line(const std::string& label, const Distribution& d, const char* unit);

}  // namespace kb::bench
