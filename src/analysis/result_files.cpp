#include "analysis/result_files.hpp"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/matrix/files.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"
#include "session/controls.hpp"

namespace varnok::analysis {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFilter = "*.*";
constexpr const char* kRowEnd = " \n ";
constexpr const char* kSaveErrorTitle = "Error Saving File";

constexpr const char* kSaveAxisTitle = "Save Principal Axis";
constexpr const char* kNoPCAScores =
    "The PCA scores have not been calculated at this point.  Please load a group list, or hit "
    "the no group list button before proceeding";
constexpr const char* kNoPWScores =
    "The PW scores have not been calculated at this point.  Please load a group list, or hit the "
    "no group list button before proceeding";
constexpr const char* kNoReference =
    "The reference has not been calculated at this point.  Please load a group list, or hit the "
    "no group list button before proceeding";

constexpr const char* kMatrixHeader =
    "First column corresponds to smallest eigenvalue, last column to largest \n";

[[noreturn]] void throwIndexExceeds() {
  throw RuntimeError("Run-time Error: Index exceeds matrix dimensions.");
}

// One number with "%g ". A score file of a large study holds millions of
// numbers, so this avoids the general sprintf: to_chars with precision 6 in
// general notation is specified as printf's "%.6g" (two exponent digits at
// least, trailing zeros dropped), and it does not depend on the C locale.
void appendNumber(std::string& out, double v) {
  if (std::isnan(v)) {
    out += "NaN ";
  } else if (std::isinf(v)) {
    out += v > 0 ? "Inf " : "-Inf ";
  } else {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 6);
    out.append(buf, r.ptr);
    out += ' ';
  }
}

// The shown result must exist before anything is asked of the user.
bool guard(session::ActionContext& ctx, const Mat& value, const char* message) {
  if (value.size() != 0) return true;
  ctx.window.dialogs().warn(message, "");
  return false;
}

// The save dialog, the move of the current folder and the write. Cancelling
// writes nothing and leaves the current folder where it was.
// what names the result in the status bar's note ("76 PC scores").
void saveText(session::ActionContext& ctx, std::string_view title, std::string_view content,
              std::string_view what) {
  auto choice = ctx.window.dialogs().uiputfile(kFilter, title, ctx.session.folder);
  if (!choice) return;
  // The path is fixed before the current folder moves, so a folder given
  // relative to the old one still names the same place.
  std::string path = ctx.session.resolve(choice->folder + choice->name);
  // Later dialogs start where the user saved, also when this write fails.
  ctx.session.changeFolder(choice->folder);
  try {
    if (const std::string note = writeFileAtomically(path, content); !note.empty())
      ctx.console.line(note);
  } catch (const RuntimeError& e) {
    ctx.window.dialogs().warn(e.what(), kSaveErrorTitle);
    return;
  }
  ctx.window.confirmSaved(what, path);
}

std::string counted(Eigen::Index n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

std::string boxText(const Value& v) {
  if (v.isText()) return v.text();
  if (v.isMatrix()) return num2str(v.matrix());
  std::string joined;
  for (const auto& line : v.textList()) joined += (joined.empty() ? "" : " ") + line;
  return joined;
}

std::string axesAvailable(int V) {
  if (V == 1) return "the analysis has one axis, axis 1.";
  return sprintf("the analysis has axes 1 to %i.", {static_cast<double>(V)});
}

}  // namespace

std::string resultRows(const Mat& m) {
  std::string out;
  out.reserve(static_cast<size_t>(m.size()) * 13 + static_cast<size_t>(m.rows()) * 3);
  for (Eigen::Index r = 0; r < m.rows(); ++r) {
    for (Eigen::Index c = 0; c < m.cols(); ++c) appendNumber(out, m(r, c));
    out += kRowEnd;
  }
  return out;
}

void SavePCA(session::ActionContext& ctx) {
  const Mat& scores = ctx.state.PCAScores;
  if (!guard(ctx, scores, kNoPCAScores)) return;
  saveText(ctx, "File Name for Partial Warp Scores", resultRows(scores),
           counted(scores.rows(), "specimen's PC scores", "PC scores"));
}

void SaveEigen(session::ActionContext& ctx) {
  if (!guard(ctx, ctx.state.PCAScores, kNoPCAScores)) return;
  const Mat& D = session::need(ctx.state.Dmatrix, "Dmatrix");
  const Mat column = D.diagonal();
  saveText(ctx, "File Name for Eigenvalue list", resultRows(column),
           counted(column.size(), "eigenvalue", "eigenvalues"));
}

void SavePCMatrix(session::ActionContext& ctx) {
  if (!guard(ctx, ctx.state.PCAScores, kNoPCAScores)) return;
  const Mat& V = session::need(ctx.state.Vmatrix, "Vmatrix");
  saveText(ctx, "File Name for Principal Component Matrix", kMatrixHeader + resultRows(V),
           "the principal component matrix");
}

void SaveOneAxis(session::ActionContext& ctx) {
  auto& s = ctx.state;
  if (!guard(ctx, s.PCAScores, kNoPCAScores)) return;
  const double numPCA = session::need(s.NumPCA, "NumPCA");
  const Mat& vectors = session::need(s.Vmatrix, "Vmatrix");
  const Value box = ctx.window.control("ShowBox").get("String");
  if (!std::isfinite(numPCA) || numPCA < 2 || numPCA > vectors.cols() + 1) throwIndexExceeds();
  const int V = static_cast<int>(numPCA) - 1;

  // A number the analysis has no axis for would otherwise fail only after the
  // file had been chosen; it is reported before anything is asked or written.
  const std::optional<double> t = session::boxNumber(box);
  if (!t) {
    ctx.window.dialogs().warn(
        "\"" + boxText(box) + "\" is not a principal axis number: " + axesAvailable(V),
        kSaveAxisTitle);
    return;
  }
  if (*t != std::floor(*t) || *t < 1 || *t > V) {
    ctx.window.dialogs().warn("There is no principal axis " + num2str(*t) + ": " + axesAvailable(V),
                              kSaveAxisTitle);
    return;
  }
  const auto column = static_cast<Eigen::Index>(numPCA - *t) - 1;
  if (column < 0 || column >= vectors.cols()) throwIndexExceeds();

  std::string content = resultRows(vectors.col(column).transpose());
  content.resize(content.size() - std::string_view(kRowEnd).size());
  content += sprintf(" 999  %c PCA axis number %i", {std::string("%"), *t});
  content += kRowEnd;
  saveText(ctx, sprintf("File Name for PC Axis %i", {*t}), content, "PC axis " + num2str(*t));
}

void SaveWarp(session::ActionContext& ctx) {
  const Mat& pw = ctx.state.pwscores;
  if (!guard(ctx, pw, kNoPWScores)) return;
  saveText(ctx, "File Name for Partial Warp Scores", resultRows(pw),
           "the shape variables of " + counted(pw.rows(), "specimen", "specimens"));
}

void SaveRef(session::ActionContext& ctx) {
  const Mat& ref = ctx.state.reference;
  if (!guard(ctx, ref, kNoReference)) return;
  // All its numbers in one row, whatever its shape.
  const Mat row = ref.reshaped<Eigen::RowMajor>(1, ref.size());
  saveText(ctx, "File Name for Reference", resultRows(row), "the reference form");
}

}  // namespace varnok::analysis
