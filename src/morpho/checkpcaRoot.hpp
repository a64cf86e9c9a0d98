// checkpcaRoot: statistic for a pair of adjacent eigenvalues.
#pragma once

namespace varnok::morpho {

// CHECKPCAROOT  Test statistic of two eigenvalues being equal.
//
// Inputs:
//   L1, L2  two eigenvalues (positive)
//   n       a count formed by the caller
// Outputs:
//   n * ln((L1 + L2)^2 / (4 L1 L2)), natural logarithm: 0 when L1 = L2, growing
//   as they move apart; infinite when either is 0
double checkpcaRoot(double L1, double L2, double n);

}  // namespace varnok::morpho
