#include "platform/graphics/ticks.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace varnok::graphics {

namespace {

// 10^e exactly for the exponents that matter (|e| <= 22 are exact doubles).
double pow10(int e) {
  return std::pow(10.0, e);
}

// Relative slack for values that should be exact multiples of a step but
// carry rounding error from the data or from a division.
constexpr double kSlack = 1e-9;

}  // namespace

double TickStep::value() const {
  return at(1);
}

double TickStep::at(long long i) const {
  const double k = static_cast<double>(i) * mantissa;
  // Dividing by an exact power of ten rounds once, so 3 * 10^-1 gives the
  // double nearest 0.3 instead of 0.30000000000000004.
  return exponent >= 0 ? k * pow10(exponent) : k / pow10(-exponent);
}

TickStep niceStepAtLeast(double raw) {
  int e = static_cast<int>(std::floor(std::log10(raw)));
  double f = raw / pow10(e);
  // log10 can land one off near powers of ten.
  if (f < 1.0 - kSlack) {
    --e;
    f = raw / pow10(e);
  } else if (f >= 10.0 * (1 + kSlack)) {
    ++e;
    f = raw / pow10(e);
  }
  if (f <= 1 + kSlack) return {1, e};
  if (f <= 2 * (1 + kSlack)) return {2, e};
  if (f <= 5 * (1 + kSlack)) return {5, e};
  return {1, e + 1};
}

TickStep nextStep(TickStep s) {
  switch (s.mantissa) {
    case 1:
      return {2, s.exponent};
    case 2:
      return {5, s.exponent};
    default:
      return {1, s.exponent + 1};
  }
}

std::array<double, 2> niceLimits(double lo, double hi) {
  // Data near the ends of the range of doubles would overflow the range and
  // the rounded limits; the limits stop at +-1e306 (such data lie outside).
  constexpr double kLargest = 1e306;
  if (!std::isfinite(lo) || !std::isfinite(hi)) return {-1, 1};
  lo = std::clamp(lo, -kLargest, kLargest);
  hi = std::clamp(hi, -kLargest, kLargest);
  const double mag = std::max(std::abs(lo), std::abs(hi));
  if (!(hi - lo > 1e-12 * mag) || hi - lo <= 0) {
    const double v = 0.5 * (lo + hi);
    const double d = v == 0 ? 1.0 : pow10(static_cast<int>(std::floor(std::log10(std::abs(v)))));
    lo = v - d;
    hi = v + d;
  }
  // About five to seven intervals, like the automatic scaling of the
  // plotting tools users know.
  const TickStep s = niceStepAtLeast((hi - lo) / 7);
  const double sv = s.value();
  const auto i0 = static_cast<long long>(std::floor(lo / sv + kSlack));
  const auto i1 = static_cast<long long>(std::ceil(hi / sv - kSlack));
  return {s.at(i0), s.at(i1)};
}

std::vector<double> tickValues(double lo, double hi, TickStep s) {
  std::vector<double> out;
  const double sv = s.value();
  if (!(hi > lo) || !std::isfinite(lo) || !std::isfinite(hi)) return out;
  // Limits a few units in the last place apart, seen at the step such a
  // range gets, would need tick indices beyond any integer.
  if (!(std::abs(lo / sv) < 1e15) || !(std::abs(hi / sv) < 1e15)) return out;
  const double slack = kSlack * std::max(1.0, (hi - lo) / sv);
  const auto i0 = static_cast<long long>(std::ceil(lo / sv - slack));
  const auto i1 = static_cast<long long>(std::floor(hi / sv + slack));
  if (i1 - i0 > 1000) return out;  // a step far too small for the range
  for (long long i = i0; i <= i1; ++i) out.push_back(s.at(i));
  return out;
}

int tickLabelExponent(const std::vector<double>& ticks, TickStep /*s*/) {
  double maxAbs = 0;
  for (double t : ticks) maxAbs = std::max(maxAbs, std::abs(t));
  if (maxAbs == 0 || !std::isfinite(maxAbs)) return 0;
  const int e = static_cast<int>(std::floor(std::log10(maxAbs) + kSlack));
  return (e >= 5 || e <= -4) ? e : 0;
}

std::string tickLabel(double v, TickStep s, int scaleExponent) {
  if (std::abs(v) < 1e-6 * s.value()) return "0";
  const double scaled = scaleExponent >= 0 ? v / pow10(scaleExponent) : v * pow10(-scaleExponent);
  const int decimals = std::max(0, scaleExponent - s.exponent);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, scaled);
  std::string out = buf;
  // 0.5-steps give "1.5" and "2", not "2.0".
  if (out.find('.') != std::string::npos) {
    while (out.back() == '0') out.pop_back();
    if (out.back() == '.') out.pop_back();
  }
  return out;
}

}  // namespace varnok::graphics
