#include "analysis/pca.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/matrix/memory.hpp"
#include "platform/matrix/parallel.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::analysis {

namespace {

constexpr ::Eigen::Index kBlockRows = 4096;

}  // namespace

Mat covariance(const Eigen::Ref<const Mat>& x) {
  const ::Eigen::Index R = x.rows(), V = x.cols();
  if (R < 2)
    throw RuntimeError("Run-time Error: A covariance matrix needs at least 2 specimens, not " +
                       std::to_string(R) + ".");
  const RowVec mean = x.colwise().mean();
  // Centred rows are formed a block at a time (a centred copy of the whole
  // matrix would double the memory of a large analysis), each block's
  // product is kept, and the blocks are added in order, so the result is the
  // same whether one thread or two did the work.
  const ::Eigen::Index blocks = (R + kBlockRows - 1) / kBlockRows;
  std::vector<Eigen::MatrixXd> parts(static_cast<size_t>(blocks));
  // One centred block per worker, made once: a fresh one per block would
  // cost its allocation and the first touch of its pages every time.
  Mat centred[2];
  for (Mat& c : centred) c.resize(std::min(R, kBlockRows), V);
  forRowBlocks(R, static_cast<std::size_t>(R * V) * sizeof(double), kBlockRows, noProgress(),
               [&](::Eigen::Index b, ::Eigen::Index e, ::Eigen::Index k, int worker) {
                 auto xc = centred[worker].topRows(e - b);
                 xc = x.middleRows(b, e - b).rowwise() - mean;
                 auto& part = parts[static_cast<size_t>(k)];
                 part.noalias() = xc.transpose() * xc;
               });
  Eigen::MatrixXd c = Eigen::MatrixXd::Zero(V, V);
  for (const auto& part : parts) c += part;
  c /= static_cast<double>(R - 1);
  // Symmetric to the last bit, as the eigen solver expects.
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

Pca pca(const Eigen::Ref<const Mat>& pwscores, ::Eigen::Index V, ::Eigen::Index rows,
        Progress& progress, bool largestFirst) {
  if (rows <= 0 || rows > pwscores.rows()) rows = pwscores.rows();
  // Shared with the eigen step, which may outlive this call after a Cancel.
  const auto c = std::make_shared<const Mat>(covariance(pwscores.topLeftCorner(rows, V)));
  EigenPairs e = awaitStep(progress, "Principal components", [c] { return symmetricEigen(*c); });
  // Summed in ascending order either way, so the shares are the same.
  const double trace = e.values.sum();
  if (largestFirst) {
    // Turned before the scores are made, so they come out in this order.
    e.vectors.rowwise().reverseInPlace();
    e.values.reverseInPlace();
  }
  Pca p;
  p.Vmatrix = std::move(e.vectors);
  p.Dmatrix = Mat::Zero(V, V);
  p.Dmatrix.diagonal() = e.values.transpose();
  p.PCAScores.resize(pwscores.rows(), V);
  adviseLargeBlock(p.PCAScores.data(),
                   static_cast<std::size_t>(p.PCAScores.size()) * sizeof(double));
  forRowBlocks(
      pwscores.rows(), static_cast<std::size_t>(pwscores.size()) * sizeof(double), kBlockRows,
      noProgress(), [&](::Eigen::Index b, ::Eigen::Index e, ::Eigen::Index, int) {
        p.PCAScores.middleRows(b, e - b).noalias() = pwscores.block(b, 0, e - b, V) * p.Vmatrix;
      });
  p.percentexp = e.values / trace;
  p.tvar = c->trace();
  return p;
}

}  // namespace varnok::analysis
