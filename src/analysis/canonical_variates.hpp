// Canonical variates analysis of groups on the leading principal component
// scores, with Mahalanobis distances between the group means (tested by
// permutation) and leave-one-out classification.
//
// z_i are the scores of specimen i on the first q principal axes of the
// shape variables W (N by V, as in shape_statistics.hpp), centred on the
// mean shape. q is at most min(V, N - k - 1, the number of eigenvalues above
// 1e-10 times the largest), so that the pooled within-group covariance
// S = sum_g sum_{i in g} (z_i - z̄_g)(z_i - z̄_g)' / (N - k) can be inverted
// even with one specimen left out.
//
// Mahalanobis distance D_ab = sqrt((z̄_a - z̄_b)' S^-1 (z̄_a - z̄_b)), with a
// permutation p from the group codes permuted among the specimens, the
// group means and S recomputed for every rearrangement.
//
// Canonical variates: the eigenvectors a of S^-1 B, B = sum_g n_g (z̄_g -
// z̄)(z̄_g - z̄)', largest eigenvalue first, min(k - 1, q) of them, scaled so
// that a' S a = 1 (each CV score has pooled within-group variance 1, on
// N - k degrees of freedom) and signed so that the first group's (smallest
// code's) mean score is negative.
//
// Leave-one-out classification: each specimen in turn is left out, the group
// means and S (on N - 1 - k' degrees of freedom, k' the groups left with
// members) are recomputed without it, and it is assigned to the group whose
// mean is nearest in Mahalanobis distance (equal priors; a tie goes to the
// smaller code).
#pragma once

#include <vector>

#include "analysis/shape_statistics.hpp"

namespace varnok::analysis {

struct MahalanobisDistance {
  int a = 0, b = 0;  // group codes, a < b
  double D = 0;
  double pPerm = 1;
};

struct CanonicalVariates {
  Eigen::Index N = 0, V = 0;
  int k = 0;
  int q = 0;       // principal axes used
  Mat axes;        // V by q unit principal axes, largest eigenvalue first
  Mat groupMeans;  // k by q mean scores z̄_g (scores centred on the mean shape)
  Mat S;           // q by q pooled within-group covariance
  std::vector<MahalanobisDistance> distances;  // (1,2), (1,3), ..., (2,3), ... by code
  RowVec eigenvalues;                          // 1 by m, m = min(k - 1, q), largest first
  Mat coefficients;                            // q by m: CV scores = z · coefficients
  Mat scores;                                  // N by m CV scores
  std::vector<int> assigned;                   // N group codes from leave-one-out
  Mat confusion;                       // k by k counts: row the true group, column the assigned
  std::vector<double> percentCorrect;  // k, per true group
  double overallPercent = 0;
  long permutations = 0;
  std::uint64_t seed = 0;
};

// The largest q allowed for these data (0 when none is).
int cvaMaxAxes(const Mat& W, const Groups& groups);

// Inputs: W N by V; groups of the N specimens; q the principal axes to use
// (0 or less: the largest allowed). Throws RuntimeError for fewer than 2
// groups, N <= k + 1, a q above the largest allowed (the message names it),
// mismatched sizes or values that are not finite.
CanonicalVariates canonicalVariates(const Mat& W, const Groups& groups, int q = 0,
                                    const PermutationOptions& options = {},
                                    Progress& progress = noProgress());

}  // namespace varnok::analysis
