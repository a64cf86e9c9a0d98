// Scree plots and the test of distinct eigenvalues: help the user judge how
// many principal axes carry structure. They read Dmatrix, NumPCA and DATA and
// change no analysis state.
#pragma once

#include <vector>

#include "session/action_context.hpp"

namespace varnok::analysis {

// SCREEPLOT  Draws the eigenvalues, largest first, against their rank 1..V
// with "ko", titled "Scree Plot-Raw Eigenvalues".
void ScreePlot(session::ActionContext& ctx);

// SCREEPERCENTAGES  As ScreePlot, with the eigenvalues as percentages of
// their sum, titled "Scree Plot as Percentage of Variance".
void ScreePercentages(session::ActionContext& ctx);

// CHECKSIG  Tests the adjacent pairs of eigenvalues, largest first, for
// equality and shows how many leading eigenvalues are distinct in a message
// box titled "Test for significantly different PCAs".
void CheckSig(session::ActionContext& ctx);

// The count CheckSig reports.
//
// Inputs:
//   escore  the V eigenvalues, largest first
//   N       number of specimens
// Outputs:
//   k - 1 for the first pair (k, k+1) whose statistic checkpcaRoot(L_k,
//   L_k+1, N - 1) is 5.99 or less (the upper 5 % point of chi-square with 2
//   degrees of freedom). When no pair before (V-1, V) is found equal, the
//   pairs run out after (V-1, V) and the count is V - 2 whatever that pair
//   gives; V = 1 gives -1.
//   A negative eigenvalue is rounding noise of a zero eigenvalue and is taken
//   as 0: next to a positive one the statistic is infinite (distinct), as for
//   a true zero; two of them give no number and end the test (not distinct).
//
// Reference: Anderson (1963), asymptotic test of equal roots of a covariance
// matrix, as used for principal components in morphometrics.
int distinctEigenvalues(const std::vector<double>& escore, double N);

}  // namespace varnok::analysis
