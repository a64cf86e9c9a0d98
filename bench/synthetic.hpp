// Synthetic landmark files for the benchmarks: one base form (a wobbly
// ellipse of L landmarks) plus noise, each specimen turned, scaled and
// shifted, written in the program's data format (x1 y1 ... xL yL CS). The
// file is made once in the temporary folder and reused by later runs.
#pragma once

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace varnok::bench {

// The path of the file of n specimens of L landmarks; prefix and seed tell
// the benchmarks' files apart, so that each keeps its own figures.
inline std::string syntheticFile(const std::string& prefix, long n, int L, unsigned seed) {
  auto p = std::filesystem::temp_directory_path() /
           (prefix + std::to_string(n) + "x" + std::to_string(L) + ".txt");
  if (std::filesystem::exists(p)) return p.string();
  std::mt19937_64 rng(seed);
  std::normal_distribution<double> noise(0, 0.03);
  std::uniform_real_distribution<double> angle(-0.5, 0.5), scale(50, 150), shift(-100, 100);
  std::vector<double> base(2 * static_cast<size_t>(L));
  for (int j = 0; j < L; ++j) {
    double t = 2 * M_PI * j / L;
    base[2 * j] = std::cos(t) * (1 + 0.3 * std::sin(3 * t));
    base[2 * j + 1] = 0.7 * std::sin(t);
  }
  // Written beside its name and renamed, so a run cut short leaves no
  // half-written file for the next run to take.
  auto tmp = p.string() + ".part";
  std::FILE* f = std::fopen(tmp.c_str(), "w");
  if (!f) return p.string();
  for (long i = 0; i < n; ++i) {
    double a = angle(rng), s = scale(rng), dx = shift(rng), dy = shift(rng);
    for (int j = 0; j < L; ++j) {
      double x = base[2 * j] + noise(rng), y = base[2 * j + 1] + noise(rng);
      std::fprintf(f, "%.6g %.6g ", s * (std::cos(a) * x - std::sin(a) * y) + dx,
                   s * (std::sin(a) * x + std::cos(a) * y) + dy);
    }
    std::fprintf(f, "%.6g\n", s);
  }
  std::fclose(f);
  std::filesystem::rename(tmp, p);
  return p.string();
}

}  // namespace varnok::bench
