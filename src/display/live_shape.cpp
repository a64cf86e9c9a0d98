#include "display/live_shape.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string_view>
#include <utility>

#include "display/deformation_actions.hpp"
#include "display/markers.hpp"
#include "display/score_plot.hpp"
#include "display/showpw5.hpp"
#include "session/controls.hpp"

namespace varnok::display {

namespace {

std::string shortNumber(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3g", v);
  return buf;
}

// A position on an axis running over span, to about a thousandth of it
// (0.0725 on a plot 0.2 wide, 12.5 on one 50 wide).
std::string positionText(double v, double span) {
  int decimals = 3;
  if (span > 0 && std::isfinite(span))
    decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(span / 1000))), 0, 12);
  const double unit = std::pow(10.0, -decimals);
  if (std::abs(v) < unit / 2) v = 0;  // no "-0.0000"
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

// One line, without the runtime's prefix.
std::string oneLine(std::string text) {
  constexpr std::string_view kPrefix = "Run-time Error: ";
  if (text.rfind(kPrefix, 0) == 0) text.erase(0, kPrefix.size());
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

// The inset as every preview starts it: empty, white, the axes leaving room
// for a title and the tick labels.
void resetInset(graphics::Figure& inset) {
  auto& ax = inset.axes();
  ax.hold(false);
  ax.newPlot();
  inset.color = {1, 1, 1};
  ax.color = {1, 1, 1};
  ax.units = "normalized";
  ax.position = {0.16, 0.12, 0.8, 0.76};
  inset.touch();
}

// Grid steps across a plot box of w x h pixels: the whole grid is steps + 6
// lines across, of which the box shows those over the form, about steps
// and a quarter; a line about every 25 pixels of the shorter side.
double gridStepsFor(double w, double h) {
  constexpr double kMostSteps = kLiveShapeMaxGridLines - 6;
  if (!(w > 0 && h > 0)) return kMostSteps;
  return std::clamp(std::floor(std::min(w, h) / 25), 1.0, kMostSteps);
}

// The grid of a deformation picture runs several of its steps beyond the
// form, and an inset can afford only a few wide steps, so the whole grid
// would leave the form small in its middle. The inset looks at the form
// instead: its landmarks, links, curves and outline with a margin of a
// quarter of their extent, and the grid runs on out of the box.
void zoomToForm(graphics::Axes& ax) {
  double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
  for (const auto& c : ax.children()) {
    const auto* l = dynamic_cast<const graphics::Line*>(c.get());
    if (l == nullptr) continue;
    const bool form =
        l->marker != 0 || l->tag == kLinkTag || l->tag == kCurveTag || l->tag == kOutlineTag;
    if (!form) continue;
    const auto xs = l->xdata().vector(), ys = l->ydata().vector();
    for (std::size_t i = 0; i < xs.size() && i < ys.size(); ++i) {
      if (!std::isfinite(xs[i]) || !std::isfinite(ys[i])) continue;
      x0 = std::min(x0, xs[i]), x1 = std::max(x1, xs[i]);
      y0 = std::min(y0, ys[i]), y1 = std::max(y1, ys[i]);
    }
  }
  const double margin = 0.25 * std::max(x1 - x0, y1 - y0);
  if (!(std::isfinite(margin) && margin > 0)) return;
  ax.setLimits({x0 - margin, x1 + margin, y0 - margin, y1 + margin});
}

}  // namespace

double liveShapeGridSteps(const graphics::Figure& inset) {
  const auto size = inset.sizePx();
  const auto& box = inset.axes().position;
  return gridStepsFor(size[0] * box[2], size[1] * box[3]);
}

std::string liveShape(const session::AnalysisState& s, window::Window& w, graphics::Figure& inset,
                      double x, double y, const Wireframe& wire, const std::vector<double>& flipped,
                      const OutlineSource& outline) {
  resetInset(inset);
  auto refuse = [&inset](std::string why) {
    resetInset(inset);
    return oneLine(std::move(why));
  };
  const graphics::Axes& plot = w.figure().axes();
  const auto shown = scorePlotAxes(plot);
  if (!shown) return kLiveShapeNeedsScorePlot;
  const graphics::Limits lim = plot.limits();
  if (!(x >= lim[0] && x <= lim[1] && y >= lim[2] && y <= lim[3])) return kLiveShapeNeedsScorePlot;

  try {
    const auto t1 = session::boxNumber(w, "XBox");
    const auto t2 = session::boxNumber(w, "YBox");
    if (t1 && t2 && (*t1 != (*shown)[0] || *t2 != (*shown)[1]))
      return "The plot shows axes " + shortNumber((*shown)[0]) + " and " +
             shortNumber((*shown)[1]) + ": press Show Score Plot for axes " + shortNumber(*t1) +
             " and " + shortNumber(*t2);
    RequestRead read = readMarkerRequestAt(s, w, x, y, flipped);
    if (!read.request) return oneLine(read.refusal);  // nothing drawn yet
    DeformationRequest& r = *read.request;
    // A preview asks nothing: no grid trimming, and instead of the rotation
    // dialog the reference angle, as with RotateRequest off. Vectors added
    // to the picture shown (type 5) turn by defangle without asking, as
    // they would.
    r.style.trimreq = 0;
    r.wire = wire;
    r.outline = carryOutline(outline, r.reference);
    // The density of the main picture would fill a small inset with lines.
    r.npts = std::min(r.npts, liveShapeGridSteps(inset));
    if (r.picture != PictureType::VectorsToTarget) r.orientation.rotateRequest = 0;
    const DeformationResult out = renderDeformation(r, {inset.axes(), nullptr, nullptr});
    if (!out.refusal.empty()) return refuse(out.refusal);
    zoomToForm(inset.axes());
  } catch (const std::exception& e) {
    return refuse(e.what());
  }
  inset.axes().setTitle("Shape at (" + positionText(x, lim[1] - lim[0]) + ", " +
                        positionText(y, lim[3] - lim[2]) + ")");
  return {};
}

}  // namespace varnok::display
