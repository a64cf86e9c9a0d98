// ExportAlignedCoordinates: writes the specimens of the last analysis as it
// fitted them (centred, of unit centroid size, turned onto the reference, and
// with their semilandmarks slid) for other programs of the field.
//
// A name ending in ".csv" gets a tidy table with the header row
//   specimen,id,group,point,x,y,sliding
// and one row per point: the specimen's number in the loaded file, its name
// (empty when the file named none), its group code, the 1-based point
// number, the coordinates and 1 for a point that slides, else 0. Any other
// name gets a TPS file: per specimen "LM=L", the L points "x y", then "ID="
// with the specimen's name from the loaded file, or its number when the file
// named none. Numbers are the shortest text that reads back as the same
// double; in the table names are text cells (quoted as RFC 4180 says, and
// never taken for a formula by a spreadsheet).
//
// Before an analysis it says "Run the analysis first" and writes nothing; a
// cancelled dialog writes nothing; the file is written completely or not at
// all.
#pragma once

#include <string>

#include "platform/matrix/console.hpp"
#include "platform/window/window.hpp"
#include "session/session.hpp"

namespace varnok::analysis {

enum class AlignedFormat { Tps, Csv };

// The file's text for the session's last analysis.
std::string alignedCoordinates(const session::Session& session, AlignedFormat format);

void ExportAlignedCoordinates(session::Session& session, window::Window& window, Console& console);

}  // namespace varnok::analysis
