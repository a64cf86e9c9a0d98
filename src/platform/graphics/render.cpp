#include "platform/graphics/render.hpp"

#include <cmath>
#include <limits>
#include <utility>

#include "platform/graphics/cairo_backend.hpp"
#include "platform/graphics/draw.hpp"

namespace varnok::graphics {

std::size_t drawingWork(const Figure& fig) {
  std::size_t n = 0;
  fig.axes().visit(
      [&](const Object& o) {
        if (o.visible) n += pointsToDraw(o);
      },
      [&](const PointGroup& g) { n += g.size(); });
  return n;
}

void render(const Figure& fig, cairo_t* cr, double width, double height, Progress& progress) {
  render(fig, cr, width, height, RenderOptions{}, progress);
}

void render(const Figure& fig, cairo_t* cr, double width, double height,
            const RenderOptions& options) {
  render(fig, cr, width, height, options, noProgress());
}

void render(const Figure& fig, cairo_t* cr, double width, double height,
            const RenderOptions& options, Progress& progress) {
  CairoBackend b(cr);
  render(fig, b, width, height, options, progress);
}

void render(const Figure& fig, DrawingBackend& b, double width, double height,
            const RenderOptions& options, Progress& progress) {
  if (!(width > 0) || !(height > 0) || !std::isfinite(width) || !std::isfinite(height)) return;
  b.save();
  b.newPath();
  b.rectangle(0, 0, width, height);
  b.clip();
  b.setColor(options.background.value_or(fig.color));
  b.paint();

  const Frame f = makeFrame(fig, width, height);
  if (f.bw > 1 && f.bh > 1) {
    b.setColor(fig.axes().color);
    b.rectangle(f.bx, f.by, f.bw, f.bh);
    b.fill();
    WorkCounter work(progress, drawingWork(fig));
    drawChildren(b, f, fig.axes(), width, height, work);
    drawLegend(b, f, fig.axes());
    drawColorBar(b, f, fig.axes());
    drawAxesFrame(b, f, fig.axes());
    work.finish();
  }
  b.restore();
}

namespace {

// The legend box of ax drawn in the frame f, as legendBox.
std::optional<std::array<double, 4>> legendBoxIn(const Frame& f, const Axes& ax) {
  if (ax.legend().empty()) return std::nullopt;
  std::vector<LegendRow> rows = legendRows(ax);
  if (rows.empty() || !(f.bw > 1) || !(f.bh > 1)) return std::nullopt;
  // Text is measured on a scratch surface in the user units of render.
  const auto b = CairoBackend::scratch();
  selectFont(*b, kAxesFont, kLegendFontPt);
  double rowH = 0, symW = 0;
  return placeLegend(b->measure(), f, ax, rows, &rowH, &symW);
}

}  // namespace

std::optional<std::array<double, 4>> legendBox(const Figure& fig, double width, double height) {
  if (fig.axes().legend().empty()) return std::nullopt;
  return legendBoxIn(makeFrame(fig, width, height), fig.axes());
}

std::array<double, 4> plotBox(const Figure& fig, double width, double height) {
  const auto b = fig.axes().boxPx(width, height);
  return {b[0], height - b[1] - b[3], b[2], b[3]};
}

std::array<double, 2> pixelToData(const Figure& fig, double width, double height, double px,
                                  double py) {
  const Frame f = makeFrame(fig, width, height);
  return {f.lim[0] + 2 * ((px - f.bx) / f.hx), f.lim[2] + 2 * ((f.by + f.bh - py) / f.hy)};
}

std::array<double, 4> emptiestCorner(const Figure& fig, double width, double height,
                                     double boxWidth, double boxHeight, double margin) {
  const Frame f = makeFrame(fig, width, height);
  const Corners corners = cornersFor(f, margin, boxWidth, boxHeight);
  const auto covered = pointsCovered(f, fig.axes(), corners, boxWidth, boxHeight);
  const auto legend = legendBoxIn(f, fig.axes());
  auto overlaps = [&](double x0, double y0, const std::array<double, 4>& b) {
    return x0 < b[0] + b[2] && b[0] < x0 + boxWidth && y0 < b[1] + b[3] && b[1] < y0 + boxHeight;
  };
  // Hiding the legend counts more than hiding any number of points.
  std::size_t best = 0;
  std::pair<bool, std::size_t> fewest = {true, std::numeric_limits<std::size_t>::max()};
  for (std::size_t c = 0; c < corners.size(); ++c) {
    const double x0 = corners[c][0], y0 = corners[c][1];
    const std::pair<bool, std::size_t> cost = {legend && overlaps(x0, y0, *legend), covered[c]};
    if (cost < fewest) fewest = cost, best = c;
  }
  return {corners[best][0], corners[best][1], boxWidth, boxHeight};
}

}  // namespace varnok::graphics
