#include "display/superimposition.hpp"

#include <cmath>
#include <map>
#include <string>

#include "display/deformation_actions.hpp"
#include "display/picture_kinds.hpp"
#include "display/showshape.hpp"
#include "display/wireframe.hpp"
#include "morpho/basereg.hpp"
#include "morpho/getconsensus.hpp"
#include "morpho/getpsup.hpp"
#include "morpho/meth3sup.hpp"
#include "platform/matrix/text.hpp"
#include "session/controls.hpp"
#include "style/symbols.hpp"

namespace varnok::display {

namespace {

constexpr const char* kLoadDataFirst = "Load a data file first";
constexpr const char* kRunAnalysisFirst = "Run the analysis first";
constexpr const char* kTitle = "Display Error";

bool wholeFrom1(double g) {
  return std::isfinite(g) && g >= 1 && g == std::floor(g);
}

void refuse(session::ActionContext& ctx, const std::string& text) {
  ctx.window.dialogs().warn(text, session::refusalTitle(ctx, kTitle));
}

// DATA and a group code per specimen (and, for the means, a reference of the
// same width) must be there. A group list left from an earlier data set of
// another size belongs to no specimen of this one.
bool haveAnalysis(session::ActionContext& ctx, bool needReference) {
  const auto& s = ctx.state;
  if (s.DATA->size() == 0) {
    refuse(ctx, kLoadDataFirst);
    return false;
  }
  const bool glistFits = s.GLIST.rows() == s.DATA->rows() && s.GLIST.cols() >= 1;
  const bool referenceFits = s.reference.rows() == 1 && s.reference.cols() == s.DATA->cols();
  if (!glistFits || (needReference && !referenceFits)) {
    refuse(ctx, kRunAnalysisFirst);
    return false;
  }
  return true;
}

// What a superimposition display reads from the window, read once before
// anything is checked or computed.
struct SuperimpositionRequest {
  Registration how = Registration::Procrustes;
  session::NumberBox base[2];   // BaseBox1, BaseBox2: read only for a registration
  session::NumberBox refAngle;  // RefAngleBox
};

constexpr const char* kBaseBoxes[2] = {"BaseBox1", "BaseBox2"};
// The boxes as the window labels them.
constexpr const char* kBaseLabels[2] = {"first", "second"};

SuperimpositionRequest readRequest(window::Window& w, Registration how) {
  SuperimpositionRequest r;
  r.how = how;
  if (how != Registration::Procrustes)
    for (int k = 0; k < 2; ++k) {
      r.base[k] = session::readNumberBox(w, kBaseBoxes[k]);
      if (!r.base[k].present) w.control(kBaseBoxes[k]);  // the runtime's error naming it
    }
  r.refAngle = session::readNumberBox(w, "RefAngleBox");
  return r;
}

// The two baseline landmark numbers, or nullopt after telling the user which
// box holds what instead of a landmark number from 1 to L.
std::optional<std::pair<double, double>> baseline(session::ActionContext& ctx,
                                                  const SuperimpositionRequest& r, Eigen::Index L) {
  const std::string range = "a landmark number from 1 to " + std::to_string(L);
  double b[2] = {0, 0};
  for (int k = 0; k < 2; ++k) {
    const auto& n = r.base[k].number;
    if (!n || !wholeFrom1(*n) || *n > static_cast<double>(L)) {
      refuse(ctx, std::string("The ") + kBaseLabels[k] + " baseline landmark is \"" +
                      r.base[k].text + "\"; it must be " + range + ".");
      return std::nullopt;
    }
    b[k] = *n;
  }
  if (b[0] == b[1]) {
    refuse(ctx, "The first and the second baseline landmark boxes both name landmark " +
                    num2str(b[0]) + "; enter two different landmarks from 1 to " +
                    std::to_string(L) + ".");
    return std::nullopt;
  }
  return std::make_pair(b[0], b[1]);
}

// Why group code g (a whole number from 1) cannot be drawn, if it cannot:
// without a symbol code table only the 24 default symbols exist; with one,
// the code needs a row whose marker and size can be drawn.
std::optional<std::string> symbolProblem(const session::AnalysisState& s, bool useTable, double g,
                                         const std::string& who) {
  if (!useTable) {
    const auto n = static_cast<double>(s.ColorList.size());
    if (g <= n) return std::nullopt;
    return who + " has no symbol: without a symbol code table group codes must be whole " +
           "numbers from 1 to " + num2str(n) + " (the default symbols).";
  }
  const auto rows = static_cast<double>(s.codearray.rows());
  if (g > rows || s.codearray.cols() < 6)
    return who + " has no symbol: group codes must be whole numbers from 1 to " + num2str(rows) +
           " (the rows of the symbol code table in use).";
  const auto row = s.codearray.row(static_cast<Eigen::Index>(g) - 1);
  if (!(row(3) >= 1 && row(3) <= 13 && row(3) == std::floor(row(3))))
    return "Row " + num2str(g) + " of the symbol code table names the marker " + num2str(row(3)) +
           "; markers are numbered 1 to 13.";
  if (!(row(4) > 0 && std::isfinite(row(4))))
    return "Row " + num2str(g) + " of the symbol code table gives the marker size " +
           num2str(row(4)) + "; sizes must be positive.";
  return std::nullopt;
}

// The reference angle the symbol-table styles turn by: the number in
// RefAngleBox in radians, 0 without the box. Text that is no number is
// refused here, before the plot is touched.
std::optional<double> tableAngle(session::ActionContext& ctx, const session::NumberBox& box) {
  if (!box.present) return 0.0;
  if (!box.number) {
    refuse(ctx, "The reference angle box holds \"" + box.text +
                    "\", which is not a number of degrees; enter the angle in degrees.");
    return std::nullopt;
  }
  return M_PI * *box.number / 180.0;
}

Mat registered(const Mat& x, Registration how, double b1, double b2) {
  Mat y = morpho::basereg(x, b1, b2);
  return how == Registration::SlidingBaseline ? morpho::meth3sup(y) : y;
}

// The colour group code g is drawn in.
graphics::Rgb groupColor(const session::AnalysisState& s, bool useTable, Eigen::Index g) {
  if (useTable) {
    const auto row = s.codearray.row(g - 1);
    return {row(0), row(1), row(2)};
  }
  return graphics::parseLineSpec(s.ColorList[static_cast<size_t>(g - 1)])
      .color.value_or(graphics::Rgb{0, 0, 0});
}

// Group means are drawn with markers at least 2.5 mm across, so that a
// printed figure shows them; a point marker is drawn at a third of its size.
constexpr double kMeanMarkerPt = 7.5;

double meanMarkerSize(std::string_view lineStyle) {
  const auto marker = graphics::parseLineSpec(lineStyle).marker;
  return marker && *marker == '.' ? 3 * kMeanMarkerPt : kMeanMarkerPt;
}

// ShowProcrustes, ShowBC and ShowSBR.
// The superimposition as a title names it: "Procrustes", "baseline 1-2".
std::string superimpositionName(Registration how, std::pair<double, double> b) {
  DeformationRequest r;
  r.registration = how;
  r.b1 = b.first;
  r.b2 = b.second;
  return registrationName(r);
}

void showSpecimens(session::ActionContext& ctx, Registration how) {
  if (!haveAnalysis(ctx, false)) return;
  const SuperimpositionRequest r = readRequest(ctx.window, how);
  const auto& s = ctx.state;
  const Mat& data = *s.DATA;
  const Eigen::Index N = data.rows();
  const Eigen::Index L = (data.cols() - 1) / 2;
  std::pair<double, double> b{1, 2};
  if (how != Registration::Procrustes) {
    auto chosen = baseline(ctx, r, L);
    if (!chosen) return;
    b = *chosen;
  }
  const bool useTable = s.altcode.value_or(0) != 0;
  // Every code is checked before anything is drawn, so a bad one cannot leave
  // half a picture.
  std::map<double, bool> checked;
  for (Eigen::Index i = 0; i < N; ++i) {
    const double g = s.GLIST(i, 0);
    if (checked.count(g) != 0) continue;
    const std::string who =
        "Specimen " + std::to_string(i + 1) + " with the group code " + num2str(g);
    std::optional<std::string> problem = wholeFrom1(g)
                                             ? symbolProblem(s, useTable, g, who)
                                             : who + ": group codes are whole numbers from 1.";
    if (problem) {
      refuse(ctx, *problem);
      return;
    }
    checked[g] = true;
  }
  double theta = 0;
  if (useTable) {
    auto angle = tableAngle(ctx, r.refAngle);
    if (!angle) return;
    theta = *angle;
  } else if (how == Registration::Procrustes) {
    theta = refAngle(r.refAngle, &ctx.console).value_or(0.0);
  }
  const SharedMat shown = how == Registration::Procrustes
                              ? s.DATA
                              : SharedMat(registered(data, how, b.first, b.second));
  const Mat& rows = *shown;
  const Wireframe wire = studyWireframe(ctx.session, L);
  const bool dots = wire.hasSliding();

  auto& ax = ctx.window.figure().axes();
  ax.cla();
  // Consecutive specimens of one group share a style and are drawn as one
  // group of points: a study of many specimens stays one object per run.
  Eigen::Index start = 0;
  for (Eigen::Index i = 1; i <= N; ++i) {
    if (i < N && s.GLIST(i, 0) == s.GLIST(start, 0)) continue;
    const auto g = static_cast<Eigen::Index>(s.GLIST(start, 0));
    // Semilandmarks are small dots of the group's colour; the landmarks keep
    // the group's symbol.
    const auto& color = s.ColorList[static_cast<size_t>(g - 1)];
    if (!dots && !useTable && how == Registration::Procrustes) {
      plotTurned(ctx.window, nullptr, shown, start, i, color, theta);
      start = i;
      continue;
    }
    const Mat block = dots ? pointColumns(rows.middleRows(start, i - start), wire.sliding, false)
                           : Mat(rows.middleRows(start, i - start));
    if (dots)
      showDots(ax, pointColumns(rows.middleRows(start, i - start), wire.sliding, true),
               groupColor(s, useTable, g), theta);
    if (useTable)
      showshapec(ctx.window, block, s.codearray.row(g - 1), theta);
    else if (how == Registration::Procrustes)
      plotTurned(ctx.window, nullptr, block, color, theta);
    else
      showshape(ax, block, color);
    start = i;
  }
  if (!useTable) style::setsymbolfill(style::childrenOf(ax), 1);
  // The mean shape's wireframe over the cloud, placed as the specimens are.
  if (!wire.empty() && s.reference.rows() == 1 && s.reference.cols() == data.cols()) {
    const Mat mean = how == Registration::Procrustes
                         ? s.reference
                         : registered(s.reference, how, b.first, b.second);
    drawWireframe(ax, pointsOfRow(turnRows(mean, theta).row(0)), wire, graphics::Rgb{0, 0, 0}, 1);
  }
  setPictureTitle(ctx, "Specimens, " + superimpositionName(how, b));
}

Registration meanRegistration(const std::optional<Value>& fpass) {
  if (!fpass || !fpass->isMatrix() || fpass->matrix().size() != 1) return Registration::Procrustes;
  const double v = fpass->scalar();
  if (v == 1) return Registration::Baseline;
  if (v == 2) return Registration::SlidingBaseline;
  return Registration::Procrustes;
}

}  // namespace

std::vector<GroupMean> groupMeans(const Mat& data, const Mat& glist, const Mat& reference,
                                  Console* console, Progress& progress) {
  const Eigen::Index N = data.rows();
  double maxCode = -INFINITY;
  for (Eigen::Index i = 0; i < glist.rows(); ++i)
    if (std::isfinite(glist(i, 0))) maxCode = std::max(maxCode, glist(i, 0));
  const double countColumns = maxCode >= 1 ? std::floor(maxCode) : 0;

  // Codes in ascending order, each with its members in file order.
  std::map<double, std::vector<Eigen::Index>> members;
  for (Eigen::Index i = 0; i < N; ++i) {
    const double g = glist(i, 0);
    if (wholeFrom1(g)) {
      members[g].push_back(i);
      continue;
    }
    if (console != nullptr) {
      console->error("Error caught in GLIST loop");
      console->echo("i = " + std::to_string(i + 1));
      console->echo("N = " + std::to_string(N));
      console->echo("GLIST(i) = " + num2str(g));
      console->echo("size(ngmember, 1) = 1");
      console->echo("size(ngmember, 2) = " + num2str(countColumns));
    }
  }

  morpho::ConsensusOptions options;
  options.console = console;
  std::vector<GroupMean> means;
  means.reserve(members.size());
  for (const auto& [code, rows] : members) {
    GroupMean m;
    m.code = code;
    if (rows.size() == 1) {
      m.form = data.row(rows.front());
    } else {
      Mat group(static_cast<Eigen::Index>(rows.size()), data.cols());
      for (size_t k = 0; k < rows.size(); ++k)
        group.row(static_cast<Eigen::Index>(k)) = data.row(rows[k]);
      const RowVec consensus = morpho::getconsensus(group, options, progress).y;
      m.form = morpho::getpsup(Mat(consensus), reference).row(0);
    }
    means.push_back(std::move(m));
  }
  return means;
}

void ShowProcrustes(session::ActionContext& ctx) {
  showSpecimens(ctx, Registration::Procrustes);
}

void ShowBC(session::ActionContext& ctx) {
  showSpecimens(ctx, Registration::Baseline);
}

void ShowSBR(session::ActionContext& ctx) {
  showSpecimens(ctx, Registration::SlidingBaseline);
}

void ShowMeans(session::ActionContext& ctx) {
  if (!haveAnalysis(ctx, true)) return;
  const auto& s = ctx.state;
  const Registration how = meanRegistration(ctx.fpass);
  const SuperimpositionRequest r = readRequest(ctx.window, how);
  const Eigen::Index L = (s.DATA->cols() - 1) / 2;
  std::pair<double, double> b{1, 2};
  if (how != Registration::Procrustes) {
    auto chosen = baseline(ctx, r, L);
    if (!chosen) return;
    b = *chosen;
  }
  const bool useTable = s.altcode.value_or(0) != 0;
  std::map<double, bool> checked;
  for (Eigen::Index i = 0; i < s.GLIST.rows(); ++i) {
    const double g = s.GLIST(i, 0);
    if (!wholeFrom1(g) || checked.count(g) != 0) continue;
    if (auto problem = symbolProblem(s, useTable, g, "The group code " + num2str(g))) {
      refuse(ctx, *problem);
      return;
    }
    checked[g] = true;
  }
  double theta = 0;
  if (useTable) {
    auto angle = tableAngle(ctx, r.refAngle);
    if (!angle) return;
    theta = *angle;
  }
  std::vector<GroupMean> means =
      groupMeans(*s.DATA, s.GLIST, s.reference, &ctx.console, ctx.progress);
  if (how != Registration::Procrustes)
    for (auto& m : means) m.form = registered(Mat(m.form), how, b.first, b.second).row(0);

  const Wireframe wire = studyWireframe(ctx.session, L);
  auto& ax = ctx.window.figure().axes();
  ax.cla();
  std::vector<graphics::LegendEntry> legend;
  bool named = false;
  for (const auto& m : means) {
    const auto g = static_cast<Eigen::Index>(m.code);
    const Mat form =
        wire.hasSliding() ? pointColumns(Mat(m.form), wire.sliding, false) : Mat(m.form);
    graphics::Handle first = 0;
    if (useTable) {
      RowVec code = s.codearray.row(g - 1);
      code(4) = std::max(code(4), meanMarkerSize(std::string(
                                      1, graphics::kMarkers[static_cast<int>(code(3)) - 1])));
      first = showshapec(ctx.window, form, code, theta);
    } else {
      const std::string& lineStyle = s.ColorList[static_cast<size_t>(g - 1)];
      first = showshapeSized(ax, form, lineStyle, meanMarkerSize(lineStyle));
    }
    if (wire.hasSliding())
      showDots(ax, pointColumns(Mat(m.form), wire.sliding, true), groupColor(s, useTable, g),
               useTable ? theta : 0);
    // Each mean's wireframe in its group's colour, placed as its points are.
    if (!wire.empty())
      drawWireframe(ax, pointsOfRow(turnRows(Mat(m.form), useTable ? theta : 0).row(0)), wire,
                    groupColor(s, useTable, g), 1.5);
    if (first != 0) legend.push_back({ctx.session.groupLabel(m.code), first, m.code});
    const auto k = static_cast<std::size_t>(g - 1);
    named = named || (k < ctx.session.groupNames.size() && !ctx.session.groupNames[k].empty());
  }
  // A legend when it tells something: two groups or more, or a named one.
  if (legend.size() < 2 && !named) legend.clear();
  ax.setLegend(std::move(legend));
  setPictureTitle(ctx, "Group means, " + superimpositionName(how, b));
}

}  // namespace varnok::display
