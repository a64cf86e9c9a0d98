#include "morpho/mirrored.hpp"

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

#include "platform/matrix/parallel.hpp"

namespace varnok::morpho {

namespace {

using Complex = std::complex<double>;

// The landmarks of a row as complex numbers in z, centred and of unit
// centroid size; false when they all coincide.
bool normalise(const double* row, Eigen::Index landmarks, std::vector<Complex>& z) {
  z.resize(static_cast<std::size_t>(landmarks));
  Complex mean = 0;
  for (Eigen::Index j = 0; j < landmarks; ++j) {
    z[static_cast<std::size_t>(j)] = Complex(row[2 * j], row[2 * j + 1]);
    mean += z[static_cast<std::size_t>(j)];
  }
  mean /= static_cast<double>(landmarks);
  double ss = 0;
  for (Complex& v : z) {
    v -= mean;
    ss += std::norm(v);
  }
  if (!(ss > 0) || !std::isfinite(ss)) return false;
  const double size = std::sqrt(ss);
  for (Complex& v : z) v /= size;
  return true;
}

MirrorFit fitNormalised(const std::vector<Complex>& z, const std::vector<Complex>& w) {
  Complex same = 0, mirror = 0;
  for (std::size_t j = 0; j < z.size(); ++j) {
    same += z[j] * std::conj(w[j]);
    mirror += z[j] * w[j];
  }
  // Rounding can take the sums a hair past 1; a distance is never negative.
  return {std::max(0.0, 2 - 2 * std::abs(same)), std::max(0.0, 2 - 2 * std::abs(mirror))};
}

}  // namespace

MirrorFit mirrorFit(const RowVec& specimen, const RowVec& consensus) {
  const Eigen::Index landmarks = std::min(specimen.cols(), consensus.cols()) / 2;
  std::vector<Complex> z, w;
  if (!normalise(specimen.data(), landmarks, z) || !normalise(consensus.data(), landmarks, w))
    return {};
  return fitNormalised(z, w);
}

std::vector<Eigen::Index> mirroredRows(const Mat& data, const RowVec& consensus) {
  const Eigen::Index landmarks = std::min(data.cols(), consensus.cols()) / 2;
  std::vector<Complex> w;
  if (!normalise(consensus.data(), landmarks, w)) return {};
  // The consensus is made ready once; each block of rows keeps its own
  // finds, joined in block order.
  constexpr Eigen::Index kBlockRows = 4096;
  const Eigen::Index N = data.rows();
  std::vector<std::vector<Eigen::Index>> found(
      static_cast<std::size_t>((N + kBlockRows - 1) / kBlockRows));
  forRowBlocks(N, static_cast<std::size_t>(data.size()) * sizeof(double), kBlockRows, noProgress(),
               [&](Eigen::Index b, Eigen::Index e, Eigen::Index block, int) {
                 std::vector<Complex> z;
                 auto& rows = found[static_cast<std::size_t>(block)];
                 for (Eigen::Index i = b; i < e; ++i) {
                   if (!normalise(data.row(i).data(), landmarks, z)) continue;
                   const MirrorFit fit = fitNormalised(z, w);
                   if (fit.mirrored < kMirroredRatio * fit.ss) rows.push_back(i);
                 }
               });
  std::vector<Eigen::Index> rows;
  for (const auto& part : found) rows.insert(rows.end(), part.begin(), part.end());
  return rows;
}

}  // namespace varnok::morpho
