#include "morpho/vertxy.hpp"

#include "morpho/detail.hpp"

namespace varnok::morpho {

using detail::Index;

Mat vertxy(const Mat& x) {
  const Index L = x.cols() / 2;
  Mat y(2, L);
  for (Index i = 0; i < L; ++i) {
    y(0, i) = detail::at(x, 2 * i);
    y(1, i) = detail::at(x, 2 * i + 1);
  }
  return y;
}

RowVec xyfromvert(const Mat& data, double cs) {
  const Index m = data.rows();
  if (m > 0 && data.cols() < 2) detail::throwIndexExceeds();
  RowVec y(2 * m + 1);
  for (Index i = 0; i < m; ++i) {
    y(2 * i) = data(i, 0);
    y(2 * i + 1) = data(i, 1);
  }
  y(2 * m) = cs;
  return y;
}

}  // namespace varnok::morpho
