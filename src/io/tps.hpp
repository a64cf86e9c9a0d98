// readTps: reads a TPS landmark file (the format of the tpsDig family) into
// landmark data rows.
//
// Input: a text stream of specimens, each begun by "LM=n" and n coordinate
// lines "x y" (numbers separated by blanks, tabs or commas), followed in any
// order by KEY=value lines: IMAGE= and ID= name the specimen, SCALE= gives
// the length of one digitising unit, COMMENT= and every other key are
// ignored. CURVES=c and OUTLINES=c blocks are made of POINTS=k lines with k
// coordinate lines after them, each one curve. Unless the caller asks for
// curves they are skipped and counted; when asked for, each specimen's points
// are its landmarks, then the points of its CURVES= curves in file order, then
// those of its OUTLINES= curves, and every specimen must have the same curves
// of the same numbers of points. Keys are read in any case ("lm=" as "LM="), blank lines
// and lines starting with '#', '"' or '\'' are ignored, lines may end in LF,
// CR LF or CR, and a UTF-8 byte-order mark at the start is dropped.
//
// Output: N by 2L+1 rows x1 y1 ... xL yL CS in file order, the coordinates
// multiplied by the specimen's SCALE when it has one (units otherwise as
// digitised), CS the centroid size of those coordinates: the square root of
// the summed squared distances of the L landmarks from their centroid
// (Bookstein 1991, Morphometric Tools for Landmark Data, ch. 4). An input
// without any LM= line gives 0 by 0.
//
// Every specimen must have the same L > 0. A differing LM= count, missing or
// surplus coordinate lines, a word that is not a number, NaN or Inf, a SCALE
// that is not a positive finite number, three-dimensional LM3= data or any
// other line that is neither a coordinate nor a KEY= line raise
// DataFileError naming the file and the line.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "platform/matrix/types.hpp"

namespace varnok::io {

// One digitised curve: an open CURVES= curve or a closed OUTLINES= one.
struct TpsCurve {
  long long points = 0;
  bool closed = false;
  bool operator==(const TpsCurve&) const = default;
};

struct TpsOptions {
  // Read the curves' points after the landmarks instead of skipping them.
  bool readCurves = false;
};

struct TpsData {
  Mat data;  // N by 2L+1
  // One name per specimen: its ID=, else its IMAGE=, else empty. Empty when
  // no specimen has either.
  std::vector<std::string> ids;
  long long curvePoints = 0;    // points of CURVES= blocks
  long long outlinePoints = 0;  // points of OUTLINES= blocks
  // The curves read, open ones first, in the order their points follow the
  // landmarks (empty unless curves were asked for and the file has some).
  std::vector<TpsCurve> curves;
  long long landmarks = 0;  // the LM= count: points before the curves'
  // Specimens without SCALE= in a file where others have one (0 otherwise):
  // their coordinates are in other units than the rest.
  long long unscaled = 0;
};

// displayName names the file in error messages.
TpsData readTps(std::istream& in, const std::string& displayName, const TpsOptions& options = {});

// Whether a line (without its end) is a KEY=value line: a word of letters,
// digits and underscores that starts with a letter, then '='.
bool isTpsKeyLine(std::string_view line);

}  // namespace varnok::io
