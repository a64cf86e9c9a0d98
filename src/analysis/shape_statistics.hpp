// Statistics on the shape variables: do the groups differ in shape
// (Procrustes ANOVA and the distances between group means), how much of the
// shape variation goes with size (regression on log centroid size), and
// which specimens lie far from the mean shape.
//
// Inputs throughout: W, the N by V shape variables (pwscores without its
// last column), one specimen per row. The rows are tangent coordinates in an
// orthonormal basis, so squared Euclidean distances between rows are squared
// Procrustes distances and every sum of squares below is in squared
// Procrustes distance units (the units of the fitted specimens, of centroid
// size 1). x is ln CS, the natural logarithm of the centroid size (the last
// column of pwscores). w̄ is the mean row, w̄_g the mean row of group g.
//
// Every routine checks its inputs first and throws RuntimeError with a
// message for the user before computing anything; permutation tests also
// throw RuntimeError("Cancelled.") when the progress is cancelled. Nothing
// here keeps state: the results are returned whole or not at all.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/permutation.hpp"
#include "platform/matrix/progress.hpp"
#include "platform/matrix/types.hpp"

namespace varnok::analysis {

// The specimens' groups.
struct Groups {
  std::vector<int> codes;           // the k distinct codes, ascending
  std::vector<int> index;           // N entries: each specimen's group, 0 .. k-1 into codes
  std::vector<Eigen::Index> sizes;  // k entries: n_g
  int count() const { return static_cast<int>(codes.size()); }
  Eigen::Index specimens() const { return static_cast<Eigen::Index>(index.size()); }
};

// Groups of the codes, one per specimen in specimen order (any ints).
Groups groupsFromCodes(const std::vector<int>& codes);
// Groups of a group list as the analysis stores it (GLIST, N by 1 doubles).
// Throws RuntimeError for a list that is not one column of whole numbers.
Groups groupsFromColumn(const Mat& glist);

// ---------------------------------------------------------------------------
// Procrustes ANOVA of shape on groups, and the pairwise mean differences.
//
// SS_total = sum_i ||w_i - w̄||², SS_groups = sum_g n_g ||w̄_g - w̄||²,
// SS_resid = SS_total - SS_groups; df1 = k - 1, df2 = N - k;
// MS = SS / df; R² = SS_groups / SS_total; F = MS_groups / MS_resid
// (Goodall's F, infinite when SS_resid is 0, NaN when SS_total is 0).
// pParam is the upper tail of F(df1 V, df2 V) at F. pPerm counts F* over the
// group codes permuted among the specimens; the pairwise distances
// d_ab = ||w̄_a - w̄_b|| are tested on the same rearrangements.
struct PairwiseDistance {
  int a = 0, b = 0;  // group codes, a < b
  double D = 0;      // Procrustes distance between the group means
  double pPerm = 1;
};

struct ShapeAnova {
  Eigen::Index N = 0, V = 0;
  int k = 0;
  double ssGroups = 0, ssResid = 0, ssTotal = 0;
  double df1 = 0, df2 = 0;
  double msGroups = 0, msResid = 0;
  double R2 = 0, F = 0;
  double pParam = 1, pPerm = 1;
  long permutations = 0;
  std::uint64_t seed = 0;
  std::vector<PairwiseDistance> pairs;  // (1,2), (1,3), ..., (2,3), ... by code
};

// Inputs: W N by V; groups of N specimens. Throws RuntimeError for fewer than
// 2 groups, N <= k, a W whose rows do not match the groups, or values that
// are not finite.
ShapeAnova shapeAnova(const Mat& W, const Groups& groups, const PermutationOptions& options = {},
                      Progress& progress = noProgress());

// ---------------------------------------------------------------------------
// Multivariate regression of shape on log centroid size.
//
// x̄ the mean of x; b = sum_i (x_i - x̄)(w_i - w̄) / sum_i (x_i - x̄)², a
// V-vector of shape change per unit of ln CS; SS_pred = sum_i ||(x_i - x̄) b||²;
// R² = SS_pred / SS_total; F = SS_pred / (SS_resid / df2), df2 = N - 2;
// pPerm with x permuted among the specimens. Score s_i = (w_i - w̄) · b / ||b||.
// Pooled within groups: x and w centred on their group means first, x
// permuted within the groups, df2 = N - k - 1.
struct ShapeRegression {
  bool pooled = false;
  Eigen::Index N = 0, V = 0;
  RowVec b;  // 1 by V
  double ssPred = 0, ssResid = 0, ssTotal = 0;
  double df1 = 1, df2 = 0;
  double R2 = 0, F = 0;
  double pPerm = 1;
  long permutations = 0;
  std::uint64_t seed = 0;
  ColVec scores;  // N: s_i, to plot against x_i
};

// Inputs: W N by V; x N values of ln CS. Throws RuntimeError for N < 3, all
// x equal, mismatched sizes or values that are not finite.
ShapeRegression regressShapeOnSize(const Mat& W, const ColVec& x,
                                   const PermutationOptions& options = {},
                                   Progress& progress = noProgress());
// The same pooled within groups. Throws as above, and for N < k + 2 or x
// constant within every group.
ShapeRegression regressShapeOnSizeWithinGroups(const Mat& W, const ColVec& x, const Groups& groups,
                                               const PermutationOptions& options = {},
                                               Progress& progress = noProgress());

// The shape change per unit of a score s (N values): the regression vector
// sum_i (s_i - s̄)(w_i - w̄) / sum_i (s_i - s̄)², 1 by V. For the CV 1 scores
// it is the shape change along CV 1; for x it is the allometry vector b.
// Throws RuntimeError for mismatched sizes or a constant score.
RowVec shapeChangePerUnit(const Mat& W, const ColVec& s);

// ---------------------------------------------------------------------------
// Outliers: D_i = ||w_i - w̄||, the Procrustes distance of each specimen from
// the mean shape. Q1 and Q3 are the medians of the lower and upper halves of
// the sorted D_i (for odd N the halves leave out the median);
// fence = Q3 + 1.5 (Q3 - Q1).
struct Outliers {
  ColVec D;                         // N, in specimen order
  std::vector<Eigen::Index> order;  // specimens (0-based) by D, largest first
  double q1 = 0, q3 = 0, fence = 0;
  std::vector<Eigen::Index> above;  // specimens with D_i > fence, largest D first
};

// Inputs: W N by V, N >= 2. Throws RuntimeError for N < 2 or values that are
// not finite.
Outliers findOutliers(const Mat& W);

}  // namespace varnok::analysis
