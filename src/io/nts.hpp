// readNts: reads an NTS matrix file (the NTSYS layout used for landmark data)
// into landmark data rows.
//
// Input: a text stream. Lines whose first character (after blanks) is '"' or
// '\'' are comments, blank lines are ignored, anywhere. The first other line
// is the header "1 N M 0": matrix type 1 (rectangular), N rows (specimens),
// M columns, missing-value flag 0; an "L" right after N or M says that N row
// labels or M column labels follow the header; the flag 1 is followed by the
// code that marks a missing value; an optional last word "DIM=2" gives the
// dimension. Then come the labels, if any, and the N*M numbers row by row,
// separated by blanks, tabs, commas or line ends in any arrangement. Lines
// may end in LF, CR LF or CR; a UTF-8 byte-order mark at the start is
// dropped.
//
// Output: N by 2L+1 rows x1 y1 ... xL yL CS. With M = 2L the columns are
// x y pairs and CS is computed: the square root of the summed squared
// distances of the landmarks from their centroid (Bookstein 1991). With
// M = 2L+1 the last column is taken as the centroid size, as in the plain
// data file. ids holds the N row labels, or nothing without them. An input
// without a header gives 0 by 0.
//
// A header of another form, another matrix type, a dimension other than 2,
// M < 2, a word that is not a number, NaN or Inf, a missing value, and fewer
// or more numbers than N*M raise DataFileError naming the file and the line.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "platform/matrix/types.hpp"

namespace varnok::io {

struct NtsData {
  Mat data;                      // N by 2L+1
  std::vector<std::string> ids;  // the N row labels, when the file has them
};

// displayName names the file in error messages.
NtsData readNts(std::istream& in, const std::string& displayName);

// Whether a line (without its end) reads as an NTS header "1 N M 0" in one
// of the forms above. Plain data lines never do: they hold an odd count of
// numbers, seven or more for a form the analysis can use.
bool isNtsHeader(std::string_view line);

}  // namespace varnok::io
