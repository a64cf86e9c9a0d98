// scpcoeff_arbrot: partial-warp and uniform scores of one specimen.
#pragma once

#include "platform/matrix/types.hpp"

namespace varnok::morpho {

// SCPCOEFF_ARBROT  Shape variables of one specimen relative to a reference:
// the projections of its x and of its y coordinates on each non-affine
// eigenvector of the reference's bending energy matrix (partial warps,
// Bookstein 1989), and the projections of its difference from the reference
// on the two unit uniform directions (see uniform.hpp).
//
// Inputs:
//   Lex   L by 2L eigen table [V D] of the reference from gettpse (only V is
//         used), pairs in descending order of bending energy
//   x     one specimen row x1 y1 ... xL yL CS (numel 2L+1), superimposed on
//         the reference; read by linear position
//   xref  the reference row, same layout, centred
// Outputs:
//   (L-2) by 2 scores: row k (k = 1..L-3) [x-score y-score] of partial warp k,
//   plain projections without eigenvalue weighting; last row [u1 u2].
//   With L = 3 only the uniform row.
// Throws RuntimeError when the table does not match the specimen's landmarks.
Mat scpcoeff_arbrot(const Mat& Lex, const Mat& x, const Mat& xref);

}  // namespace varnok::morpho
