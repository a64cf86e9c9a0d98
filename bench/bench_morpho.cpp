// Benchmarks of the morphometric core: Procrustes consensus, fit of all
// specimens onto the reference, shape variables, and the three in a row as
// the analysis runs them.
//
// The data is synthetic, made here with a fixed seed: one random base shape
// plus noise, each specimen turned, scaled and shifted at random.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

#include "analysis/pca.hpp"
#include "morpho/getconsensus.hpp"
#include "morpho/getpsup.hpp"
#include "morpho/getpw_arbit.hpp"

namespace {

using Eigen::Index;
using varnok::Mat;

struct Sample {
  Mat data;       // N by 2L+1 as loaded
  Mat reference;  // consensus rounded to 4 decimals
  Mat fitted;     // data fitted onto the reference
};

Mat makeData(Index N, Index L) {
  std::mt19937_64 gen(20240611);
  std::normal_distribution<double> g(0.0, 1.0);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::vector<double> base(2 * L);
  for (double& v : base) v = g(gen);
  Mat x(N, 2 * L + 1);
  for (Index i = 0; i < N; ++i) {
    const double t = 2.0 * std::numbers::pi * u(gen), s = 50.0 + 100.0 * u(gen);
    const double dx = 500.0 * u(gen), dy = 500.0 * u(gen);
    const double c = std::cos(t), sn = std::sin(t);
    for (Index j = 0; j < L; ++j) {
      const double px = base[2 * j] + 0.05 * g(gen), py = base[2 * j + 1] + 0.05 * g(gen);
      x(i, 2 * j) = s * (c * px - sn * py) + dx;
      x(i, 2 * j + 1) = s * (sn * px + c * py) + dy;
    }
    x(i, 2 * L) = s;
  }
  return x;
}

Mat rounded(const Mat& r) {
  return (r * 10000.0).array().round() / 10000.0;
}

const Sample& sample(Index N, Index L) {
  static std::map<std::pair<Index, Index>, Sample> cache;
  auto it = cache.find({N, L});
  if (it == cache.end()) {
    Sample s;
    s.data = makeData(N, L);
    s.reference = rounded(varnok::morpho::getconsensus(s.data).y);
    s.fitted = varnok::morpho::getpsup(s.data, s.reference);
    it = cache.emplace(std::make_pair(N, L), std::move(s)).first;
  }
  return it->second;
}

void setCounters(benchmark::State& state, Index N, Index L) {
  state.counters["N"] = static_cast<double>(N);
  state.counters["L"] = static_cast<double>(L);
}

void BM_Consensus(benchmark::State& state) {
  const Index N = state.range(0), L = state.range(1);
  const Sample& s = sample(N, L);
  int passes = 0;
  for (auto _ : state) {
    const auto c = varnok::morpho::getconsensus(s.data);
    passes = c.passes;
    benchmark::DoNotOptimize(c.y.data());
  }
  setCounters(state, N, L);
  state.counters["passes"] = passes;
}

void BM_Fit(benchmark::State& state) {
  const Index N = state.range(0), L = state.range(1);
  const Sample& s = sample(N, L);
  for (auto _ : state) {
    const Mat fit = varnok::morpho::getpsup(s.data, s.reference);
    benchmark::DoNotOptimize(fit.data());
  }
  setCounters(state, N, L);
}

void BM_ShapeVariables(benchmark::State& state) {
  const Index N = state.range(0), L = state.range(1);
  const Sample& s = sample(N, L);
  for (auto _ : state) {
    const Mat pw = varnok::morpho::getpw_arbit(s.reference, s.fitted);
    benchmark::DoNotOptimize(pw.data());
  }
  setCounters(state, N, L);
}

// The fit done in the storage of the data, as the analysis replaces its data
// by the fitted rows. The copy of the data for each run is not timed.
void BM_FitInPlace(benchmark::State& state) {
  const Index N = state.range(0), L = state.range(1);
  const Sample& s = sample(N, L);
  for (auto _ : state) {
    state.PauseTiming();
    Mat data = s.data;
    state.ResumeTiming();
    const Mat fit = varnok::morpho::getpsup(std::move(data), s.reference);
    benchmark::DoNotOptimize(fit.data());
  }
  setCounters(state, N, L);
}

// As the analysis runs it: consensus, rounded to 4 decimals, fit in the
// storage of the data, shape variables and, withPca, their PCA (the work of
// the Python module's superimpose, shape_variables and pca, inside the
// program). The copy of the data is not timed.
void consensusFitShapeVariables(benchmark::State& state, bool withPca) {
  const Index N = state.range(0), L = state.range(1);
  const Sample& s = sample(N, L);
  for (auto _ : state) {
    state.PauseTiming();
    Mat data = s.data;
    state.ResumeTiming();
    const Mat ref = rounded(varnok::morpho::getconsensus(data).y);
    const Mat fit = varnok::morpho::getpsup(std::move(data), ref);
    const Mat pw = varnok::morpho::getpw_arbit(ref, fit);
    benchmark::DoNotOptimize(pw.data());
    if (withPca) {
      const auto p = varnok::analysis::pca(pw, pw.cols() - 1);
      benchmark::DoNotOptimize(p.PCAScores.data());
    }
  }
  setCounters(state, N, L);
}

void BM_ConsensusFitShapeVariables(benchmark::State& state) {
  consensusFitShapeVariables(state, false);
}

void BM_ConsensusFitShapeVariablesPca(benchmark::State& state) {
  consensusFitShapeVariables(state, true);
}

void sizes(benchmark::internal::Benchmark* b) {
  b->Args({1000, 30})->Args({100000, 30})->Args({10000, 100})->Args({1000000, 12});
  b->Unit(benchmark::kMillisecond)->UseRealTime();
  // The machine is shared: the fastest of the repetitions is the figure that
  // least reflects other work.
  b->ComputeStatistics(
      "min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

BENCHMARK(BM_Consensus)->Apply(sizes);
BENCHMARK(BM_Fit)->Apply(sizes);
BENCHMARK(BM_FitInPlace)->Apply(sizes);
BENCHMARK(BM_ShapeVariables)->Apply(sizes);
BENCHMARK(BM_ConsensusFitShapeVariables)->Apply(sizes);
BENCHMARK(BM_ConsensusFitShapeVariablesPca)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
