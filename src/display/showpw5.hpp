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
//   8, 9 filled contours of |horizontal| or |vertical| displacement, with a
//        colour bar of their range
//   10   the expansion map: filled contours of log2 of the local change of
//        area, diverging about 0, with a colour bar
// 98 and 99 return without drawing; other values draw nothing.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "display/picture_kinds.hpp"
#include "display/wireframe.hpp"
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

// The title of the message boxes that refuse a deformation picture.
inline constexpr const char* kDeformationTitle = "Deformation Error";

// How a Procrustes or resistant-fit picture is turned, from the controls:
// without RotateRequest by the reference angle (a quarter turn of the target
// alone when it is unreadable); with RotateRequest on through the rotation
// dialog (by defangle for vectors added to the picture shown); with it off
// by the reference angle, which must then be readable.
struct Orientation {
  std::size_t rotateBoxes = 0;     // RotateRequest controls in the window
  double rotateRequest = 0;        // the first one's Value
  std::optional<double> refAngle;  // RefAngleBox, degrees; nullopt when missing or no number
};

// Everything one deformation picture is drawn from: showpw5's inputs and the
// controls it reads, read once.
struct DeformationRequest {
  Mat reference;   // 1 x (2L+1)
  RowVec pwscore;  // 2L-3: the target's shape variables and its scale
  double npts = 0;
  PictureType picture = PictureType::Nothing;
  Registration registration = Registration::Procrustes;
  double b1 = 0, b2 = 0;  // baseline landmarks (1-based), for baseline registrations
  DeformationStyle style;
  Orientation orientation;
  bool numberLandmarks = false;  // NumberButton on: num2str(k) beside landmark k
  bool numberReference = false;  // LMNumberBox on: numbers beside the reference, scaled to the axes
  // Drawn over the picture: the reference's in light grey, the deformed
  // shape's in black; semilandmarks of the reference as small dots.
  Wireframe wire;
  // An outline in the coordinates of reference (strokes, 2 x n each),
  // registered and turned with it and drawn in light grey, and bent by the
  // picture's spline and drawn in black. Empty: none.
  std::vector<Mat> outline;
};

// Reads into r what showpw5 takes from the window: RotateRequest,
// RefAngleBox, NumberButton and LMNumberBox.
void readPictureChoices(window::Window& w, DeformationRequest& r);

struct DeformationResult {
  RowVec bigrefdef;   // reference landmarks mapped by the spline (trailing 1)
  RowVec bigrefdef2;  // target after registration and rotation
  // Rotation applied, degrees; only Procrustes and resistant-fit pictures
  // turn the forms, so baseline pictures leave it unset and the caller's
  // angle stands.
  std::optional<double> theta;
  // The turns (radians) the reference and the target got; they differ only
  // when an unreadable reference angle turns the target alone.
  double referenceTurn = 0, targetTurn = 0;
  // Why nothing was drawn, for a message box titled kDeformationTitle (the
  // reference landmarks coincide); empty when the picture was drawn.
  std::string refusal;
};

// Where a picture is drawn, and whom it may ask.
struct DeformationCanvas {
  graphics::Axes& ax;
  Console* console = nullptr;
  // The window the rotation dialog and grid trimming ask in, drawing into
  // ax; nullptr for a picture that asks nothing, which then must need
  // neither (a RuntimeError otherwise).
  window::Window* user = nullptr;
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

// log2 of the local change of area of the spline (refxy, weight) at each
// node (x, y): log2 of the determinant of its Jacobian (morpho::tpsJacobian),
// 0 where the area stays, 1 where it doubles; NaN where the map folds over
// (determinant 0 or below).
Mat log2AreaRatio(const Mat& refxy, const Mat& weight, const Mat& x, const Mat& y);

// The reference and the target of r (2 x L each), registered as r says and
// turned by the turns a picture of r got (DeformationResult): the forms the
// picture draws, without drawing or asking anything.
struct PictureForms {
  Mat reference, target;
};
PictureForms pictureForms(const DeformationRequest& r, double referenceTurn, double targetTurn);

// Draws the picture of r: registers both forms, turns them, fits the
// spline, builds the grid, paints the picture and offers grid trimming.
// Errors of the runtime throw RuntimeError; coinciding reference landmarks
// give a result with a refusal and nothing drawn.
DeformationResult renderDeformation(const DeformationRequest& r, const DeformationCanvas& canvas);

// The console lines every deformation picture starts with.
void echoRegistration(Console* console, double suptype);

// SHOWPW5  Draws the picture into the window's axes: the inputs and the
// window's choices (readPictureChoices) make the request, which is rendered
// with the window to ask in. Errors of the runtime
// (bad baseline numbers, an unreadable RefAngleBox while RotateRequest is
// off, a shape-variable row of the wrong length) throw RuntimeError. A
// reference whose landmarks coincide is reported in a message box and
// nothing is drawn.
DeformationResult showpw5(window::Window& window, Console* console, const Mat& reference,
                          const Mat& pwscore, double npts, double plottype, double suptype,
                          double b1, double b2, const DeformationStyle& style = {});

}  // namespace varnok::display
