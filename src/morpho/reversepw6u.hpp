// reversepw6u: the reference landmarks mapped through a thin-plate spline.
#pragma once

#include "platform/matrix/console.hpp"
#include "platform/matrix/types.hpp"

namespace varnok::morpho {

// REVERSEPW6U  Map each landmark of a reference by a spline displacement:
// the landmark plus the affine part plus the weighted kernel sum there.
//
// Inputs:
//   reference  1 by 2L+1 row x1 y1 ... xL yL CS
//   weight     (L+3) by 2 spline coefficients on the reference landmarks: rows
//              1..L the kernel weights, row L+1 the constant, L+2 the
//              coefficient of x, L+3 that of y; column 1 for the x
//              displacement, column 2 for the y displacement
//   console    when not null, receives the display "pwarps" (the number L)
// Outputs:
//   1 by 2L+1 row of the mapped landmarks, trailing value 1
// Throws RuntimeError when weight has fewer than L+3 rows or 2 columns.
RowVec reversepw6u(const Mat& reference, const Mat& weight, Console* console = nullptr);

}  // namespace varnok::morpho
