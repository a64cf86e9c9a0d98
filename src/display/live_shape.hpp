// The live shape: while the pointer moves over the score plot, the
// deformation picture of the form at the pointer's position, drawn into a
// small figure of its own beside the plot.
//
// The form at a point is the one ShowMarker1PCA pictures with marker 1
// there: the same vector of shape variables, the same renderer, the same
// controls (picture type, marker superimposition and scale, baseline, grid
// range) and display settings. A preview only looks: it changes no state
// (not defangle, not the markers), no control and not the main plot, writes
// no console line, puts nothing in the status bar and never opens a dialog.
// The interactive rotation is replaced by the reference angle in
// RefAngleBox, as when RotateRequest is off, and grid trimming is never
// offered.
#pragma once

#include <string>
#include <vector>

#include "display/outline.hpp"
#include "display/wireframe.hpp"
#include "platform/graphics/graphics.hpp"
#include "platform/window/window.hpp"
#include "session/state.hpp"

namespace varnok::display {

// What the preview says while the main plot is not the score plot of the
// current axes, or the pointer is not over it.
inline constexpr const char* kLiveShapeNeedsScorePlot = "Move the pointer over the score plot";

// The inset's grid has at most this many lines a side.
inline constexpr double kLiveShapeMaxGridLines = 12;

// The most grid steps across a picture in inset, as sized: at most 12 lines
// a side, and the inset, which shows the form rather than the whole grid,
// crossed by a line about every 25 pixels of its shorter side. The display
// setting's density is used when it is lower.
double liveShapeGridSteps(const graphics::Figure& inset);

// Draws into inset, titled "Shape at (x, y)", the picture ShowMarker1PCA
// would draw with marker 1 at (x, y), in the data units of the score plot
// that w shows, with w's controls as they are. The figure is drawn at the
// size its Position gives (the caller sizes it) on a white background.
// Returns an empty text when the picture was drawn; otherwise one short
// line saying why not, with inset cleared: the main plot is not a score plot
// or (x, y) lies outside it, the boxes name other axes than the plot shows,
// there is no analysis, a box holds no usable number, the picture cannot be
// made. The grid is drawn with at most liveShapeGridSteps(inset) steps,
// the landmarks over it, and the wireframe and the outline, if any, as in the
// deformation pictures. Principal axes in flipped are shown with their sign
// flipped.
std::string liveShape(const session::AnalysisState& s, window::Window& w, graphics::Figure& inset,
                      double x, double y, const Wireframe& wire = {},
                      const std::vector<double>& flipped = {}, const OutlineSource& outline = {});

}  // namespace varnok::display
