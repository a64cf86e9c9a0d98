// Permutation tests: one random stream draws every rearrangement in order,
// two threads compute the statistics of the rearrangements drawn.
//
// The p-value of a statistic T whose large values speak against the null
// hypothesis is (1 + #{T* >= T}) / (P + 1) over P rearrangements T*: the
// observed arrangement counts as one of the P + 1, so p is never below
// 1 / (P + 1). A T* that equals T up to rounding (relative 1e-12) counts as
// at least as large: an arrangement that is the observed one in another
// order of summation is a tie, not a smaller value.
//
// Repeatability: the stream is std::mt19937_64 seeded with the seed, and
// rearrangement r is drawn from it only after rearrangements 1 .. r-1, by
// the same Fisher-Yates steps, so a seed gives the same rearrangements, and
// hence the same counts, on one thread or two. Uniform integers below n are
// taken from 32-bit words (each 64-bit draw gives two, its high half first)
// by the multiply-and-reject method: exactly uniform, and the same on every
// standard library, unlike std::uniform_int_distribution.
#pragma once

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "platform/matrix/parallel.hpp"
#include "platform/matrix/progress.hpp"

namespace varnok::analysis {

struct PermutationOptions {
  long count = 999;        // P, the rearrangements drawn (0: no test, every p is 1)
  std::uint64_t seed = 1;  // seed of the stream
  int threads = 0;         // 0: two when the work pays, 1: one, 2: two whenever two cores exist
};

// The stream of uniform draws behind every rearrangement.
class PermutationStream {
 public:
  explicit PermutationStream(std::uint64_t seed) : rng_(seed) {}

  // Uniform in [0, n), n from 1 to 2^32 - 1.
  std::uint32_t below(std::uint32_t n);

  // Fisher-Yates: for i = n-1 down to 1, swaps a[i] with a[j], j uniform in
  // [0, i]. Every order of a is equally likely afterwards.
  void shuffle(int* a, std::size_t n);

  // The same on the entries of a at the given positions only (a shuffle
  // within one group).
  void shuffleAt(int* a, const std::vector<int>& positions);

 private:
  std::mt19937_64 rng_;
  std::uint64_t spare_ = 0;
  bool haveSpare_ = false;
};

// True when a rearrangement's statistic counts against the observed one.
inline bool atLeast(double permuted, double observed) {
  return permuted >= observed || permuted >= observed - 1e-12 * std::fabs(observed);
}

// (1 + count) / (P + 1).
inline double permutationP(long count, long P) {
  return static_cast<double>(1 + count) / static_cast<double>(P + 1);
}

// Runs P rearrangements and counts, for each of the m statistics, those at
// least as large as observed[j].
//
//   start        the arrangement the first rearrangement is drawn from (N entries)
//   draw(stream, a)  rearranges a in place; rearrangement r starts from the
//                    arrangement of r-1, so draw must leave a uniform random
//                    arrangement whatever it starts from (a full or a
//                    within-group shuffle does)
//   stat(a, out, part)  writes the m statistics of arrangement a to out; part
//                    (0 or 1) names the worker, for per-worker scratch space;
//                    must not throw
//   bytesPerRearrangement  the memory one stat call walks, to judge whether a
//                    second thread pays (options.threads 0)
//
// Returns the m counts. Progress advances by one per rearrangement; a cancel
// stops both workers and throws RuntimeError("Cancelled.").
template <class Draw, class Stat>
std::vector<long> countPermutations(const std::vector<int>& start,
                                    const std::vector<double>& observed,
                                    const PermutationOptions& options,
                                    std::size_t bytesPerRearrangement, Progress& progress,
                                    Draw&& draw, Stat&& stat) {
  const std::size_t m = observed.size(), N = start.size();
  const long P = std::max(0L, options.count);
  std::vector<long> counts(m, 0);
  if (P == 0 || m == 0) return counts;
  // Rearrangements go in blocks of kBlock: the worker that takes block k
  // waits until block k-1 is drawn, draws its own from the one stream, lets
  // the next block's worker on, and only then computes, so drawing (serial)
  // overlaps with computing (parallel).
  constexpr Eigen::Index kBlock = 64;
  PermutationStream stream(options.seed);
  std::vector<int> current = start;
  std::atomic<Eigen::Index> drawn{0};
  struct Worker {
    std::vector<int> arrangements;
    std::vector<double> values;
    std::vector<long> counts;
  };
  Worker workers[2];
  for (auto& w : workers) {
    w.arrangements.resize(static_cast<std::size_t>(kBlock) * N);
    w.values.resize(m);
    w.counts.assign(m, 0);
  }
  std::size_t bytes = static_cast<std::size_t>(P) * bytesPerRearrangement;
  if (options.threads == 1) bytes = 0;
  if (options.threads >= 2) bytes = std::max(bytes, kThreadBytes);
  progress.start("Permutations", P);
  forRowBlocks(P, bytes, kBlock, progress,
               [&](Eigen::Index b, Eigen::Index e, Eigen::Index k, int part) {
                 Worker& w = workers[part];
                 for (Eigen::Index t = drawn.load(); t != k; t = drawn.load()) drawn.wait(t);
                 for (Eigen::Index r = b; r < e; ++r) {
                   draw(stream, current);
                   std::copy(current.begin(), current.end(),
                             w.arrangements.begin() + static_cast<std::ptrdiff_t>((r - b) * N));
                 }
                 drawn.store(k + 1);
                 drawn.notify_all();
                 for (Eigen::Index r = b; r < e; ++r) {
                   stat(w.arrangements.data() + (r - b) * N, w.values.data(), part);
                   for (std::size_t j = 0; j < m; ++j)
                     if (atLeast(w.values[j], observed[j])) ++w.counts[j];
                 }
               });
  progress.finish();
  for (std::size_t j = 0; j < m; ++j) counts[j] = workers[0].counts[j] + workers[1].counts[j];
  return counts;
}

}  // namespace varnok::analysis
