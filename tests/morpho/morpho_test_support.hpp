// Helpers for the morphometric tests: landmark files, synthetic forms and the
// textbook Procrustes iteration to compare against.
#pragma once

#include <cmath>
#include <fstream>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/matrix/types.hpp"

namespace varnok::morpho::testing {

using Eigen::Index;
inline constexpr double kPi = std::numbers::pi;

// A landmark data file of the bundled examples: one specimen per line.
inline Mat readLandmarks(const std::string& name) {
  std::ifstream in(std::string(VARNOK_DATA_DIR) + "/" + name);
  std::vector<std::vector<double>> rows;
  for (std::string line; std::getline(in, line);) {
    std::istringstream ls(line);
    std::vector<double> r;
    for (double v; ls >> v;) r.push_back(v);
    if (!r.empty()) rows.push_back(r);
  }
  Mat m(static_cast<Index>(rows.size()), rows.empty() ? 0 : static_cast<Index>(rows[0].size()));
  for (Index i = 0; i < m.rows(); ++i)
    for (Index j = 0; j < m.cols(); ++j) m(i, j) = rows[i][j];
  return m;
}

inline Mat row(std::initializer_list<double> v) {
  return Eigen::Map<const Mat>(v.begin(), 1, static_cast<Index>(v.size()));
}

inline Index landmarks(const Mat& x) {
  return (x.cols() - 1) / 2;
}

// Row i turned counter-clockwise by t about the origin, scaled by s, shifted
// by (dx, dy); the trailing value kept.
inline Mat similar(const Mat& r, double t, double s = 1.0, double dx = 0.0, double dy = 0.0) {
  Mat out = r;
  for (Index j = 0; j < landmarks(r); ++j) {
    const double x = r(0, 2 * j), y = r(0, 2 * j + 1);
    out(0, 2 * j) = s * (std::cos(t) * x - std::sin(t) * y) + dx;
    out(0, 2 * j + 1) = s * (std::sin(t) * x + std::cos(t) * y) + dy;
  }
  return out;
}

// N specimens: a random base shape of L landmarks plus noise, each turned,
// scaled and shifted at random; last column a size.
inline Mat randomSample(Index N, Index L, double noise, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> g(0.0, 1.0);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  Mat base(1, 2 * L + 1);
  for (Index k = 0; k < 2 * L; ++k) base(0, k) = g(gen);
  Mat x(N, 2 * L + 1);
  for (Index i = 0; i < N; ++i) {
    Mat r = base;
    for (Index k = 0; k < 2 * L; ++k) r(0, k) += noise * g(gen);
    r(0, 2 * L) = 50.0 + 10.0 * u(gen);
    x.row(i) = similar(r, 2.0 * kPi * u(gen), 0.5 + u(gen), 10.0 * g(gen), 10.0 * g(gen));
  }
  return x;
}

// Centroid, sum of squares of the coordinates, and twice the signed area of
// the polygon through the landmarks (its sign tells a form from its mirror
// image), of row i.
inline Eigen::Vector2d centroidOf(const Mat& x, Index i = 0) {
  const Index L = landmarks(x);
  return Eigen::Map<const Eigen::Matrix<double, -1, 2, Eigen::RowMajor>>(x.row(i).data(), L, 2)
      .colwise()
      .mean();
}
inline double sumSquares(const Mat& x, Index i = 0) {
  return x.row(i).head(2 * landmarks(x)).squaredNorm();
}
inline double signedArea(const Mat& x, Index i = 0) {
  const Index L = landmarks(x);
  double a = 0.0;
  for (Index j = 0; j < L; ++j) {
    const Index k = (j + 1) % L;
    a += x(i, 2 * j) * x(i, 2 * k + 1) - x(i, 2 * k) * x(i, 2 * j + 1);
  }
  return a;
}

// The textbook fit, step by step: centre, scale, then turn in place by the
// angle atan2(st, ct).
inline void centreAndScale(Mat& x) {
  const Index L = landmarks(x);
  for (Index i = 0; i < x.rows(); ++i) {
    const Eigen::Vector2d c = centroidOf(x, i);
    for (Index j = 0; j < L; ++j) {
      x(i, 2 * j) -= c(0);
      x(i, 2 * j + 1) -= c(1);
    }
    x.row(i).head(2 * L) /= std::sqrt(sumSquares(x, i));
  }
}
inline void rotateOnto(Mat& x, Index i, const Mat& r) {
  const Index L = landmarks(x);
  double ct = 0.0, st = 0.0;
  for (Index j = 0; j < L; ++j) {
    ct += r(0, 2 * j) * x(i, 2 * j) + r(0, 2 * j + 1) * x(i, 2 * j + 1);
    st += x(i, 2 * j) * r(0, 2 * j + 1) - x(i, 2 * j + 1) * r(0, 2 * j);
  }
  x.row(i) = similar(x.row(i), std::atan2(st, ct));
}
inline Mat textbookConsensus(Mat x) {
  centreAndScale(x);
  const Index K = x.cols() - 1;
  Mat ref = x.row(0);
  for (double xd = 1.0; xd > 7.450580596923829e-10;) {
    for (Index i = 0; i < x.rows(); ++i) rotateOnto(x, i, ref);
    const Mat old = ref;
    ref = x.colwise().mean();
    ref /= ref.leftCols(K).norm();
    xd = (ref - old).leftCols(K).squaredNorm();
  }
  return ref;
}

}  // namespace varnok::morpho::testing
