// The timing and memory helpers of the peer baselines (the Qt and GTK scroll-bar benchmarks kept
// beside the project), copied here so that the anchor mode of keloscroll_bench measures our
// control the same way and prints the same REP/RESULT lines, without depending on that folder
// at build time. Keep the output format in step with theirs: their summary script parses it.
#pragma once

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace anchor {

using Clock = std::chrono::steady_clock;

inline volatile long long g_sink = 0;  // values fed here cannot be optimized away

struct Stats {
  double med, min, max;
};

inline Stats stats(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  double med = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  return {med, v.front(), v.back()};
}

// Runs fn(iters / 10 + 1) once as warm-up, then `reps` times; each repetition yields ns per op.
// Prints one line per repetition (REP) and one summary (RESULT).
template <class F>
Stats measure(const char* name, int reps, long iters, F&& fn) {
  fn(iters / 10 + 1);
  std::vector<double> r;
  for (int i = 0; i < reps; i++) {
    auto t0 = Clock::now();
    fn(iters);
    auto t1 = Clock::now();
    double ns =
        std::chrono::duration<double, std::nano>(t1 - t0).count() / static_cast<double>(iters);
    r.push_back(ns);
    std::printf("REP %s ns/op %.2f\n", name, ns);
  }
  Stats s = stats(r);
  std::printf("RESULT %s ns/op median=%.2f min=%.2f max=%.2f reps=%d iters=%ld\n", name, s.med,
              s.min, s.max, reps, iters);
  std::fflush(stdout);
  return s;
}

// Resident set size from /proc/self/statm (second field, in pages).
inline long rss_bytes() {
  long size = 0, res = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &size, &res) != 2) res = 0;
    std::fclose(f);
  }
  return res * sysconf(_SC_PAGESIZE);
}

// Bytes handed out by glibc malloc (arena and mmapped chunks).
inline long heap_bytes() {
  struct mallinfo2 mi = mallinfo2();
  return static_cast<long>(mi.uordblks + mi.hblkhd);
}

inline void mem_result(const char* name, long n, long rss0, long rss1, long heap0, long heap1) {
  std::printf("RESULT %s bytes/instance rss=%.0f heap=%.0f n=%ld rss_total_MiB=%.1f\n", name,
              static_cast<double>(rss1 - rss0) / static_cast<double>(n),
              static_cast<double>(heap1 - heap0) / static_cast<double>(n), n,
              static_cast<double>(rss1 - rss0) / 1048576.0);
  std::fflush(stdout);
}

}  // namespace anchor
