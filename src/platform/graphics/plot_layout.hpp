// The layout of a drawn axes, the same for every backend: where data land in
// the picture, which ticks the axes get, where the legend goes. Texts are
// measured through TextMeasure (text_metrics.hpp).
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/graphics/figure.hpp"
#include "platform/graphics/marker_style.hpp"
#include "platform/graphics/text_metrics.hpp"
#include "platform/graphics/ticks.hpp"

namespace varnok::graphics {

// Pixel coordinates are kept within this distance of the origin: far enough
// outside any picture that clipping still cuts lines where they leave it, and
// small enough that differences of two of them never overflow.
inline constexpr double kFarPx = 1e12;

inline double farClamp(double v) {
  return std::isnan(v) ? v : std::clamp(v, -kFarPx, kFarPx);
}

// The colour bar right of the plot box: the gap before it and its width.
inline constexpr double kColorBarGapPx = 12;
inline constexpr double kColorBarWidthPx = 14;

// Maps data coordinates to user units (pixels, y downwards). Data that are
// not finite map to NaN (a gap); the arithmetic works on halves so limits
// and data anywhere in the range of doubles cannot overflow it.
struct Frame {
  double bx = 0, by = 0, bw = 0, bh = 0;  // plot box, top left origin
  double width = 0;                       // of the whole picture
  Limits lim{0, 1, 0, 1};
  double hx = 1, hy = 1;  // pixels per half data unit
  double px(double x) const {
    if (!std::isfinite(x)) return std::numeric_limits<double>::quiet_NaN();
    return farClamp(bx + (0.5 * x - 0.5 * lim[0]) * hx);
  }
  double py(double y) const {
    if (!std::isfinite(y)) return std::numeric_limits<double>::quiet_NaN();
    return farClamp(by + bh - (0.5 * y - 0.5 * lim[2]) * hy);
  }
  // Data units to pixels for a length (arrow heads and the like).
  double lengthX(double d) const { return farClamp(0.5 * d * hx); }
  double lengthY(double d) const { return farClamp(0.5 * d * hy); }
  bool contains(double ux, double uy, double tol) const {
    return ux >= bx - tol && ux <= bx + bw + tol && uy >= by - tol && uy <= by + bh + tol;
  }
};

// The frame of the figure's axes drawn at width x height.
Frame makeFrame(const Figure& fig, double width, double height);

struct AxisTicks {
  TickStep step;
  std::vector<double> values;
  std::vector<std::string> labels;
  int exponent = 0;
};

// Ticks for [lo, hi] drawn over lengthPx: the finest 1-2-5 step whose labels
// do not crowd each other, or a slightly coarser one that puts ticks on both
// ends of the axis. m measures in the tick labels' font.
AxisTicks chooseTicks(const TextMeasure& m, double lo, double hi, double lengthPx, bool horizontal);

struct LegendRow {
  std::string label;
  MarkerStyle style;
};

// The legend's rows: each entry whose line is still there and shown, with
// the look its markers are drawn in now.
std::vector<LegendRow> legendRows(const Axes& ax);

// Top left corners of a box w x h in the corners of the plot box of f, inset
// from its edges: top right, top left, bottom right, bottom left.
using Corners = std::array<std::array<double, 2>, 4>;

Corners cornersFor(const Frame& f, double inset, double w, double h);

// How many drawn points a box w x h at each of corners would cover.
std::array<std::size_t, 4> pointsCovered(const Frame& f, const Axes& ax, const Corners& corners,
                                         double w, double h);

// The legend box [left top width height] for the rows in the plot box of
// f: in the corner (top right, top left, bottom right, bottom left, in this
// order of preference) that covers the fewest drawn points. m measures in
// the legend's font; rowHeight and symbolWidth get the rows' height and the
// width of the markers' column. A label too wide for the plot box is
// shortened in rows, ending in an ellipsis, so the box fits inside it.
std::array<double, 4> placeLegend(const TextMeasure& m, const Frame& f, const Axes& ax,
                                  std::vector<LegendRow>& rows, double* rowHeight,
                                  double* symbolWidth);

}  // namespace varnok::graphics
