#include "morpho/basereg.hpp"

#include <cmath>

#include "morpho/detail.hpp"

namespace varnok::morpho {

using detail::Index;

Mat basereg(const Mat& x, double b1, double b2) {
  const Index N = x.rows(), M = x.cols();
  const Index L = M / 2;
  // The runtime checks a subscript when it reads it, which happens for every
  // row; with no rows nothing is read.
  if (N == 0) return x;
  const Index i1 = detail::landmarkIndex(b1, L) - 1;
  const Index i2 = detail::landmarkIndex(b2, L) - 1;
  Mat y = x;
  for (Index i = 0; i < N; ++i) {
    double* q = y.row(i).data();
    const double tx = q[2 * i1], ty = q[2 * i1 + 1];
    for (Index j = 0; j < L; ++j) {
      q[2 * j] -= tx;
      q[2 * j + 1] -= ty;
    }
    const double len = std::sqrt(q[2 * i2 + 1] * q[2 * i2 + 1] + q[2 * i2] * q[2 * i2]);
    for (Index k = 0; k < M; ++k) q[k] /= len;
    const double theta = -std::atan2(q[2 * i2 + 1], q[2 * i2]);
    const double ct = std::cos(theta), st = std::sin(theta);
    for (Index j = 0; j < L; ++j) {
      const double t = q[2 * j];
      q[2 * j] = q[2 * j] * ct - st * q[2 * j + 1];
      q[2 * j + 1] = q[2 * j + 1] * ct + st * t;
    }
    if (M % 2 == 1) q[M - 1] = x(i, M - 1);
  }
  return y;
}

}  // namespace varnok::morpho
