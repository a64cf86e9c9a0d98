// Tails of the beta and F distributions, for the parametric p-values of the
// shape statistics.
//
// Each tail is computed as itself (a continued fraction times its leading
// power terms, all in logarithms), never as one minus the other tail, so a
// p-value of 1e-300 keeps its leading digits instead of rounding to 0.
#pragma once

namespace varnok::analysis {

// Regularised incomplete beta function I_x(a, b) = B(x; a, b) / B(a, b).
//
// Inputs:
//   a, b  shape parameters, both > 0 and finite
//   x     in [0, 1]
// Outputs:
//   the lower tail in [0, 1], accurate to about 1e-12 relative (1e-10 when a
//   or b reach tens of thousands, where the log-gamma terms lose digits),
//   down to the smallest double; values below it underflow to 0
// Throws RuntimeError for parameters outside those ranges or NaN.
double incompleteBeta(double a, double b, double x);

// Upper tail P(X >= F) of the F distribution with (d1, d2) degrees of
// freedom, as I_y(d2/2, d1/2) with y = d2 / (d2 + d1 F).
//
// Inputs:
//   F       the statistic; F <= 0 gives 1, F = +inf gives 0, NaN gives NaN
//   d1, d2  degrees of freedom, both > 0 and finite (need not be whole)
// Throws RuntimeError for degrees of freedom outside that range.
double fUpperTail(double F, double d1, double d2);

}  // namespace varnok::analysis
