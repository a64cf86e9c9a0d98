// refstandardize: bring a reference form to the standard of the fitted data.
#pragma once

#include "platform/matrix/types.hpp"

namespace varnok::morpho {

// REFSTANDARDIZE  Centre a reference row and scale it to unit centroid size.
//
// Inputs:
//   reference  1 by M row x1 y1 ... xL yL CS, M = 2L+1
// Outputs:
//   1 by M row: centerref(reference) divided, as a whole row (column M
//   included), by its own centroid size, which is 1 up to rounding; column M
//   so keeps the stored value up to rounding
RowVec refstandardize(const Mat& reference);

}  // namespace varnok::morpho
