#include "morpho/centroid.hpp"

#include <cmath>

#include "morpho/detail.hpp"

namespace varnok::morpho {

using detail::Index;

RowVec centpos(const Mat& x) {
  const Index L = x.size() / 2;
  double sx = 0.0, sy = 0.0;
  for (Index j = 0; j < L; ++j) {
    sx += detail::at(x, 2 * j);
    sy += detail::at(x, 2 * j + 1);
  }
  RowVec c(2);
  c << sx / static_cast<double>(L), sy / static_cast<double>(L);
  if (std::isfinite(c(0)) && std::isfinite(c(1))) return c;
  // A sum beyond the largest double (coordinates near it), or a value that is
  // not finite: the mean of the values times a power of two, scaled back.
  const RowVec v = detail::linear(x).head(2 * L);
  const double g = detail::unitScale(v.data(), 2 * L);
  if (g == 1.0) return c;
  sx = sy = 0.0;
  for (Index j = 0; j < L; ++j) {
    sx += v(2 * j) * g;
    sy += v(2 * j + 1) * g;
  }
  c << sx / static_cast<double>(L) / g, sy / static_cast<double>(L) / g;
  return c;
}

namespace {
// Centroid size of the first L landmarks of a contiguous interleaved row.
double rowSize(const double* p, Index L) {
  if (L == 0) return 0.0;
  return detail::rowFrame(p, L).trueSize();
}
}  // namespace

ColVec centsize(const Eigen::Ref<const Mat>& x) {
  const Index L = x.cols() / 2;
  ColVec cs(x.rows());
  for (Index i = 0; i < x.rows(); ++i) cs(i) = rowSize(x.row(i).data(), L);
  return cs;
}

Mat centerref(const Mat& x) {
  const Index N = x.rows(), M = x.cols();
  Mat y = Mat::Zero(N, M);
  if (M == 0) return y;
  const Index Lc = (M - 1) / 2;  // landmarks centred
  const Index Lall = M / 2;      // landmarks the centroid and the size are taken over
  for (Index i = 0; i < N; ++i) {
    const double* p = x.row(i).data();
    double* q = y.row(i).data();
    const RowVec cp = centpos(x.row(i));
    for (Index j = 0; j < Lc; ++j) {
      q[2 * j] = p[2 * j] - cp(0);
      q[2 * j + 1] = p[2 * j + 1] - cp(1);
    }
    // Divided by the size of the row times g, after multiplying by g, so
    // that a size beyond the largest double still gives a unit row.
    const detail::Frame f = detail::rowFrame(q, Lall);
    if (f.g == 1.0) {
      for (Index k = 0; k < M; ++k) q[k] /= f.size;
    } else {
      for (Index k = 0; k < M; ++k) q[k] = q[k] * f.g / f.size;
    }
    q[M - 1] = p[M - 1];
  }
  return y;
}

}  // namespace varnok::morpho
