// showpw5: the deformation picture of a reference form and a target form.
//
// The target is rebuilt from a row of shape variables, both forms are
// registered (baseline, sliding baseline, Procrustes as given, or a resistant
// fit) and optionally turned, a thin-plate spline mapping the reference
// landmarks onto the target landmarks is fitted, evaluated on a regular grid
// covering the reference, and drawn as one of nine pictures:
//   1 deformed grid            2 arrow field of the grid displacements
//   3 landmark vectors         4 deformed grid and landmark vectors
//   5 vectors to the target, added to the picture shown
//   6, 7 horizontal or vertical displacements only (arrow fields)
//   8, 9 filled contours of |horizontal| or |vertical| displacement
// 98 and 99 return without drawing; other values draw nothing.
#pragma once

#include <optional>
#include <string>

#include "platform/graphics/graphics.hpp"
#include "platform/matrix/console.hpp"
#include "platform/matrix/types.hpp"
#include "platform/window/window.hpp"

namespace varnok::display {

// Inputs 8 to 14, with their defaults.
struct DeformationStyle {
  double lineweight = 1;
  std::string linespec = "k";
  std::string symboltype = "kd";
  double aheadspec = 1;
  double rangeexpansion = 1;
  double trimreq = 0;
  double defangle = 10;
};

struct DeformationResult {
  RowVec bigrefdef;   // reference landmarks mapped by the spline (trailing 1)
  RowVec bigrefdef2;  // target after registration and rotation
  // Rotation applied, degrees; only Procrustes and resistant-fit pictures
  // turn the forms, so baseline pictures leave it unset and the caller's
  // angle stands.
  std::optional<double> theta;
};

// The grid of a picture: node (i, j) undeformed at (xw, yw), mapped to
// (xp, yp); rows run in x, columns in y; (npts + 6) x npts_y.
struct DeformationGrid {
  Mat xw, yw, xp, yp;
  double xstep = 0;
};

// The spline coefficients, (L+3) x 2, of the map sending the landmarks of
// refxy (2 x L) onto those of targetxy (2 x L). Throws RuntimeError naming
// the landmarks when two reference landmarks coincide, and when the spline
// cannot be fitted otherwise (all landmarks on one line).
Mat deformationWeights(const Mat& refxy, const Mat& targetxy);

// The grid over the plot limits [xmin xmax ymin ymax] widened by
// rangeexpansion, mapped through the spline (refxy, weight). All nodes are
// evaluated together: a kernel matrix of nodes by landmarks times the
// weights, plus the affine part.
DeformationGrid deformationGrid(const Mat& refxy, const Mat& weight, const graphics::Limits& lim,
                                double npts, double rangeexpansion);

// SHOWPW5  Draws the picture into the window's axes. Errors of the runtime
// (bad baseline numbers, an unreadable RefAngleBox while RotateRequest is
// off, a shape-variable row of the wrong length) throw RuntimeError. A
// reference whose landmarks coincide is reported in a message box and
// nothing is drawn.
DeformationResult showpw5(window::Window& window, Console* console, const Mat& reference,
                          const Mat& pwscore, double npts, double plottype, double suptype,
                          double b1, double b2, const DeformationStyle& style = {});

}  // namespace varnok::display
