#include "analysis/sliding_rounds.hpp"

#include <cmath>
#include <string>

#include "morpho/getpsup.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::analysis {

using Eigen::Index;

double fitSumOfSquares(const Mat& fitted, const RowVec& reference) {
  const Index n = fitted.cols() - 1;
  double ss = 0;
  for (Index i = 0; i < fitted.rows(); ++i)
    ss += (fitted.row(i).head(n) - reference.head(n)).squaredNorm();
  return ss;
}

SlidingOutcome slideRounds(const Mat& fitted, const RowVec& reference,
                           const SlidingRequest& request, const RenewReference& renew,
                           Console* console, Progress& progress) {
  SlidingOutcome out;
  out.data = fitted;
  out.reference = reference;
  const Index L = (fitted.cols() - 1) / 2;
  double before = fitSumOfSquares(out.data, out.reference);
  for (int round = 1; round <= request.maxRounds; ++round) {
    const std::string where = "Sliding round " + std::to_string(round) + ": ";
    Mat be;
    if (request.criterion == morpho::SlideCriterion::BendingEnergy) {
      be = morpho::bendingEnergyOf(out.reference, L);
      if (be.size() == 0)
        throw RuntimeError(where +
                           "the reference has coinciding points, or all its points lie on a line, "
                           "so the bending energy cannot be computed; try fewer sliding rounds.");
    }
    Mat slid = out.data;
    if (auto failure = morpho::slideAll(slid, out.reference, be, request.sliders, request.criterion,
                                        progress)) {
      const auto& s = request.sliders[static_cast<std::size_t>(failure->slider)];
      throw RuntimeError(where + "point " + std::to_string(s.point + 1) + " of specimen " +
                         std::to_string(failure->specimen + 1) +
                         " cannot slide: its neighbours on the curve coincide, or the curve's "
                         "points can move without bending.");
    }
    if (renew) out.reference = renew(slid);
    out.data = morpho::getpsup(std::move(slid), out.reference, progress);
    const double after = fitSumOfSquares(out.data, out.reference);
    out.ss.push_back(after);
    if (console) console->echo(where + "SS = " + sprintf("%.10g", {after}));
    const bool settled = std::abs(before - after) <= kSlidingTolerance * before;
    before = after;
    if (settled) break;
  }
  if (console)
    console->line("Semilandmarks slid in " + std::to_string(out.ss.size()) +
                  (out.ss.size() == 1 ? " round." : " rounds."));
  return out;
}

}  // namespace varnok::analysis
