#include "morpho/tps.hpp"

#include <Eigen/Eigenvalues>
#include <cmath>

#include "morpho/detail.hpp"

namespace varnok::morpho {

using detail::Index;

double uspline(const Mat& x1, const Mat& x2) {
  if (x1.size() < 2 || x2.size() < 2) detail::throwIndexExceeds();
  if (x1.rows() != x2.rows() || x1.cols() != x2.cols()) detail::throwDimensionsAgree();
  const double dx = detail::at(x2, 0) - detail::at(x1, 0);
  const double dy = detail::at(x2, 1) - detail::at(x1, 1);
  return tpsKernel(dx * dx + dy * dy);
}

Mat gettspl(const Mat& x) {
  if (x.rows() != 2) detail::throwIndexExceeds();
  const Index n = x.cols();
  Mat L = Mat::Zero(n + 3, n + 3);
  for (Index i = 0; i < n; ++i) {
    for (Index j = i + 1; j < n; ++j) {
      const double dx = x(0, j) - x(0, i), dy = x(1, j) - x(1, i);
      L(i, j) = L(j, i) = tpsKernel(dx * dx + dy * dy);
    }
    L(i, n) = L(n, i) = 1.0;
    L(i, n + 1) = L(n + 1, i) = x(0, i);
    L(i, n + 2) = L(n + 2, i) = x(1, i);
  }
  return L;
}

double wsspline(const Mat& x, const Mat& yt, const Mat& w) {
  if (yt.rows() != 2 || yt.cols() != 1) detail::throwDimensionsAgree();
  if (x.rows() < 2 && x.cols() > 0) detail::throwIndexExceeds();
  const Index n = x.cols();
  if (w.size() < n) detail::throwIndexExceeds();
  double s = 0.0;
  for (Index i = 0; i < n; ++i) {
    const double dx = yt(0, 0) - x(0, i), dy = yt(1, 0) - x(1, i);
    s += detail::at(w, i) * tpsKernel(dx * dx + dy * dy);
  }
  return s;
}

Mat bendingEnergy(const Mat& L) {
  if (L.rows() != L.cols() || L.rows() < 3) detail::throwIndexExceeds();
  const Index n = L.rows() - 3;
  const Mat inv = L.inverse();
  return inv.topLeftCorner(n, n);
}

BendingEigen bendingEigen(const Mat& Be) {
  if (!Be.allFinite())
    throw RuntimeError("Run-time Error: Input to EIG must not contain NaN or Inf.");
  const Index n = Be.rows();
  if (n == 0) return {Mat(0, 0), ColVec(0)};
  const Eigen::MatrixXd sym = (Be + Be.transpose()) / 2.0;
  Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> es(sym);
  BendingEigen out;
  out.V.resize(n, n);
  out.d.resize(n);
  for (Index k = 0; k < n; ++k) {
    const Index src = n - 1 - k;
    out.d(k) = es.eigenvalues()(src);
    out.V.col(k) = es.eigenvectors().col(src);
    Index big = 0;
    for (Index i = 1; i < n; ++i)
      if (std::abs(out.V(i, k)) > std::abs(out.V(big, k))) big = i;
    if (n > 0 && out.V(big, k) < 0.0) out.V.col(k) *= -1.0;
  }
  return out;
}

Mat gettpse(const Mat& L) {
  BendingEigen e = bendingEigen(bendingEnergy(L));
  const Index n = e.d.size();
  // The zero eigenvalues of the affine part come out of the solver slightly
  // negative or positive; make them non-negative, vector and all.
  for (Index k = 0; k < n; ++k) {
    if (e.d(k) < 0.0) {
      e.d(k) = -e.d(k);
      e.V.col(k) *= -1.0;
    }
  }
  // Exchange sort into descending order; equal values are never swapped.
  for (Index i = 0; i + 1 < n; ++i) {
    for (Index j = i + 1; j < n; ++j) {
      if (e.d(j) > e.d(i)) {
        std::swap(e.d(i), e.d(j));
        e.V.col(i).swap(e.V.col(j));
      }
    }
  }
  Mat table = Mat::Zero(n, 2 * n);
  table.leftCols(n) = e.V;
  for (Index k = 0; k < n; ++k) table(k, n + k) = e.d(k);
  return table;
}

Eigen::Matrix2d tpsJacobian(const Mat& x, const Mat& weight, double px, double py) {
  const Index n = x.cols();
  Eigen::Matrix2d J = Eigen::Matrix2d::Identity();
  for (Index c = 0; c < 2; ++c) {
    J(c, 0) += weight(n + 1, c);
    J(c, 1) += weight(n + 2, c);
  }
  for (Index k = 0; k < n; ++k) {
    const double dx = px - x(0, k), dy = py - x(1, k);
    const double r2 = dx * dx + dy * dy;
    if (r2 == 0) continue;  // r2 ln r2 is flat at its landmark
    const double g = 2 * (std::log(r2) + 1);
    for (Index c = 0; c < 2; ++c) {
      J(c, 0) += weight(k, c) * g * dx;
      J(c, 1) += weight(k, c) * g * dy;
    }
  }
  return J;
}

Mat tpsMap(const Mat& x, const Mat& weight, const Mat& points) {
  const Index n = x.cols();
  Mat out(2, points.cols());
  for (Index j = 0; j < points.cols(); ++j) {
    const double px = points(0, j), py = points(1, j);
    for (Index c = 0; c < 2; ++c) {
      double v = (c == 0 ? px : py) + weight(n, c) + weight(n + 1, c) * px + weight(n + 2, c) * py;
      for (Index k = 0; k < n; ++k) {
        const double dx = px - x(0, k), dy = py - x(1, k);
        v += weight(k, c) * tpsKernel(dx * dx + dy * dy);
      }
      out(c, j) = v;
    }
  }
  return out;
}

}  // namespace varnok::morpho
