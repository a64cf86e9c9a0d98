// vertxy, xyfromvert: conversions between a specimen row and its coordinates.
//
// Rotations, spline fits and landmark plots work on the coordinate matrix;
// forms are stored and passed as rows. The usual pairing keeps the trailing
// centroid size: xyfromvert((R * vertxy(row)).transpose(), last element of row).
#pragma once

#include "platform/matrix/types.hpp"

namespace varnok::morpho {

// VERTXY  Coordinate matrix of one specimen row.
//
// Inputs:
//   x  1 by n row x1 y1 ... xL yL [CS], elements taken by linear position;
//      L = floor(n / 2) with n the number of columns, so an odd trailing value
//      (the centroid size) is ignored
// Outputs:
//   2 by L matrix: row 1 the x values, row 2 the y values, column i landmark i
//   (2 by 0 for an empty row)
Mat vertxy(const Mat& x);

// XYFROMVERT  Specimen row from landmark coordinates and a trailing value.
//
// Inputs:
//   data  m by 2 coordinates, one landmark per row (x in column 1, y in column 2)
//   cs    value appended after the coordinates, normally the centroid size
// Outputs:
//   1 by 2m+1 row x1 y1 ... xm ym cs
// Throws RuntimeError when data has fewer than 2 columns (and some rows).
RowVec xyfromvert(const Mat& data, double cs);

}  // namespace varnok::morpho
