// Warped outlines: a drawing of a specimen (the edge of a skull, a wing's
// veins) carried into the deformation pictures and bent by the same spline
// as the grid, so that the reader sees the form change rather than a net.
//
// The outline is given in the coordinates of one loaded specimen as the data
// file holds it. The thin-plate spline from that specimen's landmarks onto
// the reference's carries it to the reference: it takes the similarity the
// fit applied to the specimen and bends the rest of the way, so every point
// drawn on a landmark lands on the reference's landmark.
#pragma once

#include <vector>

#include "platform/graphics/graphics.hpp"
#include "platform/matrix/types.hpp"
#include "session/action_context.hpp"
#include "session/session.hpp"

namespace varnok::display {

// The check item of the outline, and the tag of its lines in the picture.
inline constexpr const char* kOutlineItem = "OutlineItem";
inline constexpr const char* kOutlineTag = "outline";

// An outline and the landmarks of the specimen it was drawn on.
struct OutlineSource {
  std::vector<Mat> strokes;  // 2 x n each, x in row 0
  Mat landmarks;             // 2 x L
  bool empty() const { return strokes.empty(); }
};

// The session's outline while Show Outline is on, with its specimen's
// landmarks as loaded; empty when it is off, there is none or its specimen is
// no longer there.
OutlineSource outlineSource(const session::Session& s);

// The strokes carried to reference (1 x (2L+1)) by the spline from the
// source's landmarks onto the reference's, in the reference's coordinates.
// Empty when there is nothing to carry, the number of landmarks differs or no
// spline can be fitted (landmarks that coincide or lie on one line).
std::vector<Mat> carryOutline(const OutlineSource& source, const Mat& reference);

// Draws each stroke as one line of the given colour and width, tagged
// kOutlineTag, over what the axes hold.
void drawOutline(graphics::Axes& ax, const std::vector<Mat>& strokes, graphics::Rgb color,
                 double lineWidth);

// View > Show Outline: the outline in the deformation pictures drawn from
// now on, or not.
void ToggleOutline(session::ActionContext& ctx);

}  // namespace varnok::display
