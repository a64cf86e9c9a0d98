// getconsensus: Procrustes consensus (mean shape) of a set of specimens.
#pragma once

#include "platform/matrix/console.hpp"
#include "platform/matrix/progress.hpp"
#include "platform/matrix/types.hpp"

namespace varnok::morpho {

// Squared change of the consensus below which the iteration stops.
inline constexpr double kConsensusThreshold = 0x1.999999999999ap-31;  // 7.450580596923829e-10
// Passes after which the iteration gives up (it converges in a handful).
inline constexpr int kConsensusMaxPasses = 10000;

struct ConsensusOptions {
  // Also return the specimens rotated onto the consensus (costs one more pass
  // and an N by M result).
  bool withFitted = false;
  int maxPasses = kConsensusMaxPasses;
  // Where the warning of a run stopped by maxPasses goes; may be null.
  Console* console = nullptr;
};

struct Consensus {
  RowVec y;        // 1 by M consensus
  Mat xpt;         // N by M rotated specimens (empty unless withFitted)
  int passes = 0;  // rotation passes made
  bool converged = true;
};

// GETCONSENSUS  Partial Procrustes consensus by iterated rotation onto a
// running mean.
//
// Every specimen is centred and scaled once to unit centroid size; then each
// pass rotates every specimen onto the current mean (least-squares angle, no
// reflection, no rescaling) and takes the new mean, renormalised to unit sum
// of squares, until the summed squared change of the mean is at most
// kConsensusThreshold (a NaN change also ends it). The first specimen is the
// first mean, so it fixes the orientation of the result.
//
// Inputs:
//   x  N by M landmark data, M = 2L+1, rows x1 y1 ... xL yL CS; N at least 2
//   options  see ConsensusOptions
//   progress  reports each pass; a cancel throws RuntimeError("Cancelled.")
// Outputs:
//   y  1 by M consensus: coordinates centred, sum of squares 1, in the
//      orientation of the first specimen; y(M) is the mean of column M divided
//      by the final norm (no meaning as a size)
//   xpt  N by M specimens centred, of centroid size 1 and rotated onto the
//      mean of the last pass; column M copied from x
// Throws RuntimeError for fewer than two rows, or an even M (x and y columns
// that do not pair up). After maxPasses passes without convergence it stops,
// writes a warning to the console and returns the last mean (converged false).
Consensus getconsensus(const Mat& x, const ConsensusOptions& options = {},
                       Progress& progress = noProgress());

}  // namespace varnok::morpho
