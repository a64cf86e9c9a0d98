#include "display/score_plot.hpp"

#include <cmath>

#include "display/deformation_actions.hpp"
#include "display/score_plot_overlays.hpp"
#include "platform/graphics/marker_shapes.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"
#include "session/controls.hpp"
#include "style/symbols.hpp"

namespace varnok::display {

namespace {

// The axis number in a box; the runtime's error for a text that is none.
double axisNumber(window::Window& w, const char* tag) {
  const Value v = w.control(tag).get("String");
  if (auto t = session::boxNumber(v)) return *t;
  throw RuntimeError("Run-time Error: The text \"" + v.describe() + "\" in " + tag +
                     " is not a number.");
}

// Column (0-based) of principal axis t; the runtime's index error outside 1..V.
Eigen::Index scoreColumn(double numPCA, double t, Eigen::Index columns) {
  if (auto c = session::axisColumn(numPCA, t, columns)) return *c;
  throw RuntimeError(
      "Run-time Error: Index exceeds matrix dimensions: there is no principal "
      "axis " +
      num2str(t) + ", the analysis has axes 1 to " + num2str(static_cast<double>(columns)) + ".");
}

// What the score plot reads from the window, read once at its start.
struct ScorePlotRequest {
  double xAxis = 1, yAxis = 2;  // principal axes in XBox and YBox
  bool labels = false;          // PCALabel: specimen numbers beside the points
  bool means = false;           // CentroidButton: the group means
  double xSign = 1, ySign = 1;  // AxisOnePos, AxisTwoPos unticked: the axis mirrored (-1)
};

ScorePlotRequest readScorePlotRequest(window::Window& w) {
  ScorePlotRequest r;
  r.xAxis = axisNumber(w, "XBox");
  r.yAxis = axisNumber(w, "YBox");
  r.labels = session::controlValue(w, "PCALabel") != 0;
  r.means = session::controlValue(w, "CentroidButton") != 0;
  r.xSign = session::controlValue(w, "AxisOnePos") == 0 ? -1 : 1;
  r.ySign = session::controlValue(w, "AxisTwoPos") == 0 ? -1 : 1;
  return r;
}

struct Symbol {
  graphics::Rgb color;
  char marker = 'o';
  std::string lineStyle = "none";
  double size = 6;
  graphics::ColorSpec face = graphics::ColorSpec::none();
};

Symbol symbolOf(const session::AnalysisState& s, bool useTable, Eigen::Index g,
                double sizeOverride) {
  Symbol sym;
  if (useTable) {
    if (g < 1 || g > s.codearray.rows())
      throw RuntimeError("Run-time Error: Index exceeds matrix dimensions: group code " +
                         std::to_string(g) + " has no row in the symbol code table.");
    auto row = s.codearray.row(g - 1);
    const double index = row(3);
    if (!(index >= 1 && index <= 13 && index == std::floor(index)))
      throw RuntimeError("Run-time Error: Index exceeds matrix dimensions: marker " +
                         num2str(index) + " of the 13 symbols.");
    sym.color = {row(0), row(1), row(2)};
    sym.marker = graphics::kMarkers[static_cast<int>(index) - 1];
    sym.size = row(4);
    sym.face = row(5) != 0 ? graphics::ColorSpec::of(sym.color) : graphics::ColorSpec::none();
    return sym;
  }
  if (g < 1 || g > static_cast<Eigen::Index>(s.ColorList.size()))
    throw RuntimeError("Run-time Error: Index exceeds matrix dimensions: group code " +
                       std::to_string(g) + " has no default symbol (codes 1 to 24).");
  auto style = graphics::parseLineSpec(s.ColorList[static_cast<size_t>(g - 1)]);
  sym.color = style.color.value_or(graphics::Rgb{0, 0, 0});
  sym.marker = style.marker.value_or(0);
  sym.lineStyle = style.lineStyle ? *style.lineStyle : (style.marker ? "none" : "-");
  if (sizeOverride > 0) sym.size = sizeOverride;
  return sym;
}

void plotPoint(graphics::Axes& ax, double x, double y, const Symbol& sym, double sizeAdd = 0) {
  auto& line = ax.plot({x}, {y});
  line.color = sym.color;
  line.marker = sym.marker;
  line.lineStyle = sym.lineStyle;
  line.set("MarkerSize", sym.size + sizeAdd);
  line.markerFaceColor = sym.face;
}

// The title of the axis showing principal axis t: "PC 1 (46.0 %)", the share
// of variance from percentexp as the axis boxes show it, or "PC 1" when the
// analysis has no share for it.
std::string axisTitle(const session::AnalysisState& s, double numPCA, double t) {
  const std::string name = "PC " + num2str(t);
  const Mat& pe = s.percentexp;
  const auto c = session::axisColumn(numPCA, t, pe.cols());
  if (pe.rows() < 1 || !c) return name;
  const double share = pe(0, *c);
  if (!std::isfinite(share)) return name;
  return name + " (" + sprintf("%.1f", {100 * share}) + " %)";
}

void step(session::ActionContext& ctx, const char* box, const char* partner, double delta) {
  double t = axisNumber(ctx.window, box) + delta;
  ctx.window.control(box).set("String", num2str(t));
  const Mat& pe = session::need(ctx.state.percentexp, "percentexp");
  Eigen::Index c = scoreColumn(session::need(ctx.state.NumPCA, "NumPCA"), t, pe.cols());
  ctx.window.control(partner).set("String", num2str(pe(0, c)));
}

// One legend entry per group in use, in the order of the codes, when the
// legend tells something: two groups or more, or a group with a name.
std::vector<graphics::LegendEntry> groupLegend(const session::Session& session,
                                               const std::vector<graphics::Handle>& firstPoint) {
  std::vector<graphics::LegendEntry> entries;
  bool named = false;
  for (std::size_t k = 0; k < firstPoint.size(); ++k) {
    if (firstPoint[k] == 0) continue;
    const double g = static_cast<double>(k + 1);
    entries.push_back({session.groupLabel(g), firstPoint[k], g});
    named = named || (k < session.groupNames.size() && !session.groupNames[k].empty());
  }
  if (entries.size() < 2 && !named) entries.clear();
  return entries;
}

}  // namespace

void ShowPCAAxis(session::ActionContext& ctx) {
  auto& s = ctx.state;
  auto& w = ctx.window;
  // The analysis first: without one, the hint to make it says more than a
  // control can.
  const Mat& glist = session::need(s.GLIST, "GLIST");
  const Mat& scores = session::need(s.PCAScores, "PCAScores");
  const double numPCA = session::need(s.NumPCA, "NumPCA");
  const ScorePlotRequest r = readScorePlotRequest(w);
  const double xpcan = r.xAxis, ypcan = r.yAxis;
  const bool activelabel = r.labels, activecentroid = r.means;
  const Eigen::Index N = scores.rows();
  const auto ngroups = static_cast<Eigen::Index>(glist.maxCoeff());
  // Flip Sign mirrors an axis for display, beside the axis boxes' own ticks.
  const double axisonesign = r.xSign * axisSign(ctx.session, xpcan);
  const double axistwosign = r.ySign * axisSign(ctx.session, ypcan);
  const Eigen::Index cx = scoreColumn(numPCA, xpcan, scores.cols());
  const Eigen::Index cy = scoreColumn(numPCA, ypcan, scores.cols());
  const bool useTable = s.altcode.value_or(0) != 0;
  const std::string xtitle = axisTitle(s, numPCA, xpcan), ytitle = axisTitle(s, numPCA, ypcan);

  auto& ax = w.figure().axes();
  ax.cla();
  std::vector<double> xcsum(static_cast<size_t>(std::max<Eigen::Index>(ngroups, 0)), 0.0);
  std::vector<double> ycsum(xcsum.size(), 0.0), cgcount(xcsum.size(), 0.0);

  // Symbols are looked up once per group: the same style for every member.
  // Everything is checked before the first point is drawn.
  std::vector<std::optional<Symbol>> symbols(xcsum.size());
  for (Eigen::Index i = 0; i < N; ++i) {
    const auto g = static_cast<Eigen::Index>(glist(i, 0));
    if (g < 1 || g > ngroups || static_cast<double>(g) != glist(i, 0))
      throw RuntimeError("Run-time Error: Index exceeds matrix dimensions: group code " +
                         num2str(glist(i, 0)) + " of specimen " + std::to_string(i + 1) + ".");
    auto& sym = symbols[static_cast<size_t>(g - 1)];
    if (!sym) {
      sym = symbolOf(s, useTable, g, 0);
      graphics::Line probe;
      probe.set("MarkerSize", sym->size);
    }
  }
  // Consecutive specimens of one group are drawn as one group of points.
  std::vector<double> run;
  Eigen::Index runGroup = 0;
  // The first point of each group, whose marker its legend entry shows.
  std::vector<graphics::Handle> firstPoint(xcsum.size(), 0);
  auto flush = [&] {
    if (run.empty()) return;
    const Symbol& sym = *symbols[static_cast<size_t>(runGroup - 1)];
    graphics::Line style;
    style.color = sym.color;
    style.marker = sym.marker;
    style.lineStyle = sym.lineStyle;
    style.markerSize = sym.size;
    style.markerFaceColor = sym.face;
    style.markerAlpha = N > kOpaquePointsAtMost ? kDensePointAlpha : 1.0F;
    const graphics::Handle first = ax.plotPoints(std::move(run), style);
    auto& mine = firstPoint[static_cast<size_t>(runGroup - 1)];
    if (mine == 0) mine = first;
    ax.hold(true);
    run.clear();
  };
  for (Eigen::Index i = 0; i < N; ++i) {
    const auto g = static_cast<Eigen::Index>(glist(i, 0));
    if (g != runGroup) flush();
    runGroup = g;
    run.push_back(axisonesign * scores(i, cx));
    run.push_back(axistwosign * scores(i, cy));
    xcsum[static_cast<size_t>(g - 1)] += scores(i, cx);
    ycsum[static_cast<size_t>(g - 1)] += scores(i, cy);
    cgcount[static_cast<size_t>(g - 1)] += 1;
  }
  flush();
  std::vector<GroupPoints> groups(xcsum.size());
  for (Eigen::Index i = 0; i < N; ++i) {
    auto& g = groups[static_cast<size_t>(glist(i, 0) - 1)];
    g.x.push_back(axisonesign * scores(i, cx));
    g.y.push_back(axistwosign * scores(i, cy));
  }
  for (std::size_t k = 0; k < groups.size(); ++k) {
    groups[k].code = static_cast<double>(k + 1);
    if (symbols[k]) groups[k].color = symbols[k]->color;
  }
  std::erase_if(groups, [](const GroupPoints& g) { return g.x.empty(); });
  drawGroupOverlays(ax, ctx.console, ctx.session, groups);
  // The names the data file gives, when chosen and there is one per specimen.
  const auto& ids = ctx.session.specimenIds;
  const bool byName = ctx.session.scorePlot.idLabels && ids.size() == static_cast<size_t>(N);
  if (activelabel || byName)
    for (Eigen::Index i = 0; i < N; ++i)
      ax.text(
          axisonesign * scores(i, cx), axistwosign * scores(i, cy),
          byName ? ids[static_cast<size_t>(i)] : sprintf("%3.0i", {static_cast<double>(i + 1)}));
  if (activecentroid) {
    for (Eigen::Index g = 1; g <= ngroups; ++g) {
      const auto k = static_cast<size_t>(g - 1);
      if (cgcount[k] == 0) continue;
      Symbol mean = *symbols[k];
      if (!useTable) mean.size = 12;
      plotPoint(ax, axisonesign * xcsum[k] / cgcount[k], axistwosign * ycsum[k] / cgcount[k], mean,
                useTable ? 3 : 0);
    }
  }
  if (!useTable) style::setsymbolfill(style::childrenOf(ax), 1);
  ax.axisAuto();
  ax.axisEqual();
  ax.setXLabel(xtitle);
  ax.setYLabel(ytitle);
  ax.setLegend(groupLegend(ctx.session, firstPoint));
  ax.setShowing({kScorePlotShows, {xpcan, ypcan}});
  setPictureTitle(ctx, "PC " + num2str(xpcan) + " vs PC " + num2str(ypcan));
}

std::optional<std::array<double, 2>> scorePlotAxes(const graphics::Axes& ax) {
  const auto& shows = ax.showing();
  if (shows.what != kScorePlotShows || shows.values.size() != 2) return std::nullopt;
  return std::array<double, 2>{shows.values[0], shows.values[1]};
}

void UpXAxis(session::ActionContext& ctx) {
  step(ctx, "XBox", "XBoxExp", 1);
}
void DownXAxis(session::ActionContext& ctx) {
  step(ctx, "XBox", "XBoxExp", -1);
}
void UpYAxis(session::ActionContext& ctx) {
  step(ctx, "YBox", "YBoxExp", 1);
}
void DownYAxis(session::ActionContext& ctx) {
  step(ctx, "YBox", "YBoxExp", -1);
}
void UpDisplay(session::ActionContext& ctx) {
  step(ctx, "ShowBox", "VarianceBox", 1);
}
void DownDisplay(session::ActionContext& ctx) {
  step(ctx, "ShowBox", "VarianceBox", -1);
}

}  // namespace varnok::display
