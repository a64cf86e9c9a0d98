#include "morpho/detail.hpp"

#include <algorithm>
#include <limits>

namespace varnok::morpho::detail {

RowVec linear(const Mat& m) {
  RowVec r(m.size());
  for (Index k = 0; k < m.size(); ++k) r(k) = at(m, k);
  return r;
}

void throwIndexExceeds() {
  throw RuntimeError("Run-time Error: Index exceeds matrix dimensions.");
}

void throwBadSubscript() {
  throw RuntimeError(
      "Run-time Error: Subscript indices must either be real positive integers or logicals.");
}

void throwInnerDimensions() {
  throw RuntimeError("Run-time Error: Inner matrix dimensions must agree.");
}

void throwDimensionsAgree() {
  throw RuntimeError("Run-time Error: Matrix dimensions must agree.");
}

Index landmarkIndex(double b, Index limit) {
  if (!(b >= 1.0) || b != std::floor(b)) throwBadSubscript();
  if (b > static_cast<double>(limit)) throwIndexExceeds();
  return static_cast<Index>(b);
}

double medianInPlace(double* v, Index n) {
  if (n == 0) return std::numeric_limits<double>::quiet_NaN();
  for (Index k = 0; k < n; ++k)
    if (std::isnan(v[k])) return std::numeric_limits<double>::quiet_NaN();
  std::sort(v, v + n);
  const Index h = n / 2;
  return n % 2 == 1 ? v[h] : (v[h - 1] + v[h]) / 2.0;
}

}  // namespace varnok::morpho::detail
