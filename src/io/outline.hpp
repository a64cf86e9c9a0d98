// Outlines to warp: a file of x y points drawn around or along one specimen
// of the loaded data, in that specimen's coordinates as the data file holds
// them (display/outline.hpp carries it into the deformation pictures).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/matrix/console.hpp"
#include "platform/matrix/types.hpp"
#include "platform/window/window.hpp"
#include "session/session.hpp"

namespace varnok::io {

// Reads an outline file: one point a line, x and y separated by blanks, tabs
// or a comma; a blank line ends a stroke and the next point starts another;
// lines starting with '#' are skipped. The strokes come back 2 x n each, in
// file order. A line holding anything but two finite numbers throws
// DataFileError naming the file and the line; so does a file of no point.
std::vector<Mat> readOutline(std::istream& in, const std::string& displayName);

// The menu item "Load Outline...": asks for an outline file and for the
// specimen (1-based, in the data file's order) whose coordinates it is in,
// keeps both in place of any earlier outline and turns Show Outline on. No
// data, a file that cannot be used, a number that names no specimen and a
// specimen whose landmarks admit no spline are refused with a message, and
// everything stays as it was.
void LoadOutline(session::Session& session, window::Window& window, Console& console);

}  // namespace varnok::io
