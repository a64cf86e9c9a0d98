// The uniform (affine) component of shape change relative to a reference:
// uniparmproc, formrotate, UniArbitrary, and the construction they share.
//
// The two uniform directions are built in the reference's principal-axes
// frame, where the summed cross-products of x and y vanish: with alpha and
// gamma the sums of squared x and y there, the displacement fields
//   1: ( y sqrt(alpha/gamma),  x sqrt(gamma/alpha) )
//   2: (-x sqrt(gamma/alpha),  y sqrt(alpha/gamma) )
// are orthogonal to each other, to the reference, to its rotation and (for a
// centred reference) to the translations. The reference is deformed by 0.05
// of each field, turned back, and the difference from the reference scaled to
// unit length.
#pragma once

#include "platform/matrix/types.hpp"

namespace varnok::morpho {

// Step of the deformation along each uniform field.
inline constexpr double kUniformStep = 0.05;

// UNIPARMPROC  Sums of squares of the x and of the y values of a row.
//
// Inputs:
//   yref  1 by n row x1 y1 ... [trailing value]; the values 1:2:n-1 are x and
//         2:2:n-1 are y (1-based), so the n-th value is never used
// Outputs:
//   1 by 2 row [alpha gamma]: sum of squared x values, sum of squared y values
RowVec uniparmproc(const Mat& yref);

// FORMROTATE  Rotate a row's landmarks counter-clockwise about the origin.
//
// Inputs:
//   x      1 by n row x1 y1 ... xL yL CS (L = floor(n/2) landmarks)
//   theta  angle in radians, counter-clockwise positive
// Outputs:
//   1 by 2L+1 row of the rotated landmarks followed by the last element of x
//   (for an even n that is the last y value)
RowVec formrotate(const Mat& x, double theta);

// The principal-axes angle of a reference: the rotation (radians, in
// (-pi/4, pi/4]) that makes the summed cross-products of its x and y values
// vanish. From 0.5 atan(-2 Sxy / (Sxx - Syy)), wrapped by pi/2; when
// Sxx = Syy the answer is pi/4 if Sxy is not 0 (the limit of the formula) and
// 0 if it is.
//
// Inputs:
//   xref  reference row, the first 2L values read as x1 y1 ... xL yL
//   L     number of landmarks
double principalAxesAngle(const Mat& xref, Eigen::Index L);

// UNIFORMDIRECTIONS  The two unit uniform directions of a reference (no
// rounding of the reference; UniArbitrary rounds first).
//
// Inputs:
//   xref  reference row x1 y1 ... xL yL [CS], centred; read by linear position
//   L     number of landmarks
// Outputs:
//   2 by 2L matrix, one interleaved unit direction per row. A reference with
//   all landmarks on a line divides by zero: NaN or infinite values.
Mat uniformDirections(const Mat& xref, Eigen::Index L);

// UNIARBITRARY  The two unit uniform directions of a reference, after
// rounding every element of the reference to 4 decimals (halves away from 0).
//
// Inputs:
//   xref  1 by 2L+1 reference row x1 y1 ... xL yL CS, centred
// Outputs:
//   2 by 2L matrix: the directions as rows, unit length, orthogonal; equal to
//   those scpcoeff_arbrot scores with when the reference is already rounded
Mat UniArbitrary(const Mat& xref);

}  // namespace varnok::morpho
