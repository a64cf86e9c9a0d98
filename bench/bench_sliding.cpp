// Benchmarks of the analysis of outline studies, whose targets are the whole
// analysis including sliding (consensus, fit, rounds of sliding by bending
// energy with the consensus renewed, shape variables, PCA) in under 1 s for
// 1,000 specimens of 60 points (54 sliding) and under 5 s for 100 specimens
// of 500 points, on two cores.
//
// The specimens are noisy ellipses, each turned, scaled and shifted (fixed
// seed), their points evenly spaced on a ring, as curves are resampled before
// an analysis; every tenth point is a landmark and the rest slide between
// their ring neighbours, as a sliders file would say. The baseline is the
// same analysis without sliding, in the same run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <numbers>
#include <random>
#include <utility>

#include "analysis/pca.hpp"
#include "analysis/sliding_rounds.hpp"
#include "morpho/getconsensus.hpp"
#include "morpho/getpsup.hpp"
#include "morpho/getpw_arbit.hpp"

namespace {

using Eigen::Index;
using varnok::Mat;
using varnok::RowVec;
namespace an = varnok::analysis;
namespace mo = varnok::morpho;

struct Study {
  Mat data;
  std::vector<mo::Slider> sliders;
};

const Study& study(Index N, Index L) {
  static std::map<std::pair<Index, Index>, Study> cache;
  auto it = cache.find({N, L});
  if (it != cache.end()) return it->second;
  std::mt19937_64 gen(20261209);
  std::normal_distribution<double> g(0.0, 1.0);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  Study s;
  s.data.resize(N, 2 * L + 1);
  for (Index i = 0; i < N; ++i) {
    const double a = 1.0 + 0.1 * u(gen), b = 0.6 + 0.1 * u(gen);
    const double t = 2.0 * std::numbers::pi * u(gen), size = 50.0 + 100.0 * u(gen);
    const double c = std::cos(t), sn = std::sin(t), shift = 10 * u(gen);
    for (Index j = 0; j < L; ++j) {
      const double th = 2.0 * std::numbers::pi * static_cast<double>(j) / static_cast<double>(L);
      const double px = a * std::cos(th) + 0.002 * g(gen), py = b * std::sin(th) + 0.002 * g(gen);
      s.data(i, 2 * j) = size * (c * px - sn * py) + shift;
      s.data(i, 2 * j + 1) = size * (sn * px + c * py);
    }
    s.data(i, 2 * L) = size;
  }
  for (Index j = 0; j < L; ++j)
    if (j % 10 != 0) s.sliders.push_back({(j + L - 1) % L, j, (j + 1) % L});
  return cache.emplace(std::make_pair(N, L), std::move(s)).first->second;
}

RowVec rounded(const RowVec& r) {
  return r.unaryExpr([](double v) { return std::round(10000 * v) / 10000; });
}

void analyse(const Study& s, bool slide) {
  const RowVec ref = rounded(mo::getconsensus(s.data).y);
  Mat fitted = mo::getpsup(s.data, ref);
  RowVec reference = ref;
  if (slide) {
    an::SlidingRequest request;
    request.sliders = s.sliders;
    const an::RenewReference renew = [](const Mat& slid) {
      return rounded(mo::getconsensus(slid).y);
    };
    an::SlidingOutcome out = an::slideRounds(fitted, ref, request, renew, nullptr);
    fitted = std::move(out.data);
    reference = std::move(out.reference);
  }
  const Mat pw = mo::getpw_arbit(reference, fitted);
  const an::Pca p = an::pca(pw, pw.cols() - 1, 0);
  benchmark::DoNotOptimize(p.tvar);
}

void BM_OutlineAnalysis(benchmark::State& state) {
  const Study& s = study(state.range(0), state.range(1));
  for (auto _ : state) analyse(s, state.range(2) != 0);
}
BENCHMARK(BM_OutlineAnalysis)
    ->ArgNames({"N", "L", "slide"})
    ->Args({1000, 60, 1})
    ->Args({1000, 60, 0})
    ->Args({100, 500, 1})
    ->Args({100, 500, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
