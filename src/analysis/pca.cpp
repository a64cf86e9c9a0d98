#include "analysis/pca.hpp"

#include <algorithm>
#include <cmath>

#include "platform/matrix/runtime_error.hpp"

namespace varnok::analysis {

Mat covariance(const Mat& x) {
  const ::Eigen::Index R = x.rows();
  if (R < 2)
    throw RuntimeError("Run-time Error: A covariance matrix needs at least 2 specimens, not " +
                       std::to_string(R) + ".");
  const RowVec mean = x.colwise().mean();
  // Centred rows are formed a block at a time: a copy of the whole matrix
  // would double the memory of a large analysis for nothing.
  constexpr ::Eigen::Index kBlock = 4096;
  Eigen::MatrixXd c = Eigen::MatrixXd::Zero(x.cols(), x.cols());
  Eigen::MatrixXd xc;
  for (::Eigen::Index r = 0; r < R; r += kBlock) {
    const ::Eigen::Index rows = std::min(kBlock, R - r);
    xc = x.middleRows(r, rows).rowwise() - mean;
    c.selfadjointView<Eigen::Lower>().rankUpdate(xc.transpose(), 1.0);
  }
  c /= static_cast<double>(R - 1);
  c.triangularView<Eigen::StrictlyUpper>() = c.transpose();
  return c;
}

EigenPairs symmetricEigen(const Mat& c) {
  Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver(Eigen::MatrixXd(c),
                                                        Eigen::ComputeEigenvectors);
  if (solver.info() != Eigen::Success)
    throw RuntimeError("Run-time Error: The eigen-decomposition did not converge.");
  EigenPairs e;
  e.vectors = solver.eigenvectors();
  e.values = solver.eigenvalues().transpose();
  for (::Eigen::Index j = 0; j < e.vectors.cols(); ++j) {
    ::Eigen::Index big = 0;
    for (::Eigen::Index i = 1; i < e.vectors.rows(); ++i)
      if (std::fabs(e.vectors(i, j)) > std::fabs(e.vectors(big, j))) big = i;
    if (e.vectors(big, j) < 0) e.vectors.col(j) *= -1.0;
  }
  return e;
}

Pca pca(const Mat& pwscores, ::Eigen::Index V, ::Eigen::Index rows) {
  if (rows <= 0 || rows > pwscores.rows()) rows = pwscores.rows();
  Mat c = covariance(pwscores.topLeftCorner(rows, V));
  EigenPairs e = symmetricEigen(c);
  Pca p;
  p.Vmatrix = std::move(e.vectors);
  p.Dmatrix = Mat::Zero(V, V);
  p.Dmatrix.diagonal() = e.values.transpose();
  p.PCAScores = pwscores.leftCols(V) * p.Vmatrix;
  const double trace = e.values.sum();
  p.percentexp = e.values / trace;
  p.tvar = c.trace();
  return p;
}

}  // namespace varnok::analysis
