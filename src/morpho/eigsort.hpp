// eigsort: eigenpairs in descending order of eigenvalue.
#pragma once

#include "platform/matrix/types.hpp"

namespace varnok::morpho {

struct EigSorted {
  Mat VR;  // the columns of V reordered
  Mat DR;  // m by n diagonal matrix of the reordered eigenvalues
};

// EIGSORT  Reorder eigenvectors by descending eigenvalue.
//
// The sort key is bigD - D(i,i) with bigD the largest element of D, sorted
// ascending and stably, so equal keys keep their input order.
//
// Inputs:
//   V  eigenvectors as columns, at least n of them
//   D  m by n matrix whose diagonal holds the eigenvalues (m at least n)
// Outputs:
//   VR  V(:, order); DR  m by n zeros with DR(i,i) = D(order(i), order(i)).
//   A NaN eigenvalue sorts last.
// Throws RuntimeError when D has fewer rows than columns or V fewer columns
// than D.
EigSorted eigsort(const Mat& V, const Mat& D);

}  // namespace varnok::morpho
