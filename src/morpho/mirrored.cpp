#include "morpho/mirrored.hpp"

#include <algorithm>
#include <cmath>
#include <complex>

namespace varnok::morpho {

namespace {

using Complex = std::complex<double>;

// The landmarks of a row as complex numbers, centred and of unit centroid
// size; empty when they all coincide.
std::vector<Complex> normalised(const RowVec& row, Eigen::Index landmarks) {
  std::vector<Complex> z(static_cast<std::size_t>(landmarks));
  Complex mean = 0;
  for (Eigen::Index j = 0; j < landmarks; ++j) {
    z[static_cast<std::size_t>(j)] = Complex(row(2 * j), row(2 * j + 1));
    mean += z[static_cast<std::size_t>(j)];
  }
  mean /= static_cast<double>(landmarks);
  double ss = 0;
  for (Complex& v : z) {
    v -= mean;
    ss += std::norm(v);
  }
  if (!(ss > 0) || !std::isfinite(ss)) return {};
  const double size = std::sqrt(ss);
  for (Complex& v : z) v /= size;
  return z;
}

}  // namespace

MirrorFit mirrorFit(const RowVec& specimen, const RowVec& consensus) {
  const Eigen::Index landmarks = std::min(specimen.cols(), consensus.cols()) / 2;
  const auto z = normalised(specimen, landmarks);
  const auto w = normalised(consensus, landmarks);
  if (z.empty() || w.empty()) return {};
  Complex same = 0, mirror = 0;
  for (std::size_t j = 0; j < z.size(); ++j) {
    same += z[j] * std::conj(w[j]);
    mirror += z[j] * w[j];
  }
  // Rounding can take the sums a hair past 1; a distance is never negative.
  return {std::max(0.0, 2 - 2 * std::abs(same)), std::max(0.0, 2 - 2 * std::abs(mirror))};
}

std::vector<Eigen::Index> mirroredRows(const Mat& data, const RowVec& consensus) {
  std::vector<Eigen::Index> rows;
  for (Eigen::Index i = 0; i < data.rows(); ++i) {
    const MirrorFit fit = mirrorFit(data.row(i), consensus);
    if (fit.mirrored < kMirroredRatio * fit.ss) rows.push_back(i);
  }
  return rows;
}

}  // namespace varnok::morpho
