// getpsup: partial Procrustes fit of every specimen onto a reference.
#pragma once

#include "platform/matrix/progress.hpp"
#include "platform/matrix/types.hpp"

namespace varnok::morpho {

// GETPSUP  Superimpose specimens onto a reference by partial Procrustes fit:
// each row is centred, scaled to unit centroid size and rotated about the
// origin by the least-squares angle onto xref (one pass, no reflection).
//
// Inputs:
//   x     N by M landmark data, M = 2L+1, rows x1 y1 ... xL yL CS
//   xref  reference row, at least M-1 values read by linear position (its
//         own trailing value is not used); it is neither centred nor scaled
//         here, and its centring matters to the angles, so pass a centred
//         reference (a consensus, or a row from refstandardize)
//   progress  reports rows done; a cancel throws RuntimeError("Cancelled.")
// Outputs:
//   N by M rows centred at the origin, of centroid size 1, rotated onto xref;
//   column M copied from x. A row of zero size becomes NaN.
// Throws RuntimeError for an even M or a reference with fewer than M-1 values.
Mat getpsup(const Mat& x, const Mat& xref, Progress& progress = noProgress());

// The same fit done in the storage of x, for callers that replace their data
// by the fitted rows (DATA = getpsup(std::move(DATA), reference)): no second
// N by M matrix is made, and no fresh memory has to be paged in. On an error
// of the arguments x is left as it was. A cancel is honoured only before the
// first row is changed; once started the fit runs to its end, so the data is
// never left half fitted.
Mat getpsup(Mat&& x, const Mat& xref, Progress& progress = noProgress());

}  // namespace varnok::morpho
