// Benchmarks of the shape statistics' permutation tests, whose target is
// 9,999 permutations of the Procrustes ANOVA and the pairwise mean distances
// for 1,000 specimens of 30 landmarks (V = 56) in under 0.5 s on two cores.
//
// The shape variables are those of synthetic specimens (one random base
// shape plus noise, each turned, scaled and shifted; fixed seed), computed
// once as the analysis does: consensus, fit, shape variables. The groups are
// the specimen numbers modulo k, and the first group's landmarks are shifted
// a little, so the tests see a real difference.
#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <numbers>
#include <random>
#include <tuple>
#include <vector>

#include "analysis/canonical_variates.hpp"
#include "analysis/shape_statistics.hpp"
#include "morpho/getconsensus.hpp"
#include "morpho/getpsup.hpp"
#include "morpho/getpw_arbit.hpp"

namespace {

using Eigen::Index;
using varnok::ColVec;
using varnok::Mat;
namespace an = varnok::analysis;

struct Sample {
  Mat W;     // N by 2L-4 shape variables
  ColVec x;  // ln CS
  an::Groups groups;
};

const Sample& sample(Index N, Index L, int k) {
  static std::map<std::tuple<Index, Index, int>, Sample> cache;
  auto it = cache.find({N, L, k});
  if (it != cache.end()) return it->second;
  std::mt19937_64 gen(20261209);
  std::normal_distribution<double> g(0.0, 1.0);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::vector<double> base(2 * L);
  for (double& v : base) v = g(gen);
  Mat data(N, 2 * L + 1);
  std::vector<int> codes(N);
  for (Index i = 0; i < N; ++i) {
    codes[i] = 1 + static_cast<int>(i % k);
    const double t = 2.0 * std::numbers::pi * u(gen), s = 50.0 + 100.0 * u(gen);
    const double c = std::cos(t), sn = std::sin(t), shift = codes[i] == 1 ? 0.02 : 0.0;
    for (Index j = 0; j < L; ++j) {
      const double px = base[2 * j] + 0.05 * g(gen) + (j == 0 ? shift : 0.0);
      const double py = base[2 * j + 1] + 0.05 * g(gen);
      data(i, 2 * j) = s * (c * px - sn * py);
      data(i, 2 * j + 1) = s * (sn * px + c * py);
    }
    data(i, 2 * L) = s;
  }
  Mat ref = varnok::morpho::getconsensus(data).y;
  ref = (ref * 10000.0).array().round() / 10000.0;
  const Mat fitted = varnok::morpho::getpsup(data, ref);
  const Mat pw = varnok::morpho::getpw_arbit(ref, fitted);
  Sample smp{pw.leftCols(pw.cols() - 1), pw.col(pw.cols() - 1).array().log(),
             an::groupsFromCodes(codes)};
  return cache.emplace(std::make_tuple(N, L, k), std::move(smp)).first->second;
}

// The ANOVA and the pairwise distances with P = 9,999 (one pass of the
// permutations serves both), on N x L specimens in k groups, on 1 or 2
// threads (the 2-thread figures are the target's).
void BM_AnovaAndPairwise(benchmark::State& state) {
  const Sample& s = sample(state.range(0), state.range(1), static_cast<int>(state.range(2)));
  const int threads = static_cast<int>(state.range(3));
  for (auto _ : state) {
    auto a = an::shapeAnova(s.W, s.groups, {9999, 1, threads});
    benchmark::DoNotOptimize(a.pPerm);
  }
}
BENCHMARK(BM_AnovaAndPairwise)
    ->ArgNames({"N", "L", "k", "threads"})
    ->Args({1000, 30, 2, 2})
    ->Args({1000, 30, 4, 2})
    ->Args({1000, 30, 2, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Plain and pooled regressions on log size, P = 9,999 each.
void BM_Regressions(benchmark::State& state) {
  const Sample& s = sample(state.range(0), state.range(1), 2);
  for (auto _ : state) {
    auto plain = an::regressShapeOnSize(s.W, s.x, {9999, 1});
    auto pooled = an::regressShapeOnSizeWithinGroups(s.W, s.x, s.groups, {9999, 1});
    benchmark::DoNotOptimize(plain.pPerm + pooled.pPerm);
  }
}
BENCHMARK(BM_Regressions)->Args({1000, 30})->Unit(benchmark::kMillisecond)->UseRealTime();

// Canonical variates on every allowed axis (q = 56), P = 999, with the
// leave-one-out classification.
void BM_CanonicalVariates(benchmark::State& state) {
  const Sample& s = sample(state.range(0), state.range(1), 2);
  for (auto _ : state) {
    auto c = an::canonicalVariates(s.W, s.groups, 0, {999, 1});
    benchmark::DoNotOptimize(c.overallPercent);
  }
}
BENCHMARK(BM_CanonicalVariates)->Args({1000, 30})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
