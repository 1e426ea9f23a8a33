// Timing several runs against each other in one process: each run many
// times, in turns, summarised by its median.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Summary {
  double medianMs;
  double minMs;
  double maxMs;
};

// Times each of `runs` n times, taking turns, so that a machine that
// slows down for a while slows all of them alike.
inline std::vector<Summary> TimeInTurns(int n, const std::vector<std::function<void()>>& runs) {
  std::vector<std::vector<double>> samples(runs.size());
  for (int i = 0; i < n; ++i) {
    for (std::size_t r = 0; r < runs.size(); ++r) {
      const auto start = Clock::now();
      runs[r]();
      samples[r].push_back(MillisecondsSince(start));
    }
  }
  std::vector<Summary> summaries;
  for (auto& s : samples) {
    std::sort(s.begin(), s.end());
    summaries.push_back({s[s.size() / 2], s.front(), s.back()});
  }
  return summaries;
}

inline void Print(const char* what, const Summary& s) {
  std::printf("  %-44s median %8.2f ms  (min %8.2f, max %8.2f)\n", what, s.medianMs, s.minMs,
              s.maxMs);
}

}  // namespace bench
