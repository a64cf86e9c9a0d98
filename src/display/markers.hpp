// The two score-plot markers: place them by clicking in the score plot, draw
// them again after the plot was redrawn, and picture the shape at either
// marker, or the change from marker 1 to marker 2, as a deformation of the
// reference.
//
// A marker position is a pair of scores on the two plotted principal axes
// (the numbers in XBox and YBox, axis 1 = largest eigenvalue), in the data
// units of the plot, as picked: a mirrored axis (AxisOnePos, AxisTwoPos
// unticked) is not undone. The shape at (x, y) lies x along the horizontal
// axis and y along the vertical one and at zero on every other axis. The
// positions stay until the next pick or data load; stepping an axis number
// after placing a marker changes which shape the position stands for.
//
// Marker 1 is a red filled circle (size 6) under a black plus (size 8),
// marker 2 the same in green.
#pragma once

#include <optional>
#include <vector>

#include "display/deformation_actions.hpp"
#include "session/action_context.hpp"

namespace varnok::display {

enum class MarkerPicture { Marker1, Marker2, Difference };

// EXAGERATION * [a * mx + b * my; 1]' for a = the loadings of principal axis
// pcatarget1 and b = those of pcatarget2 (columns numPCA - t of Vmatrix): a
// row of V + 1 values, the last equal to exaggeration, not rounded. Throws
// RuntimeError for an axis outside 1..V.
RowVec markerVector(const Mat& Vmatrix, double numPCA, double pcatarget1, double pcatarget2,
                    double mx, double my, double exaggeration);

// Reads the controls and the state for a marker picture: the registration
// from MarkerSuperList (entries 1..3 give Baseline, SlidingBaseline,
// Procrustes), the factor in MarkerScaleBox, the axes in XBox and YBox, and
// what every deformation picture reads. A problem the user can mend (no
// analysis, a marker never placed, a box that holds no usable number) gives
// a refusal.
// Principal axes in flipped (Session::figures.flippedAxes) are shown with
// their sign flipped: a marker's position stands for the shape at the
// flipped score.
RequestRead readMarkerRequest(const session::AnalysisState& s, window::Window& w,
                              MarkerPicture which, const std::vector<double>& flipped = {});

// The request ShowMarker1PCA makes with marker 1 at (mx, my), whether or not
// a marker was placed: the same controls read and checked, the same
// refusals.
RequestRead readMarkerRequestAt(const session::AnalysisState& s, window::Window& w, double mx,
                                double my, const std::vector<double>& flipped = {});

// Draws a marker (1 or 2) at (x, y) into the current axes with their hold
// state; the marker's second symbol is always added to its first, and the
// hold state is as before afterwards.
void drawMarker(graphics::Axes& ax, int marker, double x, double y);

// Wait for one click in the plot (the status bar asks for it), store it and
// draw the marker. Escape, or closing the window, cancels: the marker stays
// where it was.
void PlaceM1(session::ActionContext& ctx);
void PlaceM2(session::ActionContext& ctx);
// Draws both markers at their stored positions.
void RestoreMarkers(session::ActionContext& ctx);
// The deformation pictures; the angle the picture was turned by becomes
// defangle.
void ShowMarker1PCA(session::ActionContext& ctx);
void ShowMarker2PCA(session::ActionContext& ctx);
void ShowMarkerDif(session::ActionContext& ctx);

}  // namespace varnok::display
