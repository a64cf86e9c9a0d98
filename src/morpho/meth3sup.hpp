// meth3sup: sliding baseline registration (SBR) of baseline-registered rows.
#pragma once

#include "platform/matrix/types.hpp"

namespace varnok::morpho {

// METH3SUP  Slide each specimen along the x axis until the x coordinate of
// its centroid is 0, then scale it to unit centroid size. After basereg the
// baseline stays on the x axis; the y of the centroid is generally not 0.
//
// Inputs:
//   x  N by M rows x1 y1 ... xL yL CS, M = 2L+1, normally the output of basereg
// Outputs:
//   N by M rows in units of centroid size: x values shifted, y values as
//   given, all divided by the centroid size (taken about the full centroid);
//   column M copied from x. With M even only L-1 landmarks are treated and the
//   last y value is copied as if it were the extra column.
Mat meth3sup(const Mat& x);

}  // namespace varnok::morpho
