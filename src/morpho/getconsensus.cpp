#include "morpho/getconsensus.hpp"

#include <cmath>
#include <string>

#include "morpho/detail.hpp"

namespace varnok::morpho {

using detail::Index;

namespace {

// Rows handled between progress reports; also the unit of the partial sums,
// which keeps the summation error of the mean small for large N.
constexpr Index kBlockRows = 1024;

// The mean of finite values whose plain sum overflows (sizes of 1e307):
// summed as fractions of the largest, so it is finite whenever they are.
double scaledColumnMean(const Mat& x, Index c) {
  const Index n = x.rows();
  const double top = x.col(c).cwiseAbs().maxCoeff();
  double sum = 0;
  if (!(top > 0) || !std::isfinite(top)) {
    for (Index i = 0; i < n; ++i) sum += x(i, c);
    return sum / static_cast<double>(n);
  }
  for (Index i = 0; i < n; ++i) sum += x(i, c) / top;
  return sum / static_cast<double>(n) * top;
}

}  // namespace

Consensus getconsensus(const Mat& x, const ConsensusOptions& options, Progress& progress) {
  const Index N = x.rows(), M = x.cols();
  if (N < 2) detail::throwIndexExceeds();
  if (M > 0 && M % 2 == 0) detail::throwDimensionsAgree();
  const Index L = M > 0 ? (M - 1) / 2 : 0;
  const Index K = 2 * L;  // coordinate columns
  const std::size_t bytes = static_cast<std::size_t>(x.size()) * sizeof(double);

  Consensus out;
  if (M == 0) {  // no columns: nothing to average
    out.y = RowVec(0);
    if (options.withFitted) out.xpt = Mat(N, 0);
    return out;
  }
  // The first reference: specimen 1 centred and scaled.
  RowVec ref(M);
  {
    const double* p = x.row(0).data();
    const detail::Frame f = detail::rowFrame(p, L);
    for (Index j = 0; j < L; ++j) {
      ref(2 * j) = (p[2 * j] * f.g - f.cx) / f.size;
      ref(2 * j + 1) = (p[2 * j + 1] * f.g - f.cy) / f.size;
    }
    ref(M - 1) = p[M - 1];
  }
  RowVec refOld = ref;

  // Each pass rotates every specimen from its centred, scaled start straight
  // onto the current mean: composing the previous rotations with the new one
  // gives the same angle, so the data is only read, never rewritten, and the
  // rotated rows are written once at the end. Per pass the work is one read of
  // x. The sums of each block of rows go to their own row of blockSums
  // (allocated here, once) and are added in block order, so the mean does not
  // depend on how the blocks were shared between threads.
  const Index blocks = (N + kBlockRows - 1) / kBlockRows;
  Mat blockSums(blocks, K + 1);
  const double* r = nullptr;
  auto accumulate = [&](Index b, Index e, Index block, int) {
    double* acc = blockSums.row(block).data();
    std::fill(acc, acc + K + 1, 0.0);
    for (Index i = b; i < e; ++i) {
      const double* p = x.row(i).data();
      detail::eachFitted(p, detail::rowFit(p, r, L), L, [acc](Index j, double fx, double fy) {
        acc[2 * j] += fx;
        acc[2 * j + 1] += fy;
      });
      acc[K] += p[M - 1];
    }
  };
  RowVec sums(K + 1);

  double xd = 1.0;
  while (xd > kConsensusThreshold) {
    if (out.passes >= options.maxPasses) {
      out.converged = false;
      if (options.console != nullptr)
        options.console->line("Warning: getconsensus stopped after " + std::to_string(out.passes) +
                              " passes without converging; the last mean is returned.");
      break;
    }
    progress.start("Procrustes consensus", static_cast<long>(N));
    r = ref.data();
    detail::forRowBlocks(N, bytes, kBlockRows, progress, accumulate);
    ++out.passes;
    sums = blockSums.colwise().sum();

    refOld = ref;
    const double invN = 1.0 / static_cast<double>(N);
    for (Index k = 0; k < K; ++k) ref(k) = sums(k) * invN;
    ref(M - 1) = sums(K) * invN;
    if (!std::isfinite(ref(M - 1))) ref(M - 1) = scaledColumnMean(x, M - 1);
    ref /= detail::norm(ref.data(), K);
    xd = 0.0;
    for (Index k = 0; k < K; ++k) {
      const double d = ref(k) - refOld(k);
      xd += d * d;
    }
  }
  progress.finish();

  out.y = ref;
  if (options.withFitted) {
    // The rows as the last pass left them: rotated onto the mean it started from.
    out.xpt.resize(N, M);
    r = refOld.data();
    auto write = [&](Index b, Index e, Index, int) {
      for (Index i = b; i < e; ++i) {
        const double* p = x.row(i).data();
        double* q = out.xpt.row(i).data();
        const detail::RowFit f = detail::rowFit(p, r, L);
        detail::applyRowFit(p, q, f, L, M);
      }
    };
    detail::forRowBlocks(N, bytes, kBlockRows, noProgress(), write);
  }
  return out;
}

}  // namespace varnok::morpho
