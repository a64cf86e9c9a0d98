// The rounds of sliding that follow the superimposition when some points are
// semilandmarks: slide against the reference, renew the consensus (unless a
// reference was loaded), fit again, until the fit stops improving.
#pragma once

#include <functional>
#include <vector>

#include "morpho/sliding.hpp"
#include "platform/matrix/console.hpp"
#include "platform/matrix/progress.hpp"
#include "platform/matrix/types.hpp"

namespace varnok::analysis {

// Rounds a study starts with, and the most a user may ask for: many rounds
// let semilandmarks drift along a nearly straight curve until two meet.
inline constexpr int kDefaultSlidingRounds = 5;
inline constexpr int kMostSlidingRounds = 50;
// A round that changes the summed squared distance by at most this share of
// it ends the sliding.
inline constexpr double kSlidingTolerance = 1e-4;

struct SlidingRequest {
  std::vector<morpho::Slider> sliders;
  morpho::SlideCriterion criterion = morpho::SlideCriterion::BendingEnergy;
  int maxRounds = kDefaultSlidingRounds;
};

// The reference of the next round from the slid specimens (the consensus,
// rounded as the analysis rounds it); empty when the reference stays (a
// loaded one).
using RenewReference = std::function<RowVec(const Mat& slid)>;

struct SlidingOutcome {
  Mat data;                // the slid specimens fitted onto the reference
  RowVec reference;        // the reference they were last fitted onto
  std::vector<double> ss;  // after each round
};

// The sum over specimens of the squared distances of their points from the
// reference's (rows x1 y1 ... xL yL CS against a reference row).
double fitSumOfSquares(const Mat& fitted, const RowVec& reference);

// Runs the rounds on specimens already fitted onto the reference and writes
// the summed squares of each to the console. Throws RuntimeError naming the
// round, specimen (1-based) and point when a reference has coinciding points
// or a specimen cannot slide; nothing the caller holds is changed.
SlidingOutcome slideRounds(const Mat& fitted, const RowVec& reference,
                           const SlidingRequest& request, const RenewReference& renew,
                           Console* console, Progress& progress = noProgress());

}  // namespace varnok::analysis
