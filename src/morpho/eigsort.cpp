#include "morpho/eigsort.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "morpho/detail.hpp"

namespace varnok::morpho {

using detail::Index;

EigSorted eigsort(const Mat& V, const Mat& D) {
  const Index m = D.rows(), n = D.cols();
  if (m < n || V.cols() < n) detail::throwIndexExceeds();
  EigSorted out;
  out.DR = Mat::Zero(m, n);
  out.VR.resize(V.rows(), n);
  if (n == 0) return out;
  const double bigD = D.maxCoeff();
  std::vector<double> key(n);
  for (Index i = 0; i < n; ++i) key[i] = bigD - D(i, i);
  std::vector<Index> order(n);
  std::iota(order.begin(), order.end(), Index{0});
  // NaN keys go last, as the runtime's sort puts them.
  std::stable_sort(order.begin(), order.end(), [&](Index a, Index b) {
    const double ka = key[a], kb = key[b];
    if (std::isnan(kb)) return !std::isnan(ka);
    return ka < kb;
  });
  for (Index i = 0; i < n; ++i) {
    out.VR.col(i) = V.col(order[i]);
    out.DR(i, i) = D(order[i], order[i]);
  }
  return out;
}

}  // namespace varnok::morpho
