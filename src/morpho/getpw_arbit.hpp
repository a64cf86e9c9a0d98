// getpw_arbit: shape variables (partial-warp and uniform scores) of specimens.
#pragma once

#include "platform/matrix/progress.hpp"
#include "platform/matrix/types.hpp"

namespace varnok::morpho {

// GETPW_ARBIT  Shape variables of every specimen relative to a reference:
// the partial-warp scores (Bookstein 1989) in descending order of bending
// energy, then the two uniform scores, then the centroid size; row i equals
// scpcoeff_arbrot(gettpse(gettspl(vertxy(xref))), x row i, xref) laid out
// as a row, up to rounding.
//
// Everything that depends only on the reference (bending energy eigenvectors,
// principal-axes angle, uniform directions) is computed once, and the scores
// of all specimens come from matrix products over blocks of rows.
//
// Inputs:
//   xref  1 by 2L+1 reference row x1 y1 ... xL yL CS, centred (the consensus
//         or a standardised reference), landmarks distinct and not collinear
//   x     N by 2L+1 specimen rows superimposed on xref (getpsup); column 2L+1
//         the centroid size
//   progress  reports rows done; a cancel throws RuntimeError("Cancelled.")
// Outputs:
//   N by 2L-3 rows pw1x pw1y ... pw(L-3)x pw(L-3)y u1 u2 CS. With L = 3 only
//   u1 u2 CS. The 2L-4 shape variables are orthonormal coordinates of the
//   fitted forms in the space left after removing the translations, the
//   reference and its rotation.
// Throws RuntimeError when L is below 3, when xref does not have L landmarks,
// or when the reference's spline matrix cannot be inverted.
Mat getpw_arbit(const Mat& xref, const Mat& x, Progress& progress = noProgress());

// The same scores without the centroid size (N by 2L-4), for N specimens of
// L landmarks laid out one after another as x1 y1 ... xL yL (an (N, L, 2)
// array in C order), read where they lie: callers holding the coordinates
// apart from the sizes need not copy them into rows first.
Mat getpw_arbit(const Mat& xref, Eigen::Index N, Eigen::Index L, const double* coords,
                Progress& progress = noProgress());

}  // namespace varnok::morpho
