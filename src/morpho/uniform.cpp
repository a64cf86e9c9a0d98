#include "morpho/uniform.hpp"

#include <cmath>
#include <numbers>

#include "morpho/detail.hpp"
#include "morpho/vertxy.hpp"

namespace varnok::morpho {

using detail::Index;

RowVec uniparmproc(const Mat& yref) {
  const Index n = yref.cols();
  double alpha = 0.0, gamma = 0.0;
  for (Index k = 0; k + 1 < n; k += 2) {
    const double v = detail::at(yref, k);
    alpha += v * v;
  }
  for (Index k = 1; k + 1 < n; k += 2) {
    const double v = detail::at(yref, k);
    gamma += v * v;
  }
  RowVec r(2);
  r << alpha, gamma;
  return r;
}

RowVec formrotate(const Mat& x, double theta) {
  const double c = std::cos(theta), s = std::sin(theta);
  const Mat v = vertxy(x);
  Mat turned(v.cols(), 2);
  for (Index i = 0; i < v.cols(); ++i) {
    turned(i, 0) = c * v(0, i) - s * v(1, i);
    turned(i, 1) = s * v(0, i) + c * v(1, i);
  }
  if (x.size() == 0) detail::throwIndexExceeds();
  return xyfromvert(turned, detail::at(x, x.size() - 1));
}

double principalAxesAngle(const Mat& xref, Index L) {
  if (xref.size() < 2 * L) detail::throwIndexExceeds();
  double sxx = 0.0, syy = 0.0, sxy = 0.0;
  for (Index j = 0; j < L; ++j) {
    const double x = detail::at(xref, 2 * j), y = detail::at(xref, 2 * j + 1);
    sxx += x * x;
    syy += y * y;
    sxy += x * y;
  }
  constexpr double pi = std::numbers::pi;
  double theta;
  if (sxx - syy != 0.0) {
    theta = 0.5 * std::atan(-2.0 * sxy / (sxx - syy));
  } else {
    // Equal sums of squares: any axis is principal only when Sxy is 0 too;
    // otherwise the axes lie on the diagonals, the limit of the formula above.
    theta = sxy != 0.0 ? pi / 4.0 : pi / 2.0;
  }
  while (theta > pi / 4.0) theta -= pi / 2.0;
  while (theta <= -pi / 4.0) theta += pi / 2.0;
  return theta;
}

Mat uniformDirections(const Mat& xref, Index L) {
  const RowVec ref = detail::linear(xref);
  if (ref.size() < 2 * L) detail::throwIndexExceeds();
  const double theta = principalAxesAngle(xref, L);

  // The reference in its principal-axes frame.
  const double c = std::cos(theta), s = std::sin(theta);
  RowVec xp(2 * L);
  for (Index j = 0; j < L; ++j) {
    const double x = ref(2 * j), y = ref(2 * j + 1);
    xp(2 * j) = c * x - s * y;
    xp(2 * j + 1) = s * x + c * y;
  }
  double alpha = 0.0, gamma = 0.0;
  for (Index j = 0; j < L; ++j) {
    alpha += xp(2 * j) * xp(2 * j);
    gamma += xp(2 * j + 1) * xp(2 * j + 1);
  }
  const double ag = std::sqrt(alpha / gamma), ga = std::sqrt(gamma / alpha);

  // Deform, turn back by -theta, subtract the reference, scale to unit length.
  const double cb = std::cos(-theta), sb = std::sin(-theta);
  Mat dirs(2, 2 * L);
  for (int k = 0; k < 2; ++k) {
    double norm2 = 0.0;
    for (Index j = 0; j < L; ++j) {
      const double x = xp(2 * j), y = xp(2 * j + 1);
      const double ux = k == 0 ? y * ag : -x * ga;
      const double uy = k == 0 ? x * ga : y * ag;
      const double dx = x + kUniformStep * ux, dy = y + kUniformStep * uy;
      const double bx = cb * dx - sb * dy - ref(2 * j);
      const double by = sb * dx + cb * dy - ref(2 * j + 1);
      dirs(k, 2 * j) = bx;
      dirs(k, 2 * j + 1) = by;
      norm2 += bx * bx + by * by;
    }
    dirs.row(k) /= std::sqrt(norm2);
  }
  return dirs;
}

Mat UniArbitrary(const Mat& xref) {
  Mat rounded = xref;
  for (Index k = 0; k < rounded.size(); ++k) {
    double& v = rounded.data()[k];
    v = std::round(10000.0 * v) / 10000.0;
  }
  const Index L = (xref.size() - 1) / 2;
  return uniformDirections(rounded, L);
}

}  // namespace varnok::morpho
