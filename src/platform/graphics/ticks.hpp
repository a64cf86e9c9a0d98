// Tick steps, automatic limits and tick labels.
//
// Steps are 1, 2 or 5 times a power of ten. A tick value is computed from its
// integer index and the step's mantissa and exponent, never by adding steps,
// so ticks land on the decimal values they stand for and print as "0.3", not
// "0.30000000000000004".
#pragma once

#include <array>
#include <string>
#include <vector>

namespace varnok::graphics {

struct TickStep {
  int mantissa = 1;  // 1, 2 or 5
  int exponent = 0;  // power of ten
  double value() const;
  // The i-th multiple of the step, i * mantissa * 10^exponent, correctly
  // rounded for negative exponents.
  double at(long long i) const;
};

// The smallest step of the 1-2-5 sequence that is at least raw (> 0, finite).
TickStep niceStepAtLeast(double raw);
// The next larger step of the sequence (1 -> 2 -> 5 -> 10).
TickStep nextStep(TickStep s);

// Automatic limits for the data range [lo, hi] of one axis: rounded outward
// to multiples of a nice step (about five intervals). A single value gets a
// range of one order of magnitude on each side ([-1, 1] around zero).
std::array<double, 2> niceLimits(double lo, double hi);

// The tick values of step s inside [lo, hi] (a tiny tolerance keeps ends that
// are multiples of the step despite rounding).
std::vector<double> tickValues(double lo, double hi, TickStep s);

// The power of ten factored out of the tick labels for very large or very
// small values (shown once as "x10^k" beside the axis), or 0 for none.
int tickLabelExponent(const std::vector<double>& ticks, TickStep s);
// The label of one tick: as many decimals as the step needs, "0" for zero,
// with the value divided by 10^scaleExponent.
std::string tickLabel(double v, TickStep s, int scaleExponent);

}  // namespace varnok::graphics
