// Helpers shared by the morphometric routines; not part of their interface.
//
// Rows of the landmark data are interleaved (x1 y1 ... xL yL CS). The row
// routines read their inputs by linear position, the way the matrix runtime
// indexes x(k), so a row passed as a column works the same.
#pragma once

#include <Eigen/Dense>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <exception>
#include <thread>

#include "platform/matrix/parallel.hpp"
#include "platform/matrix/progress.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/types.hpp"

namespace varnok::morpho::detail {

using Index = Eigen::Index;

// Element k (0-based) in linear order: down the columns, as the runtime counts.
inline double at(const Mat& m, Index k) {
  return m.rows() == 1 ? m(0, k) : m(k % m.rows(), k / m.rows());
}

// All elements of m in linear order, as one row.
RowVec linear(const Mat& m);

// The runtime's errors, raised where it would stop.
[[noreturn]] void throwIndexExceeds();
[[noreturn]] void throwBadSubscript();
[[noreturn]] void throwInnerDimensions();
[[noreturn]] void throwDimensionsAgree();

// A 1-based landmark number given as a double, checked as the runtime checks
// a subscript: a positive integer, at most limit.
Index landmarkIndex(double b, Index limit);

// Median of the values (mean of the two middle ones for an even count). Sorts
// the values in place. NaN for an empty set or when any value is NaN.
double medianInPlace(double* v, Index n);

// Centroid and centroid size of the L landmarks of one interleaved row.
struct Frame {
  double cx, cy, size;
};

inline Frame rowFrame(const double* p, Index L) {
  double sx = 0.0, sy = 0.0;
  for (Index j = 0; j < L; ++j) {
    sx += p[2 * j];
    sy += p[2 * j + 1];
  }
  const double cx = sx / static_cast<double>(L);
  const double cy = sy / static_cast<double>(L);
  double ss = 0.0;
  for (Index j = 0; j < L; ++j) {
    const double dx = p[2 * j] - cx, dy = p[2 * j + 1] - cy;
    ss += dx * dx + dy * dy;
  }
  return {cx, cy, std::sqrt(ss)};
}

// The least-squares fit of one row onto a reference row r: centroid, and the
// rotation divided by the centroid size, so that a landmark (x, y) goes to
// (a dx - s dy, s dx + a dy) with (dx, dy) = (x - cx, y - cy).
//
// The angle is that of the two sums ct = sum r.d and st = sum d cross r, so
// cos = ct / |(ct, st)| and sin = st / |(ct, st)| give the rotation without an
// arctangent; both sums 0 means angle 0. Scaling does not change the angle, so
// the sums are taken on the centred, unscaled coordinates. The x and y terms
// are summed separately (which lets the loop run two lanes wide) and added at
// the end; the results differ from a landmark-by-landmark sum by rounding only.
struct RowFit {
  double cx, cy, a, s;
};

inline RowFit rowFit(const double* p, const double* r, Index L) {
  double sx = 0.0, sy = 0.0;
  for (Index j = 0; j < L; ++j) {
    sx += p[2 * j];
    sy += p[2 * j + 1];
  }
  const double cx = sx / static_cast<double>(L);
  const double cy = sy / static_cast<double>(L);
  double ssx = 0.0, ssy = 0.0, ctx = 0.0, cty = 0.0, stx = 0.0, sty = 0.0;
  for (Index j = 0; j < L; ++j) {
    const double dx = p[2 * j] - cx, dy = p[2 * j + 1] - cy;
    ssx += dx * dx;
    ssy += dy * dy;
    ctx += r[2 * j] * dx;
    cty += r[2 * j + 1] * dy;
    stx += r[2 * j + 1] * dx;
    sty += r[2 * j] * dy;
  }
  const double size = std::sqrt(ssx + ssy);
  const double ct = ctx + cty, st = stx - sty;
  // The sums are of the order of the row's size times the reference's norm,
  // far from overflow, so the plain square root serves for hypot.
  const double h = std::sqrt(ct * ct + st * st);
  if (h == 0.0) return {cx, cy, 1.0 / size, 0.0};
  return {cx, cy, ct / h / size, st / h / size};
}

// Writes row p fitted by f into q: q = R (p - c) / size for the L landmarks,
// the trailing value (column M) copied.
inline void applyRowFit(const double* p, double* q, const RowFit& f, Index L, Index M) {
  const double a = f.a, s = f.s;
  for (Index j = 0; j < L; ++j) {
    const double dx = p[2 * j] - f.cx, dy = p[2 * j + 1] - f.cy;
    q[2 * j] = a * dx - s * dy;
    q[2 * j + 1] = s * dx + a * dy;
  }
  q[M - 1] = p[M - 1];
}

using varnok::forRowBlocks;
using varnok::kThreadBytes;

}  // namespace varnok::morpho::detail
