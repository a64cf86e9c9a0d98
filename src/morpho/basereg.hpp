// basereg: baseline registration (Bookstein shape coordinates).
#pragma once

#include "platform/matrix/types.hpp"

namespace varnok::morpho {

// BASEREG  Register every specimen on a baseline of two landmarks: the first
// baseline landmark goes to (0,0), the second to (1,0); no reflection, so a
// landmark counter-clockwise from the baseline keeps a positive y.
//
// Inputs:
//   x   N by M specimen rows x1 y1 ... xL yL [CS] (M odd or even)
//   b1  first baseline landmark number, 1-based
//   b2  second baseline landmark number, 1-based
// Outputs:
//   N by M rows in units of the baseline length; with M odd column M is
//   copied from x. A baseline of length 0 (b1 = b2, or coincident landmarks)
//   gives NaN and infinite values.
// Throws RuntimeError when b1 or b2 is not a whole number from 1 to
// floor(M/2).
Mat basereg(const Mat& x, double b1, double b2);

}  // namespace varnok::morpho
