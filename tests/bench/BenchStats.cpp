#include "bench/BenchStats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kb::bench {

namespace {
double Percentile(const std::vector<double>& sorted, double p) {
  size_t index = static_cast<size_t>(std::ceil(p * static_cast<double>(sorted.size()))) - 1;
  return sorted[std::min(index, sorted.size() - 1)];
}
}  // namespace

Distribution Summarise(std::vector<double> values) {
  Distribution d;
  d.count = values.size();
  if (values.empty()) return d;
  std::sort(values.begin(), values.end());
  d.p50 = Percentile(values, 0.50);
  d.p99 = Percentile(values, 0.99);
  d.max = values.back();
  d.min = values.front();
  return d;
}

std::string Line(const std::string& label, const Distribution& d, const char* unit) {
  char text[256];
  std::snprintf(text, sizeof text, "%-34s n=%-6zu p50 %8.1f %s   p99 %8.1f %s   max %8.1f %s", label.c_str(), d.count,
                d.p50, unit, d.p99, unit, d.max, unit);
  return text;
}

}  // namespace kb::bench
