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

// Grid steps across a plot box of w x h pixels. The picture shows the
// whole grid: steps + 6 lines across (two beyond the range on one side,
// three on the other) and, as the squares are a step wide, ceil(height of
// the range / step) + 3 lines down; the range is the plot box's shape under
// equal units, widened by expansion (the across side by 2 e, the other by
// 1.5 e). A line about every 20 pixels, and at most 12 lines a side.
double gridStepsFor(double w, double h, double expansion) {
  constexpr double kMostSteps = kLiveShapeMaxGridLines - 6;
  if (!(w > 0 && h > 0)) return kMostSteps;
  const double e = std::isfinite(expansion) ? expansion - 1 : 0;
  const double across = w * (1 + 2 * e), down = h * (1 + 1.5 * e);
  double steps = std::min(kMostSteps, w / 20 - 6);
  if (across > 0 && down > 0) steps = std::min(steps, (kLiveShapeMaxGridLines - 3) * across / down);
  return std::max(1.0, std::floor(steps));
}

}  // namespace

double liveShapeGridSteps(const graphics::Figure& inset, double rangeexpansion) {
  const auto size = inset.sizePx();
  const auto& box = inset.axes().position;
  return gridStepsFor(size[0] * box[2], size[1] * box[3], rangeexpansion);
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
    r.npts = std::min(r.npts, liveShapeGridSteps(inset, r.style.rangeexpansion));
    if (r.picture != PictureType::VectorsToTarget) r.orientation.rotateRequest = 0;
    const DeformationResult out = renderDeformation(r, {inset.axes(), nullptr, nullptr});
    if (!out.refusal.empty()) return refuse(out.refusal);
  } catch (const std::exception& e) {
    return refuse(e.what());
  }
  inset.axes().setTitle("Shape at (" + positionText(x, lim[1] - lim[0]) + ", " +
                        positionText(y, lim[3] - lim[2]) + ")");
  return {};
}

}  // namespace varnok::display
