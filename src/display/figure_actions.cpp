#include "display/figure_actions.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "display/score_plot.hpp"
#include "platform/matrix/files.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"
#include "session/controls.hpp"

namespace varnok::display {

namespace {

namespace fs = std::filesystem;

constexpr const char* kFigureTitle = "Figure Error";
constexpr const char* kNoDeformation =
    "There is no deformation picture to follow yet: draw one along a principal axis or at a "
    "marker first.";

// 17 significant digits: every double reads back as itself.
std::string exact(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

std::string csvField(const std::string& s) {
  if (s.find_first_of(",\"\n\r") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

// The standard deviation (divisor N-1) of a column of scores; 0 for fewer
// than two.
double columnSd(const Mat& scores, Eigen::Index c) {
  const Eigen::Index n = scores.rows();
  if (n < 2) return 0;
  const double mean = scores.col(c).mean();
  return std::sqrt((scores.col(c).array() - mean).square().sum() / static_cast<double>(n - 1));
}

void flip(session::ActionContext& ctx, const char* box, bool horizontal) {
  const auto t = session::boxNumber(ctx.window, box);
  const auto& s = ctx.state;
  if (s.Vmatrix.size() == 0 || !s.NumPCA) {
    ctx.window.dialogs().warn(
        "There is no analysis yet, so no axis to flip: load data and run the analysis first.",
        session::refusalTitle(ctx, kFigureTitle));
    return;
  }
  const double V = static_cast<double>(s.Vmatrix.cols());
  if (!t || !isAxis(*t, V)) {
    ctx.window.dialogs().warn(std::string("The ") + (horizontal ? "X" : "Y") +
                                  " axis box does not hold an axis number from 1 to " + num2str(V) +
                                  ".",
                              session::refusalTitle(ctx, kFigureTitle));
    return;
  }
  auto& flipped = ctx.session.figures.flippedAxes;
  const auto at = std::find(flipped.begin(), flipped.end(), *t);
  if (at == flipped.end())
    flipped.push_back(*t);
  else
    flipped.erase(at);
  // The markers keep standing for the shapes they stood for: on the
  // mirrored axis they move to the mirrored place.
  auto& st = ctx.state;
  auto& first = horizontal ? st.marker1x : st.marker1y;
  auto& second = horizontal ? st.marker2x : st.marker2y;
  if (first) *first = -*first;
  if (second) *second = -*second;
  if (scorePlotAxes(ctx.window.figure().axes())) ShowPCAAxis(ctx);
  ctx.window.status("PC " + num2str(*t) +
                    (at == flipped.end() ? " is shown with its sign flipped."
                                         : " is shown with its own sign again."));
}

}  // namespace

std::vector<NamedShape> shapesToExport(const session::Session& s, const LastDeformation& last) {
  const DeformationRequest& r = last.request;
  const PictureForms drawn = pictureForms(r, last.referenceTurn, last.targetTurn);
  std::vector<NamedShape> out = {
      {"reference", drawn.reference},
      {last.subject.what.empty() ? "deformed" : last.subject.what, drawn.target}};
  if (!last.subject.axis) return out;
  const auto& st = s.state;
  const double t = *last.subject.axis;
  const Eigen::Index c = loadingColumn(st.Vmatrix, session::need(st.NumPCA, "NumPCA"), t);
  const Mat& scores = session::need(st.PCAScores, "PCAScores");
  const double sd = columnSd(scores, c);
  const double sign = axisSign(s, t);
  const Eigen::Index V = st.Vmatrix.rows();
  for (int k = -3; k <= 3; ++k) {
    DeformationRequest at = r;
    RowVec v = RowVec::Zero(V + 1);
    v.head(V) = st.Vmatrix.col(c).transpose() * (sign * k * sd);
    v(V) = 1;
    at.pwscore = v;
    const std::string id = "PC" + num2str(t) + " " + (k > 0 ? "+" : "") + std::to_string(k) + " SD";
    out.push_back({id, pictureForms(at, last.referenceTurn, last.targetTurn).target});
  }
  return out;
}

std::string shapesTps(const std::vector<NamedShape>& shapes) {
  std::string out;
  for (const NamedShape& sh : shapes) {
    out += "LM=" + std::to_string(sh.xy.cols()) + "\n";
    for (Eigen::Index k = 0; k < sh.xy.cols(); ++k)
      out += exact(sh.xy(0, k)) + " " + exact(sh.xy(1, k)) + "\n";
    out += "ID=" + sh.id + "\n";
  }
  return out;
}

std::string shapesCsv(const std::vector<NamedShape>& shapes) {
  std::string out = "shape,landmark,x,y\n";
  for (const NamedShape& sh : shapes)
    for (Eigen::Index k = 0; k < sh.xy.cols(); ++k)
      out += csvField(sh.id) + "," + std::to_string(k + 1) + "," + exact(sh.xy(0, k)) + "," +
             exact(sh.xy(1, k)) + "\n";
  return out;
}

void ShowExpansionMap(session::ActionContext& ctx) {
  const LastDeformation* last = lastDeformation(ctx.session);
  if (!last) {
    ctx.window.dialogs().warn(kNoDeformation, session::refusalTitle(ctx, kDeformationTitle));
    return;
  }
  const LastDeformation follow = *last;
  DeformationRequest r = follow.request;
  r.picture = PictureType::ExpansionMap;
  r.style.trimreq = 0;
  // The turn of the picture it follows, without asking again: both forms
  // by the same angle, or the target alone by a quarter turn when that
  // picture's reference angle was unreadable.
  r.orientation.rotateBoxes = 0;
  if (follow.referenceTurn == follow.targetTurn)
    r.orientation.refAngle = follow.referenceTurn * 180.0 / M_PI;
  else
    r.orientation.refAngle.reset();
  if (!drawDeformation(ctx, r, follow.subject)) return;
  const std::string what = follow.subject.namesRegistration
                               ? follow.subject.what + ", " + registrationName(r)
                               : follow.subject.what;
  setPictureTitle(ctx, "Expansion map, " + what);
}

void ToggleTitles(session::ActionContext& ctx) {
  bool& on = ctx.session.figures.titles;
  on = !on;
  for (window::Control* c : ctx.window.findobj(kTitlesItem)) c->set("Checked", on ? "on" : "off");
  if (!on) ctx.window.figure().axes().setTitle("");
  ctx.window.status(on ? "Titles are drawn over the pictures drawn from now on."
                       : "Pictures are drawn without titles.");
}

void FlipXAxisSign(session::ActionContext& ctx) {
  flip(ctx, "XBox", true);
}
void FlipYAxisSign(session::ActionContext& ctx) {
  flip(ctx, "YBox", false);
}

void ExportShapes(session::ActionContext& ctx) {
  const LastDeformation* last = lastDeformation(ctx.session);
  if (!last) {
    ctx.window.dialogs().warn(kNoDeformation, "Export Shapes");
    return;
  }
  // Made before anything is asked, so nothing fails between the choice of
  // a name and the write.
  const std::vector<NamedShape> shapes = shapesToExport(ctx.session, *last);
  auto choice = ctx.window.dialogs().uiputfile("*.tps;*.csv", "Export Shapes", ctx.session.folder);
  if (!choice) return;
  std::string name = choice->name;
  if (!name.empty() && fs::path(name).extension().empty()) name += ".tps";
  const std::string path = ctx.session.resolve(choice->folder + name);
  std::string ext = fs::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  const std::string text = ext == ".csv" ? shapesCsv(shapes) : shapesTps(shapes);
  ctx.session.changeFolder(choice->folder);
  try {
    if (const std::string note = writeFileAtomically(path, text); !note.empty())
      ctx.console.line(note);
  } catch (const RuntimeError& e) {
    ctx.window.dialogs().warn(e.what(), "Error Saving File");
    return;
  }
  ctx.console.line("Wrote " + std::to_string(shapes.size()) + " shapes to " +
                   fs::path(path).filename().string());
}

}  // namespace varnok::display
