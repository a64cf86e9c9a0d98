// Thin-plate spline of a reference configuration and its bending energy.
//
// Kernel U(r) = r^2 ln(r^2) of the squared distance, U = 0 at r = 0; no
// constant factor such as 1/(8 pi) anywhere. The bending energy matrix is the
// upper-left L by L block of the inverse of the spline matrix; its
// eigenvectors are the principal warps (Bookstein 1989, "Principal warps:
// thin-plate splines and the decomposition of deformations").
#pragma once

#include <cmath>

#include "platform/matrix/types.hpp"

namespace varnok::morpho {

// The kernel of a squared distance r2.
inline double tpsKernel(double r2);

// USPLINE  Kernel of the distance between two points.
//
// Inputs:
//   x1, x2  two points [x y], read by linear position
// Outputs:
//   U = d^2 ln(d^2) for the squared distance d^2, 0 when the points coincide;
//   negative for distances below 1
double uspline(const Mat& x1, const Mat& x2);

// GETTSPL  Spline matrix of a set of landmarks.
//
// Inputs:
//   x  2 by n coordinate matrix (row 1 x, row 2 y, column i landmark i)
// Outputs:
//   (n+3) by (n+3) symmetric matrix [P Q; Q' 0]: P(i,j) = U(landmark i,
//   landmark j) with zero diagonal, Q = [1 x_i y_i] per landmark, 3 by 3 zero
//   block. Singular for coincident or collinear landmarks.
Mat gettspl(const Mat& x);

// WSSPLINE  Non-affine part of a spline at one point: sum of w(i) U(landmark i, yt).
//
// Inputs:
//   x   2 by n coordinate matrix of the spline's landmarks
//   yt  2 by 1 evaluation point
//   w   n weights, by position (row or column)
// Outputs:
//   the weighted kernel sum
// Throws RuntimeError when yt is not 2 by 1 or w holds fewer than n values.
double wsspline(const Mat& x, const Mat& yt, const Mat& w);

// GETTPSE  Eigenvectors and eigenvalues of the bending energy matrix.
//
// Inputs:
//   L  (n+3) by (n+3) spline matrix from gettspl
// Outputs:
//   n by 2n eigen table [V D]: V the unit eigenvectors as columns, D the
//   diagonal matrix of their eigenvalues, in descending order of eigenvalue.
//   The n-3 non-zero (bending) pairs come first; the last three belong to the
//   affine part (eigenvalue 0 up to rounding). Negative eigenvalues (rounding
//   of the zero ones) are made positive together with their vectors; then an
//   exchange sort orders the pairs, never swapping equal values. Signs of V
//   follow bendingEigen below, so scores and reconstructions agree.
// Throws RuntimeError when the inverse of L is not finite.
Mat gettpse(const Mat& L);

// The bending energy matrix: the upper-left n by n block of the inverse of a
// spline matrix. Throws RuntimeError for a matrix that is not square or has
// fewer than 3 rows.
Mat bendingEnergy(const Mat& L);

struct BendingEigen {
  Mat V;     // n by n unit eigenvectors as columns
  ColVec d;  // n eigenvalues, descending
};

// BENDINGEIGEN  The one eigen-decomposition of a bending energy matrix that
// gettpse and reversepwarb share.
//
// Be is symmetric only up to rounding: its symmetric part is decomposed by a
// self-adjoint solver and the pairs are returned in descending order of
// eigenvalue (the reverse of the solver's ascending order), so the sorts of
// both callers leave the non-affine pairs where they are.
//
// Sign rule: each eigenvector is turned so that its component of largest
// magnitude is positive (the first such component when several share that
// magnitude).
//
// Inputs:
//   Be  n by n bending energy matrix
// Outputs:
//   V, d as above
// Throws RuntimeError when Be holds a NaN or an infinite value.
BendingEigen bendingEigen(const Mat& Be);

// TPSJACOBIAN  The Jacobian of a spline's map at one point, from its
// coefficients (no differences).
//
// The map sends a point p to p + a0 + A p + sum_k w_k U(|p - x_k|^2), the
// spline of a displacement: for the kernel U(r2) = r2 ln r2 the gradient of
// U(|p - x_k|^2) is 2 (ln r2 + 1) (p - x_k), and 0 at x_k itself.
//
// Inputs:
//   x       2 by n landmarks of the spline
//   weight  (n+3) by 2: w_k in row k, then the rows a0, the x and the y
//           coefficients of the affine part, a column per coordinate
//   px, py  the point
// Outputs:
//   the 2 by 2 matrix [dfx/dx dfx/dy; dfy/dx dfy/dy]
Eigen::Matrix2d tpsJacobian(const Mat& x, const Mat& weight, double px, double py);

// TPSMAP  Points carried by a spline, from its coefficients.
//
// Inputs:
//   x       2 by n landmarks of the spline
//   weight  (n+3) by 2, as for tpsJacobian
//   points  2 by m points (x in row 0, y in row 1)
// Outputs:
//   2 by m: each point p sent to p + a0 + A p + sum_k w_k U(|p - x_k|^2), so
//   a point on landmark k goes where the spline takes that landmark
Mat tpsMap(const Mat& x, const Mat& weight, const Mat& points);

inline double tpsKernel(double r2) {
  return r2 != 0.0 ? r2 * std::log(r2) : r2;
}

}  // namespace varnok::morpho
