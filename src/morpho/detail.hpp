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
#include <limits>
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

// Sums of squares at any scale.
//
// Centroid sizes and the sums of the fit are built from squares of
// coordinates, which overflow beyond about 1e154 and underflow (lose their
// digits) below about 1e-154, although the shape such a row describes is
// perfectly ordinary. Shape does not depend on scale, so a row whose sums
// leave the safe range is worked again multiplied by a power of two g that
// brings its largest coordinate to [0.5, 1), the way hypot and LAPACK's nrm2
// scale before squaring. Multiplying by a power of two is exact, so the
// scaled row has the same shape to the last bit; on ordinary data the first,
// unscaled attempt is accepted and nothing changes at all.

// Square roots of sums of squares from kSafeRootMin up (sums from 2^-900 up)
// lost nothing that matters to underflow: a square below the smallest normal
// double is less than 2^-122 of such a sum.
inline constexpr double kSafeRootMin = 0x1p-450;

// A root of a sum of squares that needs no second, scaled attempt: not
// underflowed, not overflowed, not NaN.
inline bool safeRoot(double h) {
  return h >= kSafeRootMin && h <= std::numeric_limits<double>::max();
}

// The power of two that brings the largest magnitude among v[0..n) to
// [0.5, 1), kept within the normal doubles so that its inverse exists; 1 when
// all are zero or one is not finite (nothing to rescue).
inline double unitScale(const double* v, Index n) {
  double m = 0.0;
  for (Index k = 0; k < n; ++k) {
    const double a = std::abs(v[k]);
    if (!(a <= std::numeric_limits<double>::max())) return 1.0;
    m = std::max(m, a);
  }
  if (m == 0.0) return 1.0;
  int e = 0;
  std::frexp(m, &e);
  return std::ldexp(1.0, std::clamp(-e, -1022, 1023));
}

// The Euclidean norm of v[0..n), summed in order; rescaled when the plain sum
// over- or underflows.
inline double norm(const double* v, Index n) {
  double ss = 0.0;
  for (Index k = 0; k < n; ++k) ss += v[k] * v[k];
  const double h = std::sqrt(ss);
  if (safeRoot(h)) return h;
  const double g = unitScale(v, n);
  if (g == 1.0) return h;
  ss = 0.0;
  for (Index k = 0; k < n; ++k) {
    const double t = v[k] * g;
    ss += t * t;
  }
  return std::sqrt(ss) / g;
}

// Centroid and centroid size of the L landmarks of one interleaved row,
// taken of the row times g (1 unless the row's squares leave the range of
// doubles): cx, cy and size are g times the row's own.
struct Frame {
  double cx, cy, size, g;
  // The centroid size in the row's units (infinite when it exceeds the
  // largest double).
  double trueSize() const { return size / g; }
};

template <bool Scaled>
inline Frame rowFrameTimes(const double* p, Index L, double g) {
  auto v = [&](Index k) {
    if constexpr (Scaled)
      return p[k] * g;
    else
      return p[k];
  };
  double sx = 0.0, sy = 0.0;
  for (Index j = 0; j < L; ++j) {
    sx += v(2 * j);
    sy += v(2 * j + 1);
  }
  const double cx = sx / static_cast<double>(L);
  const double cy = sy / static_cast<double>(L);
  double ss = 0.0;
  for (Index j = 0; j < L; ++j) {
    const double dx = v(2 * j) - cx, dy = v(2 * j + 1) - cy;
    ss += dx * dx + dy * dy;
  }
  return {cx, cy, std::sqrt(ss), g};
}

inline Frame rowFrame(const double* p, Index L) {
  const Frame f = rowFrameTimes<false>(p, L, 1.0);
  if (safeRoot(f.size)) return f;
  const double g = unitScale(p, 2 * L);
  return g == 1.0 ? f : rowFrameTimes<true>(p, L, g);
}

