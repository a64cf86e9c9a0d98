#include "morpho/meth3sup.hpp"

#include "morpho/centroid.hpp"
#include "morpho/detail.hpp"

namespace varnok::morpho {

using detail::Index;

Mat meth3sup(const Mat& x) {
  const Index N = x.rows(), M = x.cols();
  Mat y = Mat::Zero(N, M);
  if (M == 0) return y;
  const Index Lc = (M - 1) / 2;
  for (Index i = 0; i < N; ++i) {
    const double* p = x.row(i).data();
    double* q = y.row(i).data();
    const RowVec cp = centpos(x.row(i));
    for (Index j = 0; j < Lc; ++j) {
      q[2 * j] = p[2 * j] - cp(0);
      q[2 * j + 1] = p[2 * j + 1];
    }
    const double s = centsize(y.row(i))(0);
    for (Index k = 0; k < M; ++k) q[k] /= s;
    q[M - 1] = p[M - 1];
  }
  return y;
}

}  // namespace varnok::morpho
