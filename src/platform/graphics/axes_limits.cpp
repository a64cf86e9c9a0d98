#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/graphics/axes.hpp"
#include "platform/graphics/figure.hpp"
#include "platform/graphics/ticks.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::graphics {

namespace {

// Limits margin x the range beyond lo and hi; a range of (nearly) one value
// gets the rounded limits, which give it a sensible width.
std::array<double, 2> paddedLimits(double lo, double hi, double margin) {
  constexpr double kLargest = 1e306;  // as the rounded limits
  if (!std::isfinite(lo) || !std::isfinite(hi)) return niceLimits(lo, hi);
  lo = std::clamp(lo, -kLargest, kLargest);
  hi = std::clamp(hi, -kLargest, kLargest);
  const double range = hi - lo;
  if (!(range > 1e-12 * std::max(std::abs(lo), std::abs(hi)))) return niceLimits(lo, hi);
  return {lo - margin * range, hi + margin * range};
}

}  // namespace

std::optional<Limits> Axes::dataExtent() const {
  Extent e;
  for (const auto& o : children_)
    if (o->visible) o->addExtent(e);
  for (const PointGroup& g : groups_)
    for (std::size_t k = 0; k < g.styles.size(); ++k) {
      // The positions of a group never change: their extent was found once.
      const Extent& x = g.extents[k];
      if (!g.styles[k]->visible || !x.any) continue;
      e.add(x.box[0], x.box[2]);
      e.add(x.box[1], x.box[3]);
    }
  if (!e.any) return std::nullopt;
  return e.box;
}

std::array<double, 2> Axes::autoLimits(double lo, double hi) const {
  const double margin = notes_.autoMargin;
  return margin > 0 ? paddedLimits(lo, hi, margin) : niceLimits(lo, hi);
}

std::optional<Limits> Axes::extentForLimits() const {
  return (manualX_ && manualY_) ? std::nullopt : dataExtent();
}

Limits Axes::limitsFor(double boxWidthPx, double boxHeightPx) const {
  return limitsFor(boxWidthPx, boxHeightPx, extentForLimits());
}

Limits Axes::limitsFor(double boxWidthPx, double boxHeightPx,
                       const std::optional<Limits>& ext) const {
  std::array<double, 2> xl = {0, 1}, yl = {0, 1};
  if (manualX_) {
    xl = *manualX_;
  } else if (ext) {
    xl = autoLimits((*ext)[0], (*ext)[1]);
  }
  if (manualY_) {
    yl = *manualY_;
  } else if (ext) {
    yl = autoLimits((*ext)[2], (*ext)[3]);
  }
  if (equal_ && boxWidthPx > 0 && boxHeightPx > 0) {
    // Widen the range that has fewer data units per pixel, about its centre,
    // so both axes show the same units per pixel. Halves first, so manual
    // limits near the largest doubles do not overflow.
    const double ux = (0.5 * xl[1] - 0.5 * xl[0]) / boxWidthPx,
                 uy = (0.5 * yl[1] - 0.5 * yl[0]) / boxHeightPx;
    constexpr double big = std::numeric_limits<double>::max();
    if (ux > uy) {
      const double c = 0.5 * yl[0] + 0.5 * yl[1], half = ux * boxHeightPx;
      yl = {std::max(c - half, -big), std::min(c + half, big)};
    } else if (uy > ux) {
      const double c = 0.5 * xl[0] + 0.5 * xl[1], half = uy * boxWidthPx;
      xl = {std::max(c - half, -big), std::min(c + half, big)};
    }
  }
  return {xl[0], xl[1], yl[0], yl[1]};
}

void Axes::setAutoMargin(double fraction) {
  if (!std::isfinite(fraction) || fraction < 0 || fraction > 1)
    throw RuntimeError("An axis margin must be a fraction from 0 to 1, not " + num2str(fraction) +
                       ".");
  notes_.autoMargin = fraction;
  touch();
}

}  // namespace varnok::graphics
