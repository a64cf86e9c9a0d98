// Wireframe links: which landmarks are joined by a line in every picture of
// a shape, read from a links file.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/matrix/console.hpp"
#include "platform/window/window.hpp"
#include "session/session.hpp"

namespace varnok::io {

// Reads a links file for L landmarks: one link a line, two 1-based landmark
// numbers separated by blanks, tabs or commas; blank lines and lines starting
// with '#' are skipped. The numbers must be whole, in 1..L and different;
// otherwise DataFileError names the file and the line. The links come back
// 0-based, in file order.
std::vector<session::Session::Link> readLinks(std::istream& in, const std::string& displayName,
                                              long long L);

// The menu item "Load Links...": asks for a links file for the loaded data
// and keeps its links in place of any earlier ones; a file that cannot be
// used is refused with a message and the earlier links stay.
void LoadLinks(session::Session& session, window::Window& window, Console& console);

// Forgets links made for another number of landmarks than the loaded data
// has; a new data file of as many landmarks keeps them.
void keepLinksFor(session::Session& session, long long landmarks);

}  // namespace varnok::io
