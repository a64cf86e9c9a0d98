#include "analysis/f_distribution.hpp"

#include <cmath>
#include <limits>
#include <string>

#include "platform/matrix/runtime_error.hpp"

namespace varnok::analysis {

namespace {

// The continued fraction of I_x(a, b) (modified Lentz); it converges fast for
// x < (a + 1) / (a + b + 2), in about sqrt(max(a, b)) terms at worst.
double betaFraction(double a, double b, double x) {
  constexpr double tiny = 1e-300, eps = 1e-16;
  const double qab = a + b, qap = a + 1, qam = a - 1;
  double c = 1, d = 1 - qab * x / qap;
  if (std::fabs(d) < tiny) d = tiny;
  d = 1 / d;
  double h = d;
  const int limit = 1000 + static_cast<int>(50 * std::sqrt(std::max(a, b)));
  for (int m = 1; m <= limit; ++m) {
    const double m2 = 2.0 * m;
    double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < tiny) d = tiny;
    c = 1 + aa / c;
    if (std::fabs(c) < tiny) c = tiny;
    d = 1 / d;
    h *= d * c;
    aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < tiny) d = tiny;
    c = 1 + aa / c;
    if (std::fabs(c) < tiny) c = tiny;
    d = 1 / d;
    const double step = d * c;
    h *= step;
    if (std::fabs(step - 1) < eps) return h;
  }
  throw RuntimeError("Run-time Error: The incomplete beta function did not converge (a = " +
                     std::to_string(a) + ", b = " + std::to_string(b) + ").");
}

// x^a (1-x)^b / (a B(a, b)) times the fraction, from ln x and ln(1-x) so that
// neither x nor 1 - x is rounded near 0 or 1.
double lowerTail(double a, double b, double x, double lnx, double ln1mx) {
  const double lnBeta = std::lgamma(a) + std::lgamma(b) - std::lgamma(a + b);
  return std::exp(a * lnx + b * ln1mx - lnBeta) / a * betaFraction(a, b, x);
}

// I_x(a, b) with x given also as 1 - x (xc) and both logarithms: the tail the
// fraction serves well is computed directly, the other as its complement
// (then at least about 0.3, so nothing is lost).
double regularisedBeta(double a, double b, double x, double xc, double lnx, double ln1mx) {
  if (x <= 0) return 0;
  if (xc <= 0) return 1;
  if (x < (a + 1) / (a + b + 2)) return lowerTail(a, b, x, lnx, ln1mx);
  return 1 - lowerTail(b, a, xc, ln1mx, lnx);
}

void checkShape(double a, double b, const char* what) {
  if (!(a > 0) || !(b > 0) || !std::isfinite(a) || !std::isfinite(b))
    throw RuntimeError(std::string("Run-time Error: ") + what +
                       " must be positive finite numbers.");
}

}  // namespace

double incompleteBeta(double a, double b, double x) {
  checkShape(a, b, "The parameters of the incomplete beta function");
  if (!(x >= 0 && x <= 1))
    throw RuntimeError("Run-time Error: The incomplete beta function needs x from 0 to 1.");
  return regularisedBeta(a, b, x, 1 - x, std::log(x), std::log1p(-x));
}

double fUpperTail(double F, double d1, double d2) {
  checkShape(d1, d2, "The degrees of freedom of the F distribution");
  if (std::isnan(F)) return std::numeric_limits<double>::quiet_NaN();
  if (F <= 0) return 1;
  if (std::isinf(F)) return 0;
  // y = d2 / (d2 + d1 F) and 1 - y = d1 F / (d2 + d1 F), each without a
  // difference of nearly equal numbers.
  const double t = d1 * F, s = d2 + t;
  if (std::isinf(s)) return 0;
  const double lns = std::log(s);
  return regularisedBeta(d2 / 2, d1 / 2, d2 / s, t / s, std::log(d2) - lns, std::log(t) - lns);
}

}  // namespace varnok::analysis
