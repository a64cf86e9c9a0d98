// reversepwarb: a configuration rebuilt from its shape variables.
#pragma once

#include "platform/matrix/console.hpp"
#include "platform/matrix/types.hpp"

namespace varnok::morpho {

// REVERSEPWARB  Add to a reference the partial-warp directions (Bookstein
// 1989) and the uniform directions weighted by a row of shape variables.
//
// The directions are unit vectors of 2L values: partial warp k acting on x
// (eigenvector k of the reference's bending energy matrix in the x positions)
// and on y, for k = 1..L-3 in descending order of bending energy, then the two
// rows of UniArbitrary(reference). The eigenvectors come from bendingEigen
// with its sign rule, as in gettpse, so scores from getpw_arbit on the same
// reference rebuild the specimen: exactly in the directions they span, up to
// the 4-decimal rounding of the reference inside UniArbitrary.
//
// Inputs:
//   reference  1 by 2L+1 reference row x1 y1 ... xL yL CS, centred, L at least 3
//   pw         1 by 2L-3 row pw1x pw1y ... pw(L-3)x pw(L-3)y u1 u2 and one
//              trailing value (ignored)
//   console    when not null, receives the displays "xm1" and "xm2" (the two
//              uniform directions with a trailing 0)
// Outputs:
//   1 by 2L+1 row: the reference plus the weighted directions; trailing value
//   of the reference
// Throws RuntimeError when pw does not hold 2L-4 shape variables plus one
// value, or the reference's spline matrix cannot be inverted.
RowVec reversepwarb(const Mat& reference, const Mat& pw, Console* console = nullptr);

}  // namespace varnok::morpho
