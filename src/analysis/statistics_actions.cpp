#include "analysis/statistics_actions.hpp"

#include <algorithm>
#include <any>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "analysis/group_by.hpp"
#include "display/deformation_actions.hpp"
#include "platform/graphics/marker_shapes.hpp"
#include "platform/matrix/files.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"
#include "session/controls.hpp"

namespace varnok::analysis {

namespace {

namespace fs = std::filesystem;
using Index = Eigen::Index;

constexpr long kMaxPermutations = 1000000;
constexpr const char* kOutlierPlotShows = "outlier plot";

std::string format(const char* f, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, f, v);
  return buf;
}

// A p-value as a paper gives it: three significant digits.
std::string pText(double p) {
  return format("%.3g", p);
}

std::string permutationsText(long P) {
  return "(" + std::to_string(P) + (P == 1 ? " permutation)" : " permutations)");
}

// The shape variables W (pwscores without its last column) and the analysis's
// groups; the runtime's undefined-value error before an analysis.
struct Inputs {
  Mat W;
  ColVec lnCS;
  Groups groups;
};

Inputs readInputs(const session::AnalysisState& s) {
  if (s.pwscores.size() == 0 || s.GLIST.rows() != s.pwscores.rows())
    throw RuntimeError(std::string("Run-time Error: ") + kNeedsAnalysis);
  const Mat& pw = s.pwscores;
  const Mat& glist = s.GLIST;
  Inputs in;
  in.W = pw.leftCols(pw.cols() - 1);
  in.lnCS = pw.col(pw.cols() - 1).array().log().matrix();
  in.groups = groupsFromColumn(glist);
  return in;
}

PermutationOptions optionsOf(const session::Session& session) {
  PermutationOptions o;
  o.count = session.permutations;
  o.seed = session.permutationSeed;
  return o;
}

StatisticsResults current(const session::Session& session) {
  const auto* r = std::any_cast<StatisticsResults>(&session.statistics);
  return r ? *r : StatisticsResults{};
}

void keep(session::Session& session, StatisticsResults r) {
  session.statistics = std::move(r);
}

void openConsole(session::ActionContext& ctx) {
  ctx.console.flush();
  ctx.window.perform(window::WindowCommand::ShowConsole);
}

// --- Plots -----------------------------------------------------------------

// The symbol of group code g as the score plot draws it: the symbol code
// table's row when one is in use, else the default symbol, filled.
graphics::Line groupStyle(const session::AnalysisState& s, int g) {
  graphics::Line st;
  st.lineStyle = "none";
  if (s.altcode.value_or(0) != 0 && g >= 1 && g <= s.codearray.rows()) {
    auto row = s.codearray.row(g - 1);
    const double index = row(3);
    st.color = {row(0), row(1), row(2)};
    st.marker = index >= 1 && index <= 13 && index == std::floor(index)
                    ? graphics::kMarkers[static_cast<std::size_t>(index) - 1]
                    : 'o';
    st.markerSize = row(4) > 0 ? row(4) : 6;
    st.markerFaceColor =
        row(5) != 0 ? graphics::ColorSpec::of(st.color) : graphics::ColorSpec::none();
    return st;
  }
  const auto& colors = s.ColorList.empty() ? session::defaultColorList() : s.ColorList;
  const std::size_t at = static_cast<std::size_t>(std::max(g, 1) - 1) % colors.size();
  auto code = graphics::parseLineSpec(colors[at]);
  st.color = code.color.value_or(graphics::Rgb{0, 0, 0});
  st.marker = code.marker.value_or('o');
  st.markerFaceColor = graphics::ColorSpec::of(st.color);
  return st;
}

// One point per specimen at (x_i, y_i) in the symbol of its group, and a
// legend of the groups when there are two or more.
void plotByGroup(session::ActionContext& ctx, const std::vector<double>& x,
                 const std::vector<double>& y, const Groups& groups) {
  auto& ax = ctx.window.figure().axes();
  ax.cla();
  std::vector<graphics::LegendEntry> legend;
  for (int g = 0; g < groups.count(); ++g) {
    std::vector<double> xy;
    for (std::size_t i = 0; i < x.size(); ++i)
      if (groups.index[i] == g) xy.insert(xy.end(), {x[i], y[i]});
    if (xy.empty()) continue;
    const int code = groups.codes[static_cast<std::size_t>(g)];
    const graphics::Handle h = ax.plotPoints(std::move(xy), groupStyle(ctx.state, code));
    ax.hold(true);
    legend.push_back({ctx.session.groupLabel(code), h, static_cast<double>(code)});
  }
  if (legend.size() < 2) legend.clear();
  ax.hold(false);
  ax.axisAuto();
  ax.axisNormal();
  ax.setAutoMargin(0.05);
  ax.setLegend(std::move(legend));
}

void plotRegression(session::ActionContext& ctx, const Inputs& in, const ShapeRegression& r) {
  std::vector<double> x(in.lnCS.data(), in.lnCS.data() + in.lnCS.size());
  std::vector<double> y(r.scores.data(), r.scores.data() + r.scores.size());
  plotByGroup(ctx, x, y, in.groups);
  auto& ax = ctx.window.figure().axes();
  ax.setXLabel("ln centroid size");
  ax.setYLabel(r.pooled ? "Regression score (pooled within groups)" : "Regression score");
  ax.setTitle(r.pooled ? "Shape on log size, pooled within groups" : "Shape on log size");
}

void plotCanonicalVariates(session::ActionContext& ctx, const Groups& groups,
                           const CanonicalVariates& c) {
  const Index N = c.scores.rows();
  std::vector<double> x(static_cast<std::size_t>(N)), y(static_cast<std::size_t>(N));
  const bool one = c.scores.cols() < 2;
  for (Index i = 0; i < N; ++i) {
    x[static_cast<std::size_t>(i)] = one ? static_cast<double>(i + 1) : c.scores(i, 0);
    y[static_cast<std::size_t>(i)] = one ? c.scores(i, 0) : c.scores(i, 1);
  }
  plotByGroup(ctx, x, y, groups);
  auto& ax = ctx.window.figure().axes();
  ax.setXLabel(one ? "Specimen" : "CV 1");
  ax.setYLabel(one ? "CV 1" : "CV 2");
  ax.setTitle("Canonical variates");
  if (!one) ax.axisEqual();
}

// The label of specimen i (0-based): its name when the data file gave one,
// else its number.
std::string specimenLabel(const session::Session& session, Index i) {
  const auto at = static_cast<std::size_t>(i);
  if (at < session.specimenIds.size() && !session.specimenIds[at].empty())
    return session.specimenIds[at];
  return std::to_string(i + 1);
}

void plotOutliers(session::ActionContext& ctx, const Outliers& o) {
  auto& ax = ctx.window.figure().axes();
  ax.cla();
  const Index N = o.D.size();
  std::vector<double> xy;
  for (Index r = 0; r < N; ++r)
    xy.insert(xy.end(), {static_cast<double>(r + 1), o.D(o.order[static_cast<std::size_t>(r)])});
  graphics::Line style;
  style.lineStyle = "none";
  style.marker = 'o';
  style.color = {0, 0, 0.8};
  style.markerFaceColor = graphics::ColorSpec::of(style.color);
  ax.plotPoints(std::move(xy), style);
  ax.hold(true);
  auto& fence = ax.plot(std::vector<double>{0.5, static_cast<double>(N) + 0.5},
                        std::vector<double>{o.fence, o.fence});
  fence.color = {0.8, 0, 0};
  fence.lineStyle = "--";
  // The top ten labelled, above and below their points in turn, so that
  // neighbours of nearly equal distance do not write over each other.
  const double gap = 0.015 * (o.D.maxCoeff() - o.D.minCoeff());
  for (Index r = 0; r < std::min<Index>(N, 10); ++r) {
    const Index i = o.order[static_cast<std::size_t>(r)];
    const bool above = r % 2 == 0;
    auto& label = ax.text(static_cast<double>(r + 1), o.D(i) + (above ? gap : -gap),
                          specimenLabel(ctx.session, i));
    label.horizontalAlignment = "center";
    label.verticalAlignment = above ? "bottom" : "top";
  }
  ax.hold(false);
  ax.axisAuto();
  ax.axisNormal();
  ax.setAutoMargin(0.05);
  ax.setXLabel("Rank");
  ax.setYLabel("Procrustes distance from the mean shape");
  ax.setTitle("Outliers: fence Q3 + 1.5 (Q3 - Q1)");
  ax.setShowing({kOutlierPlotShows, {}});
}

// --- Console tables --------------------------------------------------------

// The characters of a UTF-8 text (R² is three bytes, two characters).
std::size_t characters(const std::string& s) {
  return static_cast<std::size_t>(
      std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string pad(std::string s, std::size_t width) {
  const std::size_t n = characters(s);
  if (n < width) s.insert(0, width - n, ' ');
  return s;
}

std::string leftPad(std::string s, std::size_t width) {
  const std::size_t n = characters(s);
  if (n < width) s.append(width - n, ' ');
  return s;
}

std::string ssRow(const char* term, double df, double ss, std::optional<double> ms) {
  return "  " + leftPad(term, 10) + pad(format("%.0f", df), 5) + pad(format("%.6g", ss), 14) +
         (ms ? pad(format("%.6g", *ms), 14) : std::string());
}

void printAnova(session::ActionContext& ctx, const ShapeAnova& a) {
  auto& c = ctx.console;
  c.line("Procrustes ANOVA of shape on " + groupingLabel(ctx.session) +
         ": F = " + format("%.4g", a.F) + ", R² = " + format("%.3g", a.R2) +
         ", p = " + pText(a.pPerm) + " " + permutationsText(a.permutations));
  c.line("  " + leftPad("Source", 10) + pad("df", 5) + pad("SS", 14) + pad("MS", 14) +
         pad("R²", 9) + pad("F", 11) + pad("p (perm.)", 11) + pad("p (param.)", 12));
  c.line(ssRow("group", a.df1, a.ssGroups, a.msGroups) + pad(format("%.4f", a.R2), 9) +
         pad(format("%.4f", a.F), 11) + pad(pText(a.pPerm), 11) + pad(pText(a.pParam), 12));
  c.line(ssRow("residual", a.df2, a.ssResid, a.msResid));
  c.line(ssRow("total", a.df1 + a.df2, a.ssTotal, std::nullopt));
  c.line("  (" + std::to_string(a.N) + " specimens, " + std::to_string(a.k) + " groups, " +
         std::to_string(a.V) + " shape variables; SS in squared Procrustes distance; seed " +
         std::to_string(a.seed) + ")");
  c.line("Procrustes distances between group means:");
  for (const auto& p : a.pairs)
    c.line("  " + ctx.session.groupLabel(p.a) + " - " + ctx.session.groupLabel(p.b) +
           ": d = " + format("%.5f", p.D) + ", p = " + pText(p.pPerm) + " " +
           permutationsText(a.permutations));
}

void printRegression(session::ActionContext& ctx, const ShapeRegression& r) {
  auto& c = ctx.console;
  const std::string within = ctx.session.groupedBy.empty() ? std::string("groups")
                                                           : groupingLabel(ctx.session) + " groups";
  c.line((r.pooled ? "Regression of shape on log centroid size, pooled within " + within
                   : std::string("Regression of shape on log centroid size")) +
         ": R² = " + format("%.3g", r.R2) + ", F = " + format("%.4g", r.F) +
         ", p = " + pText(r.pPerm) + " " + permutationsText(r.permutations));
  c.line("  " + leftPad("Source", 10) + pad("df", 5) + pad("SS", 14) + pad("MS", 14) +
         pad("R²", 9) + pad("F", 11) + pad("p (perm.)", 11));
  c.line(ssRow("log CS", r.df1, r.ssPred, r.ssPred / r.df1) + pad(format("%.4f", r.R2), 9) +
         pad(format("%.4f", r.F), 11) + pad(pText(r.pPerm), 11));
  c.line(ssRow("residual", r.df2, r.ssResid, r.ssResid / r.df2));
  c.line(ssRow("total", r.df1 + r.df2, r.ssTotal, std::nullopt));
  c.line("  " + format("%.4g", 100 * r.R2) + " % of the shape variation goes with size (" +
         std::to_string(r.N) + " specimens; seed " + std::to_string(r.seed) + ")");
}

void printCanonicalVariates(session::ActionContext& ctx, const Groups& groups,
                            const CanonicalVariates& v) {
  auto& c = ctx.console;
  auto& s = ctx.session;
  const std::string of = s.groupedBy.empty() ? "" : " of " + groupingLabel(s);
  c.line("Canonical variates of " + std::to_string(v.k) + " groups" + of + " on " +
         std::to_string(v.q) + " principal components of shape (" + std::to_string(v.N) +
         " specimens)");
  for (Index j = 0; j < v.eigenvalues.size(); ++j)
    c.line("  CV " + std::to_string(j + 1) + ": eigenvalue " + format("%.5g", v.eigenvalues(j)));
  c.line("Mahalanobis distances between group means:");
  for (const auto& d : v.distances)
    c.line("  " + s.groupLabel(d.a) + " - " + s.groupLabel(d.b) + ": D = " + format("%.4f", d.D) +
           ", p = " + pText(d.pPerm) + " " + permutationsText(v.permutations));
  c.line("Leave-one-out classification (rows: true group, columns: assigned group):");
  std::size_t width = 8;
  for (int code : groups.codes) width = std::max(width, characters(s.groupLabel(code)) + 2);
  std::string head = "  " + leftPad("", width);
  for (int code : groups.codes) head += pad(s.groupLabel(code), width);
  c.line(head + pad("% correct", 12));
  for (int a = 0; a < groups.count(); ++a) {
    std::string row =
        "  " + leftPad(s.groupLabel(groups.codes[static_cast<std::size_t>(a)]), width);
    for (Index b = 0; b < v.confusion.cols(); ++b)
      row += pad(format("%.0f", v.confusion(a, b)), width);
    c.line(row + pad(format("%.1f", v.percentCorrect[static_cast<std::size_t>(a)]), 12));
  }
  c.line("  Overall: " + format("%.1f", v.overallPercent) + " % correctly classified");
}

void printOutliers(session::ActionContext& ctx, const Outliers& o) {
  auto& c = ctx.console;
  c.line("Procrustes distance of each specimen from the mean shape: Q1 = " + format("%.5f", o.q1) +
         ", Q3 = " + format("%.5f", o.q3) +
         ", fence Q3 + 1.5 (Q3 - Q1) = " + format("%.5f", o.fence));
  if (o.above.empty()) {
    c.line("  No specimen lies above the fence.");
    return;
  }
  c.line("  Above the fence (specimen, ID, distance):");
  for (Index i : o.above) {
    const auto at = static_cast<std::size_t>(i);
    const std::string id = at < ctx.session.specimenIds.size() ? ctx.session.specimenIds[at] : "";
    c.line("  " + pad(std::to_string(i + 1), 5) + "  " + leftPad(id.empty() ? "-" : id, 12) +
           format("%.5f", o.D(i)));
  }
}

// --- The table -------------------------------------------------------------

// The 16 fields of a row, by the header's names.
struct Row {
  std::string table, term, a, b;
  std::optional<double> df1, df2, SS, MS, R2, F, D, pPerm, pParam;
  std::optional<long> permutations;
  std::optional<std::uint64_t> seed;
  std::optional<double> value;
};

Row makeRow(std::string table, std::string term, std::string a = "", std::string b = "") {
  Row r;
  r.table = std::move(table);
  r.term = std::move(term);
  r.a = std::move(a);
  r.b = std::move(b);
  return r;
}

std::string number(double v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
  return format("%.17g", v);
}

std::string field(const std::optional<double>& v) {
  return v ? number(*v) : std::string();
}

void append(std::string& out, const Row& r) {
  const std::string fields[] = {r.table,
                                r.term,
                                r.a,
                                r.b,
                                field(r.df1),
                                field(r.df2),
                                field(r.SS),
                                field(r.MS),
                                field(r.R2),
                                field(r.F),
                                field(r.D),
                                field(r.pPerm),
                                field(r.pParam),
                                r.permutations ? std::to_string(*r.permutations) : "",
                                r.seed ? std::to_string(*r.seed) : "",
                                field(r.value)};
  bool first = true;
  for (const auto& f : fields) {
    if (!first) out += ',';
    out += f;
    first = false;
  }
  out += '\n';
}

void appendRegression(std::string& out, const ShapeRegression& r) {
  const std::string suffix = r.pooled ? "_pooled" : "";
  Row pred = makeRow("regression", "log_cs" + suffix);
  pred.df1 = r.df1;
  pred.df2 = r.df2;
  pred.SS = r.ssPred;
  pred.MS = r.ssPred / r.df1;
  pred.R2 = r.R2;
  pred.F = r.F;
  pred.pPerm = r.pPerm;
  pred.permutations = r.permutations;
  pred.seed = r.seed;
  append(out, pred);
  Row resid = makeRow("regression", "residual" + suffix);
  resid.df1 = r.df2;
  resid.SS = r.ssResid;
  resid.MS = r.ssResid / r.df2;
  append(out, resid);
  Row total = makeRow("regression", "total" + suffix);
  total.df1 = r.df1 + r.df2;
  total.SS = r.ssTotal;
  append(out, total);
}

// --- Permutation settings --------------------------------------------------

std::optional<long> wholeNumber(const std::string& word) {
  if (word.empty() || word.size() > 18) return std::nullopt;
  for (char ch : word)
    if (ch < '0' || ch > '9') return std::nullopt;
  return std::stol(word);
}

}  // namespace

const StatisticsResults* statisticsOf(const session::Session& session) {
  const auto* r = std::any_cast<StatisticsResults>(&session.statistics);
  return r && !r->empty() ? r : nullptr;
}

void clearStatistics(session::Session& session) {
  session.statistics.reset();
}

namespace {

// A row of a distance between groups a and b with its permutation p.
Row distanceRow(const char* table, int a, int b, double D, double pPerm, long permutations,
                std::uint64_t seed) {
  Row d = makeRow(table, "", std::to_string(a), std::to_string(b));
  d.D = D;
  d.pPerm = pPerm;
  d.permutations = permutations;
  d.seed = seed;
  return d;
}

}  // namespace

std::string statisticsTable(const StatisticsResults& r, const std::vector<std::string>& ids) {
  std::string out = std::string(kStatisticsHeader) + '\n';
  if (r.anova) {
    const ShapeAnova& a = *r.anova;
    Row g = makeRow("anova", "group");
    g.df1 = a.df1;
    g.df2 = a.df2;
    g.SS = a.ssGroups;
    g.MS = a.msGroups;
    g.R2 = a.R2;
    g.F = a.F;
    g.pPerm = a.pPerm;
    g.pParam = a.pParam;
    g.permutations = a.permutations;
    g.seed = a.seed;
    append(out, g);
    Row e = makeRow("anova", "residual");
    e.df1 = a.df2;
    e.SS = a.ssResid;
    e.MS = a.msResid;
    append(out, e);
    Row t = makeRow("anova", "total");
    t.df1 = a.df1 + a.df2;
    t.SS = a.ssTotal;
    append(out, t);
    for (const auto& p : a.pairs)
      append(out, distanceRow("pairwise", p.a, p.b, p.D, p.pPerm, a.permutations, a.seed));
  }
  if (r.regression) appendRegression(out, *r.regression);
  if (r.pooled) appendRegression(out, *r.pooled);
  if (r.cva) {
    const CanonicalVariates& v = *r.cva;
    for (const auto& m : v.distances)
      append(out, distanceRow("mahalanobis", m.a, m.b, m.D, m.pPerm, v.permutations, v.seed));
    // The confusion table's rows and columns are the groups in code order;
    // the codes are those of the distances (every pair of groups).
    std::vector<int> codes;
    for (const auto& m : v.distances) {
      if (std::find(codes.begin(), codes.end(), m.a) == codes.end()) codes.push_back(m.a);
      if (std::find(codes.begin(), codes.end(), m.b) == codes.end()) codes.push_back(m.b);
    }
    std::sort(codes.begin(), codes.end());
    for (Index a = 0; a < v.confusion.rows(); ++a)
      for (Index b = 0; b < v.confusion.cols(); ++b) {
        Row c = makeRow("classification", "", std::to_string(codes.at(static_cast<std::size_t>(a))),
                        std::to_string(codes.at(static_cast<std::size_t>(b))));
        c.value = v.confusion(a, b);
        append(out, c);
      }
    for (std::size_t a = 0; a < v.percentCorrect.size(); ++a) {
      Row c = makeRow("classification_percent", "", std::to_string(codes.at(a)));
      c.value = v.percentCorrect[a];
      append(out, c);
    }
    Row all = makeRow("classification_percent", "", "all");
    all.value = v.overallPercent;
    append(out, all);
  }
  if (r.outliers) {
    const Outliers& o = *r.outliers;
    const bool named = static_cast<Index>(ids.size()) == o.D.size();
    for (Index i = 0; i < o.D.size(); ++i) {
      Row row = makeRow("outlier", "", std::to_string(i + 1),
                        named ? csvField(ids[static_cast<std::size_t>(i)]) : "");
      row.D = o.D(i);
      row.value = std::find(o.above.begin(), o.above.end(), i) != o.above.end() ? 1 : 0;
      append(out, row);
    }
  }
  return out;
}

std::vector<ResultsColumn> statisticsColumns(const session::Session& session) {
  std::vector<ResultsColumn> cols;
  const StatisticsResults* r = statisticsOf(session);
  if (!r) return cols;
  if (r->regression) cols.push_back({"regression_score", r->regression->scores});
  if (r->pooled) cols.push_back({"regression_score_pooled", r->pooled->scores});
  if (r->cva)
    for (Index j = 0; j < r->cva->scores.cols(); ++j)
      cols.push_back({"CV" + std::to_string(j + 1), r->cva->scores.col(j)});
  if (r->outliers) cols.push_back({"procrustes_distance", r->outliers->D});
  return cols;
}

void enableStatisticsItems(const session::Session& session, window::Window& window) {
  const auto& s = session.state;
  const bool analysed = s.pwscores.size() > 0 && s.GLIST.size() == s.pwscores.rows();
  bool groups = false;
  if (analysed) groups = s.GLIST.maxCoeff() != s.GLIST.minCoeff();
  const StatisticsResults* r = statisticsOf(session);
  const auto set = [&](const char* tag, bool on) {
    for (window::Control* c : window.findobj(tag)) c->set("Enable", on ? "On" : "Off");
  };
  set("ShapeAnovaItem", groups);
  set("ShapeRegressionItem", analysed);
  set("CanonicalVariatesItem", groups);
  set("FindOutliersItem", analysed);
  set("StatisticsSettingsItem", true);
  set("CanonicalVariatesAxesItem", true);
  set("ExportStatisticsItem", r != nullptr);
  set(kPooledItem, groups);
  set("ShowAllometryShapeItem", r && (r->regression || r->pooled));
  set("ShowCVShapeItem", r && r->cva);
  set("ShowOutlierSpecimenItem", r && r->outliers);
}

std::optional<PermutationOptions> parsePermutationSettings(const std::string& text) {
  std::istringstream in(text);
  std::string p, seed, extra;
  if (!(in >> p >> seed) || (in >> extra)) return std::nullopt;
  const auto P = wholeNumber(p);
  const auto S = wholeNumber(seed);
  if (!P || !S || *P > kMaxPermutations) return std::nullopt;
  PermutationOptions o;
  o.count = *P;
  o.seed = static_cast<std::uint64_t>(*S);
  return o;
}

void ShapeAnovaAction(session::ActionContext& ctx) {
  const Inputs in = readInputs(ctx.state);
  ShapeAnova a = shapeAnova(in.W, in.groups, optionsOf(ctx.session), ctx.progress);
  StatisticsResults r = current(ctx.session);
  printAnova(ctx, a);
  openConsole(ctx);
  r.anova = std::move(a);
  keep(ctx.session, std::move(r));
}

namespace {
bool pooledChosen(window::Window& w) {
  for (window::Control* c : w.findobj(kPooledItem))
    if (const Value v = c->get("Checked"); v.isText() && v.text() == "on") return true;
  return false;
}

// The regression the check item chooses, or the other when only that one
// was computed.
const ShapeRegression* chosenRegression(const StatisticsResults& r, window::Window& w) {
  if (pooledChosen(w) && r.pooled) return &*r.pooled;
  return r.regression ? &*r.regression : (r.pooled ? &*r.pooled : nullptr);
}
}  // namespace

void ShapeRegressionAction(session::ActionContext& ctx) {
  const Inputs in = readInputs(ctx.state);
  const PermutationOptions options = optionsOf(ctx.session);
  ShapeRegression plain = regressShapeOnSize(in.W, in.lnCS, options, ctx.progress);
  std::optional<ShapeRegression> pooled;
  std::string pooledRefusal;
  if (in.groups.count() >= 2) {
    try {
      pooled = regressShapeOnSizeWithinGroups(in.W, in.lnCS, in.groups, options, ctx.progress);
    } catch (const RuntimeError& e) {
      if (ctx.progress.cancelled() || std::string_view(e.what()) == "Cancelled.") throw;
      pooledRefusal = e.what();
    }
  }
  StatisticsResults r = current(ctx.session);
  r.regression = std::move(plain);
  r.pooled = std::move(pooled);
  printRegression(ctx, *r.regression);
  if (r.pooled) printRegression(ctx, *r.pooled);
  if (!pooledRefusal.empty())
    ctx.console.line("The pooled within-groups regression was not computed: " + pooledRefusal);
  plotRegression(ctx, in, *chosenRegression(r, ctx.window));
  openConsole(ctx);
  keep(ctx.session, std::move(r));
}

void PooledWithinGroups(session::ActionContext& ctx) {
  const StatisticsResults* r = statisticsOf(ctx.session);
  if (!r || !(r->regression || r->pooled)) return;  // the choice waits for the regression
  const ShapeRegression* chosen = chosenRegression(*r, ctx.window);
  if (pooledChosen(ctx.window) && !r->pooled)
    ctx.console.line(
        "There is no pooled within-groups regression: analyse with a group list of two groups or "
        "more and run the allometry again.");
  plotRegression(ctx, readInputs(ctx.state), *chosen);
}

void CanonicalVariatesAction(session::ActionContext& ctx) {
  const Inputs in = readInputs(ctx.state);
  CanonicalVariates v =
      canonicalVariates(in.W, in.groups, ctx.session.cvaAxes, optionsOf(ctx.session), ctx.progress);
  StatisticsResults r = current(ctx.session);
  printCanonicalVariates(ctx, in.groups, v);
  plotCanonicalVariates(ctx, in.groups, v);
  openConsole(ctx);
  r.cva = std::move(v);
  keep(ctx.session, std::move(r));
}

void FindOutliersAction(session::ActionContext& ctx) {
  const Inputs in = readInputs(ctx.state);
  Outliers o = findOutliers(in.W);
  StatisticsResults r = current(ctx.session);
  printOutliers(ctx, o);
  plotOutliers(ctx, o);
  openConsole(ctx);
  r.outliers = std::move(o);
  keep(ctx.session, std::move(r));
}

void StatisticsSettings(session::ActionContext& ctx) {
  std::string answer;
  if (ctx.fpass && ctx.fpass->isText()) {
    answer = ctx.fpass->text();
  } else {
    const std::string now = std::to_string(ctx.session.permutations) + " " +
                            std::to_string(ctx.session.permutationSeed);
    auto got = ctx.window.dialogs().inputdlg({kPermutationsPrompt}, kPermutationsTitle, {now});
    if (!got || got->empty()) return;
    answer = got->front();
  }
  const auto o = parsePermutationSettings(answer);
  if (!o) {
    ctx.window.dialogs().warn(
        "The answer \"" + answer +
            "\" is not two whole numbers: the number of permutations (0 to 1000000) and the seed, "
            "such as \"9999 1\".",
        kPermutationsTitle);
    return;
  }
  ctx.session.permutations = o->count;
  ctx.session.permutationSeed = o->seed;
  ctx.console.line("Permutation tests: " + std::to_string(o->count) + " permutations, seed " +
                   std::to_string(o->seed));
}

void CanonicalVariatesAxes(session::ActionContext& ctx) {
  constexpr const char* kTitle = "Canonical Variates Axes";
  auto got = ctx.window.dialogs().inputdlg({"principal axes (0: as many as allowed)"}, kTitle,
                                           {std::to_string(ctx.session.cvaAxes)});
  if (!got || got->empty()) return;
  const auto n = wholeNumber(got->front());
  if (!n || *n < 0 || *n > 100000) {
    ctx.window.dialogs().warn("The answer \"" + got->front() +
                                  "\" is not a whole number of principal axes from 0 up; 0 "
                                  "uses as many as the data allow.",
                              kTitle);
    return;
  }
  ctx.session.cvaAxes = static_cast<int>(*n);
  ctx.console.line(
      *n == 0 ? std::string("Canonical variates use as many principal axes as allowed.")
              : "Canonical variates use the first " + std::to_string(*n) + " principal axes.");
}

void ExportStatistics(session::ActionContext& ctx) {
  const StatisticsResults* r = statisticsOf(ctx.session);
  if (!r) {
    ctx.window.dialogs().warn(
        "There are no statistics to export yet: run a test of the Statistics menu first.",
        kStatisticsTitle);
    return;
  }
  const std::string table = statisticsTable(*r, ctx.session.specimenIds);
  auto choice =
      ctx.window.dialogs().uiputfile("CSV files (*.csv)", kStatisticsFileTitle, ctx.session.folder);
  if (!choice) return;
  std::string name = choice->name;
  if (!name.empty() && fs::path(name).extension().empty()) name += ".csv";
  const std::string path = ctx.session.resolve(choice->folder + name);
  ctx.session.changeFolder(choice->folder);
  try {
    if (const std::string note = writeFileAtomically(path, table); !note.empty())
      ctx.console.line(note);
  } catch (const RuntimeError& e) {
    ctx.window.dialogs().warn(e.what(), "Error Saving File");
    return;
  }
  ctx.console.line("Wrote the statistics " + fs::path(path).filename().string());
  ctx.window.confirmSaved("the statistics", path);
}

namespace {
// Draws the shape change dw (1 by V) from the mean shape as a Procrustes
// deformation picture, exaggerated by the factor in the Scale box
// (MarkerScaleBox, the factor of the marker pictures and the live shape):
// the Score box of the axis pictures is a score, not a factor.
void showShapeChange(session::ActionContext& ctx, const RowVec& dw, const std::string& title) {
  if (auto why = display::notReadyToPicture(ctx.state)) {
    ctx.window.dialogs().warn(*why, session::refusalTitle(ctx, display::kDeformationTitle));
    return;
  }
  auto ex = session::boxNumber(ctx.window, "MarkerScaleBox");
  if (!ex) {
    ctx.window.dialogs().warn("The scale is not a number.",
                              session::refusalTitle(ctx, display::kDeformationTitle));
    return;
  }
  auto read =
      display::readPictureSettings(ctx.state, ctx.window, display::Registration::Procrustes);
  if (read.request) {
    RowVec v(dw.size() + 1);
    v.head(dw.size()) = dw * *ex;
    v(dw.size()) = 1;
    read.request->pwscore = std::move(v);
  }
  if (auto req = display::shownRefusal(ctx, std::move(read))) {
    display::drawDeformation(ctx, *req);
    ctx.window.figure().axes().setTitle(
        title + (*ex != 1 ? ", exaggerated " + num2str(*ex) + " times" : ""));
  }
}
}  // namespace

void ShowOutlierSpecimen(session::ActionContext& ctx) {
  const StatisticsResults* r = statisticsOf(ctx.session);
  if (!r || !r->outliers) {
    ctx.window.dialogs().warn("There is no outlier plot yet: run Statistics > Find Outliers first.",
                              kStatisticsTitle);
    return;
  }
  const Outliers& o = *r->outliers;
  const Mat& data = *ctx.state.DATA;
  const Mat& reference = ctx.state.reference;
  if (data.rows() != o.D.size() || reference.cols() != data.cols())
    throw RuntimeError(std::string("Run-time Error: ") + kNeedsAnalysis);
  auto& ax = ctx.window.figure().axes();
  if (ax.showing().what != kOutlierPlotShows) {
    plotOutliers(ctx, o);
    ctx.window.drawnow();
  }
  ctx.window.status("Click a point of the outlier plot to see that specimen over the mean shape.");
  const auto click = ctx.window.dialogs().ginput();
  if (!click) return;
  const auto N = static_cast<double>(o.D.size());
  const double rank = std::clamp(std::round(click->x), 1.0, N);
  const Index i = o.order[static_cast<std::size_t>(rank) - 1];

  // The fitted landmarks of the specimen (the analysis keeps the specimens
  // superimposed on the mean shape) over the mean shape itself.
  const Index L = (data.cols() - 1) / 2;
  std::vector<double> mx, my, sx, sy;
  for (Index k = 0; k < L; ++k) {
    mx.push_back(reference(0, 2 * k));
    my.push_back(reference(0, 2 * k + 1));
    sx.push_back(data(i, 2 * k));
    sy.push_back(data(i, 2 * k + 1));
  }
  ax.cla();
  ax.hold(true);
  auto& mean = ax.plot(mx, my, "ko");
  mean.set("MarkerSize", 8);
  const int code = static_cast<int>(ctx.state.GLIST(i));
  graphics::Line style = groupStyle(ctx.state, code);
  auto& specimen = ax.plot(sx, sy);
  specimen.lineStyle = "none";
  specimen.marker = style.marker;
  specimen.color = style.color;
  specimen.markerFaceColor = style.markerFaceColor;
  for (Index k = 0; k < L; ++k) {
    auto& link = ax.plot(
        std::vector<double>{mx[static_cast<std::size_t>(k)], sx[static_cast<std::size_t>(k)]},
        std::vector<double>{my[static_cast<std::size_t>(k)], sy[static_cast<std::size_t>(k)]});
    link.color = {0.5, 0.5, 0.5};
  }
  ax.hold(false);
  ax.axisAuto();
  ax.axisEqual();
  ax.setLegend({{"Mean shape", mean.handle(), 0},
                {"Specimen " + specimenLabel(ctx.session, i), specimen.handle(),
                 static_cast<double>(code)}});
  ax.setTitle("Specimen " + std::to_string(i + 1) + ": Procrustes distance " +
              format("%.5f", o.D(i)) + " from the mean shape");
  ctx.console.line("Specimen " + std::to_string(i + 1) + " (" + specimenLabel(ctx.session, i) +
                   "): Procrustes distance " + format("%.5f", o.D(i)) + " from the mean shape");
}

void ShowAllometryShape(session::ActionContext& ctx) {
  const StatisticsResults* r = statisticsOf(ctx.session);
  const ShapeRegression* reg = r ? chosenRegression(*r, ctx.window) : nullptr;
  if (!reg) {
    ctx.window.dialogs().warn(
        "There is no allometry to picture yet: run Statistics > Allometry first.",
        session::refusalTitle(ctx, display::kDeformationTitle));
    return;
  }
  const Inputs in = readInputs(ctx.state);
  if (reg->b.size() != in.W.cols()) throwUndefined("allometry");
  const double range = in.lnCS.maxCoeff() - in.lnCS.minCoeff();
  ctx.console.line("Allometric shape change over the observed range of ln centroid size (" +
                   format("%.4g", range) + ")" + (reg->pooled ? ", pooled within groups" : ""));
  showShapeChange(
      ctx, reg->b * range,
      reg->pooled ? "Allometric shape change, pooled within groups" : "Allometric shape change");
}

void ShowCVShape(session::ActionContext& ctx) {
  const StatisticsResults* r = statisticsOf(ctx.session);
  if (!r || !r->cva) {
    ctx.window.dialogs().warn(
        "There are no canonical variates to picture yet: run Statistics > Canonical Variates "
        "first.",
        session::refusalTitle(ctx, display::kDeformationTitle));
    return;
  }
  const Inputs in = readInputs(ctx.state);
  const RowVec dw = shapeChangePerUnit(in.W, r->cva->scores.col(0));
  ctx.console.line("Shape change along CV 1, for one unit of CV score");
  showShapeChange(ctx, dw, "Shape change along CV 1");
}

}  // namespace varnok::analysis
