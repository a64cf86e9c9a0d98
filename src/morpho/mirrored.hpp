// mirrored: which specimens fit the mirror image of the consensus much
// better than the consensus itself (left wings among right ones, a specimen
// photographed from below).
//
// Each specimen and the consensus are centred and scaled to unit centroid
// size. SS is the sum of squared distances between the specimen's landmarks
// and the consensus's after the least-squares rotation of the specimen onto
// it (rotation only, never a reflection); SS_m is the same for the specimen's
// mirror image (x -> -x). In complex notation, with z the specimen's landmarks
// and w the consensus's, SS = 2 - 2|sum z conj(w)| and SS_m = 2 - 2|sum z w|
// (Kendall's shape space; Dryden and Mardia, Statistical Shape Analysis,
// 2016, ch. 4). A specimen is mirrored when SS_m < kMirroredRatio * SS.
//
// Inputs:
//   data       N by 2L+1 landmark rows x1 y1 ... xL yL CS (the last column is
//              not used)
//   consensus  1 by 2L+1 (or 2L) form of the same landmarks, any position,
//              size and rotation
// Output: the 0-based rows of data that are mirrored, ascending. A specimen
// or consensus whose landmarks all coincide is never mirrored.
#pragma once

#include <vector>

#include "platform/matrix/types.hpp"

namespace varnok::morpho {

inline constexpr double kMirroredRatio = 0.25;

struct MirrorFit {
  double ss = 0;        // SS of the specimen as it is
  double mirrored = 0;  // SS_m of its mirror image
};

// The two sums for one specimen row; both 0 when either form has all its
// landmarks at one point.
MirrorFit mirrorFit(const RowVec& specimen, const RowVec& consensus);

std::vector<Eigen::Index> mirroredRows(const Mat& data, const RowVec& consensus);

}  // namespace varnok::morpho
