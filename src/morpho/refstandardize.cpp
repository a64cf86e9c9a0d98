#include "morpho/refstandardize.hpp"

#include "morpho/centroid.hpp"
#include "morpho/detail.hpp"

namespace varnok::morpho {

RowVec refstandardize(const Mat& reference) {
  const Mat c = centerref(reference);
  const ColVec cs = centsize(c);
  // The runtime divides by a column of sizes; only a single row makes that a
  // division by one number.
  if (cs.size() != 1) detail::throwDimensionsAgree();
  return RowVec(c.row(0) / cs(0));
}

}  // namespace varnok::morpho
