// centpos, centsize, centerref: centroid, centroid size and centring of
// specimen rows.
//
// They work directly on the interleaved row layout: landmark j has its x at
// position 2j-1 and its y at 2j (1-based); a row of K values holds floor(K/2)
// landmarks, so an odd trailing value (the stored centroid size) is never
// read as a coordinate.
#pragma once

#include "platform/matrix/types.hpp"

namespace varnok::morpho {

// CENTPOS  Centroid of one specimen.
//
// Inputs:
//   x  one specimen row x1 y1 ... xL yL [CS] (any vector, read by linear
//      position); L = floor(numel / 2)
// Outputs:
//   1 by 2 row [mean of the x values, mean of the y values], in data units
//   (NaN for a row without landmarks)
RowVec centpos(const Mat& x);

// CENTSIZE  Centroid size of each specimen: the square root of the summed
// squared distances of its landmarks from its own centroid.
//
// Inputs:
//   x  N by K specimen rows, L = floor(K / 2) landmarks each; the rows need
//      not be centred and a trailing extra column does not enter
// Outputs:
//   N by 1 column of centroid sizes in data units, correct to rounding at any
//   scale: rows whose squares would overflow or underflow are summed scaled
//   (infinite only when the size itself exceeds the largest double)
ColVec centsize(const Eigen::Ref<const Mat>& x);

// CENTERREF  Centred, unit-size copy of specimen rows.
//
// Inputs:
//   x  N by M rows x1 y1 ... xL yL CS with M = 2L+1
// Outputs:
//   N by M rows: landmarks centred at the origin and scaled to centroid size 1,
//   column M copied unchanged. A row of zero size becomes NaN (column M still
//   copied). With M even only L-1 landmarks are centred and the last y value is
//   copied as if it were the extra column.
Mat centerref(const Mat& x);

}  // namespace varnok::morpho
