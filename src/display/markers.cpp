#include "display/markers.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"
#include "session/controls.hpp"

namespace varnok::display {

namespace {

constexpr const char* kMarkerTitle = "Marker Error";

struct Placed {
  int marker;
  double x, y;
};

// Draws the markers in order: the first symbol with the axes' hold state (so
// on a plot that is not held the markers start a new one, as any plot
// would), everything after it added, then the hold state put back.
void drawMarkers(graphics::Axes& ax, const std::vector<Placed>& markers) {
  const bool held = ax.held();
  for (const Placed& m : markers) {
    const char* circle = m.marker == 1 ? "ro" : "go";
    const char* face = m.marker == 1 ? "r" : "g";
    ax.plot({m.x}, {m.y}, circle, {"MarkerFaceColor", face, "MarkerSize", 6});
    ax.hold(true);
    ax.plot({m.x}, {m.y}, "k+", {"MarkerSize", 8});
  }
  ax.hold(held);
}

std::optional<Placed> stored(const session::AnalysisState& s, int marker) {
  const auto& x = marker == 1 ? s.marker1x : s.marker2x;
  const auto& y = marker == 1 ? s.marker1y : s.marker2y;
  if (!x || !y) return std::nullopt;
  return Placed{marker, *x, *y};
}

std::string notPlaced(int marker) {
  const std::string n = std::to_string(marker);
  return "Marker " + n + " has not been placed yet: place it on the score plot with Place M" + n +
         ".";
}

void place(session::ActionContext& ctx, int marker) {
  auto& w = ctx.window;
  const std::string name = "Marker " + std::to_string(marker);
  w.status("Click a point on the score plot");
  const auto click = w.dialogs().ginput();
  if (!click) {
    w.status(name + " not moved: the pick was cancelled.");
    return;
  }
  if (!std::isfinite(click->x) || !std::isfinite(click->y)) {
    w.status(name + " not moved: the point picked has no position on the plot.");
    return;
  }
  drawMarkers(w.figure().axes(), {{marker, click->x, click->y}});
  auto& s = ctx.state;
  (marker == 1 ? s.marker1x : s.marker2x) = click->x;
  (marker == 1 ? s.marker1y : s.marker2y) = click->y;
  w.status(name + " placed at (" + num2str(click->x) + ", " + num2str(click->y) + ").");
}

// The request for the point (mx, my) of the score plot, once the analysis
// is known to be there: the controls of the marker pictures and of every
// deformation picture, read and checked.
RequestRead requestAt(const session::AnalysisState& s, window::Window& w, double mx, double my,
                      const std::vector<double>& flipped) {
  auto refuse = [](std::string why) { return RequestRead{std::nullopt, std::move(why)}; };
  const Registration how = registration(session::controlValue(w, "MarkerSuperList") - 1);
  const auto ex = session::boxNumber(w, "MarkerScaleBox");
  const auto t1 = session::boxNumber(w, "XBox");
  const auto t2 = session::boxNumber(w, "YBox");
  if (!ex) return refuse("The marker scale is not a number.");
  const double V = static_cast<double>(s.Vmatrix.cols());
  for (const auto& [t, box] : {std::pair{t1, "X axis"}, std::pair{t2, "Y axis"}}) {
    if (!t) return refuse(std::string("The ") + box + " box does not hold an axis number.");
    if (!isAxis(*t, V))
      return refuse(std::string("The ") + box + " box holds axis " + num2str(*t) +
                    ", but the analysis has axes 1 to " + num2str(V) + ".");
  }
  auto read = readPictureSettings(s, w, how);
  const auto sign = [&](double t) {
    return std::find(flipped.begin(), flipped.end(), t) != flipped.end() ? -1.0 : 1.0;
  };
  if (read.request)
    read.request->pwscore =
        markerVector(s.Vmatrix, *s.NumPCA, *t1, *t2, sign(*t1) * mx, sign(*t2) * my, *ex);
  return read;
}

std::string markerTitle(const session::AnalysisState& s, MarkerPicture which) {
  if (which == MarkerPicture::Difference) return "Marker 2 - Marker 1";
  const auto m = stored(s, which == MarkerPicture::Marker1 ? 1 : 2);
  return "Marker " + std::to_string(m->marker) + " (" + sprintf("%.3f", {m->x}) + ", " +
         sprintf("%.3f", {m->y}) + ")";
}

void show(session::ActionContext& ctx, MarkerPicture which) {
  auto r = shownRefusal(
      ctx, readMarkerRequest(ctx.state, ctx.window, which, ctx.session.figures.flippedAxes));
  if (r) drawDeformation(ctx, *r, {markerTitle(ctx.state, which), std::nullopt, false});
}

}  // namespace

RowVec markerVector(const Mat& Vmatrix, double numPCA, double pcatarget1, double pcatarget2,
                    double mx, double my, double exaggeration) {
  auto loadings = [&](double t) { return Vmatrix.col(loadingColumn(Vmatrix, numPCA, t)); };
  const Eigen::VectorXd showvec = loadings(pcatarget1) * mx + loadings(pcatarget2) * my;
  const Eigen::Index V = Vmatrix.rows();
  RowVec v(V + 1);
  v.head(V) = exaggeration * showvec.transpose();
  v(V) = exaggeration;
  return v;
}

RequestRead readMarkerRequest(const session::AnalysisState& s, window::Window& w,
                              MarkerPicture which, const std::vector<double>& flipped) {
  if (auto why = notReadyToPicture(s)) return {std::nullopt, *why};
  const auto m1 = stored(s, 1);
  const auto m2 = stored(s, 2);
  if (which != MarkerPicture::Marker2 && !m1) return {std::nullopt, notPlaced(1)};
  if (which != MarkerPicture::Marker1 && !m2) return {std::nullopt, notPlaced(2)};
  switch (which) {
    case MarkerPicture::Marker1:
      return requestAt(s, w, m1->x, m1->y, flipped);
    case MarkerPicture::Marker2:
      return requestAt(s, w, m2->x, m2->y, flipped);
    case MarkerPicture::Difference:
      break;
  }
  return requestAt(s, w, m2->x - m1->x, m2->y - m1->y, flipped);
}

RequestRead readMarkerRequestAt(const session::AnalysisState& s, window::Window& w, double mx,
                                double my, const std::vector<double>& flipped) {
  if (auto why = notReadyToPicture(s)) return {std::nullopt, *why};
  return requestAt(s, w, mx, my, flipped);
}

void drawMarker(graphics::Axes& ax, int marker, double x, double y) {
  drawMarkers(ax, {{marker, x, y}});
}

void PlaceM1(session::ActionContext& ctx) {
  place(ctx, 1);
}
void PlaceM2(session::ActionContext& ctx) {
  place(ctx, 2);
}

void RestoreMarkers(session::ActionContext& ctx) {
  std::vector<Placed> markers;
  for (int m : {1, 2})
    if (auto p = stored(ctx.state, m)) markers.push_back(*p);
  if (markers.empty()) {
    ctx.window.dialogs().warn(
        "There are no markers to draw yet: place them on the score plot with Place M1 and Place "
        "M2.",
        session::refusalTitle(ctx, kMarkerTitle));
    return;
  }
  drawMarkers(ctx.window.figure().axes(), markers);
  if (markers.size() == 1) ctx.window.status(notPlaced(markers[0].marker == 1 ? 2 : 1));
}

void ShowMarker1PCA(session::ActionContext& ctx) {
  show(ctx, MarkerPicture::Marker1);
}
void ShowMarker2PCA(session::ActionContext& ctx) {
  show(ctx, MarkerPicture::Marker2);
}
void ShowMarkerDif(session::ActionContext& ctx) {
  show(ctx, MarkerPicture::Difference);
}

}  // namespace varnok::display
