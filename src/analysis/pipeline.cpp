#include "analysis/pipeline.hpp"

#include <unistd.h>

#include <cmath>

#include "analysis/curation.hpp"
#include "analysis/pca.hpp"
#include "analysis/sliding_rounds.hpp"
#include "display/showshape.hpp"
#include "io/curves.hpp"
#include "io/mfload.hpp"
#include "morpho/centroid.hpp"
#include "morpho/getconsensus.hpp"
#include "morpho/getpsup.hpp"
#include "morpho/getpw_arbit.hpp"
#include "morpho/mirrored.hpp"
#include "platform/matrix/parallel.hpp"
#include "platform/matrix/text.hpp"
#include "session/controls.hpp"
#include "style/symbols.hpp"

namespace varnok::analysis {

namespace {

constexpr const char* kGroupErrorTitle = "Error Loading Group Code";
constexpr const char* kDataErrorTitle = "Error in Data";

void setPointer(session::ActionContext& ctx, const char* pointer) {
  auto& fig = ctx.window.figure();
  fig.pointer = pointer;
  fig.touch();
  ctx.window.drawnow();
}

void setString(session::ActionContext& ctx, const char* tag, const std::string& text) {
  ctx.window.control(tag).set("String", text);
}

// The reference of this run: the consensus of the data, or the loaded form.
RowVec formReference(session::ActionContext& ctx, bool standardiseLoaded) {
  auto& s = ctx.state;
  if (session::need(s.referencetype, "referencetype") == 0) {
    morpho::ConsensusOptions options;
    options.console = &ctx.console;
    return morpho::getconsensus(*s.DATA, options, ctx.progress).y;
  }
  RowVec ref = session::need(s.reference, "reference").row(0);
  if (ref.cols() != s.DATA->cols())
    throw RuntimeError("Run-time Error: The reference has " + std::to_string((ref.cols() - 1) / 2) +
                       " landmarks and the data " + std::to_string((s.DATA->cols() - 1) / 2) +
                       "; load a reference of the same landmarks.");
  if (standardiseLoaded) {
    Mat centred = morpho::centerref(ref);
    ref = centred.row(0) / morpho::centsize(centred)(0);
  }
  if (!ref.allFinite())
    throw RuntimeError(
        "Run-time Error: The reference form holds values that are not finite numbers.");
  return ref;
}

RowVec roundTo4(const RowVec& r) {
  return r.unaryExpr([](double v) { return round(10000 * v) / 10000; });
}

// What one run of the analysis computes before anything is stored: the state
// is assigned from it only once every step has succeeded, so an error or a
// cancel part way leaves the previous analysis (and the data) as they were.
struct Results {
  SharedMat DATA;  // the specimens fitted onto the reference
  Mat reference;
  Mat pwscores;
  Pca pca;
  double NumPCA = 0;
};

// Semilandmarks slide along their curves after the fit: rounds of sliding
// against the reference and fitting again, the consensus renewed from the
// slid specimens unless a reference was loaded. Data without sliders is left
// exactly as the fit made it.
void slideSemilandmarks(session::ActionContext& ctx, Results& r) {
  const std::vector<morpho::Slider> sliders = io::studySliders(ctx.session);
  if (sliders.empty()) return;
  const Eigen::Index L = (r.DATA->cols() - 1) / 2;
  if (auto problem = morpho::slidersProblem(sliders, L))
    throw RuntimeError("Run-time Error: " + *problem);
  SlidingRequest request;
  request.sliders = sliders;
  request.criterion = ctx.session.sliding.byProcrustes ? morpho::SlideCriterion::ProcrustesDistance
                                                       : morpho::SlideCriterion::BendingEnergy;
  request.maxRounds = ctx.session.sliding.rounds;
  RenewReference renew;
  if (session::need(ctx.state.referencetype, "referencetype") == 0)
    renew = [&ctx](const Mat& slid) {
      morpho::ConsensusOptions options;
      options.console = &ctx.console;
      return roundTo4(morpho::getconsensus(slid, options, ctx.progress).y);
    };
  SlidingOutcome out =
      slideRounds(*r.DATA, r.reference.row(0), request, renew, &ctx.console, ctx.progress);
  r.DATA = std::move(out.data);
  r.reference = std::move(out.reference);
}

// What the analysis reads from the window, read once at the start of an
// action.
struct AnalysisRequest {
  bool restricted = false;         // PCALimit: the axes from the first specimens only
  session::NumberBox restrictBox;  // RestrictBox: how many
  session::NumberBox refAngle;     // RefAngleBox: the pictures' turn
};

AnalysisRequest readAnalysisRequest(window::Window& w) {
  AnalysisRequest r;
  r.restricted = session::controlValueOr(w, "PCALimit", 0) != 0;
  if (r.restricted) r.restrictBox = session::readNumberBox(w, "RestrictBox");
  r.refAngle = session::readNumberBox(w, "RefAngleBox");
  return r;
}

// The axes a restricted PCA takes from the first specimens only (0: all).
// Anything unusable in the boxes falls back to all specimens, without a
// message.
Eigen::Index restrictedRows(session::ActionContext& ctx, const AnalysisRequest& req, Eigen::Index N,
                            Eigen::Index V) {
  Eigen::Index rows = 0;
  try {
    if (req.restricted && req.restrictBox.present) {
      ctx.console.display("stemp", req.restrictBox.text);
      ctx.console.display("numpcaused", req.restrictBox.values);
      const auto& number = req.restrictBox.number;
      if (number && *number >= 1 && std::floor(*number) <= static_cast<double>(N)) {
        rows = static_cast<Eigen::Index>(std::floor(*number));
        if (rows >= 2) {
          std::string first = sprintf(
              "Calculated PCA Axes based on specimens 1 to %i only, all specimens scored, note "
              "there are %i variables per specimen",
              {static_cast<double>(rows), static_cast<double>(V)});
          ctx.console.line(first);
          ctx.window.dialogs().msgbox(
              first + sprintf("\\nThere will be zero eigenvalues if there are less specimens "
                              "than variables"),
              "Restricted PCA:");
        }
      }
    }
  } catch (const RuntimeError&) {
    rows = 0;
  }
  // One specimen spans no variance: there would be no axes at all.
  if (rows == 1)
    throw RuntimeError(
        "Run-time Error: A restricted PCA needs its axes from at least 2 specimens.");
  return rows;
}

// The shape variables and the PCA: what both actions share.
void shapeVariablesAndPca(session::ActionContext& ctx, const AnalysisRequest& req, Results& r,
                          bool echo) {
  // The spline and the PCA grow with the cube of the landmarks (about four
  // minutes for 3,000): a long run is announced, and Cancel stops it at once.
  const double L = static_cast<double>((r.DATA->cols() - 1) / 2);
  if (const double minutes = 4 * std::pow(L / 3000, 3); minutes >= 0.5)
    ctx.console.line("The thin-plate spline and the PCA of " + num2str(L) +
                     " landmarks may take about " + num2str(std::ceil(minutes)) +
                     " minutes; Cancel stops it.");
  r.pwscores = morpho::getpw_arbit(r.reference, *r.DATA, ctx.progress);
  if (ctx.progress.cancelled()) throwCancelled();
  if (echo) ctx.console.display("pwscores", r.pwscores);
  const Eigen::Index n = r.DATA->cols();
  const Eigen::Index V = n - session::kShapeVariablesLess;
  const Eigen::Index rows = restrictedRows(ctx, req, r.pwscores.rows(), V);
  r.pca = pca(r.pwscores, V, rows, ctx.progress);
  if (!allFinite(r.pca.PCAScores.data(), r.pca.PCAScores.size()) || !r.pca.Vmatrix.allFinite())
    throw RuntimeError(
        "Run-time Error: The analysis gave values that are not finite numbers; check the data "
        "and the reference.");
  r.NumPCA = static_cast<double>(n - session::kNumPCALess);
  if (echo) ctx.console.display("NumPCA", r.NumPCA);
}

// Stores the results and fills the boxes.
void assignResults(session::ActionContext& ctx, Results&& r, Mat&& glist) {
  auto& s = ctx.state;
  const Eigen::Index V = r.DATA->cols() - session::kShapeVariablesLess;
  const double tvar = r.pca.tvar;
  // Mirrored specimens are worth a note; they change no result.
  const auto mirrored = morpho::mirroredRows(*r.DATA, r.reference);
  s.DATA = std::move(r.DATA);
  s.reference = std::move(r.reference);
  s.GLIST = std::move(glist);
  s.pwscores = std::move(r.pwscores);
  s.Vmatrix = std::move(r.pca.Vmatrix);
  s.Dmatrix = std::move(r.pca.Dmatrix);
  s.PCAScores = std::move(r.pca.PCAScores);
  s.percentexp = std::move(r.pca.percentexp);
  s.NumPCA = r.NumPCA;
  // The statistics belong to the analysis they were computed on.
  ctx.session.statistics.reset();

  setString(ctx, "XBox", "1");
  setString(ctx, "YBox", "2");
  setString(ctx, "XBoxExp", sprintf("%1.4f", {s.percentexp(0, V - 1)}));
  setString(ctx, "YBoxExp", sprintf("%1.4f", {s.percentexp(0, V - 2)}));
  setPointer(ctx, "arrow");

  Value box = ctx.window.control("FileBox").get("String");
  std::string current = box.isText() ? box.text() : box.describe();
  ctx.console.display("stemp", current);
  std::string stempa = appendTotalVariance(current, tvar);
  ctx.console.display("stempa", stempa);
  setString(ctx, "FileBox", stempa);
  if (!mirrored.empty()) ctx.console.line(mirroredLine(ctx.session, mirrored));
}

// The computer's memory in bytes; 0 when the system does not say.
double physicalMemory() {
  const long pages = ::sysconf(_SC_PHYS_PAGES), page = ::sysconf(_SC_PAGE_SIZE);
  return pages > 0 && page > 0 ? static_cast<double>(pages) * static_cast<double>(page) : 0;
}

bool checkData(session::ActionContext& ctx) {
  const Mat& data = session::need(*ctx.state.DATA, "DATA");
  if (auto problem = dataProblem(data)) {
    ctx.window.dialogs().warn(*problem, kDataErrorTitle);
    return false;
  }
  // Refused before the work starts, rather than ended by the system.
  if (auto problem = sizeProblem(data.rows(), (data.cols() - 1) / 2, physicalMemory())) {
    ctx.window.dialogs().warn(*problem, kDataErrorTitle);
    return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> referenceProblem(const RowVec& reference) {
  const Eigen::Index L = (reference.cols() - 1) / 2;
  const auto x = [&](Eigen::Index k) { return reference(2 * k); };
  const auto y = [&](Eigen::Index k) { return reference(2 * k + 1); };
  double cx = 0, cy = 0;
  for (Eigen::Index k = 0; k < L; ++k) cx += x(k) / static_cast<double>(L);
  for (Eigen::Index k = 0; k < L; ++k) cy += y(k) / static_cast<double>(L);
  double sxx = 0, syy = 0, sxy = 0;
  for (Eigen::Index k = 0; k < L; ++k) {
    sxx += (x(k) - cx) * (x(k) - cx);
    syy += (y(k) - cy) * (y(k) - cy);
    sxy += (x(k) - cx) * (y(k) - cy);
  }
  // A message box must stay readable when thousands of pairs coincide (dense
  // outlines): the first few are named and the rest counted.
  constexpr long kPairsNamed = 10;
  std::string pairs;
  long found = 0;
  for (Eigen::Index i = 0; i < L; ++i)
    for (Eigen::Index j = i + 1; j < L; ++j)
      if (x(i) == x(j) && y(i) == y(j) && ++found <= kPairsNamed)
        pairs +=
            (pairs.empty() ? "" : ", ") + std::to_string(i + 1) + " and " + std::to_string(j + 1);
  if (found > kPairsNamed) pairs += " (and " + std::to_string(found - kPairsNamed) + " more pairs)";
  const std::string cannot =
      ", so no thin-plate spline and no partial warps can be computed. Check the data for "
      "landmarks digitised twice or in the wrong place.";
  if (!pairs.empty())
    return "Landmarks " + pairs + " of the mean form are at the same place" + cannot;
  // The spread of the landmarks has no second direction.
  const double trace = sxx + syy;
  if (!(sxx * syy - sxy * sxy > 1e-12 * trace * trace))
    return "All landmarks of the mean form lie on one line" + cannot;
  return std::nullopt;
}

namespace {

// What is wrong with the matrix's shape alone.
std::optional<std::string> dataShapeProblem(const Mat& data) {
  const Eigen::Index n = data.cols();
  if (n % 2 == 0)
    return "The data have " + std::to_string(n) +
           " columns; a landmark data file holds x y pairs followed by the centroid size, an odd "
           "number of columns.";
  if ((n - 1) / 2 < 3)
    return "The data have " + std::to_string((n - 1) / 2) +
           " landmarks; the analysis needs at least 3.";
  if (data.rows() < 2) return std::string("The analysis needs at least 2 specimens.");
  return std::nullopt;
}

}  // namespace

std::optional<std::string> dataProblem(const Mat& data) {
  if (auto problem = dataShapeProblem(data)) return problem;
  return dataProblem(data, morpho::centsize(data));
}

std::optional<std::string> dataProblem(const Mat& data, const ColVec& cs) {
  if (auto problem = dataShapeProblem(data)) return problem;
  for (Eigen::Index i = 0; i < data.rows(); ++i) {
    if (!data.row(i).allFinite())
      return "Specimen " + std::to_string(i + 1) + " holds a value that is not a finite number.";
    if (!(cs(i) > 0))
      return "Specimen " + std::to_string(i + 1) +
             " has all its landmarks at one point (centroid size 0); it cannot be scaled.";
  }
  return std::nullopt;
}

double analysisBytes(Eigen::Index N, Eigen::Index L) {
  const double l = static_cast<double>(L), n = static_cast<double>(N);
  // The spline's bending energy and its eigenvectors, the covariance of the
  // 2L - 4 shape variables and its eigenvectors, with the solvers' work
  // space (16 L^2 numbers); the data, the fitted data and the scores (6 N L).
  return 8 * (16 * l * l + 6 * n * l);
}

std::optional<std::string> sizeProblem(Eigen::Index N, Eigen::Index L, double memoryBytes) {
  const double need = analysisBytes(N, L);
  if (!(memoryBytes > 0) || need <= 0.8 * memoryBytes) return std::nullopt;
  const auto gb = [](double bytes) { return num2str(std::ceil(bytes / 1e8) / 10) + " GB"; };
  return "The analysis of " + std::to_string(N) + " specimens of " + std::to_string(L) +
         " landmarks would need about " + gb(need) +
         " of memory for the thin-plate spline and the principal components, and this computer "
         "has " +
         gb(memoryBytes) + ". Use fewer landmarks.";
}

std::optional<std::string> groupCodeProblem(const Mat& glist, bool useCodeTable,
                                            Eigen::Index tableRows) {
  const double limit = useCodeTable ? static_cast<double>(tableRows) : 24.0;
  for (Eigen::Index i = 0; i < glist.rows(); ++i) {
    double g = glist(i, 0);
    if (g >= 1 && g <= limit && g == std::floor(g)) continue;
    std::string range =
        useCodeTable ? "from 1 to " + num2str(limit) + " (the rows of the symbol code table in use)"
                     : std::string("from 1 to 24 (the default symbols)");
    return "Line " + std::to_string(i + 1) + " of the group code list holds the code " +
           num2str(g) + "; group codes must be whole numbers " + range + ".";
  }
  return std::nullopt;
}

std::string appendTotalVariance(const std::string& box, double tvar) {
  std::string out;
  size_t start = 0;
  while (start <= box.size()) {
    size_t end = box.find('\n', start);
    if (end == std::string::npos) end = box.size();
    std::string line = box.substr(start, end - start);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
    if (!out.empty() || start > 0) out += '\n';
    out += line;
    start = end + 1;
  }
  return out + sprintf("\\nSS distance/(n-1) =%1.7f", {tvar});
}

namespace {

// The analysis with the group codes of glist (one per row of DATA), the group
// list file named name; false when it was refused with a message.
bool runGroupList(session::ActionContext& ctx, const AnalysisRequest& req, Mat glist,
                  const std::string& name) {
  auto& s = ctx.state;
  const Eigen::Index mg = glist.rows();
  const bool useTable = s.altcode.value_or(0) != 0;
  if (auto problem = groupCodeProblem(glist, useTable, s.codearray.rows())) {
    ctx.window.dialogs().warn(*problem, kGroupErrorTitle);
    return false;
  }
  if (!checkData(ctx)) return false;

  ctx.window.setAll("LoadReference", "Enable", "Off");
  setPointer(ctx, "watch");
  setString(ctx, "GroupBox",
            sprintf("File: %s \n %3.0f Specimens \n", {name, static_cast<double>(mg)}));

  Results r;
  RowVec reference = formReference(ctx, false);
  display::showshape_rot(ctx.window, &ctx.console, reference, "b*",
                         display::refAngle(req.refAngle, &ctx.console).value_or(0.0));
  r.reference = roundTo4(reference);
  if (auto problem = referenceProblem(r.reference)) {
    ctx.window.dialogs().warn(*problem, kDataErrorTitle);
    return false;
  }
  r.DATA = morpho::getpsup(*s.DATA, r.reference, ctx.progress);
  slideSemilandmarks(ctx, r);

  // Every specimen in the style of its group, in file order. Consecutive
  // specimens of one group are drawn together as one group of points, so a
  // large study does not make one object per specimen.
  const double theta = display::refAngle(req.refAngle, &ctx.console).value_or(0.0);
  for (Eigen::Index start = 0, i = 1; i <= mg; ++i) {
    if (i < mg && glist(i, 0) == glist(start, 0)) continue;
    const auto g = static_cast<Eigen::Index>(glist(start, 0));
    if (useTable)
      display::showshapec(ctx.window, r.DATA->middleRows(start, i - start), s.codearray.row(g - 1),
                          display::symbolTableAngle(req.refAngle));
    else
      display::plotTurned(ctx.window, nullptr, r.DATA, start, i, s.ColorList.at(g - 1), theta);
    start = i;
  }
  if (!useTable) style::setsymbolfill(style::childrenOf(ctx.window.figure().axes()), 1);
  shapeVariablesAndPca(ctx, req, r, false);
  assignResults(ctx, std::move(r), std::move(glist));
  ctx.session.lastAnalysis = session::LastAnalysis::GroupList;
  ctx.session.groupFile = name;
  return true;
}

bool runOneGroup(session::ActionContext& ctx, const AnalysisRequest& req) {
  auto& s = ctx.state;
  const Eigen::Index m = session::need(*s.DATA, "DATA").rows();
  if (!checkData(ctx)) return false;
  Mat glist = Mat::Ones(m, 1);
  setPointer(ctx, "watch");
  setString(ctx, "GroupBox", sprintf("No Group List Used"));
  style::setsymbolfill(style::childrenOf(ctx.window.figure().axes()), 1);

  Results r;
  RowVec reference = formReference(ctx, true);
  r.reference = roundTo4(reference);
  if (auto problem = referenceProblem(r.reference)) {
    ctx.window.dialogs().warn(*problem, kDataErrorTitle);
    return false;
  }
  ctx.console.display("reference", r.reference);
  ctx.window.figure().axes().cla();
  display::showshape_rot(ctx.window, &ctx.console, r.reference, "b*",
                         display::refAngle(req.refAngle, &ctx.console).value_or(0.0));
  r.DATA = morpho::getpsup(*s.DATA, r.reference, ctx.progress);
  slideSemilandmarks(ctx, r);
  ctx.console.display("DATA", *r.DATA);
  display::plotTurned(ctx.window, nullptr, r.DATA, 0, r.DATA->rows(), "ko",
                      display::refAngle(req.refAngle, &ctx.console).value_or(0.0));
  shapeVariablesAndPca(ctx, req, r, true);
  assignResults(ctx, std::move(r), std::move(glist));
  ctx.session.lastAnalysis = session::LastAnalysis::OneGroup;
  return true;
}

}  // namespace

void LoadGroupList(session::ActionContext& ctx) {
  const AnalysisRequest req = readAnalysisRequest(ctx.window);
  auto& s = ctx.state;
  auto& session = ctx.session;
  const Mat& data = session::need(*s.DATA, "DATA");
  auto file = io::loadForAction(ctx);
  if (!file) return;
  // An empty file has no first column: it is a list of no codes.
  Mat glist = file->data.cols() > 0 ? Mat(file->data.col(0)) : Mat(0, 1);
  const Eigen::Index mg = glist.rows(), m = data.rows();
  const Eigen::Index loaded = session.loadedData().rows();
  ctx.window.figure().axes().cla();
  // The kept specimens are chosen by their group codes: new codes would
  // choose others.
  if (!session.curation.groups.empty()) {
    ctx.window.dialogs().warn(
        "Only some groups are analysed; choose Include All Specimens before loading another "
        "group list.",
        kGroupErrorTitle);
    return;
  }
  // With specimens left out, a list may still name every loaded specimen:
  // the rows of those left out are dropped.
  std::vector<double> codes;
  const bool curated = !session.specimenNumbers.empty();
  if (curated && mg == loaded && mg != m) {
    codes.assign(glist.data(), glist.data() + mg);
    Mat kept(m, 1);
    for (Eigen::Index i = 0; i < m; ++i)
      kept(i, 0) = glist(session.specimenNumbers[static_cast<std::size_t>(i)] - 1, 0);
    glist = std::move(kept);
  } else if (mg != m) {
    ctx.window.dialogs().warn(
        sprintf("The size of your group code list indicates %i specimens, but there are %i in "
                "your data set.",
                {static_cast<double>(mg), static_cast<double>(m)}) +
            " Please check for a missing line feed in your group code file",
        kGroupErrorTitle);
    return;
  } else if (curated) {
    codes.assign(static_cast<std::size_t>(loaded), std::nan(""));
    for (Eigen::Index i = 0; i < m; ++i)
      codes[static_cast<std::size_t>(session.specimenNumbers[static_cast<std::size_t>(i)] - 1)] =
          glist(i, 0);
  } else {
    codes.assign(glist.data(), glist.data() + mg);
  }
  if (runGroupList(ctx, req, std::move(glist), file->name)) {
    session.loadedGroups = std::move(codes);
    session.groupedBy.clear();
  }
}

void NoGroupList(session::ActionContext& ctx) {
  if (runOneGroup(ctx, readAnalysisRequest(ctx.window))) ctx.session.groupedBy.clear();
}

bool runAnalysisAgain(session::ActionContext& ctx, const Mat& glist) {
  if (glist.size() == 0) return runOneGroup(ctx, readAnalysisRequest(ctx.window));
  return runGroupAnalysis(ctx, glist, ctx.session.groupFile);
}

bool runGroupAnalysis(session::ActionContext& ctx, Mat glist, const std::string& name) {
  const AnalysisRequest req = readAnalysisRequest(ctx.window);
  ctx.window.figure().axes().cla();
  return runGroupList(ctx, req, std::move(glist), name);
}

}  // namespace varnok::analysis
