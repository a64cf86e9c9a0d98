// Wireframes: the lines that join the points of a shape so that a reader
// sees a skull or a wing rather than a cloud of points. They come from a
// links file (pairs of landmarks) and from the curves of semilandmarks (a
// TPS file's curves and outlines, or the neighbours of a sliders file).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/graphics/graphics.hpp"
#include "platform/matrix/types.hpp"
#include "session/session.hpp"

namespace varnok::display {

struct Wireframe {
  // Pairs of 0-based point numbers, each drawn as one straight line.
  std::vector<std::pair<Eigen::Index, Eigen::Index>> links;
  // Runs of 0-based point numbers, each drawn as one line through them; a
  // closed one returns to its first point.
  struct Curve {
    std::vector<Eigen::Index> points;
    bool closed = false;
  };
  std::vector<Curve> curves;
  // One flag per point: true for a semilandmark, drawn as a small dot
  // instead of the landmarks' symbol. Empty when every point is a landmark.
  std::vector<bool> sliding;

  bool empty() const { return links.empty() && curves.empty(); }
  bool hasSliding() const;
};

// The wireframe of the session's study for shapes of L points: the loaded
// links and curves that fit L points (nothing that names a point beyond L).
Wireframe studyWireframe(const session::Session& session, Eigen::Index L);

// The tags the wireframe's lines carry in the picture, so that plot data
// tells them from everything else.
inline constexpr const char* kLinkTag = "link";
inline constexpr const char* kCurveTag = "curve";

// The light grey of a reference's wireframe under a deformed one.
inline constexpr graphics::Rgb kReferenceWireColor{0.7, 0.7, 0.7};

// Draws the wireframe of one shape, xy being 2 x L (x in row 0, y in row
// 1), as lines of the given colour and width over what the axes hold. Each
// line ends exactly at the points it joins.
void drawWireframe(graphics::Axes& ax, const Mat& xy, const Wireframe& wire, graphics::Rgb color,
                   double lineWidth);

// The points of a specimen row (x1 y1 ... xL yL cs) as 2 x L.
Mat pointsOfRow(const RowVec& row);

// The rows x (x1 y1 ... xL yL cs) keeping only the points whose sliding flag
// equals keepSliding, the last column kept: the landmarks or the
// semilandmarks of a study, to draw each their own way.
Mat pointColumns(const Mat& x, const std::vector<bool>& sliding, bool keepSliding);

// The size, in points, of the small dots semilandmarks are drawn as.
inline constexpr double kSemilandmarkDotSize = 6;

}  // namespace varnok::display