// The least-squares fit of one row onto a reference row r: centroid, and the
// rotation divided by the centroid size, so that a landmark (x, y) goes to
// (a dx - s dy, s dx + a dy) with (dx, dy) = (g x - cx, g y - cy). g is 1
// unless the row's squares leave the range of doubles; cx, cy are then those
// of the row times g, and a, s are divided by its size, so the result is the
// same.
//
// The angle is that of the two sums ct = sum r.d and st = sum d cross r, so
// cos = ct / |(ct, st)| and sin = st / |(ct, st)| give the rotation without an
// arctangent; both sums 0 means angle 0. Scaling does not change the angle, so
// the sums are taken on the centred, unscaled coordinates. The x and y terms
// are summed separately (which lets the loop run two lanes wide) and added at
// the end; the results differ from a landmark-by-landmark sum by rounding only.
struct RowFit {
  double cx, cy, a, s, g;
};

// The fit of the row times g; ok false when a sum of squares over- or
// underflowed and the row needs a scaled attempt.
template <bool Scaled>
inline RowFit rowFitTimes(const double* p, const double* r, Index L, double g, bool& ok) {
  auto v = [&](Index k) {
    if constexpr (Scaled)
      return p[k] * g;
    else
      return p[k];
  };
  double sx = 0.0, sy = 0.0;
  for (Index j = 0; j < L; ++j) {
    sx += v(2 * j);
    sy += v(2 * j + 1);
  }
  const double cx = sx / static_cast<double>(L);
  const double cy = sy / static_cast<double>(L);
  double ssx = 0.0, ssy = 0.0, ctx = 0.0, cty = 0.0, stx = 0.0, sty = 0.0;
  for (Index j = 0; j < L; ++j) {
    const double dx = v(2 * j) - cx, dy = v(2 * j + 1) - cy;
    ssx += dx * dx;
    ssy += dy * dy;
    ctx += r[2 * j] * dx;
    cty += r[2 * j + 1] * dy;
    stx += r[2 * j + 1] * dx;
    sty += r[2 * j] * dy;
  }
  const double size = std::sqrt(ssx + ssy);
  const double ct = ctx + cty, st = stx - sty;
  double h;
  if constexpr (Scaled) {
    // The reference's own scale may still push the squares of the sums out of
    // range; hypot takes care of that.
    h = std::hypot(ct, st);
    ok = true;
  } else {
    h = std::sqrt(ct * ct + st * st);
    ok = safeRoot(size) && (safeRoot(h) || (ct == 0.0 && st == 0.0));
  }
  if (h == 0.0) return {cx, cy, 1.0 / size, 0.0, g};
  return {cx, cy, ct / h / size, st / h / size, g};
}

inline RowFit rowFit(const double* p, const double* r, Index L) {
  bool ok = false;
  const RowFit f = rowFitTimes<false>(p, r, L, 1.0, ok);
  if (ok) return f;
  return rowFitTimes<true>(p, r, L, unitScale(p, 2 * L), ok);
}

// Calls put(j, x, y) with landmark j of row p fitted by f: (x, y) = R (g p_j - c) / size.
template <class Put>
inline void eachFitted(const double* p, const RowFit& f, Index L, Put&& put) {
  const double a = f.a, s = f.s, cx = f.cx, cy = f.cy, g = f.g;
  if (g == 1.0) {
    for (Index j = 0; j < L; ++j) {
      const double dx = p[2 * j] - cx, dy = p[2 * j + 1] - cy;
      put(j, a * dx - s * dy, s * dx + a * dy);
    }
  } else {
    for (Index j = 0; j < L; ++j) {
      const double dx = p[2 * j] * g - cx, dy = p[2 * j + 1] * g - cy;
      put(j, a * dx - s * dy, s * dx + a * dy);
    }
  }
}

// Writes row p fitted by f into q, the trailing value (column M) copied.
inline void applyRowFit(const double* p, double* q, const RowFit& f, Index L, Index M) {
  eachFitted(p, f, L, [q](Index j, double x, double y) {
    q[2 * j] = x;
    q[2 * j + 1] = y;
  });
  q[M - 1] = p[M - 1];
}

using varnok::forRowBlocks;
using varnok::kThreadBytes;

}  // namespace varnok::morpho::detail
