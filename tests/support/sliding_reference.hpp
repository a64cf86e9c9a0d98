// Sliding semilandmarks computed densely from the definitions, for tests to
// compare the program's sliding with: the 2L x S tangent matrix U, the block
// diagonal bending energy B of the reference and t = -(U'BU)^-1 U'Bz.
#pragma once

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "morpho/sliding.hpp"
#include "platform/matrix/types.hpp"

namespace varnok::testing::sliding {

using Eigen::Index;
using Eigen::MatrixXd;
using Eigen::VectorXd;
using morpho::Slider;

// An outline of 4 landmarks (the ends of the axes of an ellipse) and
// `between` semilandmarks on each quarter between them, as one closed curve
// in which every point but the landmarks slides.
struct Outline {
  RowVec form;  // x1 y1 ... xL yL
  std::vector<Slider> sliders;
  Index L = 0;
};

inline Outline ellipse(int between, double a, double b, double noise, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> n(0.0, noise);
  Outline o;
  o.L = 4 * (between + 1);
  o.form.resize(2 * o.L);
  for (Index i = 0; i < o.L; ++i) {
    const double th = 2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(o.L);
    o.form(2 * i) = a * std::cos(th) + n(gen);
    o.form(2 * i + 1) = b * std::sin(th) + n(gen);
  }
  for (Index i = 0; i < o.L; ++i)
    if (i % (between + 1) != 0) o.sliders.push_back({(i + o.L - 1) % o.L, i, (i + 1) % o.L});
  return o;
}

inline MatrixXd independentBe(const RowVec& y, Index L) {
  MatrixXd m = MatrixXd::Zero(L + 3, L + 3);
  for (Index i = 0; i < L; ++i) {
    for (Index j = 0; j < L; ++j) {
      const double r2 = std::pow(y(2 * i) - y(2 * j), 2) + std::pow(y(2 * i + 1) - y(2 * j + 1), 2);
      m(i, j) = r2 > 0 ? r2 * std::log(r2) : 0.0;
    }
    m(i, L) = m(L, i) = 1;
    m(i, L + 1) = m(L + 1, i) = y(2 * i);
    m(i, L + 2) = m(L + 2, i) = y(2 * i + 1);
  }
  return m.fullPivLu().inverse().topLeftCorner(L, L);
}

inline MatrixXd tangentMatrix(const RowVec& x, const std::vector<Slider>& sliders, Index L) {
  MatrixXd u = MatrixXd::Zero(2 * L, static_cast<Index>(sliders.size()));
  for (std::size_t s = 0; s < sliders.size(); ++s) {
    const Slider& k = sliders[s];
    const double dx = x(2 * k.after) - x(2 * k.before),
                 dy = x(2 * k.after + 1) - x(2 * k.before + 1);
    const double len = std::sqrt(dx * dx + dy * dy);
    u(k.point, static_cast<Index>(s)) = dx / len;
    u(L + k.point, static_cast<Index>(s)) = dy / len;
  }
  return u;
}

inline VectorXd stacked(const RowVec& x, Index L) {
  VectorXd z(2 * L);
  for (Index i = 0; i < L; ++i) {
    z(i) = x(2 * i);
    z(L + i) = x(2 * i + 1);
  }
  return z;
}

inline MatrixXd blockDiag(const MatrixXd& be) {
  const Index L = be.rows();
  MatrixXd b = MatrixXd::Zero(2 * L, 2 * L);
  b.topLeftCorner(L, L) = be;
  b.bottomRightCorner(L, L) = be;
  return b;
}

inline double energy(const RowVec& x, const MatrixXd& be) {
  const Index L = be.rows();
  const VectorXd z = stacked(x, L);
  return z.dot(blockDiag(be) * z);
}

inline RowVec independentSlide(const RowVec& x, const RowVec& y, const std::vector<Slider>& sliders,
                               Index L) {
  const MatrixXd b = blockDiag(independentBe(y, L));
  const MatrixXd u = tangentMatrix(x, sliders, L);
  const VectorXd z = stacked(x, L);
  const VectorXd t = -(u.transpose() * b * u).colPivHouseholderQr().solve(u.transpose() * b * z);
  const VectorXd moved = z + u * t;
  RowVec out = x;
  for (Index i = 0; i < L; ++i) {
    out(2 * i) = moved(i);
    out(2 * i + 1) = moved(L + i);
  }
  return out;
}

}  // namespace varnok::testing::sliding
