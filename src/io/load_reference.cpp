#include "io/load_reference.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "display/showshape.hpp"
#include "io/input_file.hpp"
#include "io/mfload.hpp"
#include "morpho/refstandardize.hpp"
#include "platform/matrix/text.hpp"
#include "session/controls.hpp"

namespace varnok::io {

namespace {

constexpr const char* kReferenceErrorTitle = "Reference Error";

std::string point(double x, double y) {
  return "(" + num2str(x) + ", " + num2str(y) + ")";
}

}  // namespace

std::optional<std::string> referenceProblem(const Mat& reference, const std::string& fileName) {
  const Eigen::Index L = (reference.cols() - 1) / 2;
  if (reference.rows() != 1 || L < 1) return std::nullopt;
  const auto x = [&](Eigen::Index i) { return reference(0, 2 * i); };
  const auto y = [&](Eigen::Index i) { return reference(0, 2 * i + 1); };
  double cx = 0, cy = 0, largest = 0;
  for (Eigen::Index i = 0; i < L; ++i) {
    cx += x(i);
    cy += y(i);
    largest = std::max({largest, std::abs(x(i)), std::abs(y(i))});
  }
  cx /= static_cast<double>(L);
  cy /= static_cast<double>(L);
  double ss = 0;
  for (Eigen::Index i = 0; i < L; ++i) ss += (x(i) - cx) * (x(i) - cx) + (y(i) - cy) * (y(i) - cy);
  const double size = std::sqrt(ss);
  const std::string tail = " The reference in use was not changed.";
  if (size <= 1e-12 * largest)
    return "All landmarks of the reference in " + fileName + " are at the same point " +
           point(x(0), y(0)) + ", so it has no shape." + tail;

  // Landmarks closer than a billionth of the form's size are one point. The
  // sweep over the landmarks sorted by x finds every such pair; the first by
  // landmark number is named.
  const double tol = 1e-9 * size;
  std::vector<Eigen::Index> order(static_cast<size_t>(L));
  std::iota(order.begin(), order.end(), Eigen::Index{0});
  std::sort(order.begin(), order.end(),
            [&](Eigen::Index a, Eigen::Index b) { return x(a) < x(b); });
  std::optional<std::pair<Eigen::Index, Eigen::Index>> pair;
  for (size_t a = 0; a < order.size(); ++a) {
    for (size_t b = a + 1; b < order.size() && x(order[b]) - x(order[a]) <= tol; ++b) {
      if (std::abs(y(order[b]) - y(order[a])) > tol) continue;
      const std::pair<Eigen::Index, Eigen::Index> p{std::min(order[a], order[b]),
                                                    std::max(order[a], order[b])};
      if (!pair || p < *pair) pair = p;
    }
  }
  if (pair)
    return "Landmarks " + std::to_string(pair->first + 1) + " and " +
           std::to_string(pair->second + 1) + " of the reference in " + fileName +
           " are at the same point " + point(x(pair->first), y(pair->first)) +
           "; the landmarks of a reference must be distinct." + tail;
  return std::nullopt;
}

void LoadReference(session::ActionContext& ctx) {
  auto& s = ctx.state;
  // Without data there is nothing to compare the reference with: say so
  // before asking for a file.
  const Eigen::Index dataCols = session::need(*s.DATA, "DATA").cols();
  const session::NumberBox refAngle = session::readNumberBox(ctx.window, "RefAngleBox");
  auto file = loadForAction(ctx);
  if (!file) return;
  Mat reference = std::move(file->data);
  const Eigen::Index mg = reference.rows(), ng = reference.cols();
  ctx.console.display("reference", reference);
  // A refused form is not kept: SaveRef would write it as if it were the
  // reference of an analysis. The next analysis goes back to the consensus.
  if (ng != dataCols) {
    ctx.window.dialogs().warn(
        "The number of landmarks in the reference does not match the number of landmarks in the "
        "data, Reverting to consensus reference",
        kReferenceErrorTitle);
    s.referencetype = 0;
    return;
  }
  if (mg > 1) {
    ctx.window.dialogs().warn(
        "The reference file had more than 1 specimen,  Reverting to consensus specimen",
        kReferenceErrorTitle);
    s.referencetype = 0;
    return;
  }
  if (auto problem = referenceProblem(reference, quoteForMessage(file->name, 255))) {
    ctx.window.dialogs().warn(*problem, kReferenceErrorTitle);
    return;
  }
  const std::string stemp = sprintf("Successfully loaded reference file %s with %f landmarks",
                                    {file->name, static_cast<double>(ng - 1) / 2});
  RowVec standard = morpho::refstandardize(reference);
  s.referencetype = 1;
  s.reference = std::move(standard);
  display::showshape_rot(ctx.window, &ctx.console, s.reference, "ro",
                         display::refAngle(refAngle, &ctx.console).value_or(0.0));
  ctx.window.dialogs().msgbox(stemp, "Reference Loaded");
  display::showshape(ctx.window.figure().axes(), s.reference, "ro");
  ctx.console.display("reference", s.reference);
}

}  // namespace varnok::io
