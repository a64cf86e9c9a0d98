// Principal component analysis of the shape variables.
//
// covariance: for an R by V matrix X (R >= 2), Xc' Xc / (R - 1) with Xc the
// column-centred X. symmetricEigen: eigenvalues ascending, unit eigenvectors
// as columns, each with the sign that makes its component of largest
// magnitude positive (the first such component on ties), so results do not
// depend on the solver's whims and repeat from run to run.
#pragma once

#include "platform/matrix/progress.hpp"
#include "platform/matrix/types.hpp"

namespace varnok::analysis {

Mat covariance(const Eigen::Ref<const Mat>& x);

struct EigenPairs {
  Mat vectors;    // V by V, column j belongs to values(j)
  RowVec values;  // ascending
};
EigenPairs symmetricEigen(const Mat& c);

struct Pca {
  Mat Vmatrix;      // V by V eigenvectors, ascending eigenvalues
  Mat Dmatrix;      // V by V diagonal
  Mat PCAScores;    // N by V: shape variables times Vmatrix (not centred)
  Mat percentexp;   // 1 by V shares of the total variance
  double tvar = 0;  // trace of the covariance matrix
};

// PCA of the first V columns of pwscores; the axes come from the first
// `rows` specimens (all when rows is 0), every specimen is scored. With
// largestFirst every result runs from the largest eigenvalue instead (the
// order of libraries that hand the results on), at no extra cost.
Pca pca(const Eigen::Ref<const Mat>& pwscores, ::Eigen::Index V, ::Eigen::Index rows = 0,
        Progress& progress = noProgress(), bool largestFirst = false);

}  // namespace varnok::analysis
