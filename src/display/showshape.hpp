// Drawing landmark configurations, one marker per landmark.
//
// Input rows are specimen rows, x1 y1 ... xL yL followed by one extra value
// (the stored centroid size), which is never drawn and is kept when a row is
// turned. Every landmark is plotted as a point object of its own, row by row,
// landmark by landmark; hold is switched on first, and the axes end with
// automatic limits and equal units.
//
// The reference angle is the text of RefAngleBox in degrees, counter-clockwise
// positive; turning a row applies R(t) = [cos t, -sin t; sin t, cos t] about
// the origin.
#pragma once

#include <optional>
#include <string_view>

#include "platform/matrix/console.hpp"
#include "platform/matrix/shared_mat.hpp"
#include "platform/matrix/types.hpp"
#include "platform/window/window.hpp"
#include "session/controls.hpp"

namespace varnok::display {

// The default symbol code row: green filled points of size 6.
RowVec defaultCodeRow();

// The reference angle in radians, read from RefAngleBox (echoed as "angle");
// nullopt when there is no such box or it holds no number.
std::optional<double> refAngle(window::Window& window, Console* console);
// The same of a RefAngleBox already read.
std::optional<double> refAngle(const session::NumberBox& box, Console* console);

// Turns every row of x by theta radians about the origin (extra value kept).
Mat turnRows(const Mat& x, double theta);

// Draws every landmark of every row with the line-style code and marker size 3.
void showshape(graphics::Axes& ax, const Mat& x, std::string_view xform = "k.");

// As showshape after turning every row by theta (default: the reference
// angle, 0 when it cannot be read). Returns the turned rows.
Mat showshape_rot(window::Window& window, Console* console, const Mat& x,
                  std::string_view xform = "k.", std::optional<double> theta = std::nullopt);
// showshape_rot for a caller that does not need the turned rows: the points
// are turned as they are drawn, without a turned copy of the data.
void plotTurned(window::Window& window, Console* console, const Mat& x,
                std::string_view xform = "k.", std::optional<double> theta = std::nullopt);
// plotTurned for rows [begin, end) of x, which the picture shares instead of
// copying: a large study's specimens are not held twice.
void plotTurned(window::Window& window, Console* console, const SharedMat& x, Eigen::Index begin,
                Eigen::Index end, std::string_view xform, std::optional<double> theta);

// Draws with one row of a symbol code table: colour (columns 1-3), marker
// index into ".ox+*sdv^<>ph" (4), size in points (5), fill flag (6). Without
// theta the reference angle is read; a RefAngleBox text that holds no number
// stops with a RuntimeError, a missing box means 0. A marker index outside
// 1..13 stops with a RuntimeError after the points drawn before it.
// The angle showshapec turns by when given none: the reference angle in
// radians, 0 without the box, a RuntimeError quoting a text that holds no
// number.
double symbolTableAngle(const session::NumberBox& box);

// Returns the handle of the first point drawn (0 when none).
graphics::Handle showshapec(window::Window& window, const Mat& x, const RowVec& codelist,
                            std::optional<double> theta = std::nullopt);

// showshape with markers of markerSize points; returns the handle of the
// first point drawn (0 when none).
graphics::Handle showshapeSized(graphics::Axes& ax, const Mat& x, std::string_view xform,
                                double markerSize);

// Every point of the rows x, turned by theta, as a small dot of the colour.
void showDots(graphics::Axes& ax, const Mat& x, graphics::Rgb color, double theta = 0);

}  // namespace varnok::display
