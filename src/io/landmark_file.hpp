// readLandmarkFile: reads a landmark data file in any of the three layouts
// the program knows, recognised by content rather than by extension (files
// travel between systems and get renamed):
//
// - TPS: the first line that is not blank or a comment is a KEY=value line
//   (normally "LM=n"); read by readTps;
// - NTS: that line is an NTS header ("1 N M 0" and its variants) or the file
//   starts with '"' or '\'' comment lines; read by readNts;
// - anything else: the plain data file, one specimen per line, read by the
//   numeric file reader.
//
// Output: the N by 2L+1 rows x1 y1 ... xL yL CS that the rest of the program
// works on, whichever the layout, with the specimen names the file gives
// (TPS ID= or IMAGE=, NTS row labels) and notes for the console about what
// was left out. Errors are DataFileError naming the file and the line.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "io/tps.hpp"
#include "platform/matrix/types.hpp"

namespace varnok::io {

enum class LandmarkFormat { Plain, Tps, Nts };

struct LandmarkFile {
  LandmarkFormat format = LandmarkFormat::Plain;
  Mat data;                        // N by 2L+1 (the plain file: as read)
  std::vector<std::string> ids;    // N names, or empty when the file names none
  std::vector<std::string> notes;  // lines for the console
  long stopLine = 0;     // plain files: the empty line that ended the data early
  long unreadLines = 0;  // plain files: non-empty lines after it, not read
  // TPS files read with their curves: the curves whose points follow the
  // first `landmarks` points.
  std::vector<TpsCurve> curves;
  long long landmarks = 0;
};

// The layout of the text in; reads from the stream's current position.
LandmarkFormat detectLandmarkFormat(std::istream& in);

// Reads a stream (positioned at its start and seekable) in its layout;
// displayName names the file in messages.
LandmarkFile readLandmarks(std::istream& in, const std::string& displayName,
                           const TpsOptions& tps = {});

// Reads a file, naming it displayName (its name without the folder when
// empty) in messages. Throws FileAccessError when it cannot be opened as a
// regular file, DataFileError when it is malformed.
LandmarkFile readLandmarkFile(const std::string& path, const std::string& displayName = "",
                              const TpsOptions& tps = {});

}  // namespace varnok::io
