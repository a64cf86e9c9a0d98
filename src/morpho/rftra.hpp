// rftra: resistant-fit superimposition of one configuration onto another.
#pragma once

#include "platform/matrix/console.hpp"
#include "platform/matrix/types.hpp"

namespace varnok::morpho {

// The fitted similarity. It sends a point (x, y) of data to
// (T3 x - T4 y + T1, T4 x + T3 y + T2): scaling by scale and turning
// clockwise by rotangle, then translating.
struct ResistantFit {
  RowVec y;               // data mapped by the fit, 1 by 2L+1, trailing value of data
  double scale = 0.0;     // target size / data size
  double rotangle = 0.0;  // radians; data angle minus target angle, not wrapped
  double T1 = 0.0, T2 = 0.0, T3 = 0.0, T4 = 0.0;  // T3 = scale cos, T4 = -scale sin
};

// RFTRA  Fit data onto target by a resistant fit (repeated medians, Siegel and
// Benson 1982): scale, rotation and translation are each a median over
// landmarks of medians over landmark pairs, so a minority of strongly displaced
// landmarks does not pull the fit.
//
// Inputs:
//   data     1 by 2L+1 row x1 y1 ... xL yL CS to be fitted (read by linear position)
//   target   row in the same layout to fit onto
//   console  when not null, receives the displays "scale" and "ans" = [T1 T2 T3 T4]
// Outputs:
//   1 by 2L+1 row: data mapped by the fitted similarity, trailing value of data.
//   Coincident landmarks give infinite or zero ratios that the medians absorb;
//   with L = 1 there are no pairs and the result is NaN.
RowVec rftra(const Mat& data, const Mat& target, Console* console = nullptr);

// The same fit with its parameters (writes nothing to any console).
ResistantFit rftraFit(const Mat& data, const Mat& target);

}  // namespace varnok::morpho
